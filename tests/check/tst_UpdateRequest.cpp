// The update request against a real HTTP server on 127.0.0.1: the exact body and headers on
// the wire, the last-check time, status lines, reply documents, and every limit of the exchange.

#include "base/PelkError.h"
#include "check/UpdateCheck.h"
#include "i18n/QtTranslations.h"
#include "support/CheckFixture.h"
#include "support/ResidentPeak.h"
#include "support/TestHttpServer.h"
#include "support/TinyProxy.h"
#include "sysinfo/SystemFacts.h"

#include <QFile>
#include <QScopeGuard>
#include <QSslSocket>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <fstream>
#include <malloc.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Roomy limits where the request must succeed, short ones where a time-out is the point.
const RequestLimits kRoomy{8000, 8000, 16 * 1024 * 1024, 5};
const RequestLimits kQuick{1500, 1500, 16 * 1024 * 1024, 5};

// Redirect failures came in about one check of three on a busy machine: enough runs to see one.
constexpr int kRedirectRuns = 20;

// Keeps one core busy while it lives, as a loaded machine would.
class BusyThread
{
public:
    BusyThread()
        : m_thread([this] {
              while (!m_stop.load(std::memory_order_relaxed)) {
              }
          })
    {
    }
    ~BusyThread()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A resolver that answers with a company domain after `answerMs`, or never when negative.
class SlowLookupProbe : public PinnedProbe
{
public:
    int answerMs = 0;
    mutable std::atomic<bool> asked{false};

    QString dnsDomain() const override
    {
        asked = true;
        // Nothing of the probe is touched after the wait: the check may have given up on it.
        const int wait = answerMs;
        while (wait < 0)
            std::this_thread::sleep_for(std::chrono::hours(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        return QStringLiteral("corp.orbel.com");
    }
};

const QByteArray kFeed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<messages><message id=\"m1\"/><message id=\"m2\"/></messages>\n";

int indexOfHeader(const RecordedRequest &request, const QByteArray &name)
{
    for (int i = 0; i < request.headers.size(); ++i) {
        if (request.headers.at(i).first.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

// A service whose reply goes over the cap: endless and chunked, or 40 MiB that end when the
// connection closes. It sends from a thread of its own as fast as the client takes it, so
// that the client's reading, not the server, sets the pace.
class FloodServer
{
public:
    explicit FloodServer(bool chunked) : m_listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), size) != 0 || ::listen(m_listener, 1) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size) != 0)
            qFatal("FloodServer cannot listen");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, chunked] { serve(chunked); });
    }
    ~FloodServer()
    {
        ::shutdown(m_listener, SHUT_RDWR); // wakes the accept of a server that got no request
        m_thread.join();
        ::close(m_listener);
    }
    QByteArray url() const { return "http://127.0.0.1:" + QByteArray::number(m_port) + "/update"; }

private:
    void serve(bool chunked)
    {
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            return;
        QByteArray request;
        char buffer[4096];
        for (ssize_t got; !request.contains("\r\n\r\n") && (got = ::recv(connection, buffer, sizeof buffer, 0)) > 0;)
            request.append(buffer, got);
        const qsizetype headerEnd = request.indexOf("\r\n\r\n") + 4;
        const qsizetype length = request.mid(request.toLower().indexOf("content-length:") + 15).split('\r').value(0)
                                     .trimmed().toLongLong();
        for (ssize_t got; request.size() < headerEnd + length && (got = ::recv(connection, buffer, sizeof buffer, 0)) > 0;)
            request.append(buffer, got);
        const QByteArray piece(64 * 1024, 'x');
        const QByteArray chunk = QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
        QByteArray out = chunked ? "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                 : "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
        for (qint64 sent = 0; chunked || sent < 40 * 1024 * 1024; sent += piece.size()) {
            out += chunked ? chunk : piece;
            if (::send(connection, out.constData(), size_t(out.size()), MSG_NOSIGNAL) != out.size())
                break;
            out.clear();
        }
        ::close(connection);
    }

    int m_listener;
    quint16 m_port = 0;
    std::thread m_thread;
};

} // namespace

