// One check run against a real server: the permission gate, every log line, the counts,
// the question, the hand-over to the messages window and the busy cursor on every path.

#include "base/PelkError.h"
#include "check/NetworkModule.h"
#include "check/UpdateCheck.h"
#include "support/CheckFixture.h"
#include "support/Failures.h"
#include "support/TestHttpServer.h"
#include "support/TinyProxy.h"

#include <QTest>

namespace {
// Roomy limits where the request must succeed, short ones where a time-out is the point.
const RequestLimits kRoomy{8000, 8000, 16 * 1024 * 1024, 5};
const RequestLimits kQuick{1500, 1500, 16 * 1024 * 1024, 5};

QByteArray feedOf(const QList<QByteArray> &ids)
{
    QByteArray feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messages>\n";
    for (const QByteArray &id : ids) {
        feed += id == "<none>" ? QByteArray("  <message type=\"info\"/>\n")
                               : "  <message id=\"" + id + "\" type=\"info\"/>\n";
    }
    return feed + "</messages>\n";
}

QStringList lines(std::initializer_list<const char *> texts)
{
    QStringList result;
    for (const char *text : texts)
        result.append(QString::fromUtf8(text));
    return result;
}
} // namespace

class tst_UpdateCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void notAllowedLogsOneLineAndNothingElse();
    void countsAndQuestion_data();
    void countsAndQuestion();
    void handOverGetsFeedAndSortedSeenList();
    void missingTextFallsBackToKey();
    void otherStatusEndsTheCheck();
    void failuresBecomeOneErrorLine_data();
    void failuresBecomeOneErrorLine();
    void failureInMessagesWindowIsLogged_data();
    void failureInMessagesWindowIsLogged();

private:
    void run(bool silent, const RequestLimits &limits = kRoomy)
    {
        CheckForUpdates(silent, m_fixture->context(), m_host, limits);
    }
    void storeSeen(const QByteArray &joined);

    std::unique_ptr<CheckFixture> m_fixture;
    std::unique_ptr<TestHttpServer> m_server;
    RecordingHost m_host;
};

void tst_UpdateCheck::init()
{
    m_fixture = std::make_unique<CheckFixture>();
    ProxySettings direct;
    direct.Option = 1;
    m_fixture->setProxy(direct);
    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->listen());
    m_fixture->setServiceUrl(m_server->url("/update"));
    m_host = RecordingHost();
}

void tst_UpdateCheck::cleanup()
{
    m_server.reset();
    m_fixture.reset();
}

void tst_UpdateCheck::storeSeen(const QByteArray &joined)
{
    QList<QByteArray> ids;
    SplitText(joined, ';', ids);
    SaveOldMsgIds(m_fixture->store, m_fixture->installation.ProgVersion, ids);
}

void tst_UpdateCheck::notAllowedLogsOneLineAndNothingElse()
{
    m_fixture->installation.OnlineUpdateAllowed = false;
    m_server->setReply("/update", CannedReply::ok(feedOf({"a"})));

    run(false);
    QCOMPARE(m_host.events, QStringList({"clear", "log:Online-Updates sind nicht freigegeben."}));
    QCOMPARE(m_server->requests().size(), 0);
    QVERIFY(m_fixture->storedString(VersionKeyPath(QStringLiteral("5.2.1.7")), QStringLiteral("LastUpdate")).isEmpty());
    QVERIFY(m_fixture->storedString(UpdaterKeyPath, QStringLiteral("ID")).isEmpty());
}

