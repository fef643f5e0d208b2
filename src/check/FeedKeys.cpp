#include "check/FeedKeys.h"

#include <nettle/sha2.h>

namespace {
constexpr qsizetype kPublicKeySize = 32;
constexpr int kIdBytes = 8;
} // namespace

FeedKeys::FeedKeys(const QString &listed)
{
    for (const QString &entry : listed.split(QLatin1Char(';'))) {
        const QString text = entry.trimmed();
        if (text.isEmpty())
            continue;
        const std::optional<QByteArray> key = DecodeExactBase64(text.toUtf8(), kPublicKeySize);
        if (key)
            m_keys.append(FeedKey{*key, FeedKeyId(*key)});
        else
            m_invalid.append(text);
    }
}

const FeedKey *FeedKeys::find(QByteArrayView id) const
{
    for (const FeedKey &key : m_keys) {
        if (key.id == id)
            return &key;
    }
    return nullptr;
}

QByteArray FeedKeyId(QByteArrayView publicKey)
{
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, size_t(publicKey.size()), reinterpret_cast<const uint8_t *>(publicKey.data()));
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    return QByteArray(reinterpret_cast<const char *>(digest), kIdBytes).toHex();
}

std::optional<QByteArray> DecodeExactBase64(QByteArrayView text, qsizetype size)
{
    const QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(text.toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    // Encoding back must give the same text: that refuses URL-safe letters, missing padding
    // and set bits after the last byte, so each key and signature has one spelling only.
    if (!decoded || decoded.decoded.size() != size || decoded.decoded.toBase64() != text)
        return std::nullopt;
    return decoded.decoded;
}
