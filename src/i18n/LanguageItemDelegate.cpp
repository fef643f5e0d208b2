#include "i18n/LanguageItemDelegate.h"

#include <QComboBox>
#include <QPainter>

LanguageItemDelegate::LanguageItemDelegate(QComboBox *comboBox)
    : QStyledItemDelegate(comboBox), m_comboBox(comboBox)
{
}

void LanguageItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    const QPalette &palette = m_comboBox->palette();
    const QRect rect = option.rect;
    const QString key = index.data(Qt::DisplayRole).toString();
    const QString description = index.data(DescriptionRole).toString();

    // In the open list the item under the mouse or the keyboard is highlighted, so that a
    // keyboard user sees where Enter goes; every other item keeps the plain drawing.
    const bool highlighted = option.state & (QStyle::State_HasFocus | QStyle::State_MouseOver);
    painter->save();
    painter->fillRect(rect, palette.color(highlighted ? QPalette::Highlight : QPalette::Base));
    painter->setPen(palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text));
    painter->setFont(m_comboBox->font());
    // The description starts at a fixed offset whatever the key's width; nothing is measured.
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip;
    painter->drawText(QRect(rect.left(), rect.top(), rect.width(), rect.height()), flags,
                      QLatin1Char('(') + key + QLatin1Char(')'));
    painter->drawText(QRect(rect.left() + DescriptionOffset, rect.top(),
                            qMax(0, rect.width() - DescriptionOffset), rect.height()),
                      flags, description);
    painter->restore();
}

QSize LanguageItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(option.rect.width(), ItemHeight);
}
