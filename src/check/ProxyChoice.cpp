#include "check/ProxyChoice.h"

#include "app/PelkError.h"
#include "settings/UPelkUpdaterUtils.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>

namespace {
// Asks the system for every URL of the exchange, so that a redirect to another host
// gets that host's proxy (or none, by no_proxy).
class SystemProxyFactory : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        return QNetworkProxyFactory::systemProxyForQuery(query);
    }
};

quint16 proxyPort(const QString &text)
{
    bool ok = false;
    const uint port = text.trimmed().toUInt(&ok, 10);
    if (!ok || port == 0 || port > 65535)
        throw PelkError(QStringLiteral("The proxy port \"%1\" is not a number from 1 to 65535").arg(text));
    return static_cast<quint16>(port);
}
} // namespace

void ApplyProxySettings(QNetworkAccessManager &manager, const ProxySettings &settings)
{
    switch (settings.Option) {
    case 0:
        manager.setProxyFactory(new SystemProxyFactory); // the manager owns it
        return;
    case 2: {
        const QString server = settings.Server.trimmed();
        if (server.isEmpty())
            throw PelkError(QStringLiteral("No proxy server is set"));
        manager.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, server, proxyPort(settings.Port)));
        return;
    }
    default:
        manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        return;
    }
}
