#pragma once

#include <QByteArray>

enum class XmlTextStatus { Utf8, UnknownEncoding, InvalidText };

// The text of an XML document as UTF-8 without byte-order mark, for a parser told to read
// UTF-8: converted from the encoding that its byte-order mark or its XML declaration names
// (any that the system's converter knows), with the declaration then naming UTF-8 so that it
// tells the truth. `encoding` receives the name found (empty for UTF-8 without declaration).
// UnknownEncoding when nothing here converts that encoding, InvalidText when the bytes are
// not text in it; `utf8` is empty then.
XmlTextStatus XmlTextAsUtf8(const QByteArray &document, QByteArray &utf8, QByteArray &encoding);
