#include "settings/RegFile.h"

#include "base/TextCodec.h"

#include <QStringDecoder>
#include <QSysInfo>
#include <QVarLengthArray>
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

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The hash of a name's folded text; most names are ASCII and are folded without allocating.
size_t foldedHash(const QString &name)
{
    QVarLengthArray<char16_t, 64> folded(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c >= 0x80)
            return qHash(name.toCaseFolded());
        folded[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
    }
    return qHash(QStringView(folded.constData(), folded.size()));
}

QString foldedPath(const QStringList &path)
{
    return path.join(u'\\').toCaseFolded();
}

// The lines of a file, decoded one at a time as they are read, so that the file is never
// held as text all at once; nothing for a line that cannot be decoded.
class LineReader
{
public:
    explicit LineReader(const QByteArray &bytes)
    {
        QByteArrayView body(bytes);
        if (body.startsWith("\xFF\xFE")) {
            body = body.sliced(2);
            m_damaged = body.size() % 2 != 0;
            m_utf16.resize(body.size() / 2);
            for (qsizetype i = 0; i < m_utf16.size(); ++i)
                m_utf16[i] = QChar(qFromLittleEndian<quint16>(body.data() + 2 * i));
            m_utf16Mode = true;
            return;
        }
        m_markedUtf8 = body.startsWith("\xEF\xBB\xBF");
        m_body = m_markedUtf8 ? body.sliced(3) : body;
        m_ansi = !m_markedUtf8 && isAnsiFile(m_body);
    }

    // Damaged by an odd byte left over in a UTF-16 file.
    bool damaged() const { return m_damaged; }
    bool atEnd() const { return m_done; }

    std::optional<QString> next()
    {
        return m_utf16Mode ? nextUtf16() : next8Bit();
    }

    // The next line's bytes as they stand, for a file of 8-bit text; nothing for UTF-16.
    std::optional<QByteArrayView> peekRaw() const
    {
        if (m_utf16Mode || m_done)
            return std::nullopt;
        const qsizetype end = m_body.indexOf('\n', m_pos);
        return m_body.sliced(m_pos, (end < 0 ? m_body.size() : end) - m_pos);
    }
    void skip() { take(m_body); }

private:
    // REGEDIT4 files are ANSI text unless a byte-order mark says otherwise.
    static bool isAnsiFile(QByteArrayView body)
    {
        for (qsizetype start = 0; start <= body.size();) {
            qsizetype end = body.indexOf('\n', start);
            if (end < 0)
                end = body.size();
            const QByteArrayView line = body.sliced(start, end - start).trimmed();
            if (!line.isEmpty())
                return line == QByteArrayView("REGEDIT4");
            start = end + 1;
        }
        return false;
    }

    // The next piece up to a line feed; the last piece ends the reading.
    template <typename View>
    View take(View text)
    {
        qsizetype end = text.indexOf(typename View::value_type('\n'), m_pos);
        if (end < 0) {
            end = text.size();
            m_done = true;
        }
        const View line = text.sliced(m_pos, end - m_pos);
        m_pos = end + 1;
        return line;
    }

    std::optional<QString> nextUtf16()
    {
        const QStringView line = take(QStringView(m_utf16));
        if (!line.isValidUtf16())
            return std::nullopt;
        return line.toString();
    }

    std::optional<QString> next8Bit()
    {
        const QByteArrayView line = take(m_body);
        if (m_ansi)
            return DecodeWindows1252(line);
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder(line);
        if (!decoder.hasError())
            return text;
        if (!m_markedUtf8)
            return DecodeWindows1252(line);
        return std::nullopt;
    }

    QByteArrayView m_body;
    QString m_utf16;
    qsizetype m_pos = 0;
    bool m_utf16Mode = false;
    bool m_markedUtf8 = false;
    bool m_ansi = false;
    bool m_damaged = false;
    bool m_done = false;
};

// Reads a quoted name or string starting at `pos` (on the opening quote), handing its text
// to `append` a stretch at a time (a value may be megabytes long); `pos` ends after the
// closing quote. Backslash escapes a backslash or a quote; any other backslash is kept.
template <typename Append>
bool scanQuoted(QStringView line, qsizetype &pos, Append &&append)
{
    qsizetype stretch = ++pos;
    while (pos < line.size()) {
        const QChar c = line[pos];
        if (c == u'"') {
            append(line.sliced(stretch, pos - stretch));
            ++pos;
            return true;
        }
        if (c == u'\\' && pos + 1 < line.size() && (line[pos + 1] == u'\\' || line[pos + 1] == u'"')) {
            append(line.sliced(stretch, pos - stretch));
            append(line.sliced(pos + 1, 1));
            pos += 2;
            stretch = pos;
            continue;
        }
        ++pos;
    }
    return false;
}

