#include "check/HttpExchange.h"

#include "app/PelkError.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QTimer>
#include <memory>

namespace {
enum class Failure { None, ConnectTimeout, IdleTimeout, TooLarge, RedirectRefused };

// The proxy that the manager takes for `url`; NoProxy / DefaultProxy when it goes direct.
QNetworkProxy effectiveProxy(QNetworkAccessManager &manager, const QUrl &url)
{
    if (QNetworkProxyFactory *factory = manager.proxyFactory()) {
        const QList<QNetworkProxy> proxies = factory->queryProxy(QNetworkProxyQuery(url));
        if (!proxies.isEmpty())
            return proxies.first();
    }
    return manager.proxy();
}

QString hostText(const QUrl &url)
{
    const int port = url.port(url.scheme() == QLatin1String("https") ? 443 : 80);
    return url.host() + QLatin1Char(':') + QString::number(port);
}

QString sizeText(qint64 bytes)
{
    constexpr qint64 kMiB = 1024 * 1024;
    return bytes % kMiB == 0 ? QString::number(bytes / kMiB) + QStringLiteral(" MiB")
                             : QString::number(bytes) + QStringLiteral(" bytes");
}

QString seconds(int milliseconds)
{
    return QString::number(milliseconds / 1000.0, 'g', 3);
}

// Only http and https, and never from an encrypted connection to a plain one.
bool redirectAllowed(const QUrl &from, const QUrl &to)
{
    const QString scheme = to.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    return !(from.scheme().toLower() == QLatin1String("https") && scheme == QLatin1String("http"));
}

// Whether the server's status line arrived, as opposed to a failure of the connection or
// the proxy: QNetworkReply also reports 4xx and 5xx statuses as errors. A 200 counts only
// when its body arrived whole.
bool isServerAnswer(const QVariant &status, QNetworkReply::NetworkError error)
{
    const int code = static_cast<int>(error);
    if (!status.isValid() || (code >= 1 && code <= 199))
        return false;
    return status.toInt() != 200 || error == QNetworkReply::NoError;
}

bool isProxied(const QNetworkProxy &proxy)
{
    return proxy.type() != QNetworkProxy::NoProxy && proxy.type() != QNetworkProxy::DefaultProxy;
}

QString proxyText(const QNetworkProxy &proxy)
{
    return QStringLiteral("the proxy ") + proxy.hostName() + QLatin1Char(':') + QString::number(proxy.port());
}

// Through a proxy, the connection that failed is the one to the proxy.
QString peerText(const QUrl &url, const QNetworkProxy &proxy)
{
    return isProxied(proxy) ? proxyText(proxy) : hostText(url);
}

QString transportFailure(const QNetworkReply &reply, const QUrl &url, const QNetworkProxy &proxy,
                         bool answeredProxy)
{
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
        return QStringLiteral("Connection refused by %1").arg(peerText(url, proxy));
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ProxyNotFoundError:
        return isProxied(proxy) ? QStringLiteral("Proxy %1 not found").arg(proxy.hostName())
                                : QStringLiteral("Host %1 not found").arg(url.host());
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return QStringLiteral("Connection closed by %1 before the reply was complete").arg(peerText(url, proxy));
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("Secure connection to %1 failed: %2").arg(hostText(url), reply.errorString());
    case QNetworkReply::ProxyTimeoutError:
        return QStringLiteral("Time-out at %1").arg(proxyText(proxy));
    case QNetworkReply::ProxyAuthenticationRequiredError:
    {
        const QString name = proxy.hostName() + QLatin1Char(':') + QString::number(proxy.port());
        return answeredProxy ? QStringLiteral("The proxy %1 refused the user name and password").arg(name)
                             : QStringLiteral("The proxy %1 requires a user name and password").arg(name);
    }
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("Too many redirects from %1").arg(hostText(url));
    case QNetworkReply::InsecureRedirectError: {
        const QUrl target = url.resolved(QUrl::fromEncoded(reply.rawHeader("Location")));
        return QStringLiteral("Redirect to %1 refused: never from https to http")
            .arg(target.toDisplayString(QUrl::RemoveUserInfo));
    }
    default:
        return reply.errorString();
    }
}
} // namespace

