// One check run against a real server: the permission gate, every log line, the counts,
// the question, the hand-over to the messages window, the busy cursor on every path, and the
// signed feeds that alone pass when the INI file lists feed keys.

#include "base/PelkError.h"
#include "check/AutomaticCheckBackOff.h"
#include "check/FeedKeys.h"
#include "check/FeedSignature.h"
#include "check/FeedSigningKey.h"
#include "check/NetworkModule.h"
#include "check/UpdateCheck.h"
#include "support/CheckFixture.h"
#include "support/Failures.h"
#include "support/TestHttpServer.h"
#include "support/TinyProxy.h"

#include <QFile>
#include <QLocale>
#include <QRandomGenerator>
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

// The vendor's test keys 'A', 'B' and 'C', each from a fixed seed.
const FeedSigningKey &testKey(char name)
{
    static const FeedSigningKey a = FeedSigningKey::fromText(QByteArray(32, 'A').toBase64());
    static const FeedSigningKey b = FeedSigningKey::fromText(QByteArray(32, 'B').toBase64());
    static const FeedSigningKey c = FeedSigningKey::fromText(QByteArray(32, 'C').toBase64());
    return name == 'A' ? a : name == 'B' ? b : c;
}

QByteArray publicKeyOf(char name)
{
    return testKey(name).publicKey().toBase64();
}

QByteArray idOf(char name)
{
    return FeedKeyId(testKey(name).publicKey());
}

const QByteArray kStamp = " serial=\"42\" expires=\"2030-01-31T00:00:00Z\"";

QByteArray stampedFeed(const QByteArray &stamp, const QByteArray &title = "Service pack 5.2.2",
                       const QByteArray &lineEnd = "\n")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + lineEnd + "<messages" + stamp + ">" + lineEnd
        + "  <message id=\"sp-5.2.2\" type=\"update\"><title>" + title + "</title></message>" + lineEnd
        + "</messages>" + lineEnd;
}

// Signed over exactly these bytes, whatever they are: what a careless or hostile signer sends.
QByteArray signedBy(char name, const QByteArray &body, const QByteArray &after = "\n")
{
    return body + FeedSignatureComment(idOf(name), testKey(name).sign(body)) + after;
}

// The fixture's "now" plus `seconds`, in one of the three date forms of HTTP.
QByteArray httpDateIn(qint64 seconds, const char *format)
{
    const QDateTime when = FixedClock().now.toUTC().addSecs(seconds);
    return QLocale::c().toString(when, QLatin1String(format)).toLatin1();
}

