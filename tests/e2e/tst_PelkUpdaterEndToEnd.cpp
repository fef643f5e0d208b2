// The real program, copied into a folder of its own with its INI and service pack files,
// run against a real service on 127.0.0.1. The pelkdriver plugin plays the user: it saves
// every window the program shows and closes it as a user would.

#include "messages/MessageTexts.h"
#include "settings/RegFileStore.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "support/TestHttpServer.h"
#include "support/TinyProxy.h"
#include "support/XServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <unistd.h>

namespace {
constexpr int kRunTimeoutMs = 90000;

QByteArray feedOf(const QList<QByteArray> &ids)
{
    QByteArray feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messages>\n";
    int day = 1;
    for (const QByteArray &id : ids) {
        feed += "  <message id=\"" + id + "\" date=\"202603" + QByteArray::number(10 + day++)
                + "\" type=\"update\">\n    <title>Meldung " + id + "</title>\n"
                  "    <desc><![CDATA[<p>Text of <b>" + id + "</b></p>]]></desc>\n  </message>\n";
    }
    return feed + "</messages>\n";
}
} // namespace

class tst_PelkUpdaterEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void silentRunWithNothingNewShowsNothing();
    void silentRunReportsFailures_data();
    void silentRunReportsFailures();
    void silentRunWithNewMessageOpensMessagesWindow();
    void pageEngineThatCannotStartCostsOnlyThePage_data();
    void pageEngineThatCannotStartCostsOnlyThePage();
    void interactiveCheckThroughTheLink();
    void notAllowedSendsNothing();
    void unattendedRuns_data();
    void unattendedRuns();
    void sampleServiceOfTheDemo();
    void messagesWindowIsModalForTheWindowSystem_data();
    void messagesWindowIsModalForTheWindowSystem();
    void clickDuringTheRequestIsNotReplayed();

private:
    QString userRegFile() const { return m_dir->filePath(QStringLiteral("config/Orbel/user.reg")); }
    RegFileStore store() const
    {
        return RegFileStore(userRegFile(), m_dir->filePath(QStringLiteral("etc/Orbel/machine.reg")));
    }
    QString programFolder() const { return m_dir->filePath(QStringLiteral("program")); }
    void writeIni(const QByteArray &url);
    void writeServicePack(const char *allow);
    QString storedString(const QString &keyPath, const QString &name) const;
    // Runs the program to its end while this thread keeps serving; returns its exit code.
    // `whileRunning` is called once the program has started; it may wait with QTest::qWait.
    // An extra "NAME=" with nothing after it removes NAME from the environment.
    int run(const QStringList &arguments, const QStringList &extraEnvironment = {},
            const std::function<void()> &whileRunning = {});
    QStringList shots() const;
    // The one line of a "/AUTO" run whose user does not want automatic checks, in the
    // language of the run (German, the first of the example INI file).
    static QStringList off()
    {
        return {QStringLiteral("Automatische Update-Prüfungen sind in den Einstellungen ausgeschaltet: "
                               "Es wurde nichts geprüft.")};
    }
    // Whether `lines` appear in this order among the lines of standard error.
    bool logHas(const QStringList &lines) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TestHttpServer> m_server;
    QString m_program;
    QByteArray m_stderr;
};

void tst_PelkUpdaterEndToEnd::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    for (const char *sub : {"program", "config", "etc", "home", "shots", "runtime"})
        QVERIFY(QDir().mkpath(m_dir->filePath(QLatin1String(sub))));
    QFile::setPermissions(m_dir->filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_program = programFolder() + QStringLiteral("/PelkUpdater");
    QVERIFY(QFile::copy(QStringLiteral(PELK_PROGRAM), m_program));
    QVERIFY(QFile::setPermissions(m_program, QFile::permissions(m_program) | QFile::ExeOwner));
    // The program's modules belong beside it.
    QVERIFY(QFile::copy(QStringLiteral(PELK_PAGE_MODULE), programFolder() + QStringLiteral("/PelkMessagePage.so")));
    QVERIFY(QFile::copy(QStringLiteral(PELK_NETWORK_MODULE), programFolder() + QStringLiteral("/PelkNetwork.so")));
    writeServicePack("1");

    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->listen());
    writeIni(m_server->url("/update"));
}

void tst_PelkUpdaterEndToEnd::cleanup()
{
    m_server.reset();
    m_dir.reset();
}

