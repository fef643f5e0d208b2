#include "check/HttpExchange.h"

#include "base/PelkError.h"
#include "check/EventLoopWait.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopeGuard>
#include <QTimer>
#include <limits>
#include <memory>

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

void applyRoute(QNetworkAccessManager &manager, const ProxyRoute &route)
{
    switch (route.kind) {
    case ProxyRoute::Kind::System:
        manager.setProxyFactory(new SystemProxyFactory); // the manager owns it
        return;
    case ProxyRoute::Kind::Server:
        manager.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, route.server, route.port));
        return;
    case ProxyRoute::Kind::Direct:
        manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        return;
    }
}

enum class Failure { None, ConnectTimeout, IdleTimeout, Deadline, TooLarge };

constexpr qint64 kReadAheadBytes = 256 * 1024;

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

QString proxyName(const QNetworkProxy &proxy)
{
    return proxy.hostName() + QLatin1Char(':') + QString::number(proxy.port());
}

// A failure at the far end of the connection: the service's host, or through a proxy the
// proxy, whose text has a key of its own ("...Proxy") that names it as a proxy.
PelkError peerFailure(const QUrl &url, const QNetworkProxy &proxy, const char *textKey, const QString &english,
                      const QStringList &more = {})
{
    if (isProxied(proxy))
        return PelkError(QByteArray(textKey) + "Proxy", QString(english).replace(QLatin1String("%1"), QLatin1String("the proxy %1")),
                         QStringList{proxyName(proxy)} + more);
    return PelkError(textKey, english, QStringList{hostText(url)} + more);
}

PelkError transportFailure(const QNetworkReply &reply, const QUrl &url, const QNetworkProxy &proxy,
                           bool answeredProxy)
{
    switch (reply.error()) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::ProxyConnectionRefusedError:
        return peerFailure(url, proxy, "txtNetRefused", QStringLiteral("Connection refused by %1"));
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ProxyNotFoundError:
        return isProxied(proxy) ? PelkError("txtNetProxyNotFound", QStringLiteral("Proxy %1 not found"), {proxy.hostName()})
                                : PelkError("txtNetHostNotFound", QStringLiteral("Host %1 not found"), {url.host()});
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return peerFailure(url, proxy, "txtNetClosed", QStringLiteral("Connection closed by %1 before the reply was complete"));
    case QNetworkReply::SslHandshakeFailedError:
        // The system's text alone, in the language of the windows: "SSL handshake failed: ..."
        return PelkError(hostText(url) + QStringLiteral(": ") + reply.errorString());
    case QNetworkReply::ProxyTimeoutError:
        return PelkError("txtNetProxyTimeout", QStringLiteral("Time-out at the proxy %1"), {proxyName(proxy)});
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return answeredProxy
            ? PelkError("txtNetProxyLoginRefused", QStringLiteral("The proxy %1 refused the user name and password"),
                        {proxyName(proxy)})
            : PelkError("txtNetProxyLoginNeeded", QStringLiteral("The proxy %1 requires a user name and password"),
                        {proxyName(proxy)});
    default:
        break;
    }
    // Qt says only "Decompression failed: " for a body that does not unpack.
    const QByteArray encoding = reply.rawHeader("Content-Encoding");
    const QNetworkReply::NetworkError error = reply.error();
    if ((error == QNetworkReply::UnknownContentError || error == QNetworkReply::ProtocolFailure) && !encoding.isEmpty())
        return PelkError("txtNetNotUnpacked",
                         QStringLiteral("The reply of the update service at %1 cannot be unpacked: it is not valid "
                                        "\"%2\" data, as its Content-Encoding says"),
                         {hostText(url), QString::fromLatin1(encoding)});
    return PelkError(reply.errorString());
}

PelkError largerThan(const RequestLimits &limits)
{
    return PelkError("txtNetTooLarge", QStringLiteral("The reply of the update service is larger than %1"),
                     {sizeText(limits.maxReplyBytes)});
}

PelkError deadlinePassed(QNetworkAccessManager &manager, const QUrl &url, const RequestLimits &limits)
{
    const QNetworkProxy proxy = effectiveProxy(manager, url);
    const QString seconds = ::seconds(limits.overallTimeoutMs);
    if (isProxied(proxy))
        return PelkError("txtNetDeadlineProxy",
                         QStringLiteral("Time-out: the exchange with the update service at %1 through the proxy %2 "
                                        "did not end within %3 seconds"),
                         {hostText(url), proxyName(proxy), seconds});
    return PelkError("txtNetDeadline",
                     QStringLiteral("Time-out: the exchange with the update service at %1 did not end within %2 seconds"),
                     {hostText(url), seconds});
}

// Milliseconds left until `deadline`, as a timer takes them.
int remainingMs(const QDeadlineTimer &deadline)
{
    const qint64 left = deadline.remainingTime();
    return left < 0 ? std::numeric_limits<int>::max()
                    : static_cast<int>(qMin<qint64>(left, std::numeric_limits<int>::max()));
}

