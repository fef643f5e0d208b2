#include "check/NetworkModule.h"

#include "base/ProgramModule.h"

QString NetworkModulePath()
{
    return ProgramModulePath("PelkNetwork.so");
}

NetworkModule::NetworkModule(QString modulePath)
    : m_modulePath(std::move(modulePath))
{
}

NetworkModule::~NetworkModule() = default;

HttpReplyData NetworkModule::Post(const HttpPost &post, const ProxyRoute &route, const RequestLimits &limits,
                                  const QDeadlineTimer &deadline)
{
    return transport().Post(post, route, limits, deadline);
}

HttpTransport &NetworkModule::transport()
{
    if (!m_transport) {
        const auto entry =
            reinterpret_cast<NetworkModuleEntry>(ResolveModuleEntry(m_modulePath, NetworkModuleEntryName));
        m_transport.reset(entry());
    }
    return *m_transport;
}