class tst_UpdateRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void bodyAndHeadersOnTheWire();
    void emptyProgramVersionKeepsEveryField();
    void firstRequestCreatesTheId();
    void shippedLimits_data();
    void shippedLimits();
    void lastUpdateWrittenAtEveryAttempt_data();
    void lastUpdateWrittenAtEveryAttempt();
    void otherStatusLogsOneLine_data();
    void otherStatusLogsOneLine();
    void replyBecomesDocument_data();
    void replyBecomesDocument();
    void serverNeverGetsProxyCredentials_data();
    void serverNeverGetsProxyCredentials();
    void failuresSayWhatHappened_data();
    void failuresSayWhatHappened();
    void oversizedReplyTakesAtMostTwiceTheCap_data();
    void oversizedReplyTakesAtMostTwiceTheCap();
    void redirectsUpToFiveAreFollowed_data();
    void redirectsUpToFiveAreFollowed();
    void nameLookupIsBounded_data();
    void nameLookupIsBounded();
    void slowButSteadyReplyIsNotCutOff_data();
    void slowButSteadyReplyIsNotCutOff();
    void connectTimeoutWhenNoConnectionComesUp();
    void tlsCertificateIsVerified_data();
    void tlsCertificateIsVerified();
    void httpsNeverRedirectsToHttp();

private:
    XmlDocumentPtr send(const QByteArray &address, const RequestLimits &limits = kRoomy);
    // For requests that must not fail: a failure becomes m_error and a null result.
    XmlDocumentPtr fetch(const QByteArray &address, const RequestLimits &limits = kRoomy);

    std::unique_ptr<CheckFixture> m_fixture;
    std::unique_ptr<TestHttpServer> m_server;
    RecordingHost m_host;
    QString m_error;
};

void tst_UpdateRequest::init()
{
    m_fixture = std::make_unique<CheckFixture>();
    QVERIFY(m_fixture->dir.isValid());
    ProxySettings direct;
    direct.Option = 1;
    m_fixture->setProxy(direct);
    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->listen());
    m_server->setReply("/update", CannedReply::ok(kFeed));
    m_host = RecordingHost();
}

void tst_UpdateRequest::cleanup()
{
    m_server.reset();
    m_fixture.reset();
}

XmlDocumentPtr tst_UpdateRequest::send(const QByteArray &address, const RequestLimits &limits)
{
    return SendUpdateRequest(address, m_fixture->context(), m_host, limits);
}

XmlDocumentPtr tst_UpdateRequest::fetch(const QByteArray &address, const RequestLimits &limits)
{
    m_error = QStringLiteral("(no document)");
    try {
        return send(address, limits);
    } catch (const PelkError &error) {
        m_error = error.message();
    }
    return nullptr;
}

void tst_UpdateRequest::bodyAndHeadersOnTheWire()
{
    m_fixture->setInstallationId(QStringLiteral("{12345678-1234-1234-1234-123456789ABC}"));
    m_fixture->installation.OfflineVersion = QStringLiteral("R2 & more");
    m_fixture->installation.BuildTimeStamp = QStringLiteral("2024-03-05 14:07");
    m_fixture->installation.UpdateTimeStamp = QStringLiteral("Bär");

    QVERIFY2(fetch(m_server->url("/update")), qPrintable(m_error));

    QCOMPARE(m_server->requests().size(), 1);
    const RecordedRequest &request = m_server->requests().first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.path, QByteArray("/update"));

    RegFileStore &store = m_fixture->store;
    const QByteArray expected =
        "id=12345678-1234-1234-1234-123456789ABC&pv=5.2.1.7&ov=R2+%26+more&bt=2024-03-05+14:07&ut=B%C3%A4r&lg=de"
        "&wv=" + FormEncode(QString::fromUtf8(WindowsVersionText(m_fixture->probe)))
        + "&ie=" + FormEncode(QString::fromUtf8(IEVersionText(store)))
        + "&dn=" + FormEncode(QString::fromUtf8(DotNetVersionsText(store)))
        + "&re=" + FormEncode(QString::fromUtf8(EnvironmentCode(m_fixture->probe, store)));
    QCOMPARE(request.body, expected);
    QVERIFY(request.body.startsWith("id=12345678-1234-1234-1234-123456789ABC&pv="));

    // Our three headers, once each, in their order, with their exact values.
    const int contentType = indexOfHeader(request, "Content-type");
    const int userAgent = indexOfHeader(request, "User-Agent");
    const int cacheControl = indexOfHeader(request, "Cache-Control");
    QVERIFY(contentType >= 0);
    QVERIFY(contentType < userAgent);
    QVERIFY(userAgent < cacheControl);
    QCOMPARE(request.headerCount("Content-Type"), 1);
    QCOMPARE(request.headerCount("User-Agent"), 1);
    QCOMPARE(request.headerCount("Cache-Control"), 1);
    QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(request.header("User-Agent"), QByteArray("PelkUpdater/5.2.1.7"));
    QCOMPARE(request.header("Cache-Control"), QByteArray("no-cache"));
    QCOMPARE(request.header("Content-Length"), QByteArray::number(expected.size()));
    QCOMPARE(request.headerCount("Authorization"), 0);
    QVERIFY(m_host.events.isEmpty());
}