// One request of the exchange: the first one, or one that a redirect asked for.
struct Hop
{
    QNetworkRequest request;
    bool post = true;
    QByteArray body;
};

// What one hop brought back: the server's answer and where a redirect points.
struct HopReply
{
    HttpReplyData data;
    QByteArray location;
};

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The address a redirect points to; invalid when there is none. Only http and https
// addresses are followed: any other scheme is an error that names it.
QUrl redirectTarget(const QUrl &from, const QByteArray &location, const HttpReplyData &reply)
{
    const QUrl target = QUrl::fromEncoded(location);
    if (location.isEmpty() || !target.isValid())
        return QUrl();
    const QUrl resolved = from.resolved(target);
    const QString scheme = resolved.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        throw PelkError("txtNetRedirectScheme",
                        QStringLiteral("%1 %2: the redirect to a \"%3:\" address is not followed, only http and https"),
                        {QString::number(reply.status), QString::fromLatin1(reply.reasonPhrase), scheme});
    return resolved;
}

// 307 and 308 repeat the request as it was; 301, 302 and 303 ask for the target with a GET,
// without the body and its type.
Hop nextHop(const Hop &from, const QUrl &target, int status)
{
    Hop hop = from;
    hop.request.setUrl(target);
    if (status != 307 && status != 308) {
        hop.post = false;
        hop.body.clear();
        hop.request.setRawHeader("Content-type", QByteArray());
    }
    return hop;
}

using ReplyPtr = std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)>;

// The reply goes with its owner, after its connections to the owner's locals are cut.
ReplyPtr send(QNetworkAccessManager &manager, const Hop &hop)
{
    return ReplyPtr(hop.post ? manager.post(hop.request, hop.body) : manager.get(hop.request),
                    [](QNetworkReply *r) {
                        r->disconnect();
                        r->abort();
                        delete r;
                    });
}

// The proxy login over one exchange. Qt reports every 407 as a proxy's challenge, also one
// from the service on a direct connection or inside an https tunnel; those name no proxy.
struct ProxyLogin
{
    int answers = 0;             // logins given so far
    bool serviceAsked = false;   // the current hop's 407 came from the service itself
};

