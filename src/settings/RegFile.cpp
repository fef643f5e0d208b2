#include "settings/RegFile.h"

#include "base/TextCodec.h"

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

QString foldedPath(const QStringList &path)
{
    return path.join(u'\\').toCaseFolded();
}

// The lines of a file as text; nothing for a line that cannot be decoded.
struct DecodedLines
{
    QList<std::optional<QString>> lines;
    bool damaged = false;
};

DecodedLines decodeUtf16Le(QByteArrayView body)
{
    DecodedLines decoded;
    if (body.size() % 2 != 0) {
        decoded.damaged = true;
        body.chop(1);
    }
    QString text(body.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<quint16>(body.data() + 2 * i));
    for (const QStringView line : QStringView(text).split(u'\n')) {
        if (line.isValidUtf16()) {
            decoded.lines.append(line.toString());
        } else {
            decoded.lines.append(std::nullopt);
            decoded.damaged = true;
        }
    }
    return decoded;
}

QList<QByteArrayView> splitLines(QByteArrayView body)
{
    QList<QByteArrayView> lines;
    qsizetype start = 0;
    for (qsizetype end; (end = body.indexOf('\n', start)) >= 0; start = end + 1)
        lines.append(body.sliced(start, end - start));
    lines.append(body.sliced(start));
    return lines;
}

// REGEDIT4 files are ANSI text unless a byte-order mark says otherwise.
bool isAnsiFile(const QList<QByteArrayView> &lines)
{
    for (const QByteArrayView line : lines) {
        if (!line.trimmed().isEmpty())
            return line.trimmed() == QByteArrayView("REGEDIT4");
    }
    return false;
}

DecodedLines decode8Bit(QByteArrayView body, bool markedUtf8)
{
    DecodedLines decoded;
    const QList<QByteArrayView> lines = splitLines(body);
    const bool ansi = !markedUtf8 && isAnsiFile(lines);
    for (const QByteArrayView line : lines) {
        if (ansi) {
            decoded.lines.append(DecodeWindows1252(line));
            continue;
        }
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder(line);
        if (!decoder.hasError()) {
            decoded.lines.append(std::move(text));
        } else if (!markedUtf8) {
            decoded.lines.append(DecodeWindows1252(line));
        } else {
            decoded.lines.append(std::nullopt);
            decoded.damaged = true;
        }
    }
    return decoded;
}

DecodedLines decodeLines(const QByteArray &bytes)
{
    QByteArrayView body(bytes);
    if (body.startsWith("\xFF\xFE"))
        return decodeUtf16Le(body.sliced(2));
    const bool markedUtf8 = body.startsWith("\xEF\xBB\xBF");
    return decode8Bit(markedUtf8 ? body.sliced(3) : body, markedUtf8);
}

