#pragma once

#include <QAccessibleWidget>

class LanguageComboBox;

// The language selector as assistive technology sees it: a combo box that says the
// language's description ("Deutsch"), not its key ("de"), in its name and value; its one
// child is the list of languages, whose items say their descriptions too.
class LanguageComboBoxAccessible : public QAccessibleWidget
{
public:
    explicit LanguageComboBoxAccessible(LanguageComboBox *comboBox);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;

private:
    LanguageComboBox *comboBox() const;
};
