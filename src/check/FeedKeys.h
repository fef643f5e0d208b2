#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

// One trusted public key of the INI file's "FeedKeys" and the id a signature names it by.
struct FeedKey
{
    QByteArray publicKey; // 32 bytes, Ed25519
    QByteArray id;        // lowercase hex of the first 8 bytes of its SHA-256
};

// The keys a signed feed may come from: the value of "FeedKeys", standard Base64 of 32 bytes
// each, separated by ";", white space around each ignored. Two keys allow a rotation: the
// vendor signs with the new one while both are listed.
class FeedKeys
{
public:
    explicit FeedKeys(const QString &listed);

    // No entry at all: feeds are taken unsigned, as before signing existed.
    bool isEmpty() const { return m_keys.isEmpty() && m_invalid.isEmpty(); }
    const QList<FeedKey> &usable() const { return m_keys; }
    // The entries that are no key, as written.
    const QList<QString> &invalid() const { return m_invalid; }
    // The listed key with this id, or nullptr.
    const FeedKey *find(QByteArrayView id) const;

private:
    QList<FeedKey> m_keys;
    QList<QString> m_invalid;
};

QByteArray FeedKeyId(QByteArrayView publicKey);

// Standard Base64 with padding in its one canonical spelling, decoding to exactly `size`
// bytes; anything else (other letters, missing padding, stray bits) gives nothing.
std::optional<QByteArray> DecodeExactBase64(QByteArrayView text, qsizetype size);
