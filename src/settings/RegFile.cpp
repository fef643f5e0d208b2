#include "settings/RegFile.h"

#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>

namespace {

const QString kHeader5 = QStringLiteral("Windows Registry Editor Version 5.00");
const QString kHeader4 = QStringLiteral("REGEDIT4");
constexpr qsizetype kLineWidth = 80;

bool samePath(const QStringList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].compare(b[i], Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

bool isBelowOrSame(const QStringList &path, const QStringList &ancestor)
{
    return path.size() >= ancestor.size() && samePath(path.mid(0, ancestor.size()), ancestor);
}

QStringList splitKeyPath(QStringView path)
{
    QStringList parts;
    for (const QStringView part : path.split(u'\\', Qt::SkipEmptyParts))
        parts.append(part.toString());
    return parts;
}

std::optional<QString> decodeFile(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        QString text = decoder(QByteArrayView(bytes).sliced(2));
        if (decoder.hasError() || !QStringView(text).isValidUtf16())
            return std::nullopt;
        return text;
    }
    QByteArrayView body(bytes);
    if (body.startsWith("\xEF\xBB\xBF"))
        body = body.sliced(3);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// A quoted name or string starting at `pos` (on the opening quote); `pos` ends after the
// closing quote. Backslash escapes a backslash or a quote; any other backslash is kept.
std::optional<QString> readQuoted(QStringView line, qsizetype &pos)
{
    QString text;
    ++pos;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c == u'"') {
            ++pos;
            return text;
        }
        if (c == u'\\' && pos + 1 < line.size() && (line[pos + 1] == u'\\' || line[pos + 1] == u'"')) {
            text.append(line[pos + 1]);
            pos += 2;
            continue;
        }
        text.append(c);
        ++pos;
    }
    return std::nullopt;
}

void skipBlanks(QStringView line, qsizetype &pos)
{
    while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t'))
        ++pos;
}

std::optional<quint32> parseHexNumber(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 8)
        return std::nullopt;
    bool ok = false;
    const uint number = digits.toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    for (const QChar c : digits) {
        if (!c.isDigit() && !QStringView(u"abcdefABCDEF").contains(c))
            return std::nullopt;
    }
    return number;
}

std::optional<QByteArray> parseHexBytes(QStringView list)
{
    QByteArray bytes;
    for (QStringView item : list.split(u',')) {
        item = item.trimmed();
        if (item.isEmpty())
            continue;
        const std::optional<quint32> byte = item.size() <= 2 ? parseHexNumber(item) : std::nullopt;
        if (!byte)
            return std::nullopt;
        bytes.append(char(*byte));
    }
    return bytes;
}

QByteArray toUtf16Le(const QString &text)
{
    QByteArray bytes(text.size() * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'"', QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// A string the registry editor would write as "text": it must survive the trip through a
// line of UTF-8 unchanged.
bool isPlainString(const RegValue &value)
{
    if (value.type != kRegSz)
        return false;
    const QString text = value.text();
    return RegFile::isStorableName(text) && RegValue::fromString(QString(), text).data == value.data;
}

// Hex bytes separated by commas, wrapped like the registry editor's export.
void appendHexList(QString &out, QString line, const QByteArray &data)
{
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < data.size(); ++i) {
        const uchar byte = uchar(data[i]);
        QString item;
        item += QLatin1Char(digits[byte >> 4]);
        item += QLatin1Char(digits[byte & 15]);
        if (i + 1 < data.size())
            item.append(u',');
        if (line.size() + item.size() + 1 > kLineWidth) {
            out += line + QLatin1String("\\\n");
            line = QStringLiteral("  ");
        }
        line += item;
    }
    out += line + QLatin1Char('\n');
}

QString valueLine(const RegValue &value)
{
    QString line = value.name.isEmpty() ? QStringLiteral("@") : quoted(value.name);
    line += QLatin1Char('=');
    if (isPlainString(value))
        return line + quoted(value.text()) + QLatin1Char('\n');
    if (value.type == kRegDword && value.data.size() == 4) {
        return line + QLatin1String("dword:")
            + QString::number(qFromLittleEndian<quint32>(value.data.constData()), 16)
                  .rightJustified(8, QLatin1Char('0'))
            + QLatin1Char('\n');
    }
    if (value.type == kRegBinary)
        line += QLatin1String("hex:");
    else
        line += QLatin1String("hex(") + QString::number(value.type, 16) + QLatin1String("):");
    QString out;
    appendHexList(out, line, value.data);
    return out;
}

bool lessPath(const QStringList &a, const QStringList &b)
{
    for (qsizetype i = 0; i < a.size() && i < b.size(); ++i) {
        const int order = a[i].compare(b[i], Qt::CaseInsensitive);
        if (order != 0)
            return order < 0;
    }
    return a.size() < b.size();
}

} // namespace

