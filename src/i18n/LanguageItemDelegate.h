#pragma once

#include <QStyledItemDelegate>

class QComboBox;

// Draws an item of the language selector: "(" + key + ")" at the top-left corner and the
// description 42 pixels further right, in the combo box's own colours; only the item under
// the mouse or the keyboard in the open list is drawn in the highlight colours. The model holds the key as display text and the description under DescriptionRole.
class LanguageItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    static constexpr int DescriptionRole = Qt::UserRole + 1;
    static constexpr int ItemHeight = 18;
    static constexpr int DescriptionOffset = 42;

    explicit LanguageItemDelegate(QComboBox *comboBox);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    QComboBox *m_comboBox;
};
