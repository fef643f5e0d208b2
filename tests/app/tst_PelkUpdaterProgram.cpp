// The real program, copied into a folder of its own with the example files: which language
// a run starts with, that it is stored at the end of interactive and silent runs, the exit
// code, and the title that the window frame shows.

#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "settings/RegFileStore.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>

namespace {
constexpr int kRunTimeoutMs = 60000;
} // namespace

class tst_PelkUpdaterProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void exampleIniCarriesEveryText();
    void runChoosesAndStoresLanguage_data();
    void runChoosesAndStoresLanguage();
    void silentRunAppliesLanguageBeforeCheck();
    void endsWithoutDisplayOrWithQtOptions_data();
    void endsWithoutDisplayOrWithQtOptions();
    void flawedStoreKeepsItsSettings_data();
    void flawedStoreKeepsItsSettings();
    void unsavableStoreIsToldOnce_data();
    void unsavableStoreIsToldOnce();
    void windowFrameShowsExactTitle();
    void secondRunEndsAtOnce_data();
    void secondRunEndsAtOnce();
    void automaticRunsWaitAfterFailures();
    void showRequestIsWhatCheckSends();

private:
    QProcessEnvironment environment() const;
    QString userRegFile() const { return m_dir->filePath(QStringLiteral("config/Orbel/user.reg")); }
    RegFileStore store() const
    {
        return RegFileStore(userRegFile(), m_dir->filePath(QStringLiteral("etc/Orbel/machine.reg")));
    }
    void writeServicePack(const char *allow);
    void setServiceAddress(const QByteArray &address);
    // Runs the program to its end while this thread's event loop serves a test server; the
    // exit code, -1 when it did not end by itself. `errors` gets its standard error.
    int runServed(const QStringList &arguments, QByteArray &errors) const;
    // Runs the program with "/SILENT" or without (ending after the first paint) to its end
    // with status 0; false otherwise. `errors` gets its standard error.
    bool runToEnd(bool silent, QByteArray &errors) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_program;
};

void tst_PelkUpdaterProgram::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString folder = m_dir->filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("config"))));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("etc"))));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("home"))));
    m_program = folder + QStringLiteral("/PelkUpdater");
    QVERIFY(QFile::copy(QStringLiteral(PELK_PROGRAM), m_program));
    QVERIFY(QFile::setPermissions(m_program, QFile::permissions(m_program) | QFile::ExeOwner));
    // The network module, for the runs that check; the page module stays out (no messages window).
    QVERIFY(QFile::copy(QFileInfo(QStringLiteral(PELK_PROGRAM)).path() + QStringLiteral("/PelkNetwork.so"),
                        folder + QStringLiteral("/PelkNetwork.so")));
    QVERIFY(QFile::copy(QStringLiteral(PELK_EXAMPLES_DIR "/PelkUpdater.ini"),
                        folder + QStringLiteral("/PelkUpdater.ini")));
    // No request leaves the machine: online updates are off unless a test turns them on.
    writeServicePack("0");
}

void tst_PelkUpdaterProgram::cleanup()
{
    m_dir.reset();
}

void tst_PelkUpdaterProgram::writeServicePack(const char *allow)
{
    QFile file(m_dir->filePath(QStringLiteral("program/PelkServicePack.pelk")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray("<?xml version=\"1.0\"?>\n<Pelk><ProgVersion Value=\"5.2.1.7\"/>"
                          "<AllowOnlineUpdate Value=\"") + allow + "\"/></Pelk>\n");
}

void tst_PelkUpdaterProgram::setServiceAddress(const QByteArray &address)
{
    QFile ini(m_dir->filePath(QStringLiteral("program/PelkUpdater.ini")));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll().replace("UpdateCheckURL=", QByteArray("UpdateCheckURL=" + address + "\n;"));
    ini.close();
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write(text);
}

int tst_PelkUpdaterProgram::runServed(const QStringList &arguments, QByteArray &errors) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    QEventLoop loop;
    connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kRunTimeoutMs, &loop, &QEventLoop::quit);
    process.start(m_program, arguments);
    loop.exec();
    errors = process.readAllStandardError();
    const bool ended = process.state() == QProcess::NotRunning && process.exitStatus() == QProcess::NormalExit;
    if (!ended)
        process.kill();
    return ended ? process.exitCode() : -1;
}

