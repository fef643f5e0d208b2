#pragma once

#include <QByteArray>
#include <QByteArrayView>

struct FeedKey;
class FeedKeys;

// The comment that ends a signed feed, after its root element and before nothing but white
// space: <!--pelk-signature ed25519 KEYID SIGNATURE-->. KEYID is FeedKeyId() of the signing
// key, SIGNATURE the standard Base64 of the pure Ed25519 signature of every byte before the
// comment, exactly as sent.
struct FeedSignature
{
    qsizetype signedLength = 0;
    QByteArray keyId;
    QByteArray signature; // 64 bytes
};

inline constexpr char FeedSignatureStart[] = "<!--pelk-signature";

// The comment of `body`; throws PelkError saying what is missing or wrong.
FeedSignature ReadFeedSignature(QByteArrayView body);

QByteArray FeedSignatureComment(const QByteArray &keyId, const QByteArray &signature);

// The listed key whose signature the comment of `body` carries, over the bytes before it.
// Throws PelkError when the comment is wrong, names no listed key or does not verify.
const FeedKey &VerifyFeedBytes(QByteArrayView body, const FeedKeys &keys);
