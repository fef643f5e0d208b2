// With http_proxy pointing at a port where nothing listens: the system settings (option 0)
// run into it, a direct connection (option 1) does not.

#include "base/PelkError.h"
#include "check/UpdateCheck.h"
#include "support/CheckFixture.h"
#include "support/TestHttpServer.h"
#include "support/TinyProxy.h"

#include <QTest>

class tst_UpdateProxyDeadEnv : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void directConnectionBypassesProxy();
    void systemSettingsUseTheDeadProxy();

private:
    QByteArray m_deadProxy;
};

void tst_UpdateProxyDeadEnv::initTestCase()
{
    m_deadProxy = "127.0.0.1:" + QByteArray::number(FreeLoopbackPort());
    qputenv("http_proxy", "http://" + m_deadProxy);
}

void tst_UpdateProxyDeadEnv::directConnectionBypassesProxy()
{
    CheckFixture fixture;
    ProxySettings settings;
    settings.Option = 1;
    fixture.setProxy(settings);
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/update", CannedReply::ok("<messages/>"));
    RecordingHost host;

    QString failure;
    XmlDocumentPtr document;
    try {
        document = SendUpdateRequest(server.url("/update"), fixture.context(), host);
    } catch (const PelkError &error) {
        failure = error.message();
    }
    QVERIFY2(document, qPrintable(failure));
    QCOMPARE(server.requests().size(), 1);
}

void tst_UpdateProxyDeadEnv::systemSettingsUseTheDeadProxy()
{
    CheckFixture fixture;
    TestHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/update", CannedReply::ok("<messages/>"));
    RecordingHost host;

    QString failure;
    try {
        SendUpdateRequest(server.url("/update"), fixture.context(), host);
    } catch (const PelkError &error) {
        failure = error.message();
    }
    QCOMPARE(failure, QStringLiteral("Connection refused by the proxy ") + QString::fromLatin1(m_deadProxy));
    QCOMPARE(server.requests().size(), 0);
}

QTEST_GUILESS_MAIN(tst_UpdateProxyDeadEnv)
#include "tst_UpdateProxyDeadEnv.moc"