bool tst_PelkUpdaterProgram::runToEnd(bool silent, QByteArray &errors) const
{
    QProcessEnvironment env = environment();
    if (!silent)
        env.insert(QStringLiteral("PELK_QUIT_AFTER_FIRST_PAINT"), QStringLiteral("1"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(m_program, silent ? QStringList{QStringLiteral("/SILENT")} : QStringList());
    const bool ended = process.waitForFinished(kRunTimeoutMs);
    errors = process.readAllStandardError();
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QProcessEnvironment tst_PelkUpdaterProgram::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_CONFIG_DIRS"), m_dir->filePath(QStringLiteral("etc")));
    env.insert(QStringLiteral("HOME"), m_dir->filePath(QStringLiteral("home")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("PELK_QUIT_AFTER_FIRST_PAINT"));
    return env;
}

void tst_PelkUpdaterProgram::exampleIniCarriesEveryText()
{
    const IniFile ini(QStringLiteral(PELK_EXAMPLES_DIR "/PelkUpdater.ini"));
    QCOMPARE(ini.readString(QStringLiteral("Langs"), QStringLiteral("LangKey1"), QString()), QStringLiteral("de"));
    QCOMPARE(ini.readString(QStringLiteral("Langs"), QStringLiteral("LangDesc1"), QString()), QStringLiteral("Deutsch"));
    QCOMPARE(ini.readString(QStringLiteral("Langs"), QStringLiteral("LangKey2"), QString()), QStringLiteral("engb"));
    QCOMPARE(ini.readString(QStringLiteral("Langs"), QStringLiteral("LangDesc2"), QString()), QStringLiteral("English"));
    QCOMPARE(ini.readString(QStringLiteral("Config"), QStringLiteral("UpdateCheckURL"), QString()),
             QStringLiteral("http://127.0.0.1:8080/update"));
    QCOMPARE(AllTextKeys().size(), 74);
    for (const char *language : {"Texts_de", "Texts_engb"}) {
        for (const QByteArray &key : AllTextKeys()) {
            const QString value = ini.readString(QLatin1String(language), QString::fromLatin1(key), QString());
            QVERIFY2(!value.isEmpty(), qPrintable(QLatin1String(language) + QLatin1Char(' ') + QLatin1String(key)));
        }
    }
    QFile pack(QStringLiteral(PELK_EXAMPLES_DIR "/PelkServicePack.pelk"));
    QVERIFY(pack.open(QIODevice::ReadOnly));
    QVERIFY(pack.readAll().contains("<AllowOnlineUpdate Value=\"1\"/>"));
}

void tst_PelkUpdaterProgram::runChoosesAndStoresLanguage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("storedBefore");
    QTest::addColumn<QString>("storedAfter");

    const QString silent = QStringLiteral("/SILENT");
    QTest::newRow("silent, nothing stored: first language") << QStringList{silent} << QByteArray() << "de";
    QTest::newRow("silent, /LNG:engb") << QStringList{silent, QStringLiteral("/LNG:engb")} << QByteArray() << "engb";
    QTest::newRow("silent, stored engb") << QStringList{silent} << QByteArray("engb") << "engb";
    QTest::newRow("silent, /lng:DE beats stored") << QStringList{QStringLiteral("/lng:DE"), QStringLiteral("/silent")}
                                                  << QByteArray("engb") << "de";
    QTest::newRow("silent, unknown code, stored ENGB") << QStringList{silent, QStringLiteral("/LNG:xx")}
                                                      << QByteArray("ENGB") << "engb";
    QTest::newRow("silent, last /LNG: wins") << QStringList{QStringLiteral("/LNG:de"), QStringLiteral("/LNG:engb"), silent}
                                             << QByteArray("de") << "engb";
    QTest::newRow("interactive, /LNG:engb") << QStringList{QStringLiteral("/LNG:engb")} << QByteArray("de") << "engb";
    QTest::newRow("interactive, stored de") << QStringList{} << QByteArray("de") << "de";
}

void tst_PelkUpdaterProgram::runChoosesAndStoresLanguage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, storedBefore);
    QFETCH(QString, storedAfter);

    if (!storedBefore.isEmpty()) {
        RegFileStore before = store();
        WriteStoredLanguage(before, storedBefore);
    }
    QProcessEnvironment env = environment();
    const bool interactive = !arguments.contains(QStringLiteral("/SILENT"), Qt::CaseInsensitive);
    if (interactive)
        env.insert(QStringLiteral("PELK_QUIT_AFTER_FIRST_PAINT"), QStringLiteral("1"));

    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_dir->path());
    process.start(m_program, arguments);
    QVERIFY2(process.waitForFinished(kRunTimeoutMs), "the run did not end by itself");
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    RegFileStore after = store();
    QCOMPARE(QString::fromUtf8(ReadStoredLanguage(after)), storedAfter);
    auto key = after.openKey(RegistryRoot::CurrentUser, UpdaterKeyPath, false);
    QVERIFY(key);
    QCOMPARE(key->readString(QStringLiteral("UpdaterPath")), m_dir->filePath(QStringLiteral("program/")));
}

