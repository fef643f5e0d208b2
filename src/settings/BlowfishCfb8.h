#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <nettle/blowfish.h>

// Blowfish in CFB mode with 8-bit feedback (NIST SP 800-38A). Each object is keyed once and
// carries its own feedback register, which it wipes together with the key schedule when it goes.
class BlowfishCfb8
{
public:
    // `key` has 8 to 56 bytes, `iv` 8 bytes.
    BlowfishCfb8(QByteArrayView key, QByteArrayView iv);
    ~BlowfishCfb8();
    BlowfishCfb8(const BlowfishCfb8 &) = delete;
    BlowfishCfb8 &operator=(const BlowfishCfb8 &) = delete;

    // Both go on from where the previous call left the register.
    QByteArray encrypt(QByteArrayView plain);
    QByteArray decrypt(QByteArrayView cipher);

private:
    blowfish_ctx m_context;
    uint8_t m_register[BLOWFISH_BLOCK_SIZE];
};