void tst_UpdateCheck::countsAndQuestion_data()
{
    QTest::addColumn<QList<QByteArray>>("ids");
    QTest::addColumn<QByteArray>("seen");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("shows");

    const QStringList oneNew = lines({"Suche nach Updates ...", "Anzahl der Meldungen: 3", "Davon neu: 1"});
    const QStringList noneNew = lines({"Suche nach Updates ...", "Anzahl der Meldungen: 2", "Davon neu: 0",
                                       "Keine neuen Updates verfügbar"});
    const QList<QByteArray> three{"A-1", "b-2", "c-3"};
    QTest::newRow("two of three seen in other case, interactive")
        << three << QByteArray("a-1;B-2") << false << false << oneNew << false << true;
    QTest::newRow("two of three seen in other case, silent")
        << three << QByteArray("a-1;B-2") << true << false << oneNew << false << true;
    QTest::newRow("all seen, interactive, No") << QList<QByteArray>{"a", "b"} << QByteArray("B;A") << false << false
                                               << noneNew << true << false;
    QTest::newRow("all seen, interactive, Yes") << QList<QByteArray>{"a", "b"} << QByteArray("B;A") << false << true
                                                << noneNew << true << true;
    QTest::newRow("all seen, silent") << QList<QByteArray>{"a", "b"} << QByteArray("a;b") << true << true << noneNew
                                      << false << false;
    QTest::newRow("nothing stored: all new") << QList<QByteArray>{"a", "b"} << QByteArray() << true << false
                                             << lines({"Suche nach Updates ...", "Anzahl der Meldungen: 2", "Davon neu: 2"})
                                             << false << true;
    QTest::newRow("duplicates both subtracted") << QList<QByteArray>{"x", "X", "y"} << QByteArray("x") << false << false
                                                << lines({"Suche nach Updates ...", "Anzahl der Meldungen: 3", "Davon neu: 1"})
                                                << false << true;
    QTest::newRow("message without id is new") << QList<QByteArray>{"<none>", "a"} << QByteArray("a") << true << false
                                               << lines({"Suche nach Updates ...", "Anzahl der Meldungen: 2", "Davon neu: 1"})
                                               << false << true;
    QTest::newRow("no message element") << QList<QByteArray>{} << QByteArray("a") << false << true
                                        << lines({"Suche nach Updates ...", "Es sind keine Updates verfügbar."})
                                        << false << false;
}

void tst_UpdateCheck::countsAndQuestion()
{
    QFETCH(QList<QByteArray>, ids);
    QFETCH(QByteArray, seen);
    QFETCH(bool, silent);
    QFETCH(bool, answer);
    QFETCH(QStringList, log);
    QFETCH(bool, asks);
    QFETCH(bool, shows);
    m_server->setReply("/update", CannedReply::ok(feedOf(ids)));
    if (!seen.isEmpty())
        storeSeen(seen);
    m_host.answer = answer;

    run(silent);

    QCOMPARE(m_host.logLines(), log);
    QCOMPARE(m_host.events.first(), QStringLiteral("clear"));
    QCOMPARE(m_host.events.at(1), QStringLiteral("busy:1"));
    QCOMPARE(m_host.events.last(), QStringLiteral("busy:0"));
    QCOMPARE(m_host.busyDepth, 0);
    QCOMPARE(m_host.asked(), asks);
    if (asks)
        QVERIFY(m_host.events.contains(
            QStringLiteral("ask:Keine neuen Updates verfügbar|Gelesene Meldungen trotzdem ansehen?")));
    QCOMPARE(m_host.events.contains(QStringLiteral("show")), shows);
    QCOMPARE(m_server->requests().size(), 1);
}

void tst_UpdateCheck::handOverGetsFeedAndSortedSeenList()
{
    m_server->setReply("/update", CannedReply::ok(feedOf({"m3", "m1", "m2"})));
    storeSeen("m2;Zeta;alpha;M1");

    run(true);
    QVERIFY(m_host.shownFeed);
    const pugi::xpath_node_set nodes = m_host.shownFeed->select_nodes("/messages/message");
    QCOMPARE(static_cast<int>(nodes.size()), 3);
    QCOMPARE(QByteArray(nodes[0].node().attribute("id").value()), QByteArray("m3"));
    QCOMPARE(m_host.shownSeenIds, QList<QByteArray>({"alpha", "M1", "m2", "Zeta"}));
    QCOMPARE(m_host.logLines().last(), QStringLiteral("Davon neu: 1"));
}

void tst_UpdateCheck::missingTextFallsBackToKey()
{
    QByteArray texts = CheckFixture::germanTexts();
    texts.replace("txtNumberOfMessagesNew=Davon neu\n", "");
    m_fixture->writeIni(m_server->url("/update"), texts);
    m_server->setReply("/update", CannedReply::ok(feedOf({"a"})));

    run(true);
    QCOMPARE(m_host.logLines(), lines({"Suche nach Updates ...", "Anzahl der Meldungen: 1", "txtNumberOfMessagesNew: 1"}));
}

void tst_UpdateCheck::otherStatusEndsTheCheck()
{
    m_server->setReply("/update", CannedReply::withStatus(500, "Internal Server Error", feedOf({"a"})));
    m_host.answer = true;

    run(false);
    QCOMPARE(m_host.events, QStringList({"clear", "busy:1", "log:Suche nach Updates ...",
                                         "log:Fehler: 500 Internal Server Error", "busy:0"}));
    QCOMPARE(m_fixture->storedString(VersionKeyPath(QStringLiteral("5.2.1.7")), QStringLiteral("LastUpdate")),
             QStringLiteral("2024/03/05 14:07"));
}

