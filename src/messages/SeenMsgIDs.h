#pragma once

#include <QByteArray>
#include <QList>

// The identifiers of the messages the user has read: kept sorted, without duplicates,
// compared without regard to letter case (following the locale), searched by bisection.
class SeenMsgIDs
{
public:
    SeenMsgIDs() = default;
    // Sorts `ids` and drops the duplicates.
    explicit SeenMsgIDs(const QList<QByteArray> &ids);

    bool contains(const QByteArray &id) const;
    void add(const QByteArray &id);    // no effect when present
    void remove(const QByteArray &id); // no effect when absent
    void assign(const QList<QByteArray> &ids);

    const QList<QByteArray> &items() const { return m_items; }
    qsizetype size() const { return m_items.size(); }

    // Negative, zero or positive as `a` sorts before, with or after `b`.
    static int compare(const QByteArray &a, const QByteArray &b);

private:
    QList<QByteArray> m_items;
};
