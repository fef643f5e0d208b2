#include "check/FeedSigningKey.h"

#include "base/PelkError.h"
#include "check/FeedKeys.h"

#include <QScopeGuard>
#include <nettle/eddsa.h>
#include <string.h>
#include <sys/random.h>

#include <cerrno>

FeedSigningKey FeedSigningKey::generate()
{
    uint8_t seed[ED25519_KEY_SIZE];
    const auto wipe = qScopeGuard([&seed] { explicit_bzero(seed, sizeof seed); });
    size_t filled = 0;
    while (filled < sizeof seed) {
        const ssize_t got = getrandom(seed + filled, sizeof seed - filled, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw PelkError(QStringLiteral("No random numbers for a new key: %1").arg(QString::fromLocal8Bit(strerror(errno))));
        filled += size_t(got);
    }
    return FeedSigningKey(seed);
}

FeedSigningKey FeedSigningKey::fromText(QByteArrayView text)
{
    std::optional<QByteArray> seed = DecodeExactBase64(text.trimmed(), ED25519_KEY_SIZE);
    if (!seed)
        throw PelkError(QStringLiteral("This is not a secret key of pelk-feedsign (the Base64 of 32 bytes)"));
    const auto wipe = qScopeGuard([&seed] { WipeBytes(*seed); });
    return FeedSigningKey(reinterpret_cast<const uint8_t *>(seed->constData()));
}

FeedSigningKey::FeedSigningKey(const uint8_t *seed)
{
    memcpy(m_seed, seed, sizeof m_seed);
    ed25519_sha512_public_key(m_public, m_seed);
}

FeedSigningKey::~FeedSigningKey()
{
    explicit_bzero(m_seed, sizeof m_seed);
}

QByteArray FeedSigningKey::publicKey() const
{
    return QByteArray(reinterpret_cast<const char *>(m_public), sizeof m_public);
}

QByteArray FeedSigningKey::secretText() const
{
    QByteArray seed(reinterpret_cast<const char *>(m_seed), sizeof m_seed);
    QByteArray text = seed.toBase64();
    WipeBytes(seed);
    return text;
}

QByteArray FeedSigningKey::sign(QByteArrayView message) const
{
    QByteArray signature(ED25519_SIGNATURE_SIZE, Qt::Uninitialized);
    ed25519_sha512_sign(m_public, m_seed, size_t(message.size()), reinterpret_cast<const uint8_t *>(message.data()),
                        reinterpret_cast<uint8_t *>(signature.data()));
    return signature;
}

void WipeBytes(QByteArray &bytes)
{
    explicit_bzero(bytes.data(), size_t(bytes.size()));
    bytes.clear();
}