void tst_PelkUpdaterProgram::silentRunAppliesLanguageBeforeCheck()
{
    // The silent check's log line (it may not go online) is in the language of /LNG:.
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(m_program, {QStringLiteral("/SILENT"), QStringLiteral("/LNG:engb")});
    QVERIFY(process.waitForFinished(kRunTimeoutMs));
    QCOMPARE(process.exitCode(), 0);
    const QString errors = QString::fromUtf8(process.readAllStandardError());
    QVERIFY2(errors.contains(QStringLiteral("Online updates are not enabled for this installation.")),
             qPrintable(errors));
}

void tst_PelkUpdaterProgram::endsWithoutDisplayOrWithQtOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("display"); // false: no display and no platform chosen
    QTest::addColumn<bool>("servicePack");
    QTest::addColumn<QString>("line"); // the start of a line on standard error
    // "wish", "allowed", "no address", "closed port", "checked <n> h ago",
    // "policy <line>"
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("exitCode");

    const QString silent = QStringLiteral("/SILENT");
    const QString english = QStringLiteral("/LNG:engb");
    const QString notEnabled = QStringLiteral("Online updates are not enabled for this installation.");
    QTest::newRow("silent, no display") << QStringList{silent, english} << false << true << notEnabled << QStringList() << 0;
    QTest::newRow("auto, no display, no wish")
        << QStringList{QStringLiteral("/AUTO")} << false << true
        << QStringLiteral("Automatische Update-Prüfungen sind in den Einstellungen ausgeschaltet: Es wurde nichts geprüft.")
        << QStringList() << 0;
    QTest::newRow("interactive, no display")
        << QStringList{english} << false << true
        << QStringLiteral("PelkUpdater: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
                          "\"/SILENT\" checks for updates without one.") << QStringList() << 0;
    // The error box would wait for ever for a click that nobody can give.
    QTest::newRow("silent, no display, no service pack")
        << QStringList{silent} << false << false
        << QStringLiteral("Error loading %1/program/PelkServicePack.pelk.") << QStringList() << 0;
    QTest::newRow("silent, Qt's -platform")
        << QStringList{silent, QStringLiteral("-platform"), QStringLiteral("nonexistent"), english} << true << true
        << notEnabled << QStringList() << 0;
    QTest::newRow("silent, Qt's -platform, no display")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("xcb"), silent, english} << false << true
        << notEnabled << QStringList() << 0;
    // "/AUTO" tells a failed check by its status, and checks once in 20 hours at the most.
    const QString auto_ = QStringLiteral("/AUTO");
    QTest::newRow("auto, online updates off") << QStringList{auto_, english} << false << true << notEnabled
                                              << QStringList{QStringLiteral("wish")} << 2;
    QTest::newRow("auto, no address") << QStringList{auto_, english} << false << true
                                      << QStringLiteral("Error: No address of the update service")
                                      << QStringList{QStringLiteral("wish"), QStringLiteral("allowed"),
                                                     QStringLiteral("no address")} << 1;
    // The network's own failures are told in the run's language too.
    QTest::newRow("auto, connection refused, German")
        << QStringList{auto_} << false << true << QStringLiteral("Fehler: Verbindung abgelehnt von 127.0.0.1:1")
        << QStringList{QStringLiteral("wish"), QStringLiteral("allowed"), QStringLiteral("closed port")} << 1;
    QTest::newRow("silent, no address") << QStringList{silent, english} << false << true
                                        << QStringLiteral("Error: No address of the update service")
                                        << QStringList{QStringLiteral("allowed"), QStringLiteral("no address")} << 0;
    QTest::newRow("auto, checked an hour ago")
        << QStringList{auto_} << false << true
        << QStringLiteral("Vor weniger als 20 Stunden war eine Update-Prüfung erfolgreich: Es wurde nichts geprüft.")
        << QStringList{QStringLiteral("wish"), QStringLiteral("checked 1 h ago")} << 0;
    QTest::newRow("auto, checked 21 hours ago") << QStringList{auto_, english} << false << true << notEnabled
                                                << QStringList{QStringLiteral("wish"), QStringLiteral("checked 21 h ago")} << 2;
    for (const char *option : {"--help", "/?"})
        QTest::newRow(option) << QStringList{QLatin1String(option)} << false << true
                              << QStringLiteral("Usage: PelkUpdater [/SILENT | /AUTO] [/LNG:<language>]")
                              << QStringList() << 0;
    QTest::newRow("--version") << QStringList{QStringLiteral("--version"), silent} << false << true
                               << QStringLiteral("PelkUpdater ") << QStringList() << 0;
    // The administrator's [Policy] lock wins over the user's wish, both ways.
    const QString checksOff = QStringLiteral("Automatic update checks are switched off in the settings: nothing was checked.");
    QTest::newRow("auto, AutoUpdate locked on") << QStringList{auto_, english} << false << true << notEnabled
                                                << QStringList{QStringLiteral("policy AutoUpdate=1")} << 2;
    QTest::newRow("auto, AutoUpdate locked off")
        << QStringList{auto_, english} << false << true << checksOff
        << QStringList{QStringLiteral("wish"), QStringLiteral("policy AutoUpdate=0")} << 0;
    // Printed without a window, and nothing stored (the test compares the store before and after).
    const QString show = QStringLiteral("--show-settings");
    QTest::newRow("--show-settings, administrator") << QStringList{show} << false << true
                                                   << QStringLiteral("ProxyOption = \"1\" (administrator)")
                                                   << QStringList{QStringLiteral("wish"), QStringLiteral("policy ProxyOption=1")} << 0;
    QTest::newRow("--show-settings, user") << QStringList{show} << false << true
                                          << QStringLiteral("AutoUpdate = \"1\" (user)")
                                          << QStringList{QStringLiteral("wish"), QStringLiteral("policy ProxyOption=1")} << 0;
    QTest::newRow("--show-settings, metered connections") << QStringList{show} << false << true
                                                         << QStringLiteral("AutoCheckOnMetered = \"1\" (administrator)")
                                                         << QStringList{QStringLiteral("policy AutoCheckOnMetered=1")} << 0;
    QTest::newRow("--show-settings, default") << QStringList{show} << false << true
                                             << QStringLiteral("Language = \"\" (default)") << QStringList() << 0;
    QTest::newRow("--show-settings, unreadable lock") << QStringList{show} << false << true
                                                     << QStringLiteral("PelkUpdater: The administrator's setting 'ProxyAuth' is not a number")
                                                     << QStringList{QStringLiteral("policy ProxyAuth=on")} << 1;
    // The body the next check sends, sending nothing and storing nothing (not even an ID).
    const QString request = QStringLiteral("--show-request");
    QTest::newRow("--show-request, no ID yet") << QStringList{request, english} << false << true
                                              << QStringLiteral("id=&pv=5.2.1.7&ov=&bt=&ut=&lg=engb&wv=")
                                              << QStringList{QStringLiteral("wish")} << 0;
    QTest::newRow("--show-request, no ID yet: said")
        << QStringList{request, english} << false << true
        << QStringLiteral("No installation ID is stored yet: the first check makes a new one.") << QStringList() << 0;
    QTest::newRow("--show-request, online updates off: said")
        << QStringList{request, english} << false << true << notEnabled << QStringList() << 0;
    QTest::newRow("--show-request, no address") << QStringList{request, english} << false << true
                                               << QStringLiteral("PelkUpdater: No address of the update service")
                                               << QStringList{QStringLiteral("no address")} << 1;
}

