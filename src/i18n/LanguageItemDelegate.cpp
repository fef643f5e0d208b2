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

    painter->save();
    painter->fillRect(rect, palette.color(QPalette::Base));
    painter->setPen(palette.color(QPalette::Text));
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