void tst_PelkUpdaterEndToEnd::writeIni(const QByteArray &url)
{
    QFile example(QStringLiteral(PELK_EXAMPLES_DIR "/PelkUpdater.ini"));
    QVERIFY(example.open(QIODevice::ReadOnly));
    QByteArray ini = example.readAll();
    const int start = ini.indexOf("UpdateCheckURL=");
    QVERIFY(start >= 0);
    const int end = ini.indexOf('\n', start);
    ini.replace(start, end - start, QByteArray("UpdateCheckURL=" + url));
    QFile file(programFolder() + QStringLiteral("/PelkUpdater.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(ini);
}

void tst_PelkUpdaterEndToEnd::writeServicePack(const char *allow)
{
    QFile file(programFolder() + QStringLiteral("/PelkServicePack.pelk"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray("<?xml version=\"1.0\"?>\n<Pelk><ProgVersion Value=\"5.2.1.7\"/>"
                          "<OfflineVersion Value=\"5.2.1\"/><AllowOnlineUpdate Value=\"")
               + allow + "\"/></Pelk>\n");
}

QString tst_PelkUpdaterEndToEnd::storedString(const QString &keyPath, const QString &name) const
{
    RegFileStore reg = store();
    const auto key = reg.openKey(RegistryRoot::CurrentUser, keyPath, false);
    return key && key->valueExists(name) ? key->readString(name) : QString();
}

int tst_PelkUpdaterEndToEnd::run(const QStringList &arguments, const QStringList &extraEnvironment,
                                  const std::function<void()> &whileRunning)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const auto set = [&env](const char *name, const QString &value) { env.insert(QLatin1String(name), value); };
    set("XDG_CONFIG_HOME", m_dir->filePath(QStringLiteral("config")));
    set("XDG_CONFIG_DIRS", m_dir->filePath(QStringLiteral("etc")));
    set("HOME", m_dir->filePath(QStringLiteral("home")));
    set("XDG_RUNTIME_DIR", m_dir->filePath(QStringLiteral("runtime")));
    set("QT_QPA_PLATFORM", QStringLiteral("offscreen"));
    set("QTWEBENGINE_DISABLE_SANDBOX", QStringLiteral("1"));
    set("QTWEBENGINE_CHROMIUM_FLAGS", QStringLiteral("--disable-gpu --no-sandbox"));
    set("QT_PLUGIN_PATH", QStringLiteral(PELK_DRIVER_PLUGIN_PATH));
    set("QT_QPA_GENERIC_PLUGINS", QStringLiteral("pelkdriver"));
    set("PELK_DRIVER_SHOTS", m_dir->filePath(QStringLiteral("shots")));
    // The first message must be shown for more than 2000 ms before the driver closes the window;
    // on a busy machine the page module loads for a good while after the window's show.
    set("PELK_DRIVER_READ_MS", QStringLiteral("4000"));
    for (const char *proxy : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        env.remove(QLatin1String(proxy));
    env.remove(QStringLiteral("PELK_QUIT_AFTER_FIRST_PAINT"));
    for (const QString &assignment : extraEnvironment) {
        const QString name = assignment.section(QLatin1Char('='), 0, 0);
        const QString value = assignment.section(QLatin1Char('='), 1);
        if (value.isEmpty())
            env.remove(name);
        else
            env.insert(name, value);
    }

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_dir->path());
    process.start(m_program, arguments);
    if (!process.waitForStarted(10000))
        return -1;
    if (whileRunning)
        whileRunning();
    // The service answers from this thread's event loop, so wait by spinning it.
    QDeadlineTimer deadline(kRunTimeoutMs);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(50);
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        m_stderr = process.readAllStandardError();
        return -2;
    }
    m_stderr = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -3;
}

QStringList tst_PelkUpdaterEndToEnd::shots() const
{
    return QDir(m_dir->filePath(QStringLiteral("shots"))).entryList(QDir::Files, QDir::Name);
}

bool tst_PelkUpdaterEndToEnd::logHas(const QStringList &lines) const
{
    const QStringList all = QString::fromUtf8(m_stderr).split(QLatin1Char('\n'));
    int next = 0;
    for (const QString &line : all) {
        if (next < lines.size() && line == lines.at(next))
            ++next;
    }
    return next == lines.size();
}

void tst_PelkUpdaterEndToEnd::silentRunWithNothingNewShowsNothing()
{
    m_server->setReply("/update", CannedReply::ok(feedOf({"a1", "b2"})));
    {
        RegFileStore reg = store();
        SaveOldMsgIds(reg, QStringLiteral("5.2.1.7"), {"B2", "a1"});
    }

    QCOMPARE(run({QStringLiteral("/SILENT")}), 0);
    QVERIFY2(logHas({QStringLiteral("Suche nach Updates ..."), QStringLiteral("Anzahl der Meldungen: 2"),
                     QStringLiteral("Davon neu: 0"), QStringLiteral("Keine neuen Updates verfügbar")}),
             m_stderr.constData());
    QVERIFY2(!m_stderr.contains("Fehler"), m_stderr.constData());
    QCOMPARE(shots(), QStringList()); // no window was shown

    QCOMPARE(m_server->requests().size(), 1);
    const QString id = storedString(UpdaterKeyPath, QStringLiteral("ID"));
    QCOMPARE(id.size(), 38);
    QVERIFY(m_server->requests().first().body.startsWith(QByteArray("id=" + id.mid(1, 36).toLatin1() + "&pv=5.2.1.7&")));
    QCOMPARE(m_server->requests().first().header("User-Agent"), QByteArray("PelkUpdater/5.2.1.7"));
    QVERIFY(!storedString(VersionKeyPath(QStringLiteral("5.2.1.7")), QStringLiteral("LastUpdate")).isEmpty());
    QCOMPARE(storedString(UpdaterKeyPath, QStringLiteral("UpdaterPath")), programFolder() + QLatin1Char('/'));
    QCOMPARE(storedString(UpdaterKeyPath, QStringLiteral("Language")), QStringLiteral("de"));
}

void tst_PelkUpdaterEndToEnd::silentRunReportsFailures_data()
{
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<QString>("line");
    // One language in a line: the program's own details are German too.
    QTest::newRow("unreachable") << QByteArray("dead") << "Fehler: Verbindung abgelehnt von 127.0.0.1:%1";
    QTest::newRow("500") << QByteArray("/update") << "Fehler: 500 Internal Server Error";
    // A terminal's title and colour, and a C1 control: shown, not obeyed.
    QTest::newRow("controls in the status line") << QByteArray("controls")
                                                  << QStringLiteral("Fehler: 500 Oops \u241B]0;owned\u2407\u241B[31m red [U+009B]1m");
    // A valid feed at a byte every 2 seconds: never silent for long, but never done either.
    // The program's own deadline ends the check, so this row takes a minute.
    QTest::newRow("trickling past the deadline")
        << QByteArray("trickle") << "Fehler: Zeitüberschreitung: Der Austausch mit dem Update-Dienst bei 127.0.0.1:%1 "
                                    "war nicht in 60 Sekunden beendet";
}

void tst_PelkUpdaterEndToEnd::silentRunReportsFailures()
{
    QFETCH(QByteArray, address);
    QFETCH(QString, line);
    m_server->setReply("/update", CannedReply::withStatus(500, "Internal Server Error", feedOf({"a1"})));
    if (address == "dead") {
        const quint16 dead = FreeLoopbackPort();
        address = "http://127.0.0.1:" + QByteArray::number(dead) + "/update";
        line = line.arg(dead);
    } else if (address == "controls") {
        m_server->setReply("/update", CannedReply::withStatus(500, "Oops \x1b]0;owned\x07\x1b[31m red \x9b" "1m"));
        address = m_server->url("/update");
    } else if (address == "trickle") {
        CannedReply trickle = CannedReply::ok(feedOf({"a1"}));
        trickle.kind = CannedReply::Kind::Trickle;
        trickle.intervalMs = 2000;
        m_server->setReply("/update", trickle);
        address = m_server->url("/update");
        line = line.arg(m_server->port());
    } else {
        address = m_server->url(address);
    }
    writeIni(address);

    QCOMPARE(run({QStringLiteral("/SILENT")}), 0);
    QVERIFY2(logHas({QStringLiteral("Suche nach Updates ..."), line}), m_stderr.constData());
    QVERIFY2(!m_stderr.contains("Anzahl der Meldungen"), m_stderr.constData());
    QCOMPARE(shots(), QStringList());
    QVERIFY(!storedString(VersionKeyPath(QStringLiteral("5.2.1.7")), QStringLiteral("LastUpdate")).isEmpty());
}

void tst_PelkUpdaterEndToEnd::silentRunWithNewMessageOpensMessagesWindow()
{
    m_server->setReply("/update", CannedReply::ok(feedOf({"a1", "b2", "c3"})));
    {
        RegFileStore reg = store();
        SaveOldMsgIds(reg, QStringLiteral("5.2.1.7"), {"A1"});
    }

    QCOMPARE(run({QStringLiteral("/SILENT")}), 0);
    QVERIFY2(logHas({QStringLiteral("Anzahl der Meldungen: 3"), QStringLiteral("Davon neu: 2")}), m_stderr.constData());
    // Only the messages window appeared, and the driver closed it.
    QCOMPARE(shots().size(), 1);
    QVERIFY2(shots().first().contains(QLatin1String("Messages")), qPrintable(shots().first()));
    QVERIFY2(m_stderr.contains("pelkdriver: closing"), m_stderr.constData());
    // The page module was loaded at the window's show.
    QVERIFY2(m_stderr.contains("Messages shows a web page view"), m_stderr.constData());
    // The HTML engine's own chatter stays out of the run's log (and so out of the journal).
    QVERIFY2(!m_stderr.contains("qt.webenginecontext") && !m_stderr.contains("ERROR:"), m_stderr.constData());

    // The last message of the feed was selected first and shown long enough to count as read.
    QList<QByteArray> seen;
    RegFileStore reg = store();
    LoadOldMsgIds(reg, QStringLiteral("5.2.1.7"), seen);
    QVERIFY2(seen.contains("c3"), JoinText(seen, ';').constData());
    QVERIFY(seen.contains("A1"));
    QVERIFY(!seen.contains("b2"));
    const auto versionKey = reg.openKey(RegistryRoot::CurrentUser, VersionKeyPath(QStringLiteral("5.2.1.7")), false);
    QVERIFY(versionKey);
    QCOMPARE(versionKey->valueType(QStringLiteral("AutoUpdate")), RegistryValueType::DWord);
    QCOMPARE(versionKey->readInteger(QStringLiteral("AutoUpdate")), 0u);
}

void tst_PelkUpdaterEndToEnd::pageEngineThatCannotStartCostsOnlyThePage_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QByteArray>("reason");
    // As root the engine's Chromium refuses its sandbox with exit(1); without its helper
    // program the engine aborts. Neither may take the program's end-of-run writes with it.
    QTest::newRow("root with the sandbox on")
        << QStringList({"QTWEBENGINE_DISABLE_SANDBOX=", "QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu"})
        << QByteArray("the HTML engine does not run as root with its sandbox on");
    QTest::newRow("helper program missing")
        << QStringList({"QTWEBENGINEPROCESS_PATH=/nonexistent/QtWebEngineProcess"})
        << QByteArray("the HTML engine's helper program is missing (looked for /nonexistent/QtWebEngineProcess)");
}