// A quoted name or string starting at `pos` (on the opening quote); `pos` ends after the
// closing quote. Backslash escapes a backslash or a quote; any other backslash is kept.
std::optional<QString> readQuoted(QStringView line, qsizetype &pos)
{
    QString text;
    // Copied a stretch at a time: a value may be megabytes long.
    qsizetype stretch = ++pos;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c == u'"') {
            text.append(line.sliced(stretch, pos - stretch));
            ++pos;
            return text;
        }
        if (c == u'\\' && pos + 1 < line.size() && (line[pos + 1] == u'\\' || line[pos + 1] == u'"')) {
            text.append(line.sliced(stretch, pos - stretch));
            text.append(line[pos + 1]);
            pos += 2;
            stretch = pos;
            continue;
        }
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
// line of UTF-8 unchanged, so its data are exactly `text` and one terminating NUL.
bool isPlainString(const RegValue &value, const QString &text)
{
    return value.type == kRegSz && value.data.size() == (text.size() + 1) * 2
        && value.data.endsWith(QByteArray(2, '\0')) && RegFile::isStorableName(text);
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
    if (value.type == kRegSz) {
        const QString text = value.text(); // once: a value may be megabytes long
        if (isPlainString(value, text))
            return line + quoted(text) + QLatin1Char('\n');
    }
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

namespace {

// One value line: a value to set, or the name of a value to remove ("Name"=-).
struct ValueLine
{
    RegValue value;
    bool removal = false;
};

// `moreLines` gives the next line of a hex list continued with "\", or nothing.
template <typename MoreLines>
std::optional<ValueLine> parseValueLine(const QString &line, bool eightBit, MoreLines &&moreLines)
{
    qsizetype pos = 0;
    QString name;
    if (line.startsWith(u'@')) {
        pos = 1;
    } else if (line.startsWith(u'"')) {
        const std::optional<QString> quotedName = readQuoted(line, pos);
        if (!quotedName)
            return std::nullopt;
        name = *quotedName;
    } else {
        return std::nullopt;
    }
    skipBlanks(line, pos);
    if (pos >= line.size() || line[pos] != u'=')
        return std::nullopt;
    ++pos;
    skipBlanks(line, pos);
    const QStringView data = QStringView(line).mid(pos);

    if (data.startsWith(u'"')) {
        qsizetype end = 0;
        const std::optional<QString> string = readQuoted(data, end);
        if (!string || !data.mid(end).trimmed().isEmpty())
            return std::nullopt;
        return ValueLine{RegValue::fromString(name, *string), false};
    }
    if (data == u"-")
        return ValueLine{RegValue{name, 0, QByteArray()}, true};
    if (data.startsWith(u"dword:", Qt::CaseInsensitive)) {
        const std::optional<quint32> number = parseHexNumber(data.mid(6).trimmed());
        if (!number)
            return std::nullopt;
        return ValueLine{RegValue::fromDword(name, *number), false};
    }
    if (!data.startsWith(u"hex", Qt::CaseInsensitive))
        return std::nullopt;

    QString list;
    const qsizetype colon = data.indexOf(u':');
    if (colon >= 0)
        list = data.mid(colon + 1).toString();
    // The continuation lines belong to this value even when its start is bad.
    bool complete = true;
    while (list.endsWith(u'\\')) {
        list.chop(1);
        const std::optional<QString> next = moreLines();
        if (!next) {
            complete = false;
            break;
        }
        list += next->trimmed();
    }
    if (colon < 0 || !complete)
        return std::nullopt;
    quint32 type = kRegBinary;
    const QStringView kind = data.mid(3, colon - 3).trimmed();
    if (!kind.isEmpty()) {
        if (!kind.startsWith(u'(') || !kind.endsWith(u')'))
            return std::nullopt;
        const std::optional<quint32> number = parseHexNumber(kind.mid(1, kind.size() - 2).trimmed());
        if (!number)
            return std::nullopt;
        type = *number;
    }
    const std::optional<QByteArray> bytes = parseHexBytes(list);
    if (!bytes)
        return std::nullopt;
    ValueLine parsed{RegValue{name, type, *bytes}, false};
    // REGEDIT4 wrote string data in the ANSI code page.
    if (eightBit && (type == kRegSz || type == kRegExpandSz || type == kRegMultiSz))
        parsed.value.data = toUtf16Le(DecodeWindows1252(*bytes));
    return parsed;
}

} // namespace

RegFile::Reading RegFile::read(const QByteArray &bytes)
{
    Reading reading;
    const DecodedLines decoded = decodeLines(bytes);
    reading.damaged = decoded.damaged;
    const QList<std::optional<QString>> &lines = decoded.lines;

    qsizetype n = 0;
    while (n < lines.size() && lines[n] && lines[n]->trimmed().isEmpty())
        ++n;
    if (n == lines.size())
        return reading;
    const QString header = lines[n] ? lines[n]->trimmed() : QString();
    const bool eightBit = header == kHeader4;
    if (header == kHeader5 || eightBit)
        ++n;
    else
        reading.damaged = true; // without its header the rest is still read

    RegFile &file = reading.content;
    // Nothing while no key line, or an unreadable one, stands above the values. The key is
    // looked up once per key line, not once per value.
    std::optional<QStringList> current;
    qsizetype currentIndex = -1;
    bool inRemovedKey = false;
    const auto moreLines = [&]() -> std::optional<QString> {
        return ++n < lines.size() ? lines[n] : std::nullopt;
    };
    for (; n < lines.size(); ++n) {
        if (!lines[n]) {
            reading.damaged = true;
            continue;
        }
        const QString line = lines[n]->trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const QStringView inner = QStringView(line).mid(1, line.size() - 2);
            const bool removal = inner.startsWith(u'-');
            const QStringList path = splitKeyPath(removal ? inner.mid(1) : inner);
            current.reset();
            inRemovedKey = false;
            if (!line.endsWith(u']') || line.size() < 2 || path.isEmpty()) {
                reading.damaged = true;
                continue;
            }
            inRemovedKey = removal;
            if (removal) {
                file.removeKey(path);
            } else {
                currentIndex = file.listedIndex(path);
                current = path;
            }
            continue;
        }
        const std::optional<ValueLine> value = parseValueLine(line, eightBit, moreLines);
        // Values under a removed key are dropped, as an import drops them.
        if (value && inRemovedKey)
            continue;
        if (!value || !current) {
            reading.damaged = true;
            continue;
        }
        if (value->removal)
            file.removeValue(*current, value->value.name);
        else
            file.setValueAt(currentIndex, value->value);
    }
    return reading;
}

