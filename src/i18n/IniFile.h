#pragma once

#include <QHash>
#include <QString>
#include <optional>

// Reads an INI file the way the Windows wide profile service does: UTF-16LE or UTF-8 when the
// file starts with their byte-order mark; without one, UTF-8 when the file is valid UTF-8 and
// Windows-1252 otherwise (as Windows tools write it); section and key names without regard to
// case; the first matching section and key win; blanks around names and values trimmed; one
// pair of matching quotes around a value removed; at most 2047 characters of a value.
// The file is read afresh at every lookup, so edits during a run are seen; it is never written.
//
// An override file may lie over it: the administrator's own settings, kept apart from the
// vendor's file so that upgrades replace the vendor's texts without touching them. A key that
// the override file names, in any section, takes the place of the vendor's; a missing or
// unreadable override file changes nothing.
class IniFile
{
public:
    explicit IniFile(QString path, QString overridePath = QString());

    // The vendor's file.
    QString path() const { return m_path; }
    QString overridePath() const { return m_overridePath; }
    // The override file alone, for a setting that only the administrator may make.
    IniFile overrideLayer() const { return IniFile(m_overridePath); }

    // The value, or `defaultValue` when the file, the section or the key is missing.
    QString readString(const QString &section, const QString &key, const QString &defaultValue) const;
    bool hasKey(const QString &section, const QString &key) const;

    // Why the vendor's file cannot be read although it exists ("it is a folder", "Permission denied",
    // "it is not a text file"); empty when it reads or does not exist. Lookups then give
    // their defaults, as for a missing file.
    QString readFailure() const;

    // Every key of the section in one reading of the file, for callers that need many:
    // the key name folded by QString::toCaseFolded() -> its value as readString() gives it,
    // or nothing for a line without "=" (a key without a value).
    QHash<QString, std::optional<QString>> readSection(const QString &section) const;

private:
    QString m_path;
    QString m_overridePath;
};
