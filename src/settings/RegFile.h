#pragma once

#include "settings/RegValue.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <optional>

// The contents of a .reg file as the Windows registry editor exports it: keys named by
// their full path (first component the root, "HKEY_CURRENT_USER"), each with its values.
// Key paths are lists of names; all names compare without regard to case.
class RegFile
{
public:
    // The document held in `bytes` (UTF-8, or UTF-16LE with its byte-order mark; version
    // 5.00 or REGEDIT4), or nothing when they do not form one. An empty file is an empty
    // document. Deletion lines ("[-key]", "Name"=-) apply as an import would apply them.
    static std::optional<RegFile> parse(const QByteArray &bytes);

    // UTF-8 without byte-order mark, keys in tree order.
    QByteArray toBytes() const;

    // `path` ("\Software\Orbel\", leading and trailing separators optional) under the
    // root; nothing when a name in it cannot be kept in a .reg file.
    static std::optional<QStringList> keyPath(const QString &rootName, const QString &path);
    // Whether a key or value name fits on one line of a .reg file.
    static bool isStorableName(const QString &name);

    // A key exists when it is listed or one of its subkeys is; a root always exists.
    bool hasKey(const QStringList &path) const;
    // Lists the key and every missing parent below the root, as the registry editor would.
    void createKey(const QStringList &path);
    QList<RegValue> values(const QStringList &path) const;
    // Replaces a value of the same name (keeping its spelling) or appends one.
    void setValue(const QStringList &path, const RegValue &value);
    void removeKey(const QStringList &path);
    void removeValue(const QStringList &path, const QString &name);

private:
    struct Key
    {
        QStringList path;
        QList<RegValue> values;
    };

    const Key *find(const QStringList &path) const;
    Key &listed(const QStringList &path);

    QList<Key> m_keys;
};
