// The real program's "/AUTO" run against the desktop's services on private buses: the
// notification instead of the messages window (python3-dbusmock's notification daemon on the
// session bus) and no check on a metered connection (its NetworkManager on the system bus).

#include "settings/RegFileStore.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "support/PrivateBus.h"
#include "support/TestHttpServer.h"

#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr int kRunTimeoutMs = 60000;
const QString kVersion = QStringLiteral("5.2.1.7");
const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kMock = QStringLiteral("org.freedesktop.DBus.Mock");
const QString kOffLine = QStringLiteral("The connection is metered: automatic update checks wait for another one; "
                                        "nothing was checked.");

// a1 is read; b2 is the newest by date though c3 comes last; c3 may be urgent.
QByteArray feed(bool urgent)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messages>\n"
                      "<message id=\"a1\" date=\"20260320\" type=\"info\"><title>Read</title><desc/></message>\n"
                      "<message id=\"b2\" date=\"20260315\" type=\"update\"><title>Update &lt;b&gt;5.3&lt;/b&gt;</title>"
                      "<desc/></message>\n<message id=\"c3\" date=\"20260312\" type=\"info\"")
        + (urgent ? " prio=\"high\"" : "") + "><title>Notice</title><desc/></message>\n</messages>\n";
}
} // namespace

class tst_AutomaticRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void automaticRun_data();
    void automaticRun();

private:
    QString m_program;
};

void tst_AutomaticRun::automaticRun_data()
{
    QTest::addColumn<QString>("run");        // "/AUTO" or "/SILENT"
    QTest::addColumn<bool>("notifications"); // a notification service on the session bus
    QTest::addColumn<int>("metered");        // NetworkManager's NMMetered; -1: no NetworkManager
    QTest::addColumn<QString>("allowed");    // AutoCheckOnMetered=1 by "user" or "policy"
    QTest::addColumn<bool>("urgent");
    QTest::addColumn<QString>("answer");     // to the notification: "open", "close" or "" (none)
    QTest::addColumn<bool>("checks");
    QTest::addColumn<QString>("line");       // the start of a line on standard error
    QTest::addColumn<int>("urgency");        // of the notification; 0: none posted
    QTest::addColumn<bool>("window");        // the messages window shown

    QTest::newRow("notification, opened") << "/AUTO" << true << 2 << "" << false << "open" << true << "" << 1 << true;
    QTest::newRow("notification, urgent, closed") << "/AUTO" << true << -1 << "" << true << "close" << true << "" << 2 << false;
    QTest::newRow("notification left alone") << "/AUTO" << true << -1 << "" << false << "" << true << "" << 1 << false;
    QTest::newRow("no notification service: the window") << "/AUTO" << false << -1 << "" << false << "" << true << "" << 0 << true;
    QTest::newRow("silent: the window") << "/SILENT" << true << 1 << "" << false << "" << true << "" << 0 << true;
    QTest::newRow("metered") << "/AUTO" << false << 1 << "" << false << "" << false << kOffLine << 0 << false;
    QTest::newRow("metered, guessed") << "/AUTO" << false << 3 << "" << false << "" << false << kOffLine << 0 << false;
    QTest::newRow("not metered, guessed") << "/AUTO" << true << 4 << "" << false << "close" << true << "" << 1 << false;
    QTest::newRow("metered, user allows") << "/AUTO" << true << 1 << "user" << false << "close" << true << "" << 1 << false;
    QTest::newRow("metered, administrator allows") << "/AUTO" << true << 1 << "policy" << false << "close" << true << "" << 1 << false;
}