void tst_UpdateRequest::emptyProgramVersionKeepsEveryField()
{
    m_fixture->setInstallationId(QStringLiteral("{12345678-1234-1234-1234-123456789ABC}"));
    m_fixture->installation = InstallationData();
    m_fixture->installation.OnlineUpdateAllowed = true;

    QVERIFY2(fetch(m_server->url("/update")), qPrintable(m_error));
    const RecordedRequest &request = m_server->requests().first();
    QVERIFY2(request.body.startsWith("id=12345678-1234-1234-1234-123456789ABC&pv=&ov=&bt=&ut=&lg=de&wv="),
             request.body.constData());
    const QList<QByteArray> fields = request.body.split('&');
    QStringList keys;
    for (const QByteArray &field : fields)
        keys.append(QString::fromLatin1(field.left(field.indexOf('='))));
    QCOMPARE(keys, QStringList({"id", "pv", "ov", "bt", "ut", "lg", "wv", "ie", "dn", "re"}));
    QCOMPARE(request.header("User-Agent"), QByteArray("PelkUpdater/"));
}

void tst_UpdateRequest::firstRequestCreatesTheId()
{
    QVERIFY(m_fixture->storedString(UpdaterKeyPath, QStringLiteral("ID")).isEmpty());
    QVERIFY2(fetch(m_server->url("/update")), qPrintable(m_error));
    const QString id = m_fixture->storedString(UpdaterKeyPath, QStringLiteral("ID"));
    QCOMPARE(id.size(), 38);
    QVERIFY(m_server->requests().first().body.startsWith(QByteArray("id=" + id.mid(1, 36).toLatin1() + "&pv=")));

    // The next request sends the same identifier.
    QVERIFY2(fetch(m_server->url("/update")), qPrintable(m_error));
    QCOMPARE(m_server->requests().at(1).body.left(40), m_server->requests().at(0).body.left(40));
}

// The limits a check runs with when nobody shortens them: every other test sets its own.
void tst_UpdateRequest::shippedLimits_data()
{
    QTest::addColumn<qint64>("shipped");
    QTest::addColumn<qint64>("expected");
    const RequestLimits shipped;
    QTest::newRow("connect time-out, ms") << qint64(shipped.connectTimeoutMs) << qint64(10000);
    QTest::newRow("idle time-out, ms") << qint64(shipped.idleTimeoutMs) << qint64(10000);
    QTest::newRow("reply size, bytes") << shipped.maxReplyBytes << qint64(16 * 1024 * 1024);
    QTest::newRow("redirects") << qint64(shipped.maxRedirects) << qint64(5);
    QTest::newRow("whole exchange, ms") << qint64(shipped.overallTimeoutMs) << qint64(60000);
    QTest::newRow("name lookup, ms") << qint64(shipped.nameLookupTimeoutMs) << qint64(3000);
}

void tst_UpdateRequest::shippedLimits()
{
    QFETCH(qint64, shipped);
    QFETCH(qint64, expected);
    QCOMPARE(shipped, expected);
}

void tst_UpdateRequest::lastUpdateWrittenAtEveryAttempt_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<bool>("fails");
    QTest::newRow("success") << QByteArray("/update") << false;
    QTest::newRow("404") << QByteArray("/nothing-here") << false;
    QTest::newRow("connection refused") << QByteArray("refused") << true;
    QTest::newRow("empty address") << QByteArray() << true;
    QTest::newRow("malformed address") << QByteArray("not an address") << true;
}

void tst_UpdateRequest::lastUpdateWrittenAtEveryAttempt()
{
    QFETCH(QByteArray, address);
    QFETCH(bool, fails);
    if (address.startsWith('/'))
        address = m_server->url(address);
    else if (address == "refused")
        address = "http://127.0.0.1:" + QByteArray::number(FreeLoopbackPort()) + "/update";
    m_fixture->clock.now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 59));

    bool failed = false;
    try {
        send(address);
    } catch (const PelkError &) {
        failed = true;
    }
    QCOMPARE(failed, fails);
    QCOMPARE(m_fixture->storedString(VersionKeyPath(QStringLiteral("5.2.1.7")), QStringLiteral("LastUpdate")),
             QStringLiteral("2024/03/05 14:07"));
}

