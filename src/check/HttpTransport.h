#pragma once

#include "check/RequestLimits.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QString>
#include <QUrl>
#include <utility>

// What the server answered: its status line, the whole body and its Retry-After header
// (as sent; empty when there is none), which tells when to come back.
struct HttpReplyData
{
    int status = 0;
    QByteArray reasonPhrase;
    QByteArray body;
    QByteArray retryAfter;
};

// One form post: the address, the header lines beside the transport's own, the body.
struct HttpPost
{
    QUrl url;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
};

// User and password that answer a proxy's authentication request (407); never the server's.
struct ProxyCredentials
{
    bool use = false;
    QString user;
    QString password;
};

// The way out to the service, checked and ready to use.
struct ProxyRoute
{
    enum class Kind { System, Direct, Server };
    Kind kind = Kind::System; // System: desktop settings, http_proxy / https_proxy / no_proxy
    QString server;           // Server only
    quint16 port = 0;         // Server only
    ProxyCredentials credentials;
};

// Sends a post and waits for the complete reply. The program's transport lives in a module
// loaded with the first check (see NetworkModule.h), so that a start that checks nothing
// never loads the network stack.
class HttpTransport
{
public:
    virtual ~HttpTransport() = default;

    // Posts and waits in a local event loop that lets windows paint but takes no user input.
    // Redirects (301, 302, 303, 307, 308) are followed, each hop a request of its own with
    // the per-hop limits; the whole exchange ends at `deadline`. Every other HTTP status
    // comes back as a reply; failures of the exchange itself (address, connection, proxy,
    // TLS, time-outs, size, redirects) throw PelkError with a message that says what happened.
    virtual HttpReplyData Post(const HttpPost &post, const ProxyRoute &route, const RequestLimits &limits,
                               const QDeadlineTimer &deadline) = 0;
};
