// The stored proxy password: the Base64 and UTF-8 forms and the cipher around them. Any
// stored text decodes without harm, and every password reads back exactly as it was written.

#include "FuzzInput.h"
#include "settings/PasswordProtection.h"
#include "settings/PasswordText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    PasswordText::decodeBase64(bytes);
    PasswordText::decodeUtf8(bytes);
    UnprotectPassword(bytes);

    // The same bytes as a password of UTF-16 code units, lone surrogates included.
    const QString password(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    FUZZ_CHECK(PasswordText::decodeUtf8(PasswordText::encodeUtf8(password)) == password);
    FUZZ_CHECK(UnprotectPassword(ProtectPassword(password)) == password);
    return 0;
}
