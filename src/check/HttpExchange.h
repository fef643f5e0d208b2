#pragma once

#include "check/RequestLimits.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

class QEventLoop;
class QNetworkAccessManager;
class QNetworkRequest;

// What the server answered: its status line and the whole body.
struct HttpReplyData
{
    int status = 0;
    QByteArray reasonPhrase;
    QByteArray body;
};

// User and password that answer a proxy's authentication request (407); never the server's.
struct ProxyCredentials
{
    bool use = false;
    QString user;
    QString password;
};

// Posts `body` and waits for the complete reply in a local event loop that lets windows
// paint but takes no user input. Redirects (301, 302, 303, 307, 308) are followed here, each
// hop a request of its own with the per-hop limits; the whole exchange ends at `deadline`.
// Every other HTTP status comes back as a reply; failures of the exchange itself (address,
// connection, proxy, TLS, time-outs, size, redirects) throw PelkError with a message that
// says what happened.
HttpReplyData PostAndWait(QNetworkAccessManager &manager, QNetworkRequest request,
                          const QByteArray &body, const RequestLimits &limits,
                          const ProxyCredentials &proxyCredentials, const QDeadlineTimer &deadline);

// Runs `loop` until something quits it. Every wait of a check goes through here: windows
// repaint meanwhile, but no click or key can start anything.
void WaitInEventLoop(QEventLoop &loop);