QByteArray replaced(QByteArray text, const QByteArray &from, const QByteArray &to)
{
    return text.replace(from, to);
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
    void handOverGetsFeedAndSeenListAsStored();
    void missingTextFallsBackToKey();
    void otherStatusEndsTheCheck();
    void failuresBecomeOneErrorLine_data();
    void failuresBecomeOneErrorLine();
    void failureInMessagesWindowIsLogged_data();
    void failureInMessagesWindowIsLogged();
    void signedFeeds_data();
    void signedFeeds();
    void automaticChecksWait_data();
    void automaticChecksWait();
    void storedWait_data();
    void storedWait();

private:
    CheckResult run(bool silent, const RequestLimits &limits = kRoomy)
    {
        return CheckForUpdates(silent, m_fixture->context(), m_host, limits);
    }
    void storeSeen(const QByteArray &joined);
    QByteArray storedSerials();

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
    QTest::newRow("stored empty id and closing separator") << QList<QByteArray>{"<none>", "a"} << QByteArray(";a;") << true
                                                           << false << noneNew << false << false;
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

void tst_UpdateCheck::handOverGetsFeedAndSeenListAsStored()
{
    m_server->setReply("/update", CannedReply::ok(feedOf({"m3", "m1", "m2"})));
    storeSeen("m2;Zeta;alpha;M1");

    run(true);
    QVERIFY(m_host.shownFeed);
    const pugi::xpath_node_set nodes = m_host.shownFeed->select_nodes("/messages/message");
    QCOMPARE(static_cast<int>(nodes.size()), 3);
    QCOMPARE(QByteArray(nodes[0].node().attribute("id").value()), QByteArray("m3"));
    QCOMPARE(m_host.shownSeenIds, QList<QByteArray>({"m2", "Zeta", "alpha", "M1"}));
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
    QTest::newRow("no address") << QByteArray()
                                << "Fehler: No address of the update service: set UpdateCheckURL in the section Config of %1";
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
    if (address.isEmpty())
        line = line.arg(m_fixture->ini.overridePath());
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

// "A=42;B=7": the highest serial stored for each test key that has one.
QByteArray tst_UpdateCheck::storedSerials()
{
    QList<QByteArray> serials;
    for (char name : {'A', 'B', 'C'}) {
        const QString serial = m_fixture->storedString(UpdaterKeyPath, "HighestFeedSerial." + QString::fromLatin1(idOf(name)));
        if (!serial.isEmpty())
            serials.append(QByteArray(1, name) + '=' + serial.toLatin1());
    }
    return serials.join(';');
}

void tst_UpdateCheck::signedFeeds_data()
{
    QTest::addColumn<QByteArray>("feed");
    QTest::addColumn<QByteArray>("feedKeys"); // the FeedKeys line of the INI file
    QTest::addColumn<QByteArray>("storedBefore");
    // The log after its first line and without the counts; a feed is refused when its last line is an error.
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QByteArray>("storedAfter");

    const QByteArray keyA = "FeedKeys=" + publicKeyOf('A') + "\n";
    const QByteArray valid = signedBy('A', stampedFeed(kStamp));
    const QString verifiedA = QStringLiteral("Vom Hersteller signiert: ") + QLatin1String(idOf('A'));
    const QString changed = QStringLiteral("Fehler: The feed's signature does not verify with the key ")
        + QLatin1String(idOf('A')) + QStringLiteral(": the feed is not what was signed");
    const QString comment = QStringLiteral("Fehler: The signature comment ");
    const QString unsigned_ = QStringLiteral("Fehler: The feed is not signed: it does not end with a signature comment");

    QTest::newRow("valid feed") << valid << keyA << QByteArray() << QStringList{verifiedA} << QByteArray("A=42");
    QTest::newRow("same feed again") << valid << keyA << QByteArray("A=42") << QStringList{verifiedA} << QByteArray("A=42");
    QTest::newRow("higher serial") << valid << keyA << QByteArray("A=41") << QStringList{verifiedA} << QByteArray("A=42");
    QTest::newRow("largest serial") << signedBy('A', stampedFeed(" serial=\"9223372036854775807\" expires=\"2030-01-31T00:00:00Z\""))
                                    << keyA << QByteArray("A=41") << QStringList{verifiedA}
                                    << QByteArray("A=9223372036854775807");
    QTest::newRow("second of two listed keys, each with its own serial")
        << signedBy('B', stampedFeed(kStamp)) << "FeedKeys= " + publicKeyOf('A') + " ;\t" + publicKeyOf('B') + " \n"
        << QByteArray("A=100") << QStringList{QStringLiteral("Vom Hersteller signiert: ") + QLatin1String(idOf('B'))}
        << QByteArray("A=100;B=42");
    QTest::newRow("no FeedKeys: unsigned accepted") << stampedFeed(QByteArray()) << QByteArray() << QByteArray()
                                                    << QStringList{} << QByteArray();
    QTest::newRow("FeedKeys empty: unsigned accepted") << stampedFeed(QByteArray()) << QByteArray("FeedKeys= ; \n")
                                                       << QByteArray() << QStringList{} << QByteArray();
    QTest::newRow("an entry that is no key is named and skipped")
        << valid << "FeedKeys=bm90IGEga2V5;" + publicKeyOf('A') + "\n" << QByteArray()
        << QStringList{QStringLiteral("Fehler: FeedKeys in the section Config of %1: \"bm90IGEga2V5\" is not a public key"),
                       verifiedA}
        << QByteArray("A=42");

    QTest::newRow("no usable key") << valid << QByteArray("FeedKeys=bm90IGEga2V5\n") << QByteArray()
                                   << QStringList{QStringLiteral("Fehler: FeedKeys in the section Config of %1: "),
                                                  QStringLiteral("Fehler: FeedKeys in the section Config of %1 lists no "
                                                                 "usable key")}
                                   << QByteArray();
    QTest::newRow("one byte of a title changed") << replaced(valid, "5.2.2<", "5.2.3<") << keyA << QByteArray()
                                                 << QStringList{changed} << QByteArray();
    QTest::newRow("serial changed") << replaced(valid, "\"42\"", "\"43\"") << keyA << QByteArray() << QStringList{changed}
                                    << QByteArray();
    QTest::newRow("expires changed") << replaced(valid, "2030-01-31", "2031-01-31") << keyA << QByteArray()
                                     << QStringList{changed} << QByteArray();
    QTest::newRow("comment removed") << stampedFeed(kStamp) << keyA << QByteArray() << QStringList{unsigned_}
                                     << QByteArray();
    QTest::newRow("signed by a key not listed")
        << signedBy('C', stampedFeed(kStamp)) << keyA << QByteArray()
        << QStringList{QStringLiteral("Fehler: The feed is signed with the key %1, which FeedKeys does not list")
                           .arg(QLatin1String(idOf('C')))}
        << QByteArray();
    QTest::newRow("a listed key's id with another key's signature")
        << replaced(signedBy('C', stampedFeed(kStamp)), idOf('C'), idOf('A')) << keyA << QByteArray()
        << QStringList{changed} << QByteArray();
    const QByteArray signature = valid.mid(valid.indexOf(idOf('A')) + 17, 88);
    QTest::newRow("bad Base64") << replaced(valid, signature, "!" + signature.mid(1)) << keyA << QByteArray()
                                << QStringList{comment + "carries no signature in standard Base64 of 64 bytes"}
                                << QByteArray();
    QTest::newRow("short signature") << replaced(valid, signature, signature.left(84)) << keyA << QByteArray()
                                     << QStringList{comment + "carries no signature"} << QByteArray();
    QTest::newRow("key id one digit short") << replaced(valid, idOf('A'), idOf('A').left(15)) << keyA << QByteArray()
                                            << QStringList{comment + "names no key id of 16 lowercase hexadecimal digits"}
                                            << QByteArray();
    QTest::newRow("uppercase key id") << replaced(valid, idOf('A'), idOf('A').toUpper()) << keyA << QByteArray()
                                      << QStringList{comment + "names no key id"} << QByteArray();
    QTest::newRow("two signature comments") << signedBy('A', valid) << keyA << QByteArray()
                                            << QStringList{QStringLiteral("Fehler: The feed holds more than one signature comment")}
                                            << QByteArray();
    QTest::newRow("more than white space after the comment") << valid + " x\n" << keyA << QByteArray()
                                                             << QStringList{comment + "is not the end of the feed"}
                                                             << QByteArray();
    const QByteArray open = stampedFeed(kStamp).left(stampedFeed(kStamp).indexOf("</messages>"));
    QTest::newRow("comment inside the root element") << signedBy('A', open, "</messages>\n") << keyA << QByteArray()
                                                     << QStringList{comment + "is not the end of the feed"} << QByteArray();
    QTest::newRow("CRLF turned into LF after signing")
        << replaced(signedBy('A', stampedFeed(kStamp, "Service pack 5.2.2", "\r\n")), "\r\n", "\n") << keyA
        << QByteArray() << QStringList{changed} << QByteArray();
    const QByteArray umlauts = signedBy('A', stampedFeed(kStamp, "Gr\xC3\xB6\xC3\x9F" "ere Kataloge"));
    QTest::newRow("re-encoded as ISO-8859-1")
        << replaced(replaced(umlauts, "UTF-8", "ISO-8859-1"), "Gr\xC3\xB6\xC3\x9F", "Gr\xF6\xDF") << keyA << QByteArray()
        << QStringList{changed} << QByteArray();
    const QString utf16 = QString::fromUtf8(replaced(valid, "UTF-8", "UTF-16"));
    QTest::newRow("re-encoded as UTF-16")
        << QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2)
        << keyA << QByteArray() << QStringList{unsigned_} << QByteArray();
    QTest::newRow("serial lower than stored")
        << valid << keyA << QByteArray("A=43")
        << QStringList{QStringLiteral("Fehler: The signed feed's serial 42 is lower than the serial 43 accepted before "
                                      "from the key %1: it is an old feed sent again")
                           .arg(QLatin1String(idOf('A')))}
        << QByteArray("A=43");
    QTest::newRow("expired") << signedBy('A', stampedFeed(" serial=\"42\" expires=\"2024-03-01T00:00:00Z\"")) << keyA
                             << QByteArray()
                             << QStringList{QStringLiteral("Fehler: The signed feed expired at 2024-03-01T00:00:00Z; the "
                                                           "time of this computer is 2024-03-05T")}
                             << QByteArray();

    const QString noSerial = QStringLiteral("Fehler: The signed feed's root element has no serial attribute");
    const QString badSerial = QStringLiteral("Fehler: The signed feed's serial \"%1\" is not a whole number from 1 to "
                                             "9223372036854775807 without sign or leading zeros");
    QTest::newRow("serial missing") << signedBy('A', stampedFeed(" expires=\"2030-01-31T00:00:00Z\"")) << keyA
                                    << QByteArray() << QStringList{noSerial} << QByteArray();
    for (const char *serial : {"", "+42", "-42", "042", "0", "9223372036854775808", "4 2"}) {
        QTest::addRow("serial \"%s\"", serial)
            << signedBy('A', stampedFeed(" serial=\"" + QByteArray(serial) + "\" expires=\"2030-01-31T00:00:00Z\""))
            << keyA << QByteArray() << QStringList{badSerial.arg(QLatin1String(serial))} << QByteArray();
    }
    const QString noExpiry = QStringLiteral("Fehler: The signed feed's root element has no expires attribute");
    const QString badExpiry = QStringLiteral("Fehler: The signed feed's expiry \"%1\" is not a time in the form "
                                             "YYYY-MM-DDThh:mm:ssZ");
    QTest::newRow("expires missing") << signedBy('A', stampedFeed(" serial=\"42\"")) << keyA << QByteArray()
                                     << QStringList{noExpiry} << QByteArray();
    for (const char *expires : {"", "2030-01-31", "2030-01-31T00:00:00+00:00", "2030-01-31 00:00:00Z",
                                "2030-01-31T00:00:00z", "+2030-01-31T00:00:00Z", "2030-02-30T00:00:00Z", "2030-01-31T24:00:00Z"}) {
        QTest::addRow("expires \"%s\"", expires)
            << signedBy('A', stampedFeed(" serial=\"42\" expires=\"" + QByteArray(expires) + "\""))
            << keyA << QByteArray() << QStringList{badExpiry.arg(QLatin1String(expires))} << QByteArray();
    }
    QTest::newRow("valid signature on a feed that is not well-formed")
        << signedBy('A', replaced(stampedFeed(kStamp), "</message>", "")) << keyA << QByteArray()
        << QStringList{QStringLiteral("Fehler: The reply of the update service is not a well-formed XML document "
                                      "(line 4, column 11)")}
        << QByteArray();
}

void tst_UpdateCheck::signedFeeds()
{
    QFETCH(QByteArray, feed);
    QFETCH(QByteArray, feedKeys);
    QFETCH(QByteArray, storedBefore);
    QFETCH(QStringList, expected);
    QFETCH(QByteArray, storedAfter);
    m_fixture->writeIni(m_server->url("/update"),
                        CheckFixture::germanTexts() + "txtFeedSignatureVerified=Vom Hersteller signiert\n", feedKeys);
    for (const QByteArray &entry : storedBefore.split(';')) {
        if (!entry.isEmpty())
            WriteHighestFeedSerial(m_fixture->store, idOf(entry[0]), entry.mid(2).toLongLong());
    }
    // What every check writes before its request is there already, so that a refused feed
    // must leave the store exactly as it was.
    GetInstallationId(m_fixture->store);
    WriteLastUpdate(m_fixture->store, m_fixture->installation.ProgVersion, m_fixture->clock);
    QFile storeFile(m_fixture->dir.filePath(QStringLiteral("config/Orbel/user.reg")));
    QVERIFY(storeFile.open(QIODevice::ReadOnly));
    const QByteArray storeBefore = storeFile.readAll();
    storeFile.close();
    m_server->setReply("/update", CannedReply::ok(feed));

    run(true);
    QStringList log = m_host.logLines();
    QCOMPARE(log.takeFirst(), QStringLiteral("Suche nach Updates ..."));
    const bool accepted = expected.isEmpty() || !expected.last().startsWith(QLatin1String("Fehler"));
    if (accepted)
        QCOMPARE(log.mid(log.size() - 2), lines({"Anzahl der Meldungen: 1", "Davon neu: 1"}));
    log = log.mid(0, accepted ? log.size() - 2 : log.size());
    QCOMPARE(log.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QString line = expected[i].contains(QLatin1String("%1")) ? expected[i].arg(m_fixture->ini.path()) : expected[i];
        QVERIFY2(log[i].startsWith(line), qPrintable(log[i]));
    }
    QCOMPARE(m_host.events.contains(QStringLiteral("show")), accepted);
    QCOMPARE(storedSerials(), storedAfter);
    if (!accepted) {
        QVERIFY(storeFile.open(QIODevice::ReadOnly));
        QCOMPARE(storeFile.readAll(), storeBefore);
    }
}


void tst_UpdateCheck::automaticChecksWait_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("retryAfter"); // "-": no such header
    QTest::addColumn<int>("failedBefore");
    QTest::addColumn<int>("shortest"); // seconds from now to the next automatic check; -1: no wait
    QTest::addColumn<int>("longest");

    const int day = 24 * 3600;
    QTest::newRow("503, seconds") << 503 << QByteArray("120") << 0 << 120 << 120;
    QTest::newRow("429, seconds") << 429 << QByteArray(" 2 ") << 0 << 2 << 2;
    QTest::newRow("503, HTTP date") << 503 << httpDateIn(3600, "ddd, dd MMM yyyy HH:mm:ss 'GMT'") << 0 << 3600 << 3600;
    QTest::newRow("503, RFC 850 date") << 503 << httpDateIn(600, "dddd, dd-MMM-yy HH:mm:ss 'GMT'") << 0 << 600 << 600;
    QTest::newRow("503, asctime date") << 503 << httpDateIn(7200, "ddd MMM d HH:mm:ss yyyy").replace(" 5 ", "  5 ")
                                       << 0 << 7200 << 7200;
    QTest::newRow("503, date passed") << 503 << httpDateIn(-60, "ddd, dd MMM yyyy HH:mm:ss 'GMT'") << 0 << -60 << -60;
    QTest::newRow("503, over a day") << 503 << QByteArray("90000") << 0 << day << day;
    QTest::newRow("503, huge number") << 503 << QByteArray("99999999999999999999") << 0 << day << day;
    QTest::newRow("503, date days ahead") << 503 << httpDateIn(3 * day, "ddd, dd MMM yyyy HH:mm:ss 'GMT'") << 0 << day << day;
    // Anything else is no Retry-After: the failure's own wait, 1 to 2 hours the first time.
    QTest::newRow("503, garbage") << 503 << QByteArray("soon") << 0 << 3600 << 7200;
    QTest::newRow("503, date with zone") << 503 << QByteArray("Tue, 05 Mar 2024 15:07:31 +0000") << 0 << 3600 << 7200;
    QTest::newRow("503, none") << 503 << QByteArray("-") << 0 << 3600 << 7200;
    QTest::newRow("500, seconds not asked for") << 500 << QByteArray("120") << 0 << 3600 << 7200;
    QTest::newRow("third failure in a row") << 503 << QByteArray("-") << 2 << 3600 << 8 * 3600;
    QTest::newRow("tenth failure in a row") << 503 << QByteArray("-") << 9 << 3600 << day;
    QTest::newRow("success ends the wait") << 200 << QByteArray("120") << 4 << -1 << -1;
}

