#include "check/ProxyRoute.h"

#include "base/PelkError.h"
#include "settings/UPelkUpdaterUtils.h"

namespace {
quint16 proxyPort(const QString &text)
{
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok, 10);
    if (!ok || port == 0 || port > 65535)
        throw PelkError(QStringLiteral("The proxy port \"%1\" is not a number from 1 to 65535").arg(text));
    return static_cast<quint16>(port);
}
} // namespace

ProxyRoute ChooseProxyRoute(const ProxySettings &settings)
{
    ProxyRoute route;
    switch (settings.Option) {
    case kUseSystemProxy:
        route.kind = ProxyRoute::Kind::System;
        break;
    case kUseFollowingProxy:
        route.kind = ProxyRoute::Kind::Server;
        route.server = settings.Server.trimmed();
        if (route.server.isEmpty())
            throw PelkError(QStringLiteral("No proxy server is set"));
        route.port = proxyPort(settings.Port);
        break;
    default:
        route.kind = ProxyRoute::Kind::Direct;
        break;
    }
    route.credentials.use = settings.Auth && settings.Option != kNoProxy;
    if (route.credentials.use) {
        route.credentials.user = settings.User;
        route.credentials.password = settings.Password;
    }
    return route;
}
