// The update request through a real tinyproxy: the stored proxy (option 2), the system's
// proxy from http_proxy (option 0), the direct connection (option 1), and proxy logins that
// go to the proxy and never to the update service.

#include "base/PelkError.h"
#include "check/UpdateCheck.h"
#include "support/CheckFixture.h"
#include "support/TestHttpServer.h"
#include "support/TinyProxy.h"

#include <QScopeGuard>
#include <QSslConfiguration>
#include <QTest>

namespace {
const RequestLimits kQuick{5000, 5000, 16 * 1024 * 1024, 5};
const QByteArray kFeed = "<messages><message id=\"m1\"/></messages>";
} // namespace

class tst_UpdateProxy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void storedProxyCarriesTheRequest();
    void storedProxyLoginAnswersTheChallenge();
    void refusedLoginIsAnError_data();
    void refusedLoginIsAnError();
    void loginAnsweredOnlyOnce();
    void serviceInTheTunnelGetsNoLogin();
    void deadStoredProxyIsAnError();
    void storedProxyMustBeComplete_data();
    void storedProxyMustBeComplete();
    void systemSettingsFollowHttpProxy();
    void systemSettingsWithLogin();
    void noProxyIgnoresHttpProxy();

private:
    XmlDocumentPtr send() { return SendUpdateRequest(m_server->url("/update"), m_fixture->context(), m_host, kQuick); }
    // For requests that must go through: a failure becomes m_error and a null result.
    XmlDocumentPtr fetch()
    {
        m_error = QStringLiteral("(no document)");
        try {
            return send();
        } catch (const PelkError &error) {
            m_error = error.message();
        }
        return nullptr;
    }
    ProxySettings stored(quint16 port, bool auth, const QString &password = QStringLiteral("s3cret")) const;
    // Requests for the test server's feed that the proxy's log shows.
    int proxiedRequests(TinyProxy &proxy);

    TinyProxy m_open;   // no login
    TinyProxy m_locked; // login pelk / s3cret; the environment's http_proxy
    std::unique_ptr<CheckFixture> m_fixture;
    std::unique_ptr<TestHttpServer> m_server;
    RecordingHost m_host;
    QString m_error;
};

void tst_UpdateProxy::initTestCase()
{
    QVERIFY2(m_open.start(), qPrintable(m_open.errorText()));
    QVERIFY2(m_locked.start("pelk", "s3cret"), qPrintable(m_locked.errorText()));
    // Before anything asks the system for a proxy.
    qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(m_locked.port()));
}

void tst_UpdateProxy::init()
{
    m_fixture = std::make_unique<CheckFixture>();
    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->listen());
    m_server->setReply("/update", CannedReply::ok(kFeed));
    m_host = RecordingHost();
}

void tst_UpdateProxy::cleanup()
{
    m_server.reset();
    m_fixture.reset();
}

ProxySettings tst_UpdateProxy::stored(quint16 port, bool auth, const QString &password) const
{
    ProxySettings settings;
    settings.Option = 2;
    settings.Server = QStringLiteral("127.0.0.1");
    settings.Port = QString::number(port);
    settings.Auth = auth;
    settings.User = QStringLiteral("pelk");
    settings.Password = password;
    return settings;
}

int tst_UpdateProxy::proxiedRequests(TinyProxy &proxy)
{
    return static_cast<int>(proxy.log().count(QByteArray("POST " + m_server->url("/update") + " HTTP/1.1")));
}

void tst_UpdateProxy::storedProxyCarriesTheRequest()
{
    const int before = proxiedRequests(m_open);
    m_fixture->setProxy(stored(m_open.port(), false));

    QVERIFY2(fetch(), qPrintable(m_error));
    QCOMPARE(m_server->requests().size(), 1);
    QVERIFY2(m_server->requests().first().header("Via").contains("tinyproxy"),
             m_server->requests().first().header("Via").constData());
    QCOMPARE(proxiedRequests(m_open) - before, 1);
    QCOMPARE(m_server->requests().first().header("User-Agent"), QByteArray("PelkUpdater/5.2.1.7"));
}