std::optional<RegFile> RegFile::parse(const QByteArray &bytes)
{
    const std::optional<QString> text = decodeFile(bytes);
    if (!text)
        return std::nullopt;
    RegFile file;
    const QStringList lines = text->split(u'\n');
    qsizetype first = 0;
    while (first < lines.size() && lines[first].trimmed().isEmpty())
        ++first;
    if (first == lines.size())
        return file;
    const QString header = lines[first].trimmed();
    if (first != 0 || (header != kHeader5 && header != kHeader4))
        return std::nullopt;
    const bool eightBit = header == kHeader4;

    std::optional<QStringList> current;
    bool inRemovedKey = false;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                return std::nullopt;
            QStringView inner = QStringView(line).mid(1, line.size() - 2);
            const bool removal = inner.startsWith(u'-');
            const QStringList path = splitKeyPath(removal ? inner.mid(1) : inner);
            if (path.isEmpty())
                return std::nullopt;
            inRemovedKey = removal;
            if (removal) {
                file.removeKey(path);
                current.reset();
            } else {
                file.listed(path);
                current = path;
            }
            continue;
        }
        if (!line.startsWith(u'"') && !line.startsWith(u'@'))
            return std::nullopt;

        qsizetype pos = 0;
        QString name;
        if (line[0] == u'@') {
            pos = 1;
        } else {
            const std::optional<QString> quotedName = readQuoted(line, pos);
            if (!quotedName)
                return std::nullopt;
            name = *quotedName;
        }
        skipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != u'=')
            return std::nullopt;
        ++pos;
        skipBlanks(line, pos);
        const QStringView data = QStringView(line).mid(pos);

        std::optional<RegValue> value;
        if (data.startsWith(u'"')) {
            qsizetype end = 0;
            const std::optional<QString> string = readQuoted(data, end);
            if (!string || !data.mid(end).trimmed().isEmpty())
                return std::nullopt;
            value = RegValue::fromString(name, *string);
        } else if (data == u"-") {
            value = RegValue{name, 0, QByteArray()};
        } else if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
            const std::optional<quint32> number = parseHexNumber(data.mid(6).trimmed());
            if (!number)
                return std::nullopt;
            value = RegValue::fromDword(name, *number);
        } else if (data.startsWith(u"hex", Qt::CaseInsensitive)) {
            quint32 type = kRegBinary;
            qsizetype colon = data.indexOf(u':');
            if (colon < 0)
                return std::nullopt;
            const QStringView kind = data.mid(3, colon - 3).trimmed();
            if (!kind.isEmpty()) {
                if (!kind.startsWith(u'(') || !kind.endsWith(u')'))
                    return std::nullopt;
                const std::optional<quint32> number = parseHexNumber(kind.mid(1, kind.size() - 2).trimmed());
                if (!number)
                    return std::nullopt;
                type = *number;
            }
            QString list = data.mid(colon + 1).toString();
            while (list.endsWith(u'\\')) {
                list.chop(1);
                if (++n >= lines.size())
                    break;
                list += lines[n].trimmed();
            }
            const std::optional<QByteArray> bytesOfValue = parseHexBytes(list);
            if (!bytesOfValue)
                return std::nullopt;
            value = RegValue{name, type, *bytesOfValue};
            // REGEDIT4 wrote string data in the 8-bit code page.
            if (eightBit && (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz)) {
                QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
                const QString wide = decoder(*bytesOfValue);
                if (decoder.hasError())
                    return std::nullopt;
                value->data = toUtf16Le(wide);
            }
        } else {
            return std::nullopt;
        }
        // Values under a removed key are dropped, as an import drops them.
        if (inRemovedKey)
            continue;
        if (!current)
            return std::nullopt;
        if (data == u"-")
            file.removeValue(*current, name);
        else
            file.setValue(*current, *value);
    }
    return file;
}

QByteArray RegFile::toBytes() const
{
    QList<Key> keys = m_keys;
    std::stable_sort(keys.begin(), keys.end(),
                     [](const Key &a, const Key &b) { return lessPath(a.path, b.path); });
    QString out = kHeader5 + QLatin1Char('\n');
    for (const Key &key : keys) {
        out += QLatin1String("\n[") + key.path.join(u'\\') + QLatin1String("]\n");
        for (const RegValue &value : key.values)
            out += valueLine(value);
    }
    out += QLatin1Char('\n');
    return out.toUtf8();
}

std::optional<QStringList> RegFile::keyPath(const QString &rootName, const QString &path)
{
    QStringList parts = splitKeyPath(path);
    for (const QString &part : parts) {
        if (!isStorableName(part))
            return std::nullopt;
    }
    parts.prepend(rootName);
    return parts;
}

bool RegFile::isStorableName(const QString &name)
{
    return QStringView(name).isValidUtf16() && !name.contains(u'\n') && !name.contains(u'\r')
        && !name.contains(QChar(0));
}

bool RegFile::hasKey(const QStringList &path) const
{
    if (path.size() <= 1)
        return true;
    return std::any_of(m_keys.cbegin(), m_keys.cend(),
                       [&](const Key &key) { return isBelowOrSame(key.path, path); });
}

void RegFile::createKey(const QStringList &path)
{
    for (qsizetype depth = qMin<qsizetype>(2, path.size()); depth <= path.size(); ++depth)
        listed(path.mid(0, depth));
}

QList<RegValue> RegFile::values(const QStringList &path) const
{
    const Key *key = find(path);
    return key ? key->values : QList<RegValue>();
}

void RegFile::setValue(const QStringList &path, const RegValue &value)
{
    Key &key = listed(path);
    for (RegValue &old : key.values) {
        if (old.name.compare(value.name, Qt::CaseInsensitive) == 0) {
            old.type = value.type;
            old.data = value.data;
            return;
        }
    }
    key.values.append(value);
}

void RegFile::removeKey(const QStringList &path)
{
    m_keys.removeIf([&](const Key &key) { return isBelowOrSame(key.path, path); });
}

void RegFile::removeValue(const QStringList &path, const QString &name)
{
    for (Key &key : m_keys) {
        if (samePath(key.path, path)) {
            key.values.removeIf([&](const RegValue &value) {
                return value.name.compare(name, Qt::CaseInsensitive) == 0;
            });
        }
    }
}

const RegFile::Key *RegFile::find(const QStringList &path) const
{
    for (const Key &key : m_keys) {
        if (samePath(key.path, path))
            return &key;
    }
    return nullptr;
}

RegFile::Key &RegFile::listed(const QStringList &path)
{
    for (Key &key : m_keys) {
        if (samePath(key.path, path))
            return key;
    }
    m_keys.append(Key{path, {}});
    return m_keys.last();
}
