// PelkUpdater: the "check for updates" companion of the Orbel catalogue.

#include "app/Accessibility.h"
#include "app/CommandLine.h"
#include "app/DesktopNotification.h"
#include "app/DisplayAvailable.h"
#include "app/NetworkManagerConnectionCost.h"
#include "app/ProgramPaths.h"
#include "app/QtArguments.h"
#include "app/SingleRun.h"
#include "app/UPelkUpdaterMain.h"
#include "base/FailureMessage.h"
#include "check/NetworkModule.h"
#include "check/UpdateRequest.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "messages/DesktopUrlOpener.h"
#include "messages/UPelkUpdaterMessages.h"
#include "settings/EffectiveSettings.h"
#include "settings/PolicyStore.h"
#include "settings/RegFileStore.h"
#include "settings/UPelkUpdaterSettings.h"
#include "base/Clock.h"
#include "sysinfo/InstallationData.h"
#include "sysinfo/SystemProbe.h"

#include <QApplication>
#include <QDBusConnection>
#include <QEvent>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

namespace {
// PELK_QUIT_AFTER_FIRST_PAINT=1 ends an interactive run as soon as the main window has
// been painted once: the start-up benchmark and the tests use it to time a real start.
class QuitAfterFirstPaint : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_quitting) {
            m_quitting = true;
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_quitting = false;
};

// How long an automatic run waits for the answer to its notification. PELK_NOTIFICATION_WAIT_MS
// shortens it for the tests.
std::chrono::milliseconds notificationWaitLimit()
{
    bool ok = false;
    const int shortened = qEnvironmentVariableIntValue("PELK_NOTIFICATION_WAIT_MS", &ok);
    if (ok && shortened > 0)
        return std::chrono::milliseconds(shortened);
    return std::chrono::hours(1);
}

// A start while another run of this user's is going on.
int endLaterRun(const SingleRun &singleRun, const CommandLineOptions &options)
{
    if (!options.SilentRun && singleRun.askFirstToShowItself())
        return 0;
    std::fputs("PelkUpdater: the program is already running for this user; this start ends.\n", stderr);
    return 0;
}

// The window the user works with in the running program: a modal one (the messages window,
// a question) before the main window; nothing when the run shows none.
void bringToFront(QWidget &mainWindow)
{
    QWidget *front = QApplication::activeModalWidget();
    if (!front && mainWindow.isVisible())
        front = &mainWindow;
    if (!front)
        return;
    front->setWindowState(front->windowState() & ~Qt::WindowMinimized);
    front->raise();
    front->activateWindow();
}

QList<QByteArray> argumentsOf(int argc, char *argv[])
{
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    return arguments;
}

// What the switches that print and end read, as a run reads it: the user's store under
// the administrator's locks and the installation beside the program. Nothing is stored.
struct ReadOnlyRun
{
    RegFileStore userStore;
    PolicyStore store{userStore, PolicyStore::readLocks(IniFile(AdministratorIniPath()))};
    InstallationData installation =
        ReadInstallationData(ProgramFolderWithSeparator(QCoreApplication::applicationFilePath()));
};

// Prints what `print` makes of a read-only run to standard output, or its failure to standard error.
int printAndEnd(int argc, char *argv[], const std::function<QByteArray(ReadOnlyRun &)> &print)
{
    // Only for the program's own path, which names the installation's folder.
    QCoreApplication application(argc, argv);
    try {
        ReadOnlyRun run;
        const QByteArray text = print(run);
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return 0;
    } catch (...) {
        std::fputs((QStringLiteral("PelkUpdater: ") + CurrentFailureMessage() + QLatin1Char('\n')).toUtf8().constData(),
                   stderr);
        return 1;
    }
}

// "--show-settings": every setting in effect and where it comes from.
QByteArray settingsText(ReadOnlyRun &run)
{
    const QList<EffectiveSetting> settings = ReadEffectiveSettings(run.userStore, run.store, run.installation.ProgVersion);
    return FormatEffectiveSettings(settings).toUtf8();
}

// "--show-request": the body the next check would send, byte for byte, in the language a
// run with the same "/LNG:" would choose.
QByteArray requestText(ReadOnlyRun &run, const QByteArray &commandLineLanguage)
{
    const IniFile ini(IniPathFor(QCoreApplication::applicationFilePath()), AdministratorIniPath());
    Languages languages(ini, run.store);
    languages.LoadLanguages(commandLineLanguage);
    const LinuxSystemProbe probe;
    const UpdateRequest request = NextUpdateRequest({run.installation, ini, languages, run.store, probe});
    const auto say = [](const QString &line) { std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stderr); };
    if (!run.installation.OnlineUpdateAllowed)
        say(languages.GetTextOrBuiltIn("txtOnlineUpdatesDisabled"));
    if (request.newId)
        say(languages.GetTextOrBuiltIn("txtSendsNewId"));
    return request.post.body + '\n';
}
} // namespace

