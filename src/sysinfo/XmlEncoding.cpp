#include "sysinfo/XmlEncoding.h"

#include "base/TextCodec.h"

#include <QRegularExpression>

namespace {

// Leading bytes that tell an encoding.
struct EncodingSignature
{
    QByteArrayView bytes;
    const char *encoding;
};

// The marks, and the first characters "<?" of a declaration without one, as the XML
// recommendation lists them for telling the encoding family apart.
constexpr EncodingSignature kMarks[] = {
    {QByteArrayView("\x00\x00\xFE\xFF", 4), "UTF-32BE"},
    {QByteArrayView("\xFF\xFE\x00\x00", 4), "UTF-32LE"},
    {QByteArrayView("\xEF\xBB\xBF", 3), "UTF-8"},
    {QByteArrayView("\xFE\xFF", 2), "UTF-16BE"},
    {QByteArrayView("\xFF\xFE", 2), "UTF-16LE"},
};

constexpr EncodingSignature kUnmarkedForms[] = {
    {QByteArrayView("\x00\x00\x00\x3C", 4), "UTF-32BE"},
    {QByteArrayView("\x3C\x00\x00\x00", 4), "UTF-32LE"},
    {QByteArrayView("\x00\x3C\x00\x3F", 4), "UTF-16BE"},
    {QByteArrayView("\x3C\x00\x3F\x00", 4), "UTF-16LE"},
};

// The value of `encoding="..."` in the XML declaration at the start of ASCII-compatible text,
// as offset and length; length -1 when there is none.
std::pair<qsizetype, qsizetype> declaredEncoding(const QByteArray &text)
{
    // The declaration is short; a bounded look keeps a huge document from being scanned.
    static const QRegularExpression kDeclaration(
        QStringLiteral("^<\\?xml[ \\t\\r\\n][^?>]*?[ \\t\\r\\n]encoding[ \\t\\r\\n]*=[ \\t\\r\\n]*([\"'])([^\"'<>?]*)\\1"));
    const QString head = QString::fromLatin1(text.left(512));
    const QRegularExpressionMatch match = kDeclaration.match(head);
    if (!match.hasMatch())
        return {0, -1};
    return {match.capturedStart(2), match.capturedLength(2)};
}

bool isUtf8Name(const QByteArray &name)
{
    return name.compare("UTF-8", Qt::CaseInsensitive) == 0 || name.compare("UTF8", Qt::CaseInsensitive) == 0;
}

bool isWideName(const QByteArray &name)
{
    const QByteArray upper = name.toUpper();
    for (const char *family : {"UTF-16", "UTF16", "UTF-32", "UTF32", "UCS-2", "UCS2", "UCS-4", "UCS4"}) {
        if (upper.startsWith(family))
            return true;
    }
    return false;
}

// Makes the declaration of converted text name UTF-8.
void declareUtf8(QByteArray &utf8)
{
    const auto [start, length] = declaredEncoding(utf8);
    if (length >= 0)
        utf8.replace(start, length, "UTF-8");
}

} // namespace

XmlTextStatus XmlTextAsUtf8(const QByteArray &document, QByteArray &utf8, QByteArray &encoding)
{
    utf8.clear();
    encoding.clear();
    QByteArrayView body(document);
    for (const EncodingSignature &mark : kMarks) {
        if (body.startsWith(mark.bytes)) {
            encoding = mark.encoding;
            body = body.sliced(mark.bytes.size());
            break;
        }
    }
    if (encoding.isEmpty()) {
        for (const EncodingSignature &form : kUnmarkedForms) {
            if (body.startsWith(form.bytes)) {
                encoding = form.encoding;
                break;
            }
        }
    }
    if (encoding.isEmpty()) {
        // 8-bit text: the declaration names the encoding, and without one it is UTF-8.
        const auto [start, length] = declaredEncoding(document);
        if (length < 0 || isUtf8Name(document.mid(start, length))) {
            encoding = length < 0 ? QByteArray() : document.mid(start, length);
            utf8 = document;
            return XmlTextStatus::Utf8;
        }
        encoding = document.mid(start, length);
        // Text whose first characters are single bytes is in no 16- or 32-bit encoding.
        if (isWideName(encoding))
            return XmlTextStatus::InvalidText;
    }
    if (encoding == "UTF-8") {
        // Marked UTF-8: the mark wins over whatever the declaration says.
        utf8 = body.toByteArray();
        declareUtf8(utf8);
        return XmlTextStatus::Utf8;
    }
    switch (ConvertToUtf8(body, encoding, utf8)) {
    case Utf8Conversion::Converted:
        declareUtf8(utf8);
        return XmlTextStatus::Utf8;
    case Utf8Conversion::UnknownEncoding:
        return XmlTextStatus::UnknownEncoding;
    case Utf8Conversion::InvalidText:
        break;
    }
    return XmlTextStatus::InvalidText;
}
