#include "settings/PasswordProtection.h"

#include "settings/BlowfishCfb8.h"
#include "settings/PasswordText.h"

namespace {

// Fixed by the stored form: changing either makes every stored password unreadable.
constexpr char kKey[] = "Qv72mRtx";
constexpr char kIv[] = "\x9E\x41\x0B\xD7\x66\x2C\xF3\x18";

QByteArrayView key()
{
    return QByteArrayView(kKey, sizeof kKey - 1);
}

QByteArrayView iv()
{
    return QByteArrayView(kIv, sizeof kIv - 1);
}

} // namespace

QByteArray ProtectPassword(const QString &password)
{
    BlowfishCfb8 cipher(key(), iv());
    return cipher.encrypt(PasswordText::encodeUtf8(password)).toBase64();
}

QString UnprotectPassword(const QByteArray &storedText)
{
    BlowfishCfb8 cipher(key(), iv());
    return PasswordText::decodeUtf8(cipher.decrypt(PasswordText::decodeBase64(storedText)));
}