void tst_UpdateProxy::storedProxyLoginAnswersTheChallenge()
{
    const int before = proxiedRequests(m_locked);
    m_fixture->setProxy(stored(m_locked.port(), true));

    QVERIFY2(fetch(), qPrintable(m_error));
    // The first attempt went without the login and got 407; the second carried it.
    QCOMPARE(proxiedRequests(m_locked) - before, 2);
    QCOMPARE(m_server->requests().size(), 1);
    const RecordedRequest &request = m_server->requests().first();
    QVERIFY(request.header("Via").contains("tinyproxy"));
    QCOMPARE(request.headerCount("Proxy-Authorization"), 0);
    QCOMPARE(request.headerCount("Authorization"), 0);
    QVERIFY(m_host.events.isEmpty());
}

void tst_UpdateProxy::refusedLoginIsAnError_data()
{
    QTest::addColumn<bool>("auth");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("no login stored") << false << "s3cret" << "The proxy 127.0.0.1:%1 requires a user name and password";
    // tinyproxy turns a wrong login away with 401, not with another 407: a status line.
    QTest::newRow("wrong password") << true << "wrong" << "";
}

void tst_UpdateProxy::refusedLoginIsAnError()
{
    QFETCH(bool, auth);
    QFETCH(QString, password);
    QFETCH(QString, message);
    m_fixture->setProxy(stored(m_locked.port(), auth, password));

    const QString failure = FailureOf([&] { send(); });
    if (message.isEmpty()) {
        QCOMPARE(failure, QStringLiteral("(no error)"));
        QCOMPARE(m_host.events, QStringList({QStringLiteral("log:Fehler: 401 Unauthorized")}));
    } else {
        QCOMPARE(failure, message.arg(m_locked.port()));
    }
    QCOMPARE(m_server->requests().size(), 0);
}

void tst_UpdateProxy::loginAnsweredOnlyOnce()
{
    // A proxy that keeps asking: the login goes out once, then the request fails.
    TestHttpServer askingProxy;
    QVERIFY(askingProxy.listen());
    askingProxy.setHandler([](const RecordedRequest &) {
        CannedReply reply = CannedReply::withStatus(407, "Proxy Authentication Required", "login");
        reply.addHeader("Proxy-Authenticate", "Basic realm=\"asking\"");
        return reply;
    });
    m_fixture->setProxy(stored(askingProxy.port(), true));

    const QString failure = FailureOf([&] { send(); });
    QCOMPARE(failure, QStringLiteral("The proxy 127.0.0.1:%1 refused the user name and password").arg(askingProxy.port()));
    QCOMPARE(askingProxy.requests().size(), 2);
    QCOMPARE(askingProxy.requests().at(0).headerCount("Proxy-Authorization"), 0);
    QCOMPARE(askingProxy.requests().at(1).header("Proxy-Authorization"),
             "Basic " + QByteArray("pelk:s3cret").toBase64());
    QCOMPARE(askingProxy.requests().at(1).headerCount("Authorization"), 0);
    QCOMPARE(m_server->requests().size(), 0);
}

void tst_UpdateProxy::serviceInTheTunnelGetsNoLogin()
{
    // The proxy asks for the login before it opens the tunnel; the service behind it asks
    // for a proxy login too and gets none: its 407 is its status line.
    const QSslConfiguration untrusted = QSslConfiguration::defaultConfiguration();
    const auto restore = qScopeGuard([&] { QSslConfiguration::setDefaultConfiguration(untrusted); });
    TrustLocalhostCertificate();
    TestHttpServer service(LocalhostTls());
    QVERIFY(service.listen());
    CannedReply login = CannedReply::withStatus(407, "Proxy Authentication Required", "login");
    login.addHeader("Proxy-Authenticate", "Basic realm=\"service\"");
    service.setReply("/update", login);
    m_fixture->setProxy(stored(m_locked.port(), true));

    QCOMPARE(FailureOf([&] { SendUpdateRequest(service.url("/update"), m_fixture->context(), m_host, kQuick); }),
             QStringLiteral("(no error)"));
    QCOMPARE(m_host.events, QStringList({QStringLiteral("log:Fehler: 407 Proxy Authentication Required")}));
    QCOMPARE(service.requests().size(), 1);
    QCOMPARE(service.requests().first().headerCount("Proxy-Authorization"), 0);
    QCOMPARE(service.requests().first().headerCount("Authorization"), 0);
    QVERIFY(m_locked.log().contains("CONNECT"));
}