void tst_PelkUpdaterProgram::endsWithoutDisplayOrWithQtOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, display);
    QFETCH(bool, servicePack);
    QFETCH(QString, line);
    QFETCH(QStringList, before);
    QFETCH(int, exitCode);

    if (before.contains(QLatin1String("wish"))) {
        RegFileStore settings = store();
        WriteAutoUpdate(settings, QStringLiteral("5.2.1.7"), true);
    }
    if (before.contains(QLatin1String("allowed")))
        writeServicePack("1");
    if (before.contains(QLatin1String("no address")))
        setServiceAddress(QByteArray());
    if (before.contains(QLatin1String("closed port")))
        setServiceAddress("http://127.0.0.1:1/update");
    for (const QString &step : before) {
        static const QRegularExpression checkedAgo(QStringLiteral("^checked (\\d+) h ago$"));
        const QRegularExpressionMatch match = checkedAgo.match(step);
        if (match.hasMatch()) {
            RegFileStore settings = store();
            WriteLastSuccessfulCheck(settings, QDateTime::currentDateTimeUtc().addSecs(-3600 * match.captured(1).toInt()));
        }
    }

    for (const QString &step : before) {
        if (step.startsWith(QLatin1String("policy "))) {
            QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("etc/Orbel"))));
            QFile policy(m_dir->filePath(QStringLiteral("etc/Orbel/PelkUpdater.ini")));
            QVERIFY(policy.open(QIODevice::WriteOnly));
            policy.write("[Policy]\n" + step.mid(7).toUtf8() + "\n");
        }
    }
    auto storeBytes = [this] {
        QFile file(userRegFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("none");
    };
    const QByteArray storedBefore = storeBytes();

    QProcessEnvironment env = environment();
    if (!display) {
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QLatin1String(name));
    }
    if (!servicePack)
        QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("program/PelkServicePack.pelk"))));

    QProcess process;
    process.setProcessEnvironment(env);
    process.start(m_program, arguments);
    QVERIFY2(process.waitForFinished(kRunTimeoutMs), "the run did not end by itself");
    const QString output = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), exitCode);
    const QString expected = line.contains(QLatin1String("%1")) ? line.arg(m_dir->path()) : line;
    const QStringList lines = output.split(QLatin1Char('\n'));
    QVERIFY2(std::any_of(lines.cbegin(), lines.cend(), [&](const QString &l) { return l.startsWith(expected); }),
             qPrintable(output));
    if (arguments.contains(QLatin1String("--show-settings")) || arguments.contains(QLatin1String("--show-request")))
        QCOMPARE(storeBytes(), storedBefore);
}