std::optional<QString> readQuoted(QStringView line, qsizetype &pos)
{
    QString text;
    if (!scanQuoted(line, pos, [&](QStringView part) { text.append(part); }))
        return std::nullopt;
    return text;
}

// A quoted string as the data of a REG_SZ value: UTF-16LE with its terminating zero, made
// without an intermediate copy of the text.
std::optional<QByteArray> readQuotedData(QStringView line, qsizetype &pos)
{
    QByteArray data;
    data.reserve((line.size() - pos) * 2);
    const auto append = [&](QStringView part) {
        const qsizetype at = data.size();
        data.resize(at + part.size() * 2);
        char *out = data.data() + at;
        for (const QChar c : part) {
            qToLittleEndian<quint16>(c.unicode(), out);
            out += 2;
        }
    };
    if (!scanQuoted(line, pos, append))
        return std::nullopt;
    data.append(2, '\0');
    return data;
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

// Appends `text` as UTF-8, with a backslash before each backslash and quote.
void appendEscaped(QByteArray &out, QStringView text)
{
    qsizetype i = 0;
    while (i < text.size()) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            // Runs of other characters are converted at once; they never split a surrogate pair.
            qsizetype end = i + 1;
            while (end < text.size() && text[end].unicode() >= 0x80)
                ++end;
            out += text.sliced(i, end - i).toUtf8();
            i = end;
            continue;
        }
        if (c == u'\\' || c == u'"')
            out += '\\';
        out += char(c);
        ++i;
    }
}

void appendQuoted(QByteArray &out, QStringView text)
{
    out += '"';
    appendEscaped(out, text);
    out += '"';
}

// The data of a string the registry editor would write as "text": exactly the text and one
// terminating NUL, where the text must survive the trip through a line of UTF-8 unchanged.
std::optional<QStringView> plainStringData(const RegValue &value, QString &buffer)
{
    if (value.type != kRegSz || value.data.size() < 2 || value.data.size() % 2 != 0)
        return std::nullopt;
    const qsizetype units = value.data.size() / 2 - 1;
    QStringView text;
    if (QSysInfo::ByteOrder == QSysInfo::LittleEndian
        && reinterpret_cast<quintptr>(value.data.constData()) % alignof(char16_t) == 0) {
        text = QStringView(reinterpret_cast<const char16_t *>(value.data.constData()), units + 1);
    } else {
        buffer = QString(units + 1, Qt::Uninitialized);
        for (qsizetype i = 0; i <= units; ++i)
            buffer[i] = QChar(qFromLittleEndian<quint16>(value.data.constData() + 2 * i));
        text = buffer;
    }
    if (text[units] != QChar(0))
        return std::nullopt;
    text = text.first(units);
    if (!text.isValidUtf16() || text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0)))
        return std::nullopt;
    return text;
}

// Hex bytes separated by commas, wrapped like the registry editor's export. `width` is the
// length of the line so far, in UTF-16 units as the editor counts.
void appendHexList(QByteArray &out, qsizetype width, const QByteArray &data)
{
    static const char digits[] = "0123456789abcdef";
    for (qsizetype i = 0; i < data.size(); ++i) {
        const uchar byte = uchar(data[i]);
        const qsizetype itemWidth = i + 1 < data.size() ? 3 : 2;
        if (width + itemWidth + 1 > kLineWidth) {
            out += "\\\n  ";
            width = 2;
        }
        out += digits[byte >> 4];
        out += digits[byte & 15];
        if (i + 1 < data.size())
            out += ',';
        width += itemWidth;
    }
    out += '\n';
}

// The width of a quoted name in UTF-16 units, as the wrapping of hex lists counts it.
qsizetype quotedWidth(QStringView text)
{
    return text.size() + 2 + text.count(u'\\') + text.count(u'"');
}

void appendValueLine(QByteArray &out, const RegValue &value)
{
    qsizetype width = 1;
    if (value.name.isEmpty()) {
        out += '@';
    } else {
        appendQuoted(out, value.name);
        width = quotedWidth(value.name);
    }
    out += '=';
    ++width;
    QString buffer;
    if (const std::optional<QStringView> text = plainStringData(value, buffer)) {
        appendQuoted(out, *text);
        out += '\n';
        return;
    }
    if (value.type == kRegDword && value.data.size() == 4) {
        out += "dword:";
        out += QByteArray::number(qFromLittleEndian<quint32>(value.data.constData()), 16).rightJustified(8, '0');
        out += '\n';
        return;
    }
    const QByteArray kind = value.type == kRegBinary ? QByteArray("hex:")
                                                     : "hex(" + QByteArray::number(value.type, 16) + "):";
    out += kind;
    appendHexList(out, width + kind.size(), value.data);
}

