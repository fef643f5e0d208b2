#include "messages/MessageListModel.h"

#include "messages/MessageTexts.h"

#include <QColor>
#include <QFont>

namespace {
const QColor kHighPrioColor(0, 145, 220); // #0091DC
// The roles that follow a record's read state and priority.
const QList<int> kStateRoles = {Qt::FontRole, Qt::ForegroundRole, Qt::AccessibleDescriptionRole};

// Only the weight is set, so the list's own font supplies everything else.
QFont boldFont()
{
    QFont font;
    font.setBold(true);
    return font;
}
} // namespace

MessageListModel::MessageListModel(QObject *parent) : QAbstractTableModel(parent) {}

void MessageListModel::setRows(std::vector<MessageRow> rows, const std::vector<TMessageData> *records)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_records = records;
    endResetModel();
}

void MessageListModel::clear()
{
    setRows({}, nullptr);
}

void MessageListModel::recordsChanged()
{
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), kStateRoles);
}

void MessageListModel::recordChanged(int row)
{
    Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1), kStateRoles);
}

void MessageListModel::setHeading(int column, const QString &text)
{
    m_headings[column] = text;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

void MessageListModel::setUnreadDescription(const QString &text)
{
    m_unreadDescription = text;
    recordsChanged();
}

QString MessageListModel::stateDescription(const TMessageData &record) const
{
    QStringList parts;
    if (record.IsHighPrio)
        parts << MsgPrioText(QStringLiteral("high"));
    if (record.IsUnread)
        parts << m_unreadDescription;
    return parts.join(QLatin1String(", "));
}

int MessageListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int MessageListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MessageListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_rows.size())
        return QVariant();
    const MessageRow &row = m_rows[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case DateColumn:
            return row.Date;
        case PrioColumn:
            return row.Prio;
        case TypeColumn:
            return row.Type;
        case SummaryColumn:
            return row.Summary;
        }
        break;
    case Qt::FontRole:
        if ((*m_records)[row.Record].IsUnread) {
            static const QFont bold = boldFont();
            return bold;
        }
        break;
    case Qt::ForegroundRole:
        if ((*m_records)[row.Record].IsHighPrio)
            return kHighPrioColor;
        break;
    case Qt::AccessibleDescriptionRole:
        return stateDescription((*m_records)[row.Record]);
    default:
        break;
    }
    return QVariant();
}

QVariant MessageListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_headings[section];
    // The priority column shows no heading; a screen reader names it by its mark.
    if (role == Qt::AccessibleTextRole && section == PrioColumn)
        return MsgPrioText(QStringLiteral("high"));
    return QVariant();
}

Qt::ItemFlags MessageListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