void tst_UpdateCheck::automaticChecksWait()
{
    QFETCH(int, status);
    QFETCH(QByteArray, retryAfter);
    QFETCH(int, failedBefore);
    QFETCH(int, shortest);
    QFETCH(int, longest);
    CannedReply reply = CannedReply::withStatus(status, status == 200 ? "OK" : "Busy", feedOf({}));
    if (retryAfter != "-")
        reply.addHeader("Retry-After", retryAfter);
    m_server->setReply("/update", reply);
    RegistryStore &store = m_fixture->store;
    const QDateTime now = m_fixture->clock.now;
    WriteFailedAutomaticChecks(store, quint32(failedBefore));
    WriteNextAutomaticCheck(store, now.addSecs(600));

    // What an automatic run does with the result.
    const CheckResult result = run(true);
    if (result.outcome == CheckOutcome::Failed) {
        QRandomGenerator random(21);
        RecordFailedAutomaticCheck(store, result.retryAfter, now, random);
    }

    const std::optional<QDateTime> next = ReadNextAutomaticCheck(store);
    QCOMPARE(next.has_value(), shortest != -1);
    QCOMPARE(ReadFailedAutomaticChecks(store), shortest == -1 ? 0u : quint32(failedBefore + 1));
    if (next) {
        const qint64 wait = now.secsTo(*next);
        QVERIFY2(wait >= shortest && wait <= longest, qPrintable(QString::number(wait)));
    }
}

