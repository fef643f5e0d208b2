#include "messages/SeenMsgIDs.h"

#include <QSet>
#include <QVarLengthArray>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {
QString sortKey(QByteArrayView id)
{
    return QString::fromUtf8(id).toCaseFolded();
}

QString sortKey(QStringView id)
{
    return id.toString().toCaseFolded();
}

int sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// The collation decides; where it sees no difference, the plain order of the folded texts does.
int compareKeys(QStringView a, QStringView b)
{
    const int collated = QString::localeAwareCompare(a, b);
    return collated != 0 ? sign(collated) : sign(a.compare(b, Qt::CaseSensitive));
}

int compareKeys(const QCollator &collator, QStringView a, QStringView b)
{
    const int collated = collator.compare(a, b);
    return collated != 0 ? sign(collated) : sign(a.compare(b, Qt::CaseSensitive));
}

using FoldBuffer = QVarLengthArray<char16_t, 64>;

char16_t unitAt(QByteArrayView text, qsizetype i)
{
    return static_cast<unsigned char>(text[i]);
}

char16_t unitAt(QStringView text, qsizetype i)
{
    return text[i].unicode();
}

// The folded text of an all-ASCII identifier, made without allocating; false for any other.
template <typename View>
bool foldAsciiIn(View id, FoldBuffer &folded)
{
    folded.resize(id.size());
    for (qsizetype i = 0; i < id.size(); ++i) {
        const char16_t c = unitAt(id, i);
        if (c >= 0x80)
            return false;
        folded[i] = (c >= 'A' && c <= 'Z') ? char16_t(c + ('a' - 'A')) : char16_t(c);
    }
    return true;
}

bool foldAscii(QByteArrayView id, FoldBuffer &folded)
{
    return foldAsciiIn(id, folded);
}

bool foldAscii(QStringView id, FoldBuffer &folded)
{
    return foldAsciiIn(id, folded);
}
} // namespace

SeenMsgIDs::SeenMsgIDs(const QList<QByteArray> &ids)
{
    assign(ids);
}

int SeenMsgIDs::compare(const QByteArray &a, const QByteArray &b)
{
    // Sorting a list calls this often: most identifiers are ASCII and need no allocation.
    FoldBuffer foldedA;
    FoldBuffer foldedB;
    if (foldAscii(a, foldedA) && foldAscii(b, foldedB))
        return compareKeys(QStringView(foldedA.constData(), foldedA.size()),
                           QStringView(foldedB.constData(), foldedB.size()));
    return compareKeys(sortKey(a), sortKey(b));
}

QString SeenMsgIDs::foldedKey(const QByteArray &id)
{
    return sortKey(id);
}

namespace {
// Collects the folded texts of `ids` that `forEachSeen` hands over.
template <typename ForEachSeen>
QSet<QString> seenAmongItems(const QList<QByteArray> &ids, ForEachSeen &&forEachSeen)
{
    QSet<QString> wanted;
    for (const QByteArray &id : ids)
        wanted.insert(sortKey(id));
    QSet<QString> found;
    FoldBuffer folded;
    forEachSeen([&](auto item) {
        // Most identifiers are ASCII: looked up in place, without a copy.
        const QString key = foldAscii(item, folded) ? QString::fromRawData(reinterpret_cast<const QChar *>(folded.constData()), folded.size())
                                                    : sortKey(item);
        const auto hit = wanted.constFind(key);
        if (hit != wanted.cend())
            found.insert(*hit);
    });
    return found;
}
} // namespace

QSet<QString> SeenMsgIDs::seenAmong(const QList<QByteArray> &seenList, const QList<QByteArray> &ids)
{
    return seenAmongItems(ids, [&](const auto &visit) {
        for (const QByteArray &item : seenList)
            visit(item);
    });
}

QSet<QString> SeenMsgIDs::seenAmong(QStringView seenText, char separator, const QList<QByteArray> &ids)
{
    return seenAmongItems(ids, [&](const auto &visit) {
        for (qsizetype start = 0; start < seenText.size();) {
            qsizetype end = seenText.indexOf(QLatin1Char(separator), start);
            if (end < 0)
                end = seenText.size();
            visit(seenText.sliced(start, end - start));
            start = end + 1;
        }
    });
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
    m_collator = QCollator();
    std::stable_sort(order.begin(), order.end(), [this, &keys](qsizetype a, qsizetype b) {
        return compareKeys(m_collator, keys[size_t(a)], keys[size_t(b)]) < 0;
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

qsizetype SeenMsgIDs::lowerBound(QStringView key) const
{
    const auto position = std::lower_bound(m_keys.cbegin(), m_keys.cend(), key,
                                           [this](const QString &item, QStringView wanted) {
                                               return compareKeys(m_collator, item, wanted) < 0;
                                           });
    return position - m_keys.cbegin();
}

bool SeenMsgIDs::foundAt(qsizetype index, QStringView key) const
{
    return index < m_keys.size() && QStringView(m_keys.at(index)) == key;
}

bool SeenMsgIDs::contains(const QByteArray &id) const
{
    // Every feed message is looked up: ASCII identifiers need no allocation.
    FoldBuffer folded;
    if (foldAscii(id, folded)) {
        const QStringView key(folded.constData(), folded.size());
        return foundAt(lowerBound(key), key);
    }
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
