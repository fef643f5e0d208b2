#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QSslConfiguration>
#include <functional>
#include <memory>

class QTcpServer;
class QTcpSocket;

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// One request as it arrived on the wire.
struct RecordedRequest
{
    QByteArray method;
    QByteArray target; // as in the request line: a path, or a whole URL when sent to a proxy
    QByteArray path;   // the target's path and query
    HeaderList headers; // in the order received, names as sent
    QByteArray body;

    QByteArray header(const QByteArray &name) const; // first match, ignoring case; empty if none
    int headerCount(const QByteArray &name) const;
};

// What the server does with a request.
struct CannedReply
{
    enum class Kind {
        Answer,      // status line, headers and body, then the connection closes
        Silent,      // reads the request and never answers
        Stall,       // sends the status line, the headers and `body`, then nothing more
        Trickle,     // sends the status line and headers, then one byte of `body` every `intervalMs`
    };
    Kind kind = Kind::Answer;
    int status = 200;
    QByteArray reason = "OK";
    HeaderList headers;
    QByteArray body;
    bool contentLength = true; // false: the body ends when the connection closes
    int intervalMs = 100;

    void addHeader(const QByteArray &name, const QByteArray &value) { headers.append(qMakePair(name, value)); }

    static CannedReply ok(const QByteArray &body, const QByteArray &contentType = "text/xml; charset=utf-8");
    static CannedReply withStatus(int status, const QByteArray &reason, const QByteArray &body = QByteArray());
    static CannedReply redirect(int status, const QByteArray &location);
    static CannedReply silent();
};

// A tiny HTTP/1.1 server on 127.0.0.1 for tests: records every request and answers with
// canned replies. With a TLS configuration it speaks https. Runs in the caller's thread, so
// it serves whenever that thread's event loop runs.
class TestHttpServer : public QObject
{
    Q_OBJECT

public:
    explicit TestHttpServer(QObject *parent = nullptr);
    explicit TestHttpServer(const QSslConfiguration &tls, QObject *parent = nullptr);
    ~TestHttpServer() override;

    bool listen(); // on 127.0.0.1 and a free port
    quint16 port() const;
    QByteArray url(const QByteArray &path) const; // "http://127.0.0.1:<port>" + path

    // Replies by path; requests for other paths get 404 Not Found.
    void setReply(const QByteArray &path, const CannedReply &reply);
    // Takes over from the table when set.
    void setHandler(std::function<CannedReply(const RecordedRequest &)> handler);
    // Keeps each connection open after a complete answer for the client's next request, as
    // most real servers do; by default every answer closes its connection.
    void setKeepAlive(bool keepAlive) { m_keepAlive = keepAlive; }

    const QList<RecordedRequest> &requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }
    int connectionCount() const { return m_connections; }

Q_SIGNALS:
    void requestReceived();

private:
    void acceptConnections();
    void readFrom(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const RecordedRequest &request);

    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    bool m_keepAlive = false;
    QString m_scheme;
    QHash<QByteArray, CannedReply> m_replies;
    std::function<CannedReply(const RecordedRequest &)> m_handler;
    QList<RecordedRequest> m_requests;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    int m_connections = 0;
};

// The server side of https on 127.0.0.1: the test certificate for localhost and its key.
QSslConfiguration LocalhostTls();
// Makes this process trust the test certificate, as if it were installed on the system.
void TrustLocalhostCertificate();
