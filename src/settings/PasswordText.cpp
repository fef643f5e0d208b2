#include "settings/PasswordText.h"

namespace PasswordText {

QByteArray encodeUtf8(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 3);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        if (unit < 0x80) {
            bytes.append(char(unit));
        } else if (unit < 0x800) {
            bytes.append(char(0xC0 | (unit >> 6)));
            bytes.append(char(0x80 | (unit & 0x3F)));
        } else {
            bytes.append(char(0xE0 | (unit >> 12)));
            bytes.append(char(0x80 | ((unit >> 6) & 0x3F)));
            bytes.append(char(0x80 | (unit & 0x3F)));
        }
    }
    return bytes;
}

QString decodeUtf8(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    const auto continuation = [&](qsizetype at, char16_t &value) {
        if (at >= bytes.size())
            return false;
        const uchar byte = uchar(bytes[at]);
        if (byte < 0x80 || byte > 0xBF)
            return false;
        value = char16_t((value << 6) | (byte & 0x3F));
        return true;
    };
    qsizetype i = 0;
    while (i < bytes.size()) {
        const uchar lead = uchar(bytes[i]);
        if (lead < 0x80) {
            text.append(QChar(lead));
            ++i;
            continue;
        }
        const bool threeBytes = (lead & 0x20) != 0;
        char16_t value = threeBytes ? char16_t(lead & 0x0F) : char16_t(lead & 0x1F);
        if (!continuation(i + 1, value) || (threeBytes && !continuation(i + 2, value)))
            return QString();
        text.append(QChar(value));
        i += threeBytes ? 3 : 2;
    }
    return text;
}

QByteArray decodeBase64(const QByteArray &text)
{
    const auto sextet = [](char c) -> int {
        if (c >= 'A' && c <= 'Z')
            return c - 'A';
        if (c >= 'a' && c <= 'z')
            return c - 'a' + 26;
        if (c >= '0' && c <= '9')
            return c - '0' + 52;
        if (c == '+')
            return 62;
        if (c == '/')
            return 63;
        if (c == '=')
            return 0;
        return -1;
    };
    QByteArray kept;
    kept.reserve(text.size());
    for (const char c : text) {
        if (sextet(c) >= 0)
            kept.append(c);
    }
    QByteArray bytes;
    bytes.reserve(kept.size() / 4 * 3);
    for (qsizetype at = 0; at + 4 <= kept.size(); at += 4) {
        const char *group = kept.constData() + at;
        const quint32 bits = quint32(sextet(group[0]) << 18) | quint32(sextet(group[1]) << 12)
            | quint32(sextet(group[2]) << 6) | quint32(sextet(group[3]));
        const int count = group[2] == '=' ? 1 : group[3] == '=' ? 2 : 3;
        bytes.append(char(bits >> 16));
        if (count > 1)
            bytes.append(char((bits >> 8) & 0xFF));
        if (count > 2)
            bytes.append(char(bits & 0xFF));
    }
    return bytes;
}

} // namespace PasswordText