void tst_UpdateRequest::otherStatusLogsOneLine_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");
    QTest::addColumn<QString>("line");
    QTest::newRow("404") << 404 << QByteArray("Not Found") << "Fehler: 404 Not Found";
    QTest::newRow("500") << 500 << QByteArray("Internal Server Error") << "Fehler: 500 Internal Server Error";
    QTest::newRow("503") << 503 << QByteArray("Service Unavailable") << "Fehler: 503 Service Unavailable";
    QTest::newRow("304 not followed") << 304 << QByteArray("Not Modified") << "Fehler: 304 Not Modified";
    QTest::newRow("204 no content") << 204 << QByteArray("No Content") << "Fehler: 204 No Content";
    QTest::newRow("own reason phrase") << 418 << QByteArray("Kaffee alle") << "Fehler: 418 Kaffee alle";
}

void tst_UpdateRequest::otherStatusLogsOneLine()
{
    QFETCH(int, status);
    QFETCH(QByteArray, reason);
    QFETCH(QString, line);
    m_server->setReply("/update", CannedReply::withStatus(status, reason, status == 304 || status == 204 ? "" : kFeed));

    QCOMPARE(fetch(m_server->url("/update")), XmlDocumentPtr());
    QCOMPARE(m_error, QStringLiteral("(no document)"));
    QCOMPARE(m_host.events, QStringList({QStringLiteral("log:") + line}));
    QCOMPARE(m_server->requests().size(), 1);
}

void tst_UpdateRequest::replyBecomesDocument_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArrayList>("lengths"); // Content-Length lines sent in place of the true one
    QTest::addColumn<int>("messages");
    QTest::addColumn<QString>("error"); // the failure, empty when the reply is a feed

    const QByteArrayList trueLength;
    const QString notWellFormed = QStringLiteral("The reply of the update service is not a well-formed XML document ");
    const QString notText = QStringLiteral("The reply of the update service is not text in the encoding ");
    const QString entities = QStringLiteral("The reply of the update service declares entities (line 1, column ");
    const QString root = QStringLiteral("Kein Meldungs-Feed, sondern <%1>"); // the language's own text
    const QByteArray doctype = "<?xml version=\"1.0\"?>\n<!DOCTYPE messages [\n";

    QTest::newRow("feed") << kFeed << trueLength << 2 << "";
    QTest::newRow("no message element") << QByteArray("<messages/>") << trueLength << 0 << "";
    QTest::newRow("empty body") << QByteArray() << trueLength << 0 << "";
    QTest::newRow("not well-formed") << QByteArray("<messages><message id=\"m1\"></messages>") << trueLength << 0
                                     << notWellFormed + "(line 1, column 38): Opening and ending tag mismatch.";
    QTest::newRow("not XML at all") << QByteArray("Service down for maintenance") << trueLength << 0
                                    << notWellFormed + "(line 1, column 1): Start tag expected.";
    QTest::newRow("truncated feed") << kFeed.left(60) << trueLength << 0
                                    << notWellFormed + "(line 2, column 21): Premature end of document.";
    QTest::newRow("captive portal") << QByteArray("<!DOCTYPE html>\n<html><head><meta charset=utf-8><title>Sign in</title>"
                                                  "</head><body><form action=/login></form></body></html>")
                                    << trueLength << 0 << root.arg("html");
    QTest::newRow("wrong root") << QByteArray("<feed><message id=\"m1\"/></feed>") << trueLength << 0 << root.arg("feed");
    QTest::newRow("NUL byte") << QByteArray("<messages><message id=\"m\0\"/></messages>", 38) << trueLength << 0
                              << notWellFormed + "(line 1, column 25): ";
    QTest::newRow("ESC byte") << QByteArray("<messages><message id=\"m\x1b\"/></messages>") << trueLength << 0
                              << notWellFormed + "(line 1, column 25): ";
    QTest::newRow("NUL reference") << QByteArray("<messages><message id=\"m&#0;\"/></messages>") << trueLength << 0
                                   << notWellFormed + "(line 1, column ";
    QTest::newRow("ESC reference") << QByteArray("<messages><message id=\"m&#27;\"/></messages>") << trueLength << 0
                                   << notWellFormed + "(line 1, column ";
    QTest::newRow("invalid UTF-8: stray continuation byte") << QByteArray("<messages>\n<message id=\"\x80\"/></messages>")
                                                            << trueLength << 0 << notText + "UTF-8 (line 2, column 14)";
    QTest::newRow("invalid UTF-8: overlong form") << QByteArray("<messages><message id=\"\xc3\xa4\xc0\xbc\"/></messages>")
                                                  << trueLength << 0 << notText + "UTF-8 (line 1, column 25)";
    QTest::newRow("UTF-16 declared on 8-bit text")
        << QByteArray("<?xml version=\"1.0\" encoding=\"UTF-16\"?><messages><message id=\"m1\"/></messages>")
        << trueLength << 0 << notText + "UTF-16 (line 1, column 1)";
    QTest::newRow("XML 1.1") << QByteArray("<?xml version=\"1.1\"?><messages><message id=\"m1\"/></messages>")
                             << trueLength << 0 << notWellFormed + "(line 1, column ";
    QByteArray bomb = doctype + "<!ENTITY a \"aaaaaaaaaa\">\n";
    for (char level = 'b'; level <= 'j'; ++level)
        bomb += QByteArray("<!ENTITY ") + level + " \"" + QByteArray("&").append(char(level - 1)).append(';').repeated(10) + "\">\n";
    bomb += "]>\n<messages><message id=\"&j;\"/></messages>";
    QTest::newRow("entity bomb") << bomb << trueLength << 0 << entities.left(entities.size() - 18);
    const QByteArray quadratic = doctype + "<!ENTITY q \"" + QByteArray(20000, 'q') + "\">\n]>\n<messages><message id=\""
        + QByteArray("&q;").repeated(20000) + "\"/></messages>";
    QTest::newRow("quadratic blow-up") << quadratic << trueLength << 0 << entities.left(entities.size() - 18);
    QTest::newRow("Content-Length shorter than the body") << kFeed << QByteArrayList{"50"} << 0
                                                          << notWellFormed + "(line 2, column 11): Premature end of document.";
    QTest::newRow("two Content-Lengths") << kFeed << QByteArrayList{"50", QByteArray::number(kFeed.size())} << 0
                                         << notWellFormed;
}

