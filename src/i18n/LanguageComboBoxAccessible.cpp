#include "i18n/LanguageComboBoxAccessible.h"

#include "i18n/LanguageComboBox.h"

#include <QAbstractItemView>

LanguageComboBoxAccessible::LanguageComboBoxAccessible(LanguageComboBox *comboBox)
    : QAccessibleWidget(comboBox, QAccessible::ComboBox)
{
}

LanguageComboBox *LanguageComboBoxAccessible::comboBox() const
{
    return static_cast<LanguageComboBox *>(widget());
}

QString LanguageComboBoxAccessible::text(QAccessible::Text t) const
{
    switch (t) {
    case QAccessible::Name:
    case QAccessible::Value:
        // As the desktop's combo boxes do, the name is the chosen entry; the label above
        // the selector is tied to it as its label.
        return comboBox()->currentDescription();
    default:
        return QAccessibleWidget::text(t);
    }
}

QAccessible::State LanguageComboBoxAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    const bool open = comboBox()->isPopupVisible();
    state.expandable = true;
    state.expanded = open;
    state.collapsed = !open;
    state.hasPopup = true;
    return state;
}

int LanguageComboBoxAccessible::childCount() const
{
    return 1;
}

QAccessibleInterface *LanguageComboBoxAccessible::child(int index) const
{
    if (index != 0)
        return nullptr;
    // The list of the open selector, made when first asked for.
    return QAccessible::queryAccessibleInterface(comboBox()->view());
}

int LanguageComboBoxAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    return child && child->object() == comboBox()->view() ? 0 : -1;
}

QStringList LanguageComboBoxAccessible::actionNames() const
{
    QStringList names;
    if (comboBox()->isEnabled())
        names << QAccessibleActionInterface::showMenuAction() << QAccessibleActionInterface::pressAction();
    return names + QAccessibleWidget::actionNames();
}

void LanguageComboBoxAccessible::doAction(const QString &actionName)
{
    if (actionName == QAccessibleActionInterface::showMenuAction()
        || actionName == QAccessibleActionInterface::pressAction()) {
        if (comboBox()->isEnabled())
            comboBox()->showPopup();
        return;
    }
    QAccessibleWidget::doAction(actionName);
}
