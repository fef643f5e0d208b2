#pragma once

#include "check/HttpTransport.h"

// The transport on Qt's network stack. It lives in the network module (NetworkModuleMain.cpp)
// and is linked directly by tests.
class QtHttpTransport : public HttpTransport
{
public:
    HttpReplyData Post(const HttpPost &post, const ProxyRoute &route, const RequestLimits &limits,
                       const QDeadlineTimer &deadline) override;
};