// Sends one hop and waits for its complete answer within the per-hop limits and the
// exchange's deadline.
HopReply exchangeOnce(QNetworkAccessManager &manager, const Hop &hop, const RequestLimits &limits,
                      const QDeadlineTimer &deadline, ProxyLogin &login)
{
    const QUrl url = hop.request.url();
    if (deadline.hasExpired())
        throw deadlinePassed(manager, url, limits); // nothing more goes out once it has passed
    login.serviceAsked = false;
    const ReplyPtr reply = send(manager, hop);
    QNetworkReply *r = reply.get();
    // Without a bound the network thread reads on as fast as the server sends while the
    // reply waits for its turn here, past any cap. The stack takes the bound only once the
    // request is under way in its thread: given when it starts to connect, the bound is
    // there before the request's body has gone out, and so before the reply comes.
    const auto bound = [r] { r->setReadBufferSize(kReadAheadBytes); };
    bound();
    QObject::connect(r, &QNetworkReply::socketStartedConnecting, bound);

    QEventLoop loop;
    Failure failure = Failure::None;
    QByteArray received;
    const auto fail = [&](Failure why) {
        if (failure == Failure::None)
            failure = why;
        r->abort();
    };

    QTimer connectTimer;
    connectTimer.setSingleShot(true);
    connectTimer.setInterval(limits.connectTimeoutMs);
    QTimer idleTimer;
    idleTimer.setSingleShot(true);
    idleTimer.setInterval(limits.idleTimeoutMs);
    QTimer deadlineTimer;
    deadlineTimer.setSingleShot(true);
    deadlineTimer.setTimerType(Qt::PreciseTimer); // a coarse one may be seconds late at a minute
    deadlineTimer.setInterval(remainingMs(deadline));
    QObject::connect(&connectTimer, &QTimer::timeout, [&] { fail(Failure::ConnectTimeout); });
    QObject::connect(&idleTimer, &QTimer::timeout, [&] { fail(Failure::IdleTimeout); });
    QObject::connect(&deadlineTimer, &QTimer::timeout, [&] { fail(Failure::Deadline); });
    const auto progress = [&] {
        if (!connectTimer.isActive())
            idleTimer.start();
    };

    QObject::connect(r, &QNetworkReply::requestSent, [&] {
        bound();
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
    // One byte past the cap tells that the reply is too large; nothing beyond it is read.
    // The buffer is taken whole at once, so that it never grows by copying; the pages it
    // does not fill cost no memory.
    const auto take = [&] {
        if (received.capacity() <= limits.maxReplyBytes)
            received.reserve(limits.maxReplyBytes + 1);
        received += r->read(limits.maxReplyBytes + 1 - received.size());
        return received.size() <= limits.maxReplyBytes;
    };
    QObject::connect(r, &QNetworkReply::readyRead, [&] {
        progress();
        if (!take())
            fail(Failure::TooLarge);
    });
    QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    if (!r->isFinished()) {
        connectTimer.start();
        if (!deadline.isForever())
            deadlineTimer.start();
        WaitInEventLoop(loop);
    }
    connectTimer.stop();
    idleTimer.stop();
    deadlineTimer.stop();
    if (!r->isFinished())
        throw PelkError("txtNetInterrupted", QStringLiteral("The request to %1 was interrupted"), {hostText(url)});

    switch (failure) {
    case Failure::ConnectTimeout:
        throw peerFailure(url, effectiveProxy(manager, url), "txtNetNoConnection",
                          QStringLiteral("Time-out: no connection to %1 within %2 seconds"),
                          {seconds(limits.connectTimeoutMs)});
    case Failure::IdleTimeout:
        throw PelkError("txtNetSilent", QStringLiteral("Time-out: the update service at %1 sent nothing for %2 seconds"),
                        {hostText(url), seconds(limits.idleTimeoutMs)});
    case Failure::Deadline:
        throw deadlinePassed(manager, url, limits);
    case Failure::TooLarge:
        throw largerThan(limits);
    case Failure::None:
        break;
    }

    const QVariant status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool serviceStatus = login.serviceAsked && r->error() == QNetworkReply::ProxyAuthenticationRequiredError;
    if (!serviceStatus && !isServerAnswer(status, r->error()))
        throw transportFailure(*r, url, effectiveProxy(manager, url), login.answers > 0);

    HopReply answer;
    answer.data.status = serviceStatus ? 407 : status.toInt();
    // Qt keeps the phrase's bytes as Latin-1 text; toByteArray() would hand out their UTF-8.
    answer.data.reasonPhrase = r->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toLatin1();
    if (serviceStatus && answer.data.reasonPhrase.isEmpty())
        answer.data.reasonPhrase = "Proxy Authentication Required";
    if (r->bytesAvailable() > 0 && !take())
        throw largerThan(limits);
    answer.data.body = received;
    answer.location = r->rawHeader("Location");
    answer.data.retryAfter = r->rawHeader("Retry-After");
    return answer;
}

// Follows redirects itself, one fresh request per hop. The HTTP stack's own following
// carries the first request's upload over to the next hop; on a kept-alive connection and a
// busy machine that sent a POST twice and ended the reply in "Unknown error".
HttpReplyData postAndWait(QNetworkAccessManager &manager, QNetworkRequest request, const QByteArray &body,
                          const RequestLimits &limits, const ProxyCredentials &proxyCredentials,
                          const QDeadlineTimer &deadline)
{
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    // Proxy credentials go out once; a second request means the proxy refused them. Servers
    // asking for a login get none: the stored user and password belong to the proxy, and go
    // only to a proxy that the connection really passes through.
    ProxyLogin login;
    const auto proxyConnection = QObject::connect(
        &manager, &QNetworkAccessManager::proxyAuthenticationRequired,
        [&](const QNetworkProxy &asking, QAuthenticator *authenticator) {
            if (!isProxied(asking)) {
                login.serviceAsked = true;
                return;
            }
            if (!proxyCredentials.use || login.answers > 0)
                return;
            ++login.answers;
            authenticator->setUser(proxyCredentials.user);
            authenticator->setPassword(proxyCredentials.password);
        });
    const auto disconnect = qScopeGuard([&] { QObject::disconnect(proxyConnection); });

    Hop hop{request, true, body};
    for (int redirects = 0;; ++redirects) {
        const HopReply reply = exchangeOnce(manager, hop, limits, deadline, login);
        const QUrl url = hop.request.url();
        const QUrl target = isRedirect(reply.data.status) ? redirectTarget(url, reply.location, reply.data) : QUrl();
        if (!target.isValid())
            return reply.data; // a redirect to nowhere this program goes is reported as it came
        if (redirects >= limits.maxRedirects)
            throw PelkError("txtNetRedirects", QStringLiteral("Too many redirects from %1"), {hostText(url)});
        if (url.scheme().toLower() == QLatin1String("https") && target.scheme().toLower() == QLatin1String("http"))
            throw PelkError("txtNetRedirectDowngrade", QStringLiteral("Redirect to %1 refused: never from https to http"),
                            {target.toDisplayString(QUrl::RemoveUserInfo)});
        hop = nextHop(hop, target, reply.data.status);
    }
}
} // namespace

HttpReplyData QtHttpTransport::Post(const HttpPost &post, const ProxyRoute &route, const RequestLimits &limits,
                                    const QDeadlineTimer &deadline)
{
    QNetworkAccessManager manager;
    applyRoute(manager, route);
    QNetworkRequest request(post.url);
    for (const auto &[name, value] : post.headers)
        request.setRawHeader(name, value);
    return postAndWait(manager, request, post.body, limits, route.credentials, deadline);
}