void tst_PelkUpdaterEndToEnd::pageEngineThatCannotStartCostsOnlyThePage()
{
    QFETCH(QStringList, environment);
    QFETCH(QByteArray, reason);
    if (QTest::currentDataTag() == QLatin1String("root with the sandbox on") && geteuid() != 0)
        QSKIP("The engine refuses its sandbox only to root.");
    m_server->setReply("/update", CannedReply::ok(feedOf({"a1", "b2", "c3"})));

    QCOMPARE(run({QStringLiteral("/SILENT")}, environment), 0);
    // The window was there without its page, and said why once.
    QVERIFY2(!m_stderr.contains("shows a web page view"), m_stderr.constData());
    QCOMPARE(m_stderr.count("pelkdriver: answering ErrorBox"), 1);
    const QByteArray said = "pelkdriver: ErrorBox says: The message page cannot be shown: " + reason;
    QVERIFY2(m_stderr.contains(said),
             m_stderr.constData());
    QVERIFY2(m_stderr.contains("pelkdriver: closing TFPelkUpdaterMessages"), m_stderr.constData());

    // The end-of-run writes are done: the message shown long enough is read, the wish and
    // the language are stored.
    QList<QByteArray> seen;
    RegFileStore reg = store();
    LoadOldMsgIds(reg, QStringLiteral("5.2.1.7"), seen);
    QCOMPARE(seen, QList<QByteArray>({"c3"}));
    const auto versionKey = reg.openKey(RegistryRoot::CurrentUser, VersionKeyPath(QStringLiteral("5.2.1.7")), false);
    QVERIFY(versionKey);
    QCOMPARE(versionKey->valueType(QStringLiteral("AutoUpdate")), RegistryValueType::DWord);
    QCOMPARE(storedString(UpdaterKeyPath, QStringLiteral("Language")), QStringLiteral("de"));
}