void tst_UpdateProxy::deadStoredProxyIsAnError()
{
    const quint16 dead = FreeLoopbackPort();
    m_fixture->setProxy(stored(dead, false));
    QCOMPARE(FailureOf([&] { send(); }), QStringLiteral("Connection refused by the proxy 127.0.0.1:%1").arg(dead));
    QCOMPARE(m_server->requests().size(), 0);
}

void tst_UpdateProxy::storedProxyMustBeComplete_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty port") << "127.0.0.1" << "" << "The proxy port \"\" is not a number from 1 to 65535";
    QTest::newRow("port not a number") << "127.0.0.1" << "80a" << "The proxy port \"80a\" is not a number";
    QTest::newRow("port 0") << "127.0.0.1" << "0" << "The proxy port \"0\" is not a number";
    QTest::newRow("port 65536") << "127.0.0.1" << "65536" << "The proxy port \"65536\" is not a number";
    QTest::newRow("no server") << "" << "8080" << "No proxy server is set";
}

void tst_UpdateProxy::storedProxyMustBeComplete()
{
    QFETCH(QString, server);
    QFETCH(QString, port);
    QFETCH(QString, message);
    ProxySettings settings = stored(0, false);
    settings.Server = server;
    settings.Port = port;
    m_fixture->setProxy(settings);

    const QString failure = FailureOf([&] { send(); });
    QVERIFY2(failure.startsWith(message), qPrintable(failure));
    QCOMPARE(m_server->requests().size(), 0);
}

void tst_UpdateProxy::systemSettingsFollowHttpProxy()
{
    // http_proxy names the proxy with the login; without a stored login it turns us away.
    ProxySettings settings;
    settings.Option = 0;
    m_fixture->setProxy(settings);
    const int before = proxiedRequests(m_locked);

    const QString failure = FailureOf([&] { send(); });
    QCOMPARE(failure, QStringLiteral("The proxy 127.0.0.1:%1 requires a user name and password").arg(m_locked.port()));
    QCOMPARE(proxiedRequests(m_locked) - before, 1);
    QCOMPARE(m_server->requests().size(), 0);
}

void tst_UpdateProxy::systemSettingsWithLogin()
{
    ProxySettings settings = stored(0, true);
    settings.Option = 0;
    settings.Server.clear();
    settings.Port.clear();
    m_fixture->setProxy(settings);

    QVERIFY2(fetch(), qPrintable(m_error));
    QCOMPARE(m_server->requests().size(), 1);
    QVERIFY(m_server->requests().first().header("Via").contains("tinyproxy"));
    QCOMPARE(m_server->requests().first().headerCount("Proxy-Authorization"), 0);
    QCOMPARE(m_server->requests().first().headerCount("Authorization"), 0);
}

void tst_UpdateProxy::noProxyIgnoresHttpProxy()
{
    // Direct, although http_proxy names a proxy and a login is stored.
    ProxySettings settings = stored(m_locked.port(), true);
    settings.Option = 1;
    m_fixture->setProxy(settings);
    const int before = proxiedRequests(m_locked);

    QVERIFY2(fetch(), qPrintable(m_error));
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_server->requests().first().headerCount("Via"), 0);
    QCOMPARE(m_server->requests().first().headerCount("Proxy-Authorization"), 0);
    QCOMPARE(proxiedRequests(m_locked) - before, 0);
}

QTEST_GUILESS_MAIN(tst_UpdateProxy)
#include "tst_UpdateProxy.moc"
