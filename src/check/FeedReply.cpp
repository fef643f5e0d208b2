#include "check/FeedReply.h"

#include "base/PelkError.h"
#include "i18n/Languages.h"
#include "sysinfo/XmlEncoding.h"

#include <QStringList>
#include <QXmlStreamReader>

namespace {

// Length of the well-formed UTF-8 sequence at `i`, or 0 when it is not one (stray and
// missing continuation bytes, overlong forms, surrogates, beyond U+10FFFF).
int utf8SequenceLength(const QByteArray &text, qsizetype i)
{
    const auto byte = [&](qsizetype at) { return at < text.size() ? static_cast<unsigned char>(text[at]) : 0u; };
    const unsigned lead = byte(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    unsigned low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (int k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF)
            return 0;
    }
    return length;
}

// Offset of the first byte that is not well-formed UTF-8; -1 when all are.
qsizetype firstInvalidUtf8(const QByteArray &text)
{
    for (qsizetype i = 0; i < text.size();) {
        const int length = utf8SequenceLength(text, i);
        if (length == 0)
            return i;
        i += length;
    }
    return -1;
}

PelkError replyError(const Languages &texts, const char *key, const QStringList &arguments)
{
    QString message = texts.GetTextOrBuiltIn(key);
    for (const QString &argument : arguments)
        message = message.arg(argument);
    return PelkError(message);
}

PelkError notText(const Languages &texts, const QByteArray &encoding, const QByteArray &utf8, qsizetype offset)
{
    // Line and column as a reader counts them, in characters.
    const QByteArray before = utf8.left(qMax<qsizetype>(offset, 0));
    const qsizetype lineStart = before.lastIndexOf('\n') + 1;
    const qsizetype line = before.count('\n') + 1;
    const qsizetype column = QString::fromUtf8(before.mid(lineStart)).size() + 1;
    return replyError(texts, "txtReplyNotText",
                      {QString::fromLatin1(encoding.isEmpty() ? QByteArray("UTF-8") : encoding),
                       QString::number(line), QString::number(column)});
}

// Reads the whole text strictly: well-formed, no entity declarations (an entity bomb is
// refused before anything expands), and <messages> as the root element.
void checkStructure(const QByteArray &utf8, const Languages &texts)
{
    QXmlStreamReader reader(utf8);
    bool rootSeen = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::DTD && !reader.entityDeclarations().isEmpty())
            throw replyError(texts, "txtReplyEntities",
                             {QString::number(reader.lineNumber()), QString::number(reader.columnNumber())});
        if (token == QXmlStreamReader::StartElement && !rootSeen) {
            rootSeen = true;
            if (reader.qualifiedName() != QLatin1String("messages"))
                throw replyError(texts, "txtReplyWrongRoot", {reader.qualifiedName().toString()});
        }
    }
    if (reader.hasError())
        throw replyError(texts, "txtReplyNotWellFormed",
                         {QString::number(reader.lineNumber()), QString::number(reader.columnNumber()),
                          reader.errorString()});
}

} // namespace

XmlDocumentPtr ReadFeedReply(const QByteArray &body, const Languages &texts)
{
    if (body.isEmpty())
        return std::make_shared<XmlDocument>();
    QByteArray utf8;
    QByteArray encoding;
    switch (XmlTextAsUtf8(body, utf8, encoding)) {
    case XmlTextStatus::Utf8:
        break;
    case XmlTextStatus::UnknownEncoding:
        return ParseXmlText(body); // says which encoding it does not know
    case XmlTextStatus::InvalidText:
        throw notText(texts, encoding, body, 0);
    }
    const qsizetype invalid = firstInvalidUtf8(utf8);
    if (invalid >= 0)
        throw notText(texts, encoding, utf8, invalid);
    checkStructure(utf8, texts);
    return ParseXmlText(utf8);
}
