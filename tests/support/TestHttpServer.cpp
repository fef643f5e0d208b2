#include "support/TestHttpServer.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return QByteArray();
}

int RecordedRequest::headerCount(const QByteArray &name) const
{
    int count = 0;
    for (const auto &header : headers)
        count += header.first.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
    return count;
}

CannedReply CannedReply::ok(const QByteArray &body, const QByteArray &contentType)
{
    CannedReply reply;
    reply.body = body;
    reply.addHeader("Content-Type", contentType);
    return reply;
}

CannedReply CannedReply::withStatus(int status, const QByteArray &reason, const QByteArray &body)
{
    CannedReply reply;
    reply.status = status;
    reply.reason = reason;
    reply.body = body;
    return reply;
}

CannedReply CannedReply::redirect(int status, const QByteArray &location)
{
    CannedReply reply;
    reply.status = status;
    reply.reason = status == 307 ? "Temporary Redirect" : status == 308 ? "Permanent Redirect" : "Found";
    reply.addHeader("Location", location);
    return reply;
}

CannedReply CannedReply::silent()
{
    CannedReply reply;
    reply.kind = Kind::Silent;
    return reply;
}

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent), m_server(std::make_unique<QTcpServer>()), m_scheme(QStringLiteral("http"))
{
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &TestHttpServer::acceptConnections);
}

TestHttpServer::TestHttpServer(const QSslConfiguration &tls, QObject *parent)
    : QObject(parent), m_tls(true), m_scheme(QStringLiteral("https"))
{
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(tls);
    m_server = std::move(server);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &TestHttpServer::acceptConnections);
}

TestHttpServer::~TestHttpServer() = default;

bool TestHttpServer::listen()
{
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 TestHttpServer::port() const
{
    return m_server->serverPort();
}

QByteArray TestHttpServer::url(const QByteArray &path) const
{
    return m_scheme.toLatin1() + "://127.0.0.1:" + QByteArray::number(port()) + path;
}

void TestHttpServer::setReply(const QByteArray &path, const CannedReply &reply)
{
    m_replies.insert(path, reply);
}

void TestHttpServer::setHandler(std::function<CannedReply(const RecordedRequest &)> handler)
{
    m_handler = std::move(handler);
}

void TestHttpServer::acceptConnections()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        ++m_connections;
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void TestHttpServer::readFrom(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    const int headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;

    RecordedRequest request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    request.path = request.target.startsWith('/') ? request.target
                                                  : QUrl::fromEncoded(request.target).path(QUrl::FullyEncoded).toLatin1();
    for (int i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const int colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    const qsizetype length = request.header("Content-Length").toLongLong();
    if (buffer.size() < headerEnd + 4 + length)
        return; // the body is still on its way
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.remove(0, headerEnd + 4 + length);

    m_requests.append(request);
    answer(socket, request);
    Q_EMIT requestReceived();
    // The client's next request on a kept connection. The answer may have closed the
    // connection and dropped its buffer, so look it up again.
    const auto pending = m_buffers.constFind(socket);
    if (pending != m_buffers.constEnd() && !pending->isEmpty())
        readFrom(socket);
}

void TestHttpServer::answer(QTcpSocket *socket, const RecordedRequest &request)
{
    CannedReply reply;
    if (m_handler)
        reply = m_handler(request);
    else
        reply = m_replies.value(request.path, CannedReply::withStatus(404, "Not Found", "no such page"));
    if (reply.kind == CannedReply::Kind::Silent)
        return;

    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reply.reason + "\r\n";
    for (const auto &header : reply.headers)
        head += header.first + ": " + header.second + "\r\n";
    if (reply.contentLength)
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    const bool keep = m_keepAlive && reply.kind == CannedReply::Kind::Answer && reply.contentLength;
    head += keep ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    socket->write(head);

    switch (reply.kind) {
    case CannedReply::Kind::Answer:
        socket->write(reply.body);
        if (!keep)
            socket->disconnectFromHost(); // after the buffered bytes have gone out
        break;
    case CannedReply::Kind::Stall:
        socket->write(reply.body);
        break;
    case CannedReply::Kind::Trickle: {
        auto *timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, sent, body = reply.body] {
            if (*sent >= body.size()) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid((*sent)++, 1));
        });
        timer->start(reply.intervalMs);
        break;
    }
    case CannedReply::Kind::Silent:
        break;
    }
}

QSslConfiguration LocalhostTls()
{
    QFile certFile(QStringLiteral(PELK_TLS_DIR "/localhost.crt"));
    QFile keyFile(QStringLiteral(PELK_TLS_DIR "/localhost.key"));
    certFile.open(QIODevice::ReadOnly);
    keyFile.open(QIODevice::ReadOnly);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(QSslCertificate(certFile.readAll()));
    tls.setPrivateKey(QSslKey(keyFile.readAll(), QSsl::Rsa));
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

void TrustLocalhostCertificate()
{
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificates(QStringLiteral(PELK_TLS_DIR "/localhost.crt"));
    QSslConfiguration::setDefaultConfiguration(config);
}
