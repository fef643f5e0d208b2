#pragma once

#include <QByteArray>
#include <QString>

// The text forms around the password cipher. They follow their own rules, not a
// library's, because stored passwords must read back exactly as they were written.
namespace PasswordText {

// UTF-8 one UTF-16 code unit at a time: a surrogate pair becomes two three-byte sequences.
QByteArray encodeUtf8(const QString &text);

// The reverse, lenient about the values it builds but not about the shape: a lead byte
// with bit 0x20 clear takes one continuation byte, one with it set takes two, and every
// continuation byte lies in 0x80..0xBF. A bad or cut sequence makes the result empty.
QString decodeUtf8(const QByteArray &bytes);

// Standard Base64 decoding in groups of four. Characters outside the alphabet other than
// "=" are removed first; a trailing partial group is ignored; a group with "=" third gives
// one byte, with "=" fourth only two, any other three ("=" elsewhere counting as zero);
// decoding goes on after a padded group.
QByteArray decodeBase64(const QByteArray &text);

} // namespace PasswordText