void tst_PelkUpdaterProgram::flawedStoreKeepsItsSettings_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("flaw");    // put before the header, or after it when it ends in a line break
    QTest::addColumn<int>("noticeLines");    // on standard error
    QTest::newRow("silent, blank line before the header") << true << QByteArray("\r\n") << 0;
    QTest::newRow("silent, one unreadable line") << true << QByteArray("\nstray line") << 1;
    // An interactive start tells it in the error box instead.
    QTest::newRow("interactive, one unreadable line") << false << QByteArray("\nstray line") << 0;
}

// One flaw in the settings file costs nothing that can still be read, and the user hears of a
// damaged file once.
void tst_PelkUpdaterProgram::flawedStoreKeepsItsSettings()
{
    QFETCH(bool, silent);
    QFETCH(QByteArray, flaw);
    QFETCH(int, noticeLines);
    QByteArray id;
    {
        RegFileStore before = store();
        WriteStoredLanguage(before, "engb");
        id = GetInstallationId(before);
    }
    QFile file(userRegFile());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray flawed = file.readAll();
    file.close();
    if (flaw.startsWith('\n'))
        flawed.insert(flawed.indexOf('\n'), flaw);
    else
        flawed.prepend(flaw);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(flawed);
    file.close();

    QByteArray errors;
    QVERIFY(runToEnd(silent, errors));
    QCOMPARE(errors.count("was damaged"), noticeLines);
    RegFileStore after = store();
    QCOMPARE(ReadStoredLanguage(after), QByteArray("engb"));
    QCOMPARE(GetInstallationId(after), id);
    QFile kept(userRegFile() + QStringLiteral(".damaged"));
    const bool damaged = flaw.startsWith('\n');
    QCOMPARE(kept.exists(), damaged);
    if (damaged) {
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), flawed);
    }
}

