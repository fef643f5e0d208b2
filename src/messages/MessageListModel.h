#pragma once

#include "messages/MessageList.h"

#include <QAbstractTableModel>
#include <QString>
#include <vector>

// The rows of the message list. The records that decide how a row is drawn (bold when
// unread, the high-priority colour) belong to the messages window; the model only reads them.
class MessageListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { DateColumn, PrioColumn, TypeColumn, SummaryColumn, ColumnCount };

    explicit MessageListModel(QObject *parent = nullptr);

    // Replaces all rows at once; `records` must outlive the rows.
    void setRows(std::vector<MessageRow> rows, const std::vector<TMessageData> *records);
    void clear();
    // The index into the records of the record that `row` stands for.
    size_t recordIndex(int row) const { return m_rows.at(size_t(row)).Record; }
    // Redraws every row, or one row, after records have changed.
    void recordsChanged();
    void recordChanged(int row);
    void setHeading(int column, const QString &text);
    // What a screen reader adds to every cell of an unread row (the "new" mark of the
    // current language); high priority adds the priority column's mark.
    void setUnreadDescription(const QString &text);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // The state that only colour and weight show, in words.
    QString stateDescription(const TMessageData &record) const;

    std::vector<MessageRow> m_rows;
    const std::vector<TMessageData> *m_records = nullptr;
    QString m_headings[ColumnCount];
    QString m_unreadDescription;
};