int main(int argc, char *argv[])
{
    const CommandLineOptions options = ScanCommandLine(argumentsOf(argc, argv));
    // Answered before anything is read, stored, sent or shown.
    if (options.ShowHelp) {
        std::fputs(kUsageText, stdout);
        return 0;
    }
    if (options.ShowVersion) {
        std::fputs("PelkUpdater " PELK_VERSION "\n", stdout);
        return 0;
    }
    if (options.ShowSettings)
        return printAndEnd(argc, argv, settingsText);
    if (options.ShowRequest)
        return printAndEnd(argc, argv,
                           [&options](ReadOnlyRun &run) { return requestText(run, options.CommandLineLanguage); });
    // A silent run never shows the main window: it is simply not shown below.
    // Without a display a silent run still checks, on the offscreen platform; a window
    // that nobody could see has nothing to do.
    const bool display = DisplayAvailable();
    if (!display && !options.SilentRun) {
        std::fputs("PelkUpdater: no display to show the window on (DISPLAY and WAYLAND_DISPLAY are unset); "
                   "\"/SILENT\" checks for updates without one.\n", stderr);
        return 0;
    }

    RegFileStore userStore;
    // One run per user at a time; a later one ends before it reads or writes anything.
    SingleRun singleRun(QFileInfo(userStore.userFile()).absolutePath());
    if (!singleRun.isFirst())
        return endLaterRun(singleRun, options);

    // The messages window's HTML engine is loaded later, as a module; it shares its GL
    // contexts with the windows, which Qt arranges only when asked before the application.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QtArguments qtArguments(argc > 0 ? argv[0] : nullptr, !display);
    QApplication application(qtArguments.argc(), qtArguments.argv());
    InstallAccessibility();
    // Ties the windows to the installed desktop entry (its icon and name, also on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.orbel.PelkUpdater"));

    // Every window and the check see the user's settings under the administrator's locks.
    PolicyStore store(userStore, PolicyStore::readLocks(IniFile(AdministratorIniPath())));
    // A damaged settings file is mended before anything reads it; the user hears of it once.
    const QString storeNotice = userStore.setDamagedUserFileAside();
    LinuxSystemProbe probe;
    SystemClock clock;
    NetworkModule network(NetworkModulePath());
    DesktopUrlOpener urlOpener;
    InstallationData installation;

    // The three windows, each complete before the next.
    TFPelkUpdaterMain mainWindow(options, QCoreApplication::applicationFilePath(), installation,
                                 store, probe, clock, network);
    mainWindow.setDisplayAvailable(display);
    mainWindow.TntFormCreate();
    TFPelkUpdaterSettings settings(store, installation, &mainWindow);
    TFPelkUpdaterMessages messages(store, installation, clock, urlOpener, &mainWindow);
    mainWindow.setCompanions(settings, messages);
    NetworkManagerConnectionCost connectionCost;
    std::unique_ptr<DesktopNotification> notification;
    if (options.AutoRun && display) {
        notification = std::make_unique<DesktopNotification>(QDBusConnection::sessionBus(), notificationWaitLimit());
        mainWindow.setNotifier(notification.get());
    }
    if (options.AutoRun)
        mainWindow.setConnectionCost(&connectionCost);
    singleRun.listenForLaterStarts([&mainWindow] { bringToFront(mainWindow); });

    QuitAfterFirstPaint quitAfterFirstPaint;
    if (qEnvironmentVariableIntValue("PELK_QUIT_AFTER_FIRST_PAINT") == 1)
        mainWindow.installEventFilter(&quitAfterFirstPaint);

    if (!storeNotice.isEmpty() && options.SilentRun) {
        mainWindow.reportStartNotice(storeNotice);
    } else if (!storeNotice.isEmpty()) {
        // Shown once the main window is up, with its caption as the box's title.
        QMetaObject::invokeMethod(&mainWindow, [&] { mainWindow.reportStartNotice(storeNotice); },
                                  Qt::QueuedConnection);
    }
    if (options.SilentRun)
        mainWindow.reportUnsavedSettings();
    else
        QMetaObject::invokeMethod(&mainWindow, [&] { mainWindow.reportUnsavedSettings(); }, Qt::QueuedConnection);
    int exitStatus = 0;
    if (options.SilentRun) {
        mainWindow.ApplyTexts();
        exitStatus = mainWindow.SilentCheck();
        QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    } else {
        mainWindow.show();
    }
    application.exec();
    // The windows go now; the main window stores the language on its way.
    return exitStatus;
}