void tst_AutomaticRun::automaticRun()
{
    QFETCH(QString, run);
    QFETCH(bool, notifications);
    QFETCH(int, metered);
    QFETCH(QString, allowed);
    QFETCH(bool, urgent);
    QFETCH(QString, answer);
    QFETCH(bool, checks);
    QFETCH(QString, line);
    QFETCH(int, urgency);
    QFETCH(bool, window);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("etc/Orbel"))));
    const QString program = folder + QStringLiteral("/PelkUpdater");
    QVERIFY(QFile::copy(QStringLiteral(PELK_PROGRAM), program));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeOwner));
    QVERIFY(QFile::copy(QStringLiteral(PELK_NETWORK_MODULE), folder + QStringLiteral("/PelkNetwork.so")));
    QFile pack(folder + QStringLiteral("/PelkServicePack.pelk"));
    QVERIFY(pack.open(QIODevice::WriteOnly));
    pack.write("<?xml version=\"1.0\"?>\n<Pelk><ProgVersion Value=\"5.2.1.7\"/><AllowOnlineUpdate Value=\"1\"/></Pelk>\n");
    pack.close();

    TestHttpServer server;
    QVERIFY(server.listen());
    server.setReply("/update", CannedReply::ok(feed(urgent)));
    QFile example(QStringLiteral(PELK_EXAMPLES_DIR "/PelkUpdater.ini"));
    QVERIFY(example.open(QIODevice::ReadOnly));
    QFile ini(folder + QStringLiteral("/PelkUpdater.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(example.readAll().replace("UpdateCheckURL=", QByteArray("UpdateCheckURL=" + server.url("/update") + "\n;")));
    ini.close();

    const QString userFile = dir.filePath(QStringLiteral("config/Orbel/user.reg"));
    const auto store = [&] { return RegFileStore(userFile, dir.filePath(QStringLiteral("etc/Orbel/machine.reg"))); };
    {
        RegFileStore settings = store();
        WriteAutoUpdate(settings, kVersion, true);
        SaveOldMsgIds(settings, kVersion, {"a1"});
        if (allowed == QLatin1String("user"))
            WriteAutoCheckOnMetered(settings, true);
    }
    if (allowed == QLatin1String("policy")) {
        QFile policy(dir.filePath(QStringLiteral("etc/Orbel/PelkUpdater.ini")));
        QVERIFY(policy.open(QIODevice::WriteOnly));
        policy.write("[Policy]\nAutoCheckOnMetered=1\n");
    }

    PrivateBus session;
    PrivateBus system;
    QVERIFY(session.isRunning() && system.isRunning());
    if (notifications)
        QVERIFY(session.startMock(QStringLiteral("notification_daemon"), kNotifications));
    if (metered >= 0) {
        const QString manager = QStringLiteral("org.freedesktop.NetworkManager");
        QVERIFY(system.startMock(QStringLiteral("networkmanager"), manager));
        const QDBusMessage added = system.call(manager, QStringLiteral("/org/freedesktop/NetworkManager"), kMock,
                                               QStringLiteral("AddProperty"),
                                               {manager, QStringLiteral("Metered"),
                                                QVariant::fromValue(QDBusVariant(uint(metered)))});
        QVERIFY2(added.type() == QDBusMessage::ReplyMessage, qPrintable(added.errorMessage()));
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const auto set = [&env](const char *name, const QString &value) { env.insert(QLatin1String(name), value); };
    set("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")));
    set("XDG_CONFIG_DIRS", dir.filePath(QStringLiteral("etc")));
    set("HOME", dir.path());
    set("QT_QPA_PLATFORM", QStringLiteral("offscreen"));
    set("DBUS_SESSION_BUS_ADDRESS", session.address());
    set("DBUS_SYSTEM_BUS_ADDRESS", system.address());
    // The wait for an answer, shortened where nobody answers.
    set("PELK_NOTIFICATION_WAIT_MS", QString::number(answer.isEmpty() ? 1000 : kRunTimeoutMs));
    // The user-playing plugin closes every window it sees and says so.
    set("QT_PLUGIN_PATH", QStringLiteral(PELK_DRIVER_PLUGIN_PATH));
    set("QT_QPA_GENERIC_PLUGINS", QStringLiteral("pelkdriver"));
    set("PELK_DRIVER_READ_MS", QStringLiteral("300"));
    for (const char *proxy : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "PELK_QUIT_AFTER_FIRST_PAINT"})
        env.remove(QLatin1String(proxy));

    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, {run, QStringLiteral("/LNG:engb")});
    QVERIFY(process.waitForStarted());
    QDeadlineTimer deadline(kRunTimeoutMs);
    if (urgency > 0) {
        while (!session.mockLog().contains(QLatin1String("Notify ")) && !deadline.hasExpired()
               && process.state() == QProcess::Running)
            QTest::qWait(50);
        const QString posted = session.mockLog();
        QVERIFY2(posted.contains(QStringLiteral(
                     "Notify \"PelkUpdater\" 0 \"com.orbel.PelkUpdater\" \"New messages: 2\" "
                     "\"Newest: Update &lt;b&gt;5.3&lt;/b&gt;\" [\"default\", \"Show messages\", \"open\", \"Show messages\"] "
                     "{\"desktop-entry\": \"com.orbel.PelkUpdater\", \"urgency\": %1} -1").arg(urgency)),
                 qPrintable(posted));
        if (answer == QLatin1String("open")) {
            session.call(kNotifications, kNotificationsPath, kMock, QStringLiteral("EmitSignal"),
                         {kNotifications, QStringLiteral("ActionInvoked"), QStringLiteral("us"),
                          QVariantList{1u, QStringLiteral("default")}});
        } else if (answer == QLatin1String("close")) {
            session.call(kNotifications, kNotificationsPath, kNotifications, QStringLiteral("CloseNotification"), {1u});
        }
    }
    // The service answers from this thread's event loop.
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(50);
    QVERIFY2(process.state() == QProcess::NotRunning, "the run did not end by itself");
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    QCOMPARE(server.requests().size(), checks ? 1 : 0);
    const QStringList lines = errors.split(QLatin1Char('\n'));
    if (!line.isEmpty())
        QVERIFY2(std::any_of(lines.cbegin(), lines.cend(), [&](const QString &l) { return l.startsWith(line); }),
                 qPrintable(errors));
    QVERIFY2(errors.contains(QLatin1String("pelkdriver: closing TFPelkUpdaterMessages")) == window, qPrintable(errors));
    if (urgency == 0)
        QVERIFY2(!session.mockLog().contains(QLatin1String("Notify ")), qPrintable(session.mockLog()));
    // A notification left alone goes when the run stops waiting for it.
    if (urgency > 0 && answer.isEmpty())
        QVERIFY2(session.mockLog().contains(QLatin1String("CloseNotification 1")), qPrintable(session.mockLog()));
    if (!window) {
        // Nothing was shown, so nothing new became read.
        RegFileStore after = store();
        QList<QByteArray> seen;
        LoadOldMsgIds(after, kVersion, seen);
        QCOMPARE(seen, QList<QByteArray>{"a1"});
    }
}

QTEST_MAIN(tst_AutomaticRun)
#include "tst_AutomaticRun.moc"
