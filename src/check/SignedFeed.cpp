#include "check/SignedFeed.h"

#include "base/PelkError.h"
#include "base/TextCodec.h"
#include "check/FeedKeys.h"
#include "check/FeedSignature.h"
#include "check/FeedSigningKey.h"
#include "sysinfo/XmlEncoding.h"

namespace {
constexpr QByteArrayView kLargestSerial("9223372036854775807");

bool isDigits(QByteArrayView text)
{
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// An attribute value from outside for an error line: short, and with control characters shown.
QString shown(const char *value)
{
    QString text = QString::fromUtf8(value);
    if (text.size() > 40)
        text = text.left(40) + QStringLiteral("...");
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = QChar(0xFFFD);
    }
    return QLatin1Char('"') + text + QLatin1Char('"');
}

XmlDocumentPtr wellFormed(const QByteArray &feed, const QString &whose)
{
    XmlDocumentPtr document = ParseXmlText(feed);
    if (!document->document_element())
        throw PelkError(whose + QStringLiteral(" is not well-formed XML"));
    return document;
}

struct RootStamp
{
    qint64 serial;
    QDateTime expires;
};

RootStamp rootStamp(const pugi::xml_document &document, const QString &whose)
{
    const pugi::xml_node root = document.document_element();
    const pugi::xml_attribute serial = root.attribute("serial");
    const pugi::xml_attribute expires = root.attribute("expires");
    if (!serial)
        throw PelkError(whose + QStringLiteral("'s root element has no serial attribute"));
    const std::optional<qint64> number = ParseFeedSerial(serial.value());
    if (!number)
        throw PelkError(whose + QStringLiteral("'s serial %1 is not a whole number from 1 to %2 without sign or "
                                               "leading zeros")
                                    .arg(shown(serial.value()), QLatin1String(kLargestSerial)));
    if (!expires)
        throw PelkError(whose + QStringLiteral("'s root element has no expires attribute"));
    const std::optional<QDateTime> time = ParseFeedExpiry(expires.value());
    if (!time)
        throw PelkError(whose + QStringLiteral("'s expiry %1 is not a time in the form YYYY-MM-DDThh:mm:ssZ")
                                    .arg(shown(expires.value())));
    return RootStamp{*number, *time};
}

// Whether the comment, written into this feed, reads as ASCII in the feed's own encoding.
void requireAsciiCompatible(const QByteArray &feed)
{
    QByteArray utf8;
    QByteArray encoding;
    const XmlTextStatus status = XmlTextAsUtf8(feed, utf8, encoding);
    const QByteArray sample = FeedSignatureComment("0123456789abcdef", QByteArray(64, '\xfb'))
        + "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz 0123456789 +/= \t\r\n";
    QByteArray converted = sample;
    const bool ascii = !feed.contains('\0') && status == XmlTextStatus::Utf8
        && (encoding.isEmpty() || ConvertToUtf8(sample, encoding, converted) == Utf8Conversion::Converted)
        && converted == sample;
    if (!ascii)
        throw PelkError(QStringLiteral("The feed is not in an ASCII-compatible encoding (%1); only such feeds can be "
                                       "signed")
                            .arg(encoding.isEmpty() ? QStringLiteral("no encoding known") : QString::fromLatin1(encoding)));
}
} // namespace

SignedFeed VerifySignedFeed(const QByteArray &body, const FeedKeys &keys, const QDateTime &now)
{
    // Nothing reaches the XML parser before its signature has been checked.
    const FeedKey &key = VerifyFeedBytes(body, keys);
    return AcceptSignedDocument(wellFormed(body, QStringLiteral("The signed feed")), key, now);
}

SignedFeed AcceptSignedDocument(XmlDocumentPtr document, const FeedKey &key, const QDateTime &now)
{
    const RootStamp stamp = rootStamp(*document, QStringLiteral("The signed feed"));
    const QDateTime nowUtc = now.toUTC();
    if (stamp.expires <= nowUtc)
        throw PelkError(QStringLiteral("The signed feed expired at %1; the time of this computer is %2 (is its clock "
                                       "right?)")
                            .arg(FeedTimeText(stamp.expires), FeedTimeText(nowUtc)));
    return SignedFeed{std::move(document), key.id, stamp.serial, stamp.expires};
}

QByteArray SignFeed(const QByteArray &feed, const FeedSigningKey &key)
{
    const QString whose = QStringLiteral("The feed");
    rootStamp(*wellFormed(feed, whose), whose);
    requireAsciiCompatible(feed);
    QByteArray body = feed;
    if (feed.contains(FeedSignatureStart))
        body.truncate(ReadFeedSignature(feed).signedLength);
    return body + FeedSignatureComment(FeedKeyId(key.publicKey()), key.sign(body)) + '\n';
}

std::optional<qint64> ParseFeedSerial(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > kLargestSerial.size() || !isDigits(text) || text.front() == '0')
        return std::nullopt;
    if (text.size() == kLargestSerial.size() && text.compare(kLargestSerial) > 0)
        return std::nullopt;
    return text.toLongLong();
}

std::optional<QDateTime> ParseFeedExpiry(QByteArrayView text)
{
    // Positions of the separators in YYYY-MM-DDThh:mm:ssZ; every other place is a digit.
    constexpr QByteArrayView kShape("dddd-dd-ddTdd:dd:ddZ");
    if (text.size() != kShape.size())
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd' ? !digit : text[i] != kShape[i])
            return std::nullopt;
    }
    const auto number = [&text](qsizetype at, qsizetype length) { return text.sliced(at, length).toInt(); };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QString FeedTimeText(const QDateTime &time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")) + QLatin1Char('Z');
}
