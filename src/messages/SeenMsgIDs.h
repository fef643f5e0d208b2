#pragma once

#include <QByteArray>
#include <QCollator>
#include <QList>
#include <QSet>
#include <QString>

// The identifiers of the messages the user has read: kept sorted, without duplicates,
// compared without regard to letter case (following the locale), searched by bisection.
// Two identifiers are one when their case-folded texts are equal; the locale's collation
// orders the rest, and the plain order of the folded texts breaks the collation's ties,
// so the order stays strict and weak whatever the collation considers equal.
class SeenMsgIDs
{
public:
    SeenMsgIDs() = default;
    // Sorts `ids` and drops the duplicates.
    explicit SeenMsgIDs(const QList<QByteArray> &ids);

    bool contains(const QByteArray &id) const;
    void add(const QByteArray &id);    // no effect when present
    void remove(const QByteArray &id); // no effect when absent
    // The same for many identifiers at once, without inserting one by one.
    void addAll(const QList<QByteArray> &ids);
    void removeAll(const QList<QByteArray> &ids);
    void assign(const QList<QByteArray> &ids);

    const QList<QByteArray> &items() const { return m_items; }
    qsizetype size() const { return m_items.size(); }

    // Negative, zero or positive as `a` sorts before, with or after `b`.
    static int compare(const QByteArray &a, const QByteArray &b);
    // The text that two identifiers share when they are one.
    static QString foldedKey(const QByteArray &id);
    // The folded texts of those `ids` that `seenList` holds: one pass over the list, which
    // need not be sorted, for the few messages of a feed against a list of any length.
    static QSet<QString> seenAmong(const QList<QByteArray> &seenList, const QList<QByteArray> &ids);
    // The same for a list kept as one text, each identifier ended by `separator` (the last
    // one may end the text instead), read in place.
    static QSet<QString> seenAmong(QStringView seenText, char separator, const QList<QByteArray> &ids);

private:
    // Where `key` stands or would stand, and whether it is there.
    qsizetype lowerBound(QStringView key) const;
    bool foundAt(qsizetype index, QStringView key) const;

    QList<QByteArray> m_items;
    QList<QString> m_keys; // the folded text of each item, computed once
    QCollator m_collator;  // the default locale's, taken when the list is sorted
};
