#pragma once

#include "check/HttpTransport.h"

#include <QString>
#include <memory>

// The module's entry point, looked up by this name. The transport it makes is the caller's.
using NetworkModuleEntry = HttpTransport *(*)();
inline constexpr char NetworkModuleEntryName[] = "PelkCreateHttpTransport";

// The module beside the program: PelkNetwork.so in the program's folder.
QString NetworkModulePath();

// The program's transport: loads the module at `modulePath` with the first post and keeps
// it loaded. A module that is missing or has no entry point raises "Error loading " + the
// path, which the check logs like any other failure of the exchange.
class NetworkModule : public HttpTransport
{
public:
    explicit NetworkModule(QString modulePath);
    ~NetworkModule() override;

    HttpReplyData Post(const HttpPost &post, const ProxyRoute &route, const RequestLimits &limits,
                       const QDeadlineTimer &deadline) override;

private:
    HttpTransport &transport();

    QString m_modulePath;
    std::unique_ptr<HttpTransport> m_transport;
};
