#pragma once

#include "sysinfo/XmlHelpers.h"

#include <QByteArray>

class CheckHost;
struct CheckContext;

// The document of a reply body that came with status 200. When the INI file's "FeedKeys"
// lists keys, only a feed signed by one of them, not expired, and with a serial not lower
// than the highest accepted before from that key gets through; that serial is then stored.
// Anything else throws PelkError saying which check failed, with nothing stored. Without
// "FeedKeys" the body is parsed as it is.
XmlDocumentPtr ReadReplyFeed(const QByteArray &body, const CheckContext &context, CheckHost &host);