// About the size of the line, so that the file is written into one buffer.
qsizetype estimatedLineSize(const RegValue &value)
{
    return value.name.size() + 16 + (value.type == kRegSz ? value.data.size() / 2 : value.data.size() * 3 + value.data.size() / 8);
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
        std::optional<QByteArray> string = readQuotedData(data, end);
        if (!string || !data.mid(end).trimmed().isEmpty())
            return std::nullopt;
        return ValueLine{RegValue{name, kRegSz, std::move(*string)}, false};
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

// The closing quote of a quoted text in a written line, `pos` on the opening quote.
qsizetype quotedEnd(QByteArrayView line, qsizetype pos)
{
    for (++pos; pos < line.size() && line[pos] != '"'; ++pos) {
        if (line[pos] == '\\')
            ++pos;
    }
    return pos;
}

// The end of a quoted text in ASCII starting at `pos` (on the opening quote), escaped as
// the file writes it: a backslash only before a backslash or a quote. -1 for any other text.
qsizetype plainQuotedEnd(QByteArrayView line, qsizetype pos)
{
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"')
            return pos;
        if (c == '\\') {
            if (pos + 1 >= line.size() || (line[pos + 1] != '\\' && line[pos + 1] != '"'))
                return -1;
            ++pos;
        } else if (uchar(c) >= 0x80 || c == '\0' || c == '\r') {
            return -1;
        }
    }
    return -1;
}

// Whether `line` is a string value exactly as toBytes writes it, in ASCII: then the line
// itself is kept, without decoding and encoding it again (most lines of a large store are).
bool isWrittenStringLine(QByteArrayView line)
{
    qsizetype pos = 0;
    if (line.startsWith('@')) {
        pos = 1;
    } else if (line.startsWith('"')) {
        pos = plainQuotedEnd(line, 0);
        if (pos <= 1) // no name, or an empty one, which is written as "@"
            return false;
        ++pos;
    } else {
        return false;
    }
    if (pos + 1 >= line.size() || line[pos] != '=' || line[pos + 1] != '"')
        return false;
    return plainQuotedEnd(line, pos + 1) == line.size() - 1;
}

} // namespace

