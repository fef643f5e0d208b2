#pragma once

#include <QtGlobal>

// The bounds of one update request. The defaults are the program's; tests shorten the times.
struct RequestLimits
{
    int connectTimeoutMs = 10000;  // until the request has been sent to the server or proxy
    int idleTimeoutMs = 10000;     // without any progress while sending or receiving
    qint64 maxReplyBytes = 16 * 1024 * 1024;
    int maxRedirects = 5;
};
