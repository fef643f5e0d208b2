#include "check/FeedSignature.h"

#include "base/PelkError.h"
#include "check/FeedKeys.h"

#include <nettle/eddsa.h>

namespace {
constexpr QByteArrayView kEnd("-->");
constexpr QByteArrayView kAlgorithm("ed25519");
constexpr qsizetype kKeyIdLength = 16;

bool isWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isLowerHex(QByteArrayView text)
{
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

[[noreturn]] void refuse(const QString &why)
{
    throw PelkError(QStringLiteral("The signature comment ") + why);
}
} // namespace

FeedSignature ReadFeedSignature(QByteArrayView body)
{
    const qsizetype start = body.indexOf(QByteArrayView(FeedSignatureStart));
    if (start < 0)
        throw PelkError(QStringLiteral("The feed is not signed: it does not end with a signature comment %1...-->")
                            .arg(QLatin1String(FeedSignatureStart)));
    if (body.indexOf(QByteArrayView(FeedSignatureStart), start + 1) >= 0)
        throw PelkError(QStringLiteral("The feed holds more than one signature comment"));
    const qsizetype end = body.indexOf(kEnd, start);
    if (end < 0)
        refuse(QStringLiteral("is not closed with -->"));
    for (char c : body.sliced(end + kEnd.size())) {
        if (!isWhiteSpace(c))
            refuse(QStringLiteral("is not the end of the feed: more than white space follows it"));
    }

    // " ed25519 KEYID SIGNATURE", single spaces.
    const QByteArrayView fields = body.sliced(start + qsizetype(sizeof FeedSignatureStart) - 1,
                                             end - start - qsizetype(sizeof FeedSignatureStart) + 1);
    const QList<QByteArray> parts = fields.toByteArray().split(' ');
    if (parts.size() != 4 || !parts[0].isEmpty() || parts[1] != kAlgorithm)
        refuse(QStringLiteral("is not \"%1 ed25519 KEYID SIGNATURE-->\" with single spaces")
                   .arg(QLatin1String(FeedSignatureStart)));
    if (parts[2].size() != kKeyIdLength || !isLowerHex(parts[2]))
        refuse(QStringLiteral("names no key id of 16 lowercase hexadecimal digits"));
    const std::optional<QByteArray> signature = DecodeExactBase64(parts[3], ED25519_SIGNATURE_SIZE);
    if (!signature)
        refuse(QStringLiteral("carries no signature in standard Base64 of 64 bytes"));
    return FeedSignature{start, parts[2], *signature};
}

QByteArray FeedSignatureComment(const QByteArray &keyId, const QByteArray &signature)
{
    return QByteArray(FeedSignatureStart) + ' ' + kAlgorithm.toByteArray() + ' ' + keyId + ' ' + signature.toBase64()
        + kEnd.toByteArray();
}

const FeedKey &VerifyFeedBytes(QByteArrayView body, const FeedKeys &keys)
{
    const FeedSignature signature = ReadFeedSignature(body);
    const FeedKey *key = keys.find(signature.keyId);
    if (!key)
        throw PelkError(QStringLiteral("The feed is signed with the key %1, which FeedKeys does not list")
                            .arg(QLatin1String(signature.keyId)));
    const bool verified = ed25519_sha512_verify(reinterpret_cast<const uint8_t *>(key->publicKey.constData()),
                                                size_t(signature.signedLength),
                                                reinterpret_cast<const uint8_t *>(body.data()),
                                                reinterpret_cast<const uint8_t *>(signature.signature.constData()));
    if (!verified)
        throw PelkError(QStringLiteral("The feed's signature does not verify with the key %1: the feed is not what "
                                       "was signed")
                            .arg(QLatin1String(signature.keyId)));
    return *key;
}