void tst_PelkUpdaterProgram::unsavableStoreIsToldOnce_data()
{
    QTest::addColumn<bool>("silent");
    QTest::addColumn<int>("noticeLines"); // on standard error
    QTest::newRow("silent") << true << 1;
    QTest::newRow("interactive: in the error box") << false << 0;
}

// Without a settings file and without a way to make one, nothing of the run is kept; the user
// hears of it once, with the file and the reason.
void tst_PelkUpdaterProgram::unsavableStoreIsToldOnce()
{
    QFETCH(bool, silent);
    QFETCH(int, noticeLines);
    QFile blocker(m_dir->filePath(QStringLiteral("config/Orbel")));
    QVERIFY(blocker.open(QIODevice::WriteOnly)); // the store's folder is a file, for root too
    blocker.close();

    QByteArray output;
    QVERIFY(runToEnd(silent, output));
    const QString errors = QString::fromUtf8(output);
    const QString notice =
        QStringLiteral("The settings file \"%1\" cannot be written: Not a directory. Nothing of this run is kept").arg(userRegFile());
    QVERIFY2(errors.count(notice) == noticeLines, qPrintable(errors));
}

void tst_PelkUpdaterProgram::windowFrameShowsExactTitle()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    const QString xwininfo = QStandardPaths::findExecutable(QStringLiteral("xwininfo"));
    if (xvfb.isEmpty() || xwininfo.isEmpty())
        QSKIP("needs Xvfb and xwininfo to read the title an X window manager would show");

    // A private X server; it tells its display number on the descriptor we give it.
    QProcess server;
    server.setProcessChannelMode(QProcess::SeparateChannels);
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-nolisten"),
                        QStringLiteral("tcp"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1280x1024x24")});
    QVERIFY(server.waitForStarted());
    // -displayfd writes the number and a newline once the server accepts clients.
    QByteArray announced;
    for (int i = 0; i < 200 && !announced.contains('\n'); ++i) {
        server.waitForReadyRead(100);
        announced += server.readAllStandardOutput();
    }
    const QByteArray displayNumber = announced.trimmed();
    QVERIFY2(!displayNumber.isEmpty(), "Xvfb gave no display number");
    const QString display = QLatin1Char(':') + QString::fromLatin1(displayNumber);

    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("DISPLAY"), display);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(m_program, {QStringLiteral("/LNG:engb")});
    QVERIFY(program.waitForStarted());

    QString titles;
    QProcess query;
    QProcessEnvironment queryEnv = QProcessEnvironment::systemEnvironment();
    queryEnv.insert(QStringLiteral("DISPLAY"), display);
    query.setProcessEnvironment(queryEnv);
    for (int i = 0; i < 100 && !titles.contains(QStringLiteral("Orbel")); ++i) {
        QTest::qWait(100);
        query.start(xwininfo, {QStringLiteral("-root"), QStringLiteral("-tree")});
        query.waitForFinished(5000);
        titles = QString::fromUtf8(query.readAllStandardOutput());
    }
    program.kill();
    program.waitForFinished(5000);
    server.terminate();
    server.waitForFinished(5000);

    // Each titled window appears as: 0x... "Title": ("name" "class") ...
    static const QRegularExpression titled(QStringLiteral("0x[0-9a-f]+ \"([^\"]*Orbel[^\"]*)\""));
    QStringList found;
    for (auto it = titled.globalMatch(titles); it.hasNext();)
        found << it.next().captured(1);
    QVERIFY2(!found.isEmpty(), qPrintable(titles));
    for (const QString &title : found)
        QCOMPARE(title, QStringLiteral("Orbel - Catalog - Check for Updates"));
}