RegFile::Reading RegFile::read(const QByteArray &bytes)
{
    Reading reading;
    LineReader lines(bytes);
    reading.damaged = lines.damaged();

    std::optional<QString> first;
    bool found = false;
    while (!found && !lines.atEnd()) {
        first = lines.next();
        found = !first || !first->trimmed().isEmpty();
    }
    if (!found)
        return reading;
    const QString header = first ? first->trimmed() : QString();
    const bool eightBit = header == kHeader4;
    // Without its header the rest is still read, that first line too.
    std::optional<std::optional<QString>> pending;
    if (header != kHeader5 && !eightBit) {
        reading.damaged = true;
        pending = std::move(first);
    }

    RegFile &file = reading.content;
    // Nothing while no key line, or an unreadable one, stands above the values. The key is
    // looked up once per key line, not once per value.
    std::optional<QStringList> current;
    qsizetype currentIndex = -1;
    bool inRemovedKey = false;
    const auto moreLines = [&]() -> std::optional<QString> {
        return lines.atEnd() ? std::nullopt : lines.next();
    };
    while (pending || !lines.atEnd()) {
        if (!pending && current && !inRemovedKey) {
            const std::optional<QByteArrayView> raw = lines.peekRaw();
            if (raw && isWrittenStringLine(*raw) && file.appendWrittenLine(currentIndex, *raw)) {
                lines.skip();
                continue;
            }
        }
        std::optional<QString> decoded = pending ? std::move(*pending) : lines.next();
        pending.reset();
        if (!decoded) {
            reading.damaged = true;
            continue;
        }
        const QString line = std::move(*decoded).trimmed();
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
    qsizetype size = kHeader5.size() + 2;
    for (const Key &key : m_keys) {
        keys.append(&key);
        size += 5 + key.path.join(u'\\').size() * 3;
        for (const QByteArray &line : key.lines)
            size += line.size();
    }
    std::stable_sort(keys.begin(), keys.end(),
                     [](const Key *a, const Key *b) { return lessPath(a->path, b->path); });
    QByteArray out;
    out.reserve(size);
    out += kHeader5.toLatin1();
    out += '\n';
    for (const Key *keyPointer : keys) {
        const Key &key = *keyPointer;
        // A first name that begins with "-" would read back as a removal line and take the
        // key with it; a leading separator keeps it a key.
        const QString path = key.path.join(u'\\');
        out += path.startsWith(u'-') ? "\n[\\" : "\n[";
        out += path.toUtf8();
        out += "]\n";
        for (const QByteArray &line : key.lines)
            out += line;
    }
    out += '\n';
    return out;
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
    QList<RegValue> values;
    if (const Key *key = find(path)) {
        for (const QByteArray &line : key->lines)
            values.append(lineValue(line));
    }
    return values;
}

std::optional<QByteArray> RegFile::valueLine(const QStringList &path, const QString &name) const
{
    const Key *key = find(path);
    const qsizetype position = key ? key->indexOf(name) : -1;
    if (position < 0)
        return std::nullopt;
    return key->lines[position];
}

QString RegFile::lineName(QByteArrayView line)
{
    if (!line.startsWith('"'))
        return QString();
    const qsizetype end = quotedEnd(line, 0);
    qsizetype pos = 0;
    return readQuoted(QString::fromUtf8(line.first(end + 1)), pos).value_or(QString());
}

quint32 RegFile::lineType(QByteArrayView line)
{
    const QByteArrayView data = line.sliced(line.startsWith('"') ? quotedEnd(line, 0) + 2 : 2);
    if (data.startsWith('"'))
        return kRegSz;
    if (data.startsWith("dword:"))
        return kRegDword;
    if (data.startsWith("hex:"))
        return kRegBinary;
    return data.sliced(4, data.indexOf(')') - 4).toUInt(nullptr, 16);
}

RegValue RegFile::lineValue(QByteArrayView line)
{
    const QString text = QString::fromUtf8(line);
    QList<QStringView> lines = QStringView(text).split(u'\n');
    qsizetype next = 1;
    const std::optional<ValueLine> value = parseValueLine(lines.first().toString(), false, [&]() -> std::optional<QString> {
        return next < lines.size() ? std::optional<QString>(lines[next++].toString()) : std::nullopt;
    });
    return value ? value->value : RegValue();
}

std::optional<QString> RegFile::lineText(QByteArrayView line)
{
    const qsizetype start = line.startsWith('"') ? quotedEnd(line, 0) + 2 : 2;
    if (start >= line.size() || line[start] != '"')
        return std::nullopt;
    // Decoded once and unescaped in place: a value may be megabytes long.
    QString text = QString::fromUtf8(line.sliced(start + 1, line.size() - start - 3));
    qsizetype to = 0;
    for (qsizetype from = 0; from < text.size(); ++from, ++to) {
        if (text[from] == u'\\')
            ++from;
        text[to] = text[from];
    }
    text.truncate(to);
    return text;
}

void RegFile::setValue(const QStringList &path, const RegValue &value)
{
    setValueAt(listedIndex(path), value);
}

void RegFile::setValueAt(qsizetype keyIndex, const RegValue &value)
{
    Key &key = m_keys[keyIndex];
    QByteArray line;
    line.reserve(estimatedLineSize(value));
    const qsizetype known = key.indexOf(value.name);
    if (known >= 0) {
        appendValueLine(line, RegValue{lineName(key.lines[known]), value.type, value.data});
        key.lines[known] = line;
        return;
    }
    appendValueLine(line, value);
    key.lines.append(line);
    key.indexValue(key.lines.size() - 1, value.name);
}

bool RegFile::appendWrittenLine(qsizetype keyIndex, QByteArrayView line)
{
    Key &key = m_keys[keyIndex];
    const QString name = lineName(line);
    if (key.indexOf(name) >= 0)
        return false;
    QByteArray written;
    written.reserve(line.size() + 1);
    written += line;
    written += '\n';
    key.lines.append(written);
    key.indexValue(key.lines.size() - 1, name);
    return true;
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
    const qsizetype known = key.indexOf(name);
    if (known < 0)
        return;
    key.lines.removeAt(known);
    key.reindexValues();
}

qsizetype RegFile::Key::indexOf(const QString &name) const
{
    const auto known = valueIndex.constFind(foldedHash(name));
    if (known != valueIndex.cend() && sameName(lineName(lines[*known]), name))
        return *known;
    if (!sharedHash)
        return -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (sameName(lineName(lines[i]), name))
            return i;
    }
    return -1;
}

void RegFile::Key::indexValue(qsizetype position, const QString &name)
{
    const size_t hash = foldedHash(name);
    if (valueIndex.contains(hash))
        sharedHash = true;
    else
        valueIndex.insert(hash, position);
}

void RegFile::Key::reindexValues()
{
    valueIndex.clear();
    sharedHash = false;
    for (qsizetype i = 0; i < lines.size(); ++i)
        indexValue(i, lineName(lines[i]));
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
