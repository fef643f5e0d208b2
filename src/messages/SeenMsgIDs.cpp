#include "messages/SeenMsgIDs.h"

#include <QSet>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {
QString sortKey(const QByteArray &id)
{
    return QString::fromUtf8(id).toCaseFolded();
}

int compareKeys(const QString &a, const QString &b)
{
    const int collated = QString::localeAwareCompare(a, b);
    if (collated != 0)
        return collated < 0 ? -1 : 1;
    const int plain = QString::compare(a, b, Qt::CaseSensitive);
    return plain < 0 ? -1 : (plain > 0 ? 1 : 0);
}
} // namespace

SeenMsgIDs::SeenMsgIDs(const QList<QByteArray> &ids)
{
    assign(ids);
}

int SeenMsgIDs::compare(const QByteArray &a, const QByteArray &b)
{
    return compareKeys(sortKey(a), sortKey(b));
}

void SeenMsgIDs::assign(const QList<QByteArray> &ids)
{
    std::vector<QString> keys;
    keys.reserve(size_t(ids.size()));
    for (const QByteArray &id : ids)
        keys.push_back(sortKey(id));

    // Sorted by index so that of several spellings of one identifier the first one stays.
    std::vector<qsizetype> order(size_t(ids.size()));
    std::iota(order.begin(), order.end(), qsizetype(0));
    std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) {
        return compareKeys(keys[size_t(a)], keys[size_t(b)]) < 0;
    });

    m_items.clear();
    m_keys.clear();
    m_items.reserve(ids.size());
    m_keys.reserve(ids.size());
    for (const qsizetype index : order) {
        const QString &key = keys[size_t(index)];
        if (!m_keys.isEmpty() && m_keys.constLast() == key)
            continue;
        m_items.append(ids.at(index));
        m_keys.append(key);
    }
}

qsizetype SeenMsgIDs::lowerBound(const QString &key) const
{
    const auto position = std::lower_bound(m_keys.cbegin(), m_keys.cend(), key,
                                           [](const QString &item, const QString &wanted) {
                                               return compareKeys(item, wanted) < 0;
                                           });
    return position - m_keys.cbegin();
}

bool SeenMsgIDs::foundAt(qsizetype index, const QString &key) const
{
    return index < m_keys.size() && m_keys.at(index) == key;
}

bool SeenMsgIDs::contains(const QByteArray &id) const
{
    const QString key = sortKey(id);
    return foundAt(lowerBound(key), key);
}

void SeenMsgIDs::add(const QByteArray &id)
{
    const QString key = sortKey(id);
    const qsizetype index = lowerBound(key);
    if (foundAt(index, key))
        return;
    m_items.insert(index, id);
    m_keys.insert(index, key);
}

void SeenMsgIDs::remove(const QByteArray &id)
{
    const QString key = sortKey(id);
    const qsizetype index = lowerBound(key);
    if (!foundAt(index, key))
        return;
    m_items.removeAt(index);
    m_keys.removeAt(index);
}

void SeenMsgIDs::addAll(const QList<QByteArray> &ids)
{
    // A few insertions are cheap; many are merged by sorting once. The present
    // spelling of an identifier comes first and so stays.
    constexpr qsizetype kFewIds = 16;
    if (ids.size() <= kFewIds) {
        for (const QByteArray &id : ids)
            add(id);
        return;
    }
    assign(m_items + ids);
}

void SeenMsgIDs::removeAll(const QList<QByteArray> &ids)
{
    QSet<QString> gone;
    gone.reserve(ids.size());
    for (const QByteArray &id : ids)
        gone.insert(sortKey(id));
    qsizetype kept = 0;
    for (qsizetype i = 0; i < m_items.size(); ++i) {
        if (gone.contains(m_keys.at(i)))
            continue;
        if (kept != i) {
            m_items[kept] = std::move(m_items[i]);
            m_keys[kept] = std::move(m_keys[i]);
        }
        ++kept;
    }
    m_items.resize(kept);
    m_keys.resize(kept);
}