void tst_PelkUpdaterProgram::secondRunEndsAtOnce_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("said"); // a line on standard error; an interactive start raises the first's window
    QTest::newRow("silent") << QStringList{QStringLiteral("/SILENT"), QStringLiteral("/LNG:engb")} << true;
    QTest::newRow("automatic") << QStringList{QStringLiteral("/AUTO"), QStringLiteral("/LNG:engb")} << true;
    QTest::newRow("interactive") << QStringList{QStringLiteral("/LNG:engb")} << false;
}

// The timer's run and the autostart entry's may meet: the later one ends before it does anything.
void tst_PelkUpdaterProgram::secondRunEndsAtOnce()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, said);
    {
        RegFileStore settings = store();
        WriteAutoUpdate(settings, QStringLiteral("5.2.1.7"), true);
    }
    QProcess first;
    first.setProcessEnvironment(environment());
    first.start(m_program, {QStringLiteral("/LNG:engb")});
    const auto stopFirst = qScopeGuard([&first] {
        first.kill();
        first.waitForFinished();
    });
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(m_dir->filePath(QStringLiteral("config/Orbel/PelkUpdater.raise"))),
                             kRunTimeoutMs);

    QProcess second;
    second.setProcessEnvironment(environment());
    second.start(m_program, arguments);
    QVERIFY2(second.waitForFinished(kRunTimeoutMs), "the second run did not end by itself");
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    const QString errors = QString::fromUtf8(second.readAllStandardError());
    // A silent run that went on would have said that online updates are off.
    QVERIFY2(!errors.contains(QLatin1String("Online updates")), qPrintable(errors));
    QCOMPARE(errors.contains(QLatin1String("already running")), said);
    QCOMPARE(first.state(), QProcess::Running);
}

