#include "i18n/LanguageComboBox.h"

#include "i18n/LanguageItemDelegate.h"
#include "i18n/Languages.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QListView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

LanguageComboBox::LanguageComboBox(QWidget *parent)
    : QComboBox(parent), m_delegate(new LanguageItemDelegate(this))
{
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { announceChoice(); });
}

QString LanguageComboBox::currentDescription() const
{
    return currentData(LanguageItemDelegate::DescriptionRole).toString();
}

void LanguageComboBox::announceChoice()
{
    // The combo box itself announces its item text, the bare key; a screen reader asks
    // again for the name, which is the description.
    QAccessibleEvent nameChanged(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&nameChanged);
    QAccessibleValueChangeEvent valueChanged(this, currentDescription());
    QAccessible::updateAccessibility(&valueChanged);
}

void LanguageComboBox::showPopup()
{
    // The list is made when it is first needed, which spares the start of the program.
    // A plain list view: the style's menu-like popup would draw its own items.
    if (!m_listReady) {
        auto *list = new QListView(this);
        list->setUniformItemSizes(true);
        setView(list);
        setItemDelegate(m_delegate);
        m_listReady = true;
    }
    QComboBox::showPopup();
}

bool LanguageComboBox::isPopupVisible() const
{
    // Until the first popup there is no list of ours to look at.
    return m_listReady && view()->isVisible();
}

void LanguageComboBox::setLanguages(const std::vector<TLangInfo> &languages)
{
    const QSignalBlocker blocker(this);
    clear();
    for (const TLangInfo &language : languages) {
        addItem(QString::fromUtf8(language.Key));
        setItemData(count() - 1, language.Description, LanguageItemDelegate::DescriptionRole);
        // A screen reader reads the list's items by what the user sees of them.
        setItemData(count() - 1, language.Description, Qt::AccessibleTextRole);
    }
}

void LanguageComboBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);

    if (currentIndex() < 0)
        return;
    // The closed box shows the chosen language the way the list draws it.
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                QStyle::SC_ComboBoxEditField, this);
    QStyleOptionViewItem item;
    item.initFrom(this);
    item.rect = field;
    // The closed box keeps its plain drawing whether it has the focus or the mouse.
    item.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_Selected);
    painter.setClipRect(field);
    m_delegate->paint(&painter, item, model()->index(currentIndex(), modelColumn(), rootModelIndex()));
}
