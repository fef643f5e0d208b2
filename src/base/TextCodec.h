#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Conversions of text that Windows programs and services write in 8-bit code pages.

// ANSI text of Western European Windows (code page 1252). The five bytes that the code page
// leaves unassigned become the control characters of the same number, as Windows reads them.
QString DecodeWindows1252(QByteArrayView bytes);

// Text without a byte-order mark: UTF-8 when it is valid UTF-8, otherwise Windows-1252,
// the code page of the Windows tools that write such files.
QString DecodeUtf8OrWindows1252(QByteArrayView bytes);

enum class Utf8Conversion { Converted, UnknownEncoding, InvalidText };

// Converts text in the encoding named `encoding` ("windows-1252", "ISO-8859-15",
// "Shift_JIS", any name the system's converter knows; letters, digits, ".", "_" and "-")
// to UTF-8. InvalidText when the bytes are not text in that encoding; `utf8` is then empty.
Utf8Conversion ConvertToUtf8(QByteArrayView bytes, const QByteArray &encoding, QByteArray &utf8);
