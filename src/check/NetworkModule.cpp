#include "check/NetworkModule.h"

#include "app/PelkError.h"

#include <QCoreApplication>
#include <QLibrary>

#include <cstdio>

QString NetworkModulePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/PelkNetwork.so");
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
    if (m_transport)
        return *m_transport;
    // Never unloaded: the network stack keeps threads and caches that outlive any scope.
    QLibrary module(m_modulePath);
    const auto entry = reinterpret_cast<NetworkModuleEntry>(module.resolve(NetworkModuleEntryName));
    if (!entry) {
        // The loader's reason helps whoever installed the program; the user reads the path.
        std::fprintf(stderr, "%s\n", qPrintable(module.errorString()));
        throw PelkError(QStringLiteral("Error loading ") + m_modulePath);
    }
    m_transport.reset(entry());
    return *m_transport;
}
