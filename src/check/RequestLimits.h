#pragma once

#include <QtGlobal>

// The bounds of one update request. The defaults are the program's; tests shorten the times.
struct RequestLimits
{
    int connectTimeoutMs = 10000;  // per hop: until the request has been sent to the server or proxy
    int idleTimeoutMs = 10000;     // per hop: without any progress while sending or receiving
    qint64 maxReplyBytes = 16 * 1024 * 1024; // per hop
    int maxRedirects = 5;
    // The whole exchange of one check from its start: the name lookup of the computer's
    // facts, every redirect and the proxy's login round. A service that trickles its reply
    // byte by byte stays within the limits above for as long as it likes, but not within this.
    int overallTimeoutMs = 60000;
    // The computer's DNS domain; an unanswered lookup counts as no domain.
    int nameLookupTimeoutMs = 3000;
};