void tst_UpdateRequest::replyBecomesDocument()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArrayList, lengths);
    QFETCH(int, messages);
    QFETCH(QString, error);
    CannedReply reply = CannedReply::ok(body);
    reply.contentLength = lengths.isEmpty();
    for (const QByteArray &length : lengths)
        reply.addHeader("Content-Length", length);
    m_server->setReply("/update", reply);

    const XmlDocumentPtr document = fetch(m_server->url("/update"));
    if (!error.isEmpty()) {
        QVERIFY2(m_error.startsWith(error), qPrintable(m_error));
        QVERIFY(!document);
    } else {
        QVERIFY2(document, qPrintable(m_error));
        QCOMPARE(static_cast<int>(document->select_nodes("/messages/message").size()), messages);
    }
    QVERIFY(m_host.events.isEmpty());
}

void tst_UpdateRequest::serverNeverGetsProxyCredentials_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("https");
    QTest::addColumn<QString>("line");
    QTest::newRow("401") << 401 << false << "Fehler: 401 Unauthorized";
    QTest::newRow("407") << 407 << false << "Fehler: 407 Proxy Authentication Required";
    QTest::newRow("407 over https") << 407 << true << "Fehler: 407 Proxy Authentication Required";
}

void tst_UpdateRequest::serverNeverGetsProxyCredentials()
{
    // System settings (and no proxy in this test's environment) with a stored proxy login:
    // the service asks for a login, as a proxy would or as a server does, and gets none.
    QFETCH(int, status);
    QFETCH(bool, https);
    QFETCH(QString, line);
    ProxySettings settings;
    settings.Option = 0;
    settings.Auth = true;
    settings.User = QStringLiteral("proxyuser");
    settings.Password = QStringLiteral("secret");
    m_fixture->setProxy(settings);
    const QSslConfiguration untrusted = QSslConfiguration::defaultConfiguration();
    const auto restore = qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(untrusted); });
    if (https)
        TrustLocalhostCertificate();
    TestHttpServer tlsServer(LocalhostTls());
    QVERIFY(tlsServer.listen());
    TestHttpServer &server = https ? tlsServer : *m_server;
    CannedReply login = CannedReply::withStatus(status, line.section(QLatin1Char(' '), 2).toLatin1(), "login");
    login.addHeader(status == 407 ? "Proxy-Authenticate" : "WWW-Authenticate", "Basic realm=\"pelk\"");
    server.setReply("/update", login);

    QCOMPARE(fetch(server.url("/update")), XmlDocumentPtr());
    QCOMPARE(m_error, QStringLiteral("(no document)"));
    QCOMPARE(m_host.events, QStringList({QStringLiteral("log:") + line}));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.requests().first().headerCount("Authorization"), 0);
    QCOMPARE(server.requests().first().headerCount("Proxy-Authorization"), 0);
}