void tst_UpdateCheck::failuresBecomeOneErrorLine_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QString>("line");
    QTest::newRow("connection refused") << QByteArray("refused") << "Fehler: Connection refused by 127.0.0.1:";
    QTest::newRow("no address") << QByteArray() << "Fehler: No address of the update service";
    QTest::newRow("time-out") << QByteArray("silent") << "Fehler: Time-out: the update service at 127.0.0.1:";
    QTest::newRow("valid reply trickling past the deadline")
        << QByteArray("trickle") << "Fehler: Time-out: the exchange with the update service at 127.0.0.1:%1 did not end "
                                    "within 5 seconds";
    QTest::newRow("network module missing") << QByteArray("no module") << "Fehler: Error loading %1/PelkNetwork.so";
    // Nothing was checked: not "no updates".
    QTest::newRow("captive portal") << QByteArray("portal") << "Fehler: Kein Meldungs-Feed, sondern <html>";
}

void tst_UpdateCheck::failuresBecomeOneErrorLine()
{
    QFETCH(QByteArray, address);
    QFETCH(QString, line);
    if (address == "refused") {
        address = "http://127.0.0.1:" + QByteArray::number(FreeLoopbackPort()) + "/update";
    } else if (address == "portal") {
        m_server->setReply("/update", CannedReply::ok("<html><body><form action=\"/login\"/></body></html>", "text/html"));
        address = m_server->url("/update");
    } else if (address == "silent") {
        m_server->setReply("/update", CannedReply::silent());
        address = m_server->url("/update");
    }
    RequestLimits limits = kQuick;
    if (address == "trickle") {
        // A byte every 2 seconds, well within the time without progress, never ends in time.
        CannedReply trickle = CannedReply::ok(feedOf({"a"}));
        trickle.kind = CannedReply::Kind::Trickle;
        trickle.intervalMs = 2000;
        m_server->setReply("/update", trickle);
        address = m_server->url("/update");
        line = line.arg(m_server->port());
        limits.idleTimeoutMs = 10000;
        limits.overallTimeoutMs = 5000;
    }
    // The program's transport, from a folder without its network module.
    NetworkModule missingModule(m_fixture->dir.path() + QStringLiteral("/PelkNetwork.so"));
    const bool withoutModule = address == "no module";
    if (withoutModule) {
        address = m_server->url("/update");
        line = line.arg(m_fixture->dir.path());
    }
    m_fixture->setServiceUrl(address);

    const CheckContext wired = m_fixture->context();
    HttpTransport &transport = withoutModule ? static_cast<HttpTransport &>(missingModule) : wired.transport;
    const CheckContext context{wired.installation, wired.ini, wired.languages, wired.store,
                               wired.probe, wired.clock, transport};
    CheckForUpdates(false, context, m_host, limits);
    const QStringList log = m_host.logLines();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log.first(), QStringLiteral("Suche nach Updates ..."));
    QVERIFY2(log.last().startsWith(line), qPrintable(log.last()));
    QCOMPARE(m_host.events.last(), QStringLiteral("busy:0"));
    QCOMPARE(m_host.busyDepth, 0);
}

void tst_UpdateCheck::failureInMessagesWindowIsLogged_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("line");
    QTest::newRow("own") << QByteArray("own") << "Fehler: Failed to set data for 'OldMsgIDs'";
    QTest::newRow("out of memory") << QByteArray("out of memory") << "Fehler: Out of memory";
    QTest::newRow("library") << QByteArray("library") << "Fehler: basic_string::_M_create";
    QTest::newRow("unknown") << QByteArray("unknown") << "Fehler: Unknown error";
}

void tst_UpdateCheck::failureInMessagesWindowIsLogged()
{
    QFETCH(QByteArray, kind);
    QFETCH(QString, line);
    m_server->setReply("/update", CannedReply::ok(feedOf({"a"})));
    m_host.duringShow = [kind] { ThrowFailure(kind); };

    run(true);
    QCOMPARE(m_host.logLines().last(), line);
    QCOMPARE(m_host.events.last(), QStringLiteral("busy:0"));
    QCOMPARE(m_host.busyDepth, 0);
}

QTEST_GUILESS_MAIN(tst_UpdateCheck)
#include "tst_UpdateCheck.moc"
