#include "i18n/IniFile.h"

#include "base/FileReading.h"
#include "base/TextCodec.h"

#include <QList>
#include <QStringDecoder>
#include <QStringView>

#include <utility>

namespace {
constexpr qsizetype kMaxValueLength = 2047; // the profile service's buffer of 2048, less its zero

const QByteArray kUtf16LeMark = QByteArrayLiteral("\xFF\xFE");
const QByteArray kUtf8Mark = QByteArrayLiteral("\xEF\xBB\xBF");

struct FoundKey
{
    bool found = false;
    bool hasValue = false; // a line without "=" names a key but gives no value
    QString value;
};

QString decodeFile(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf16LeMark)) {
        QStringDecoder decoder(QStringDecoder::Utf16LE);
        return decoder.decode(QByteArrayView(bytes).sliced(kUtf16LeMark.size()));
    }
    if (bytes.startsWith(kUtf8Mark))
        return QString::fromUtf8(QByteArrayView(bytes).sliced(kUtf8Mark.size()));
    return DecodeUtf8OrWindows1252(bytes);
}

// False when the file is missing or cannot be read (then `failure` says why, when it exists):
// every lookup then gives its default.
bool readText(const QString &path, QString &text, QString *failure = nullptr)
{
    const auto fail = [failure](const QString &why) {
        if (failure)
            *failure = why;
        return false;
    };
    const FileContent content = ReadWholeFile(path);
    if (content.state == FileContent::State::Missing)
        return false;
    if (content.state == FileContent::State::Failed)
        return fail(content.reason);
    const QByteArray &bytes = content.bytes;
    // A zero byte never stands in a text file of one of the 8-bit encodings; it is some other
    // kind of file that happens to have this name.
    if (!bytes.startsWith(kUtf16LeMark) && bytes.contains('\0'))
        return fail(QStringLiteral("it is not a text file"));
    text = decodeFile(bytes);
    return true;
}

// The name of a "[name]" line; false for any other line.
bool sectionHeader(QStringView line, QStringView &name)
{
    if (!line.startsWith(u'['))
        return false;
    const qsizetype close = line.lastIndexOf(u']');
    if (close < 0)
        return false;
    name = line.sliced(1, close - 1).trimmed();
    return true;
}

FoundKey keyLine(QStringView line)
{
    FoundKey key;
    key.found = true;
    const qsizetype equals = line.indexOf(u'=');
    key.hasValue = equals >= 0;
    if (key.hasValue)
        key.value = line.sliced(equals + 1).trimmed().toString();
    return key;
}

QStringView keyName(QStringView line)
{
    const qsizetype equals = line.indexOf(u'=');
    return (equals >= 0 ? line.first(equals) : line).trimmed();
}

bool sameName(QStringView a, QStringView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Calls `visit` with each key line of the first section of that name, as the profile
// service reads only that one; `visit` returns false to stop.
template <typename Visit>
void forEachKeyLine(const QString &text, const QString &section, Visit &&visit)
{
    bool inSection = false;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        QStringView name;
        if (sectionHeader(line, name)) {
            if (inSection)
                return;
            inSection = sameName(name, section);
        } else if (inSection && !visit(line)) {
            return;
        }
    }
}

FoundKey findKey(const QString &text, const QString &section, const QString &key)
{
    FoundKey found;
    forEachKeyLine(text, section, [&](QStringView line) {
        if (!sameName(keyName(line), key))
            return true;
        found = keyLine(line);
        return false;
    });
    return found;
}

// The key in the first of the files that names it, the override file first.
FoundKey findKeyInLayers(const QString &overridePath, const QString &path, const QString &section,
                         const QString &key)
{
    for (const QString *file : {&overridePath, &path}) {
        QString text;
        if (!readText(*file, text))
            continue;
        const FoundKey found = findKey(text, section, key);
        if (found.found)
            return found;
    }
    return FoundKey();
}

QString withoutQuotes(const QString &value)
{
    const bool quoted = value.size() >= 2
        && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front();
    return quoted ? value.sliced(1, value.size() - 2) : value;
}

// The part of the value that fits the service's buffer; a character whose two halves
// would be parted at the limit is left out whole.
QString limited(const QString &value)
{
    if (value.size() <= kMaxValueLength)
        return value;
    qsizetype length = kMaxValueLength;
    if (value[length - 1].isHighSurrogate())
        --length;
    return value.left(length);
}
} // namespace

IniFile::IniFile(QString path, QString overridePath)
    : m_path(std::move(path)), m_overridePath(std::move(overridePath))
{
}

QString IniFile::readString(const QString &section, const QString &key, const QString &defaultValue) const
{
    const FoundKey found = findKeyInLayers(m_overridePath, m_path, section, key);
    if (!found.found || !found.hasValue)
        return defaultValue;
    return limited(withoutQuotes(found.value));
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return findKeyInLayers(m_overridePath, m_path, section, key).found;
}

QString IniFile::readFailure() const
{
    QString text;
    QString failure;
    readText(m_path, text, &failure);
    return failure;
}

QHash<QString, std::optional<QString>> IniFile::readSection(const QString &section) const
{
    QHash<QString, std::optional<QString>> keys;
    // The override file first: a key already taken is not taken again.
    for (const QString *file : {&m_overridePath, &m_path}) {
        QString text;
        if (!readText(*file, text))
            continue;
        forEachKeyLine(text, section, [&](QStringView line) {
            const QString name = keyName(line).toString().toCaseFolded();
            if (!keys.contains(name)) {
                const FoundKey key = keyLine(line);
                keys.insert(name, key.hasValue ? std::optional<QString>(limited(withoutQuotes(key.value)))
                                               : std::nullopt);
            }
            return true;
        });
    }
    return keys;
}
