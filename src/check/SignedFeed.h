#pragma once

#include "sysinfo/XmlHelpers.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <optional>

struct FeedKey;
class FeedKeys;
class FeedSigningKey;

// What a verified feed says about itself: its document, the key that signed it, and the
// serial and expiry of its root element (<messages serial="42" expires="2027-01-31T00:00:00Z">).
struct SignedFeed
{
    XmlDocumentPtr document;
    QByteArray keyId;
    qint64 serial = 0;
    QDateTime expires; // UTC
};

// Everything that makes a signed feed trustworthy but the serial accepted before: the
// signature by a listed key over the bytes as received, well-formed XML, a valid serial and
// expiry, and an expiry after `now`. Throws PelkError naming the first check that fails.
// The program's check and the vendor's tool verify with this.
SignedFeed VerifySignedFeed(const QByteArray &body, const FeedKeys &keys, const QDateTime &now);
// The same checks after the signature, for a document the caller parsed itself from bytes that
// VerifyFeedBytes accepted with `key`: the program's check reads a reply strictly, once.
SignedFeed AcceptSignedDocument(XmlDocumentPtr document, const FeedKey &key, const QDateTime &now);

// The feed signed with `key`: its signature comment, if any, replaced by a new one. Throws
// PelkError for a feed that is not well-formed, lacks a valid serial or expiry, or is not in
// an encoding that writes the comment's characters as ASCII (UTF-16 feeds cannot be signed).
QByteArray SignFeed(const QByteArray &feed, const FeedSigningKey &key);

// A decimal from 1 to 2^63-1, no sign, no leading zeros.
std::optional<qint64> ParseFeedSerial(QByteArrayView text);
// Exactly YYYY-MM-DDThh:mm:ssZ, a real date and time in UTC.
std::optional<QDateTime> ParseFeedExpiry(QByteArrayView text);
QString FeedTimeText(const QDateTime &time);