void tst_PelkUpdaterEndToEnd::interactiveCheckThroughTheLink()
{
    m_server->setReply("/update", CannedReply::ok(feedOf({"a1", "b2"})));

    QCOMPARE(run({QStringLiteral("/LNG:engb")}, {QStringLiteral("PELK_DRIVER_CHECK=1")}), 0);
    QVERIFY2(logHas({QStringLiteral("pelkdriver: clicking LUpdateCheck"), QStringLiteral("Number of messages: 2"),
                     QStringLiteral("pelkdriver: clicking PExit")}),
             m_stderr.constData());
    const QStringList pictures = shots();
    QCOMPARE(pictures.size(), 3);
    QVERIFY(pictures.at(0).contains(QLatin1String("TFPelkUpdaterMain")));
    QVERIFY(pictures.at(1).contains(QLatin1String("Messages")));
    QVERIFY(pictures.at(2).contains(QLatin1String("after-check")));
    QCOMPARE(m_server->requests().size(), 1);
    QVERIFY(m_server->requests().first().body.contains("&lg=engb&"));
    QCOMPARE(storedString(UpdaterKeyPath, QStringLiteral("Language")), QStringLiteral("engb"));
}

void tst_PelkUpdaterEndToEnd::notAllowedSendsNothing()
{
    writeServicePack("0");
    m_server->setReply("/update", CannedReply::ok(feedOf({"a1"})));

    QCOMPARE(run({QStringLiteral("/SILENT")}), 0);
    QVERIFY2(logHas({QStringLiteral("Online-Updates sind für diese Installation nicht freigegeben.")}),
             m_stderr.constData());
    QVERIFY(!m_stderr.contains("Suche nach Updates"));
    QCOMPARE(m_server->requests().size(), 0);
    QVERIFY(storedString(VersionKeyPath(QStringLiteral("5.2.1.7")), QStringLiteral("LastUpdate")).isEmpty());
    QCOMPARE(shots(), QStringList());
}

