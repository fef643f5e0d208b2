#pragma once

#include <QComboBox>

#include <vector>

class LanguageItemDelegate;
struct TLangInfo;

// The language selector: a drop-down list of the languages, owner-drawn by
// LanguageItemDelegate in the list and in the closed box alike.
class LanguageComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit LanguageComboBox(QWidget *parent = nullptr);

    // One item per language, in list order: the key as item text, the description beside it.
    void setLanguages(const std::vector<TLangInfo> &languages);

    LanguageItemDelegate *languageDelegate() const { return m_delegate; }
    // What the user reads for the chosen language: its description.
    QString currentDescription() const;
    bool isPopupVisible() const;

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void announceChoice();

    LanguageItemDelegate *m_delegate;
    bool m_listReady = false;
};