void tst_PelkUpdaterProgram::automaticRunsWaitAfterFailures()
{
    TestHttpServer service;
    QVERIFY(service.listen());
    setServiceAddress(service.url("/update"));
    writeServicePack("1");
    {
        RegFileStore settings = store();
        WriteAutoUpdate(settings, QStringLiteral("5.2.1.7"), true);
    }
    // Read afresh after each run: the program wrote the file.
    auto nextCheck = [this] {
        RegFileStore settings = store();
        return ReadNextAutomaticCheck(settings);
    };
    auto failures = [this] {
        RegFileStore settings = store();
        return ReadFailedAutomaticChecks(settings);
    };
    const QStringList automatic{QStringLiteral("/AUTO"), QStringLiteral("/LNG:engb")};
    const CannedReply unavailable = CannedReply::withStatus(503, "Service Unavailable");
    CannedReply askingTwoSeconds = unavailable;
    askingTwoSeconds.addHeader("Retry-After", "2");
    const CannedReply feed = CannedReply::ok("<messages/>");
    QByteArray errors;

    // A failed automatic check makes the next automatic run wait, and say so.
    service.setReply("/update", unavailable);
    QCOMPARE(runServed(automatic, errors), 1);
    QCOMPARE(runServed(automatic, errors), 0);
    QVERIFY2(errors.contains("The update service asked to wait, or the last automatic checks failed"), errors.constData());
    QCOMPARE(service.requests().size(), 1);
    // "/SILENT" checks all the same, and its feed ends the wait.
    service.setReply("/update", feed);
    QCOMPARE(runServed({QStringLiteral("/SILENT")}, errors), 0);
    QCOMPARE(service.requests().size(), 2);
    QVERIFY(!nextCheck());

    // Retry-After: 2 sets the next automatic check two seconds after the reply, no later
    // (the success above would otherwise keep "/AUTO" from checking for 20 hours).
    {
        RegFileStore settings = store();
        WriteLastSuccessfulCheck(settings, QDateTime::currentDateTimeUtc().addSecs(-21 * 3600));
    }
    service.setReply("/update", askingTwoSeconds);
    const QDateTime before = QDateTime::currentDateTimeUtc();
    QCOMPARE(runServed(automatic, errors), 1);
    const std::optional<QDateTime> next = nextCheck();
    QVERIFY(next);
    QVERIFY(*next >= before.addSecs(1) && *next <= QDateTime::currentDateTimeUtc().addSecs(2));
    QCOMPARE(failures(), 1u);
    QTest::qWait(int(QDateTime::currentDateTimeUtc().msecsTo(*next)) + 1000);
    service.setReply("/update", feed);
    QCOMPARE(runServed(automatic, errors), 0);
    QCOMPARE(service.requests().size(), 4);
    QCOMPARE(failures(), 0u);
}

// "--show-request" prints exactly the body that the next check then sends to a real service;
// no field depends on the time.
void tst_PelkUpdaterProgram::showRequestIsWhatCheckSends()
{
    {
        RegFileStore settings = store();
        GetInstallationId(settings); // as an earlier check made it
    }
    writeServicePack("1");
    TestHttpServer service;
    QVERIFY(service.listen());
    service.setReply("/update", CannedReply::ok("<messages/>"));
    setServiceAddress(service.url("/update"));

    QProcess show;
    show.setProcessEnvironment(environment());
    show.start(m_program, {QStringLiteral("--show-request"), QStringLiteral("/LNG:engb")});
    QVERIFY(show.waitForFinished(kRunTimeoutMs));
    QCOMPARE(show.exitCode(), 0);
    const QByteArray shown = show.readAllStandardOutput();
    QVERIFY(shown.startsWith("id=") && !shown.startsWith("id=&"));

    QByteArray errors;
    QCOMPARE(runServed({QStringLiteral("/SILENT"), QStringLiteral("/LNG:engb")}, errors), 0);
    QCOMPARE(service.requests().size(), 1);
    QCOMPARE(shown, service.requests().constFirst().body + '\n');
}

QTEST_MAIN(tst_PelkUpdaterProgram)
#include "tst_PelkUpdaterProgram.moc"