void tst_PelkUpdaterEndToEnd::unattendedRuns_data()
{
    QTest::addColumn<QString>("argument");
    QTest::addColumn<int>("wish"); // the stored automatic-check wish; -1: none stored
    QTest::addColumn<bool>("display");
    QTest::addColumn<QList<QByteArray>>("seen");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("windowShown");

    const QStringList off = tst_PelkUpdaterEndToEnd::off();
    const QString total = QStringLiteral("Anzahl der Meldungen: 3");
    const QString named = QStringLiteral("Keine Anzeige: Die neuen Meldungen bleiben ungelesen, bis ein Lauf mit Anzeige "
                                         "sie zeigt: ")
        + MsgDateText(QStringLiteral("20260313")) + QStringLiteral(" Meldung c3; ")
        + MsgDateText(QStringLiteral("20260312")) + QStringLiteral(" Meldung b2");
    const QList<QByteArray> all{"a1", "b2", "c3"};
    QTest::newRow("/AUTO, no wish stored") << "/AUTO" << -1 << true << QList<QByteArray>{} << off << false;
    QTest::newRow("/auto, wish off") << "/auto" << 0 << true << QList<QByteArray>{} << off << false;
    // Without the desktop's notification service the messages window opens, as in "/SILENT".
    QTest::newRow("/AUTO, wish on, no notification service") << "/AUTO" << 1 << true << QList<QByteArray>{"A1"}
                                                             << QStringList{total, QStringLiteral("Davon neu: 2")} << true;
    QTest::newRow("/AUTO, wish on, no display, nothing new")
        << "/AUTO" << 1 << false << all
        << QStringList{total, QStringLiteral("Davon neu: 0"), QStringLiteral("Keine neuen Updates verfügbar")} << false;
    QTest::newRow("/SILENT, no display, new messages") << "/SILENT" << -1 << false << QList<QByteArray>{"A1"}
                                                       << QStringList{total, QStringLiteral("Davon neu: 2"), named}
                                                       << false;
}