void tst_UpdateRequest::failuresSayWhatHappened_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QVariant>("reply");
    QTest::addColumn<QString>("message");

    const QVariant none;
    QTest::newRow("empty address") << QByteArray() << none << "No address of the update service";
    QTest::newRow("not an address") << QByteArray("not an address") << none << "not a valid http or https address: not an address";
    QTest::newRow("other scheme") << QByteArray("ftp://127.0.0.1/update") << none << "not a valid http or https address";
    QTest::newRow("no host") << QByteArray("http:///update") << none << "not a valid http or https address";
    QTest::newRow("connection refused") << QByteArray("refused") << none << "Connection refused by 127.0.0.1:";
    QTest::newRow("host not found") << QByteArray("http://pelk-no-such-host.invalid/update") << none
                                    << "pelk-no-such-host.invalid";

    QTest::newRow("server never answers") << QByteArray("/update") << QVariant::fromValue(CannedReply::silent())
                                          << "Time-out: the update service at 127.0.0.1:";
    CannedReply stall = CannedReply::ok(kFeed);
    stall.kind = CannedReply::Kind::Stall;
    stall.addHeader("X-Filler", "1");
    stall.body = kFeed.left(20); // Content-Length promises more
    stall.contentLength = false;
    stall.addHeader("Content-Length", QByteArray::number(kFeed.size()));
    QTest::newRow("reply stops midway") << QByteArray("/update") << QVariant::fromValue(stall) << "sent nothing for 1.5 seconds";

    CannedReply announcedHuge = CannedReply::ok(QByteArray());
    announcedHuge.kind = CannedReply::Kind::Stall;
    announcedHuge.contentLength = false;
    announcedHuge.addHeader("Content-Length", QByteArray::number(16 * 1024 * 1024 + 1));
    QTest::newRow("announced over 16 MiB") << QByteArray("/update") << QVariant::fromValue(announcedHuge)
                                           << "larger than 16 MiB";
    CannedReply streamedHuge = CannedReply::ok(QByteArray(16 * 1024 * 1024 + 1, 'x'));
    streamedHuge.contentLength = false; // ends when the connection closes
    QTest::newRow("streamed over 16 MiB") << QByteArray("/update") << QVariant::fromValue(streamedHuge)
                                          << "larger than 16 MiB";
    for (const char *target : {"ftp://127.0.0.1/feed.xml", "file:///etc/passwd", "data:text/xml,<messages/>",
                               "javascript:alert(1)"}) {
        const QByteArray scheme = QByteArray(target).left(QByteArray(target).indexOf(':'));
        QTest::addRow("redirect to %s, not followed", scheme.constData())
            << QByteArray("/update") << QVariant::fromValue(CannedReply::redirect(302, target))
            << QString::fromLatin1("302 Found: the redirect to a \"" + scheme + ":\" address is not followed, only http and https");
    }
    CannedReply notGzip = CannedReply::ok("<messages/> is not gzip");
    notGzip.addHeader("Content-Encoding", "gzip");
    QTest::newRow("body not in its Content-Encoding") << QByteArray("/update") << QVariant::fromValue(notGzip)
                                                      << "cannot be unpacked: it is not valid \"gzip\" data";
}

void tst_UpdateRequest::failuresSayWhatHappened()
{
    QFETCH(QByteArray, address);
    QFETCH(QVariant, reply);
    QFETCH(QString, message);
    if (reply.isValid())
        m_server->setReply("/update", reply.value<CannedReply>());
    if (address.startsWith('/'))
        address = m_server->url(address);
    else if (address == "refused")
        address = "http://127.0.0.1:" + QByteArray::number(FreeLoopbackPort()) + "/update";

    const QString failure = FailureOf([&] { send(address, kQuick); });
    QVERIFY2(failure.contains(message), qPrintable(failure));
    QVERIFY(m_host.events.isEmpty());
}

void tst_UpdateRequest::oversizedReplyTakesAtMostTwiceTheCap_data()
{
    QTest::addColumn<bool>("chunked");
    QTest::newRow("endless, chunked") << true;
    QTest::newRow("40 MiB, no length") << false;
}

void tst_UpdateRequest::oversizedReplyTakesAtMostTwiceTheCap()
{
    QFETCH(bool, chunked);
    const FloodServer server(chunked);
    resetResidentPeak();
    const qint64 before = residentPeakKiB();
    const QString failure = FailureOf([&] { send(server.url(), kRoomy); });
    const qint64 grown = residentPeakKiB() - before;
    QVERIFY2(failure.contains(QLatin1String("larger than 16 MiB")), qPrintable(failure));
    QVERIFY2(grown <= 2 * kRoomy.maxReplyBytes / 1024, qPrintable(QStringLiteral("%1 KiB").arg(grown)));
}

