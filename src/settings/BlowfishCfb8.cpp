#include "settings/BlowfishCfb8.h"

#include <nettle/cfb.h>

#include <cstring>

namespace {

void encryptBlocks(const void *context, size_t length, uint8_t *dst, const uint8_t *src)
{
    blowfish_encrypt(static_cast<const blowfish_ctx *>(context), length, dst, src);
}

const uint8_t *bytesOf(QByteArrayView view)
{
    return reinterpret_cast<const uint8_t *>(view.data());
}

} // namespace

BlowfishCfb8::BlowfishCfb8(QByteArrayView key, QByteArrayView iv)
{
    Q_ASSERT(key.size() >= BLOWFISH_MIN_KEY_SIZE && key.size() <= BLOWFISH_MAX_KEY_SIZE);
    Q_ASSERT(iv.size() == BLOWFISH_BLOCK_SIZE);
    // A weak key only weakens secrecy; the schedule is complete either way.
    blowfish_set_key(&m_context, size_t(key.size()), bytesOf(key));
    std::memcpy(m_register, iv.data(), sizeof m_register);
}

BlowfishCfb8::~BlowfishCfb8()
{
    // Keep no key schedule or register contents behind in freed memory.
    explicit_bzero(&m_context, sizeof m_context);
    explicit_bzero(m_register, sizeof m_register);
}

QByteArray BlowfishCfb8::encrypt(QByteArrayView plain)
{
    QByteArray out(plain.size(), '\0');
    if (!plain.isEmpty()) {
        cfb8_encrypt(&m_context, encryptBlocks, BLOWFISH_BLOCK_SIZE, m_register, size_t(plain.size()),
                     reinterpret_cast<uint8_t *>(out.data()), bytesOf(plain));
    }
    return out;
}

QByteArray BlowfishCfb8::decrypt(QByteArrayView cipher)
{
    QByteArray out(cipher.size(), '\0');
    if (!cipher.isEmpty()) {
        cfb8_decrypt(&m_context, encryptBlocks, BLOWFISH_BLOCK_SIZE, m_register, size_t(cipher.size()),
                     reinterpret_cast<uint8_t *>(out.data()), bytesOf(cipher));
    }
    return out;
}