void tst_PelkUpdaterEndToEnd::unattendedRuns()
{
    QFETCH(QString, argument);
    QFETCH(int, wish);
    QFETCH(bool, display);
    QFETCH(QList<QByteArray>, seen);
    QFETCH(QStringList, lines);
    QFETCH(bool, windowShown);

    m_server->setReply("/update", CannedReply::ok(feedOf({"a1", "b2", "c3"})));
    {
        RegFileStore reg = store();
        if (wish >= 0)
            WriteAutoUpdate(reg, QStringLiteral("5.2.1.7"), wish == 1);
        SaveOldMsgIds(reg, QStringLiteral("5.2.1.7"), seen);
    }
    // A session bus where nobody answers.
    QStringList environment{QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=") + m_dir->filePath(QStringLiteral("no-bus"))};
    if (!display)
        environment << QStringLiteral("QT_QPA_PLATFORM=") << QStringLiteral("DISPLAY=")
                    << QStringLiteral("WAYLAND_DISPLAY=");

    QCOMPARE(run({argument}, environment), 0);
    QVERIFY2(logHas(lines), m_stderr.constData());
    const bool checked = lines != off();
    QCOMPARE(m_server->requests().size(), checked ? 1 : 0);
    QCOMPARE(shots().size(), windowShown ? 1 : 0);
    // A run that checks nothing stores nothing but the language.
    QCOMPARE(storedString(UpdaterKeyPath, QStringLiteral("UpdaterPath")).isEmpty(), !checked);
    QCOMPARE(storedString(VersionKeyPath(QStringLiteral("5.2.1.7")), QStringLiteral("LastUpdate")).isEmpty(), !checked);
    QCOMPARE(storedString(UpdaterKeyPath, QStringLiteral("Language")), QStringLiteral("de"));
    if (!windowShown) {
        // Nothing was shown, so nothing new became read.
        QList<QByteArray> after;
        RegFileStore reg = store();
        LoadOldMsgIds(reg, QStringLiteral("5.2.1.7"), after);
        QCOMPARE(after, seen);
    }
}

void tst_PelkUpdaterEndToEnd::sampleServiceOfTheDemo()
{
    // The demo's service, as the demo starts it: its feed is one the program takes whole.
    QProcess service;
    const QString portFile = m_dir->filePath(QStringLiteral("service.port"));
    service.start(QStringLiteral("python3"), {QStringLiteral(PELK_SOURCE_DIR "/scripts/sample-service.py"),
                                               QStringLiteral("--port-file"), portFile});
    QVERIFY(service.waitForStarted(10000));
    const auto stop = qScopeGuard([&service] {
        service.terminate();
        if (!service.waitForFinished(5000))
            service.kill();
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(portFile).size() > 0, 10000);
    QFile port(portFile);
    QVERIFY(port.open(QIODevice::ReadOnly));
    writeIni("http://127.0.0.1:" + port.readAll().trimmed() + "/update");

    QCOMPARE(run({QStringLiteral("/SILENT")}), 0);
    QVERIFY2(logHas({QStringLiteral("Anzahl der Meldungen: 4"), QStringLiteral("Davon neu: 4")}), m_stderr.constData());
    QVERIFY2(!m_stderr.contains("Fehler"), m_stderr.constData());
    QCOMPARE(shots().size(), 1);

    const QByteArray printed = service.readAllStandardOutput();
    QVERIFY2(printed.contains("POST /update from 127.0.0.1"), printed.constData());
    QVERIFY2(printed.contains("pv = '5.2.1.7'"), printed.constData());
}

void tst_PelkUpdaterEndToEnd::messagesWindowIsModalForTheWindowSystem_data()
{
    QTest::addColumn<bool>("silent");
    QTest::newRow("interactive") << false;
    QTest::newRow("silent") << true;
}

void tst_PelkUpdaterEndToEnd::messagesWindowIsModalForTheWindowSystem()
{
    // A real X server with a window manager; the user's clicks and keys go in through it.
    QFETCH(bool, silent);
    XServer x;
    QVERIFY2(x.start(), qPrintable(x.errorText()));
    m_server->setReply("/update", CannedReply::ok(feedOf({"a1", "b2"})));
    QStringList arguments{QStringLiteral("/LNG:engb")};
    if (silent)
        arguments.append(QStringLiteral("/SILENT"));
    // No driver: whatever opens stays open for the test to see.
    const QStringList environment{QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY=") + x.display(),
                                  QStringLiteral("QT_QPA_GENERIC_PLUGINS=")};

    QString modalState;
    QString transientFor;
    QString mainWindow;
    QStringList settingsWindows;
    const int code = run(arguments, environment, [&] {
        QPoint mainOrigin;
        if (!silent) {
            mainWindow = x.waitForWindow(QStringLiteral("Check for Updates"));
            if (mainWindow.isEmpty())
                return;
            QTest::qWait(500);
            mainOrigin = x.origin(mainWindow);
            x.click(mainOrigin + QPoint(80 + 100, 200 + 28 + 16)); // the check link
        }
        const QString messages = x.waitForWindow(QStringLiteral("Messages"), 60000);
        if (messages.isEmpty())
            return;
        QTest::qWait(1000);
        modalState = x.property(messages, QStringLiteral("_NET_WM_STATE"));
        transientFor = x.property(messages, QStringLiteral("WM_TRANSIENT_FOR"));
        if (!silent) {
            // Out of the way, so that the main window's Settings button lies open to the pointer.
            x.move(messages, QPoint(1560, 900));
            QTest::qWait(500);
            x.click(mainOrigin + QPoint(19 + 65, 524 + 21 + 9)); // Settings
            QTest::qWait(1500);
            settingsWindows = x.windows(QStringLiteral("Settings"));
        }
        x.key(messages, QStringLiteral("Escape"));
        if (!silent) {
            QTest::qWait(1000);
            for (const QString &window : x.windows(QStringLiteral("Settings")))
                x.key(window, QStringLiteral("Escape"));
            QTest::qWait(500);
            x.click(mainOrigin + QPoint(667 + 65, 524 + 21 + 9)); // Exit
        }
    });
    QVERIFY2(modalState.contains(QLatin1String("_NET_WM_STATE_MODAL")), qPrintable(modalState));
    QVERIFY2(transientFor.contains(QLatin1String("window id")), qPrintable(transientFor));
    if (!silent) {
        QVERIFY2(transientFor.endsWith(QLatin1String("0x") + QString::number(mainWindow.toULongLong(), 16)),
                 qPrintable(transientFor + QLatin1Char(' ') + mainWindow));
        QCOMPARE(settingsWindows, QStringList());
    }
    QCOMPARE(code, 0);
}

void tst_PelkUpdaterEndToEnd::clickDuringTheRequestIsNotReplayed()
{
    // A slow service: the reply comes a byte every 300 ms, over about 3 seconds.
    XServer x;
    QVERIFY2(x.start(), qPrintable(x.errorText()));
    CannedReply slow = CannedReply::ok("<messages/>");
    slow.kind = CannedReply::Kind::Trickle;
    slow.intervalMs = 300;
    m_server->setReply("/update", slow);
    const QStringList environment{QStringLiteral("QT_QPA_PLATFORM=xcb"), QStringLiteral("DISPLAY=") + x.display(),
                                  QStringLiteral("QT_QPA_GENERIC_PLUGINS=")};

    int requestsAfterSecondClick = 0;
    QStringList settingsWindows;
    const int code = run({QStringLiteral("/LNG:engb")}, environment, [&] {
        const QString mainWindow = x.waitForWindow(QStringLiteral("Check for Updates"));
        if (mainWindow.isEmpty())
            return;
        QTest::qWait(500);
        const QPoint origin = x.origin(mainWindow);
        const QPoint link = origin + QPoint(80 + 100, 200 + 28 + 16);
        const QPoint settings = origin + QPoint(19 + 65, 524 + 21 + 9);
        x.click(link);
        QTest::qWait(1000);
        x.click(settings); // while the reply comes in
        QTest::qWait(5000);
        // The check is over; the user's next click goes where it is aimed.
        x.click(link);
        QTest::qWait(1500);
        requestsAfterSecondClick = int(m_server->requests().size());
        settingsWindows = x.windows(QStringLiteral("Settings"));
        for (const QString &window : settingsWindows)
            x.key(window, QStringLiteral("Escape"));
        QTest::qWait(5000);
        x.click(origin + QPoint(667 + 65, 524 + 21 + 9)); // Exit
    });
    QCOMPARE(settingsWindows, QStringList());
    QCOMPARE(requestsAfterSecondClick, 2);
    QCOMPARE(code, 0);
    QVERIFY2(logHas({QStringLiteral("Checking for updates ..."), QStringLiteral("No updates are available."),
                     QStringLiteral("Checking for updates ..."), QStringLiteral("No updates are available.")}),
             m_stderr.constData());
}

QTEST_GUILESS_MAIN(tst_PelkUpdaterEndToEnd)
#include "tst_PelkUpdaterEndToEnd.moc"
