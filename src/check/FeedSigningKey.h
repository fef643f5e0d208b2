#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

// A vendor's Ed25519 secret key (the 32-byte seed of RFC 8032), for signing feeds. The secret
// is wiped from memory when the object goes; it is never copied.
class FeedSigningKey
{
public:
    // A new key from the system's random source; throws PelkError when that fails.
    static FeedSigningKey generate();
    // The key in its file form, the standard Base64 of the seed; throws PelkError when `text`
    // is not that.
    static FeedSigningKey fromText(QByteArrayView text);

    FeedSigningKey(const FeedSigningKey &) = delete;
    FeedSigningKey &operator=(const FeedSigningKey &) = delete;
    ~FeedSigningKey();

    QByteArray publicKey() const;
    // The file form; wipe it with WipeBytes when written.
    QByteArray secretText() const;
    // The 64-byte pure Ed25519 signature of `message`.
    QByteArray sign(QByteArrayView message) const;

private:
    explicit FeedSigningKey(const uint8_t *seed);

    uint8_t m_seed[32];
    uint8_t m_public[32];
};

// Overwrites a copy of a secret before it is let go.
void WipeBytes(QByteArray &bytes);
