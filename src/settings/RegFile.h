#pragma once

#include "settings/RegValue.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>
#include <optional>

// The contents of a .reg file as the Windows registry editor exports it: keys named by
// their full path (first component the root, "HKEY_CURRENT_USER"), each with its values.
// Key paths are lists of names; all names compare without regard to case.
class RegFile
{
public:
    struct Reading;

    // Everything that can be read from `bytes`, as the registry editor reads such a file:
    // a byte-order mark (UTF-8 or UTF-16LE), blank lines and blanks around the header and
    // between entries, CRLF or LF. Version 5.00 files without a mark are UTF-8 (a line that
    // is no valid UTF-8 is taken as Windows-1252, as Windows tools write it); REGEDIT4 files
    // are ANSI text, read as Windows-1252. A line that cannot be read is skipped and the
    // reading marked damaged, as are the values under a key line that cannot be read; all
    // other keys and values are kept. Deletion lines ("[-key]", "Name"=-) apply as an import
    // would apply them. Time and memory grow in proportion to the size of the file.
    static Reading read(const QByteArray &bytes);
    // The document when `bytes` form one without damage; an empty file is an empty document.
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

    // A value kept as the file writes it, one line with its continuation lines, for readers
    // that look up a few values among many: a value is decoded only when it is read.
    std::optional<QByteArray> valueLine(const QStringList &path, const QString &name) const;
    static QString lineName(QByteArrayView line);
    static quint32 lineType(QByteArrayView line);
    static RegValue lineValue(QByteArrayView line);
    // The text of a string value written as "text", decoded at once; nothing for any other.
    static std::optional<QString> lineText(QByteArrayView line);

private:
    struct Key
    {
        QStringList path;
        QList<QByteArray> lines; // each value as written, newline included
        // Hash of the folded value name -> position in lines: a name's text is not kept twice.
        // A name whose hash an earlier one has is found by searching the lines instead.
        QHash<size_t, qsizetype> valueIndex;
        bool sharedHash = false;

        qsizetype indexOf(const QString &name) const; // -1 when missing
        void indexValue(qsizetype position, const QString &name);
        void reindexValues();
    };

    const Key *find(const QStringList &path) const;
    Key &listed(const QStringList &path);
    qsizetype listedIndex(const QStringList &path); // the key's place in m_keys, listed if new
    void setValueAt(qsizetype keyIndex, const RegValue &value);
    // Appends a line already in written form, unless its name is there; false then.
    bool appendWrittenLine(qsizetype keyIndex, QByteArrayView line);
    void reindex();

    QList<Key> m_keys;
    QHash<QString, qsizetype> m_index; // folded path -> position in m_keys
};

struct RegFile::Reading
{
    RegFile content;
    bool damaged = false; // some of the file could not be read
};