std::optional<RegFile> RegFile::parse(const QByteArray &bytes)
{
    Reading reading = read(bytes);
    if (reading.damaged)
        return std::nullopt;
    return std::move(reading.content);
}

QByteArray RegFile::toBytes() const
{
    QList<const Key *> keys;
    keys.reserve(m_keys.size());
    for (const Key &key : m_keys)
        keys.append(&key);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const Key *a, const Key *b) { return lessPath(a->path, b->path); });
    QString out = kHeader5 + QLatin1Char('\n');
    for (const Key *keyPointer : keys) {
        const Key &key = *keyPointer;
        // A first name that begins with "-" would read back as a removal line and take the
        // key with it; a leading separator keeps it a key.
        const QString path = key.path.join(u'\\');
        out += QLatin1String(path.startsWith(u'-') ? "\n[\\" : "\n[") + path + QLatin1String("]\n");
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
    if (path.size() <= 1 || find(path))
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
    setValueAt(listedIndex(path), value);
}

void RegFile::setValueAt(qsizetype keyIndex, const RegValue &value)
{
    Key &key = m_keys[keyIndex];
    const QString name = value.name.toCaseFolded();
    const auto known = key.valueIndex.constFind(name);
    if (known != key.valueIndex.cend()) {
        RegValue &old = key.values[*known];
        old.type = value.type;
        old.data = value.data;
        return;
    }
    key.valueIndex.insert(name, key.values.size());
    key.values.append(value);
}

void RegFile::removeKey(const QStringList &path)
{
    if (m_keys.removeIf([&](const Key &key) { return isBelowOrSame(key.path, path); }) > 0)
        reindex();
}

void RegFile::removeValue(const QStringList &path, const QString &name)
{
    const auto position = m_index.constFind(foldedPath(path));
    if (position == m_index.cend())
        return;
    Key &key = m_keys[*position];
    const QString folded = name.toCaseFolded();
    const auto known = key.valueIndex.constFind(folded);
    if (known == key.valueIndex.cend())
        return;
    key.values.removeAt(*known);
    key.valueIndex.clear();
    for (qsizetype i = 0; i < key.values.size(); ++i)
        key.valueIndex.insert(key.values[i].name.toCaseFolded(), i);
}

const RegFile::Key *RegFile::find(const QStringList &path) const
{
    const auto position = m_index.constFind(foldedPath(path));
    return position == m_index.cend() ? nullptr : &m_keys[*position];
}

RegFile::Key &RegFile::listed(const QStringList &path)
{
    return m_keys[listedIndex(path)];
}

qsizetype RegFile::listedIndex(const QStringList &path)
{
    const QString folded = foldedPath(path);
    const auto position = m_index.constFind(folded);
    if (position != m_index.cend())
        return *position;
    m_index.insert(folded, m_keys.size());
    m_keys.append(Key{path, {}, {}});
    return m_keys.size() - 1;
}

void RegFile::reindex()
{
    m_index.clear();
    for (qsizetype i = 0; i < m_keys.size(); ++i)
        m_index.insert(foldedPath(m_keys[i].path), i);
}