HttpReplyData PostAndWait(QNetworkAccessManager &manager, QNetworkRequest request,
                          const QByteArray &body, const RequestLimits &limits,
                          const ProxyCredentials &proxyCredentials)
{
    const QUrl url = request.url();
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(limits.maxRedirects);

    // Proxy credentials go out once; a second request means the proxy refused them. Servers
    // asking for a login get none: the stored user and password belong to the proxy.
    int proxyAnswers = 0;
    const auto proxyConnection = QObject::connect(
        &manager, &QNetworkAccessManager::proxyAuthenticationRequired,
        [&](const QNetworkProxy &, QAuthenticator *authenticator) {
            if (!proxyCredentials.use || proxyAnswers > 0)
                return;
            ++proxyAnswers;
            authenticator->setUser(proxyCredentials.user);
            authenticator->setPassword(proxyCredentials.password);
        });
    const auto disconnect = qScopeGuard([&] { QObject::disconnect(proxyConnection); });

    // The reply goes with this call, after its connections to the locals below are cut.
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> reply(
        manager.post(request, body), [](QNetworkReply *r) {
            r->disconnect();
            r->abort();
            delete r;
        });

    QEventLoop loop;
    Failure failure = Failure::None;
    QUrl redirectTarget;
    QUrl currentUrl = url;
    QByteArray received;
    const auto fail = [&](Failure why) {
        if (failure == Failure::None)
            failure = why;
        reply->abort();
    };

    QTimer connectTimer;
    connectTimer.setSingleShot(true);
    connectTimer.setInterval(limits.connectTimeoutMs);
    QTimer idleTimer;
    idleTimer.setSingleShot(true);
    idleTimer.setInterval(limits.idleTimeoutMs);
    QObject::connect(&connectTimer, &QTimer::timeout, [&] { fail(Failure::ConnectTimeout); });
    QObject::connect(&idleTimer, &QTimer::timeout, [&] { fail(Failure::IdleTimeout); });
    const auto progress = [&] {
        if (!connectTimer.isActive())
            idleTimer.start();
    };

    QNetworkReply *r = reply.get();
    QObject::connect(r, &QNetworkReply::requestSent, [&] {
        connectTimer.stop();
        idleTimer.start();
    });
    QObject::connect(r, &QNetworkReply::uploadProgress, progress);
    QObject::connect(r, &QNetworkReply::metaDataChanged, [&] {
        progress();
        const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > limits.maxReplyBytes)
            fail(Failure::TooLarge);
    });
    QObject::connect(r, &QNetworkReply::readyRead, [&] {
        progress();
        received += r->readAll();
        if (received.size() > limits.maxReplyBytes)
            fail(Failure::TooLarge);
    });
    QObject::connect(r, &QNetworkReply::redirected, [&](const QUrl &target) {
        if (!redirectAllowed(currentUrl, target)) {
            redirectTarget = target;
            fail(Failure::RedirectRefused);
            return;
        }
        currentUrl = target;
        received.clear();
        idleTimer.stop();
        connectTimer.start();
    });
    QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    if (!r->isFinished()) {
        connectTimer.start();
        // Windows repaint, but no click or key can start anything while the request runs.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    connectTimer.stop();
    idleTimer.stop();
    if (!r->isFinished())
        throw PelkError(QStringLiteral("The request to %1 was interrupted").arg(hostText(currentUrl)));

    switch (failure) {
    case Failure::ConnectTimeout:
        throw PelkError(QStringLiteral("Time-out: no connection to %1 within %2 seconds")
                            .arg(peerText(currentUrl, effectiveProxy(manager, currentUrl)),
                                 seconds(limits.connectTimeoutMs)));
    case Failure::IdleTimeout:
        throw PelkError(QStringLiteral("Time-out: the update service at %1 sent nothing for %2 seconds")
                            .arg(hostText(currentUrl), seconds(limits.idleTimeoutMs)));
    case Failure::TooLarge:
        throw PelkError(QStringLiteral("The reply of the update service is larger than %1")
                            .arg(sizeText(limits.maxReplyBytes)));
    case Failure::RedirectRefused:
        throw PelkError(QStringLiteral("Redirect to %1 refused: only http and https, never from https to http")
                            .arg(redirectTarget.toDisplayString(QUrl::RemoveUserInfo)));
    case Failure::None:
        break;
    }

    const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!isServerAnswer(status, r->error()))
        throw PelkError(transportFailure(*r, currentUrl, effectiveProxy(manager, currentUrl), proxyAnswers > 0));

    HttpReplyData data;
    data.status = status.toInt();
    data.reasonPhrase = r->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    received += r->readAll();
    if (received.size() > limits.maxReplyBytes)
        throw PelkError(QStringLiteral("The reply of the update service is larger than %1")
                            .arg(sizeText(limits.maxReplyBytes)));
    data.body = received;
    return data;
}