void tst_UpdateRequest::redirectsUpToFiveAreFollowed_data()
{
    QTest::addColumn<int>("redirects");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("follows");
    QTest::newRow("one 307") << 1 << 307 << true;
    QTest::newRow("three 307") << 3 << 307 << true;
    QTest::newRow("five 307") << 5 << 307 << true;
    QTest::newRow("five 308") << 5 << 308 << true;
    QTest::newRow("one 303") << 1 << 303 << true;
    QTest::newRow("six 307") << 6 << 307 << false;
}

void tst_UpdateRequest::redirectsUpToFiveAreFollowed()
{
    // Every check gets the feed, also on a busy machine with the connection kept alive
    // between the hops, as real servers keep it.
    QFETCH(int, redirects);
    QFETCH(int, status);
    QFETCH(bool, follows);
    m_server->setKeepAlive(true);
    for (int i = 0; i < redirects; ++i) {
        const QByteArray from = i == 0 ? QByteArray("/update") : "/hop" + QByteArray::number(i);
        m_server->setReply(from, CannedReply::redirect(status, m_server->url("/hop" + QByteArray::number(i + 1))));
    }
    m_server->setReply("/hop" + QByteArray::number(redirects), CannedReply::ok(kFeed));

    const BusyThread busy;
    for (int run = 1; run <= kRedirectRuns; ++run) {
        m_server->clearRequests();
        if (!follows) {
            const QString failure = FailureOf([&] { send(m_server->url("/update")); });
            QVERIFY2(failure.contains(QLatin1String("Too many redirects")), qPrintable(failure));
            QCOMPARE(m_server->requests().size(), 6);
            continue;
        }
        const XmlDocumentPtr document = fetch(m_server->url("/update"));
        QVERIFY2(document, qPrintable(QStringLiteral("run %1: %2").arg(run).arg(m_error)));
        QCOMPARE(static_cast<int>(document->select_nodes("/messages/message").size()), 2);
        QCOMPARE(m_server->requests().size(), redirects + 1); // no request went out twice
        const RecordedRequest &first = m_server->requests().first();
        const RecordedRequest &last = m_server->requests().last();
        if (status == 303) {
            // The target is fetched, without the form.
            QCOMPARE(last.method, QByteArray("GET"));
            QCOMPARE(last.body, QByteArray());
            QCOMPARE(last.headerCount("Content-Type"), 0);
        } else {
            // 307 and 308 keep the method and the body.
            QCOMPARE(last.method, QByteArray("POST"));
            QCOMPARE(last.body, first.body);
            QCOMPARE(last.header("Content-Type"), first.header("Content-Type"));
        }
        QCOMPARE(last.header("User-Agent"), QByteArray("PelkUpdater/5.2.1.7"));
    }
}

void tst_UpdateRequest::nameLookupIsBounded_data()
{
    QTest::addColumn<int>("answerMs"); // when the resolver answers; -1: never
    QTest::addColumn<int>("deadlineMs");
    QTest::addColumn<QString>("outcome"); // the domain letter that ends "re", or the failure
    QTest::newRow("answers at once") << 0 << 60000 << "F";
    QTest::newRow("never answers: no domain") << -1 << 60000 << "O";
    QTest::newRow("never answers, the check's deadline comes first") << -1 << 1500 << "did not end within 1.5 seconds";
}

void tst_UpdateRequest::nameLookupIsBounded()
{
    // The resolver is asked with the program's own limit, which the check's deadline overrides.
    QFETCH(int, answerMs);
    QFETCH(int, deadlineMs);
    QFETCH(QString, outcome);
    SlowLookupProbe probe;
    probe.answerMs = answerMs;
    CheckFixture &fixture = *m_fixture;
    const CheckContext context{fixture.installation, fixture.ini, *fixture.languages, fixture.store, probe, fixture.clock,
                               fixture.transport};
    RequestLimits limits = kRoomy;
    limits.overallTimeoutMs = deadlineMs;

    // The windows keep painting while the lookup runs.
    int ticksWhileLooking = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&] { ticksWhileLooking += probe.asked && m_server->requests().isEmpty(); });
    ticker.start(50);

    const QString failure = FailureOf([&] { SendUpdateRequest(m_server->url("/update"), context, m_host, limits); });
    if (outcome.size() == 1) {
        QCOMPARE(failure, QStringLiteral("(no error)"));
        QCOMPARE(m_server->requests().size(), 1);
        QVERIFY2(m_server->requests().first().body.endsWith(QByteArray("&re=CLL" + outcome.toLatin1())),
                 m_server->requests().first().body.constData());
    } else {
        QVERIFY2(failure.contains(outcome), qPrintable(failure));
        QCOMPARE(m_server->requests().size(), 0);
    }
    QVERIFY(probe.asked);
    if (answerMs < 0)
        QVERIFY(ticksWhileLooking > 0);
}