void tst_UpdateCheck::storedWait_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("wait"); // seconds; -1: none

    const QDateTime now = FixedClock().now.toUTC();
    QTest::newRow("two hours ahead") << now.addSecs(7200).toString(Qt::ISODate) << 7200;
    QTest::newRow("passed") << now.addSecs(-1).toString(Qt::ISODate) << -1;
    // The clock was set back: no honest record lies more than a day ahead.
    QTest::newRow("a day ahead") << now.addDays(1).toString(Qt::ISODate) << 24 * 3600;
    QTest::newRow("days ahead") << now.addDays(5).toString(Qt::ISODate) << -1;
    QTest::newRow("unreadable") << QStringLiteral("tomorrow") << -1;
}

void tst_UpdateCheck::storedWait()
{
    QFETCH(QString, stored);
    QFETCH(int, wait);
    m_fixture->store.openKey(RegistryRoot::CurrentUser, UpdaterKeyPath, true)
        ->writeString(QStringLiteral("NextAutomaticCheck"), stored);

    const QDateTime now = m_fixture->clock.now;
    const std::optional<QDateTime> until = AutomaticCheckWait(m_fixture->store, now);
    QCOMPARE(until ? int(now.secsTo(*until)) : -1, wait);
}

QTEST_GUILESS_MAIN(tst_UpdateCheck)
#include "tst_UpdateCheck.moc"