void tst_UpdateRequest::slowButSteadyReplyIsNotCutOff_data()
{
    QTest::addColumn<bool>("redirectFirst");
    QTest::newRow("direct") << false;
    QTest::newRow("after a redirect") << true;
}

void tst_UpdateRequest::slowButSteadyReplyIsNotCutOff()
{
    // Each byte comes well within the limits, the whole reply takes several times longer.
    QFETCH(bool, redirectFirst);
    CannedReply trickle = CannedReply::ok("<messages><message id=\"m1\"/></messages>");
    trickle.kind = CannedReply::Kind::Trickle;
    trickle.intervalMs = 50;
    m_server->setReply("/feed", trickle);
    m_server->setReply("/update", redirectFirst ? CannedReply::redirect(307, m_server->url("/feed")) : trickle);

    QElapsedTimer timer;
    timer.start();
    const XmlDocumentPtr document = fetch(m_server->url("/update"), RequestLimits{1000, 1000, 1024, 5});
    QVERIFY2(document, qPrintable(m_error));
    QVERIFY(timer.elapsed() > 1500);
    QCOMPARE(static_cast<int>(document->select_nodes("/messages/message").size()), 1);
}

void tst_UpdateRequest::connectTimeoutWhenNoConnectionComesUp()
{
    // A TLS client waits for the server's greeting; this server takes the connection and
    // says nothing, so the request is never sent.
    m_server->setHandler([](const RecordedRequest &) { return CannedReply::silent(); });
    const QByteArray address = "https://127.0.0.1:" + QByteArray::number(m_server->port()) + "/update";
    QElapsedTimer timer;
    timer.start();
    const QString failure = FailureOf([&] { send(address, RequestLimits{700, 5000, 1024, 5}); });
    QVERIFY2(failure.contains(QLatin1String("Time-out: no connection to 127.0.0.1:")), qPrintable(failure));
    QVERIFY2(failure.contains(QLatin1String("within 0.7 seconds")), qPrintable(failure));
    QVERIFY(timer.elapsed() < 4000);
    QVERIFY(m_server->connectionCount() >= 1);
}

void tst_UpdateRequest::tlsCertificateIsVerified_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("reason"); // the system's own text, in the language of the windows
    QTest::newRow("engb") << QByteArray("engb") << "SSL handshake failed: ";
    QTest::newRow("de") << QByteArray("de") << "Im Ablauf des SSL-Protokolls ist ein Fehler aufgetreten.: ";
}

void tst_UpdateRequest::tlsCertificateIsVerified()
{
    QFETCH(QByteArray, language);
    QFETCH(QString, reason);
    if (!QSslSocket::supportsSsl())
        QFAIL("no TLS backend");
    QtTranslations qtTexts;
    qtTexts.follow(language);
    TestHttpServer tlsServer(LocalhostTls());
    QVERIFY(tlsServer.listen());
    tlsServer.setReply("/update", CannedReply::ok(kFeed));

    // Self-signed and not trusted: refused before anything is posted; one language in the line.
    const QString failure = FailureOf([&] { send(tlsServer.url("/update")); });
    QVERIFY2(failure.startsWith(QStringLiteral("127.0.0.1:%1: ").arg(tlsServer.port()) + reason), qPrintable(failure));
    QCOMPARE(tlsServer.requests().size(), 0);
}

void tst_UpdateRequest::httpsNeverRedirectsToHttp()
{
    TrustLocalhostCertificate();
    TestHttpServer tlsServer(LocalhostTls());
    QVERIFY(tlsServer.listen());
    tlsServer.setReply("/update", CannedReply::ok(kFeed));
    tlsServer.setReply("/moved", CannedReply::redirect(307, m_server->url("/update")));
    tlsServer.setReply("/moved-tls", CannedReply::redirect(307, tlsServer.url("/update")));

    // Trusted now: https works and may redirect within https.
    QVERIFY2(fetch(tlsServer.url("/update")), qPrintable(m_error));
    QVERIFY2(fetch(tlsServer.url("/moved-tls")), qPrintable(m_error));
    QCOMPARE(tlsServer.requests().size(), 3);

    const QString failure = FailureOf([&] { send(tlsServer.url("/moved")); });
    QVERIFY2(failure.contains(QLatin1String("refused")), qPrintable(failure));
    QVERIFY2(failure.contains(QString::fromLatin1(m_server->url("/update"))), qPrintable(failure));
    QCOMPARE(m_server->requests().size(), 0);
}

QTEST_GUILESS_MAIN(tst_UpdateRequest)
#include "tst_UpdateRequest.moc"
