// The main window with the real settings dialog and messages window, a real store file
// and a program folder of its own: creation steps, texts of all three windows, the log,
// the check link and the host operations of a check.

#include "app/Accessibility.h"
#include "app/CommandLine.h"
#include "base/ErrorBox.h"
#include "app/LinkLabel.h"
#include "app/ProgramPaths.h"
#include "app/UPelkUpdaterMain.h"
#include "check/HttpExchange.h"
#include "i18n/Languages.h"
#include "messages/MessagePageDisplay.h"
#include "messages/UPelkUpdaterMessages.h"
#include "messages/UrlOpener.h"
#include "settings/PolicyStore.h"
#include "settings/RegFileStore.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterSettings.h"
#include "settings/UPelkUpdaterUtils.h"
#include "base/Clock.h"
#include "sysinfo/InstallationData.h"
#include "sysinfo/SystemProbe.h"
#include "support/Failures.h"
#include "support/TestHttpServer.h"
#include "support/XServer.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimer>
#include <QWindow>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <qpa/qwindowsysteminterface.h>

#include <functional>
#include <memory>
#include <unistd.h>

namespace {
class FixedProbe : public SystemProbe
{
public:
    explicit FixedProbe(QString programFile) : m_programFile(std::move(programFile)) {}
    QString kernelRelease() const override { return QStringLiteral("6.1.0-13-amd64"); }
    QString machine() const override { return QStringLiteral("x86_64"); }
    QByteArray environmentValue(const char *) const override { return QByteArray(); }
    QString programFilePath() const override { return m_programFile; }
    QString fileSystemType(const QString &) const override { return QStringLiteral("ext4"); }
    QString dnsDomain() const override { return QString(); }

private:
    QString m_programFile;
};

class RecordingUrlOpener : public UrlOpener
{
public:
    void openUrl(const QUrl &url) override { opened.append(url); }
    QList<QUrl> opened;
};

// The texts of a language: "<prefix>:<text key>" for every key, so that each caption
// shows where it came from.
QByteArray languageSection(const QByteArray &key, const QByteArray &prefix)
{
    QByteArray section = "[Texts_" + key + "]\n";
    for (const QByteArray &textKey : AllTextKeys())
        section += textKey + '=' + prefix + ':' + textKey + '\n';
    return section;
}

// Counts the events of one type that reach `watched` while `when` holds.
class EventCounter : public QObject
{
public:
    EventCounter(QObject *watched, QEvent::Type type, std::function<bool()> when)
        : m_type(type), m_when(std::move(when))
    {
        watched->installEventFilter(this);
    }
    int count() const { return m_count; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type && m_when())
            ++m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    std::function<bool()> m_when;
    int m_count = 0;
};

// A left click on `target` as the window system reports it: queued, not sent.
void clickThroughWindowSystem(QWidget *target)
{
    QWindow *window = target->window()->windowHandle();
    const QPoint centre = target->rect().center();
    const QPointF local = target->mapTo(target->window(), centre);
    const QPointF global = target->mapToGlobal(centre);
    using Queued = QWindowSystemInterface::AsynchronousDelivery;
    QWindowSystemInterface::handleMouseEvent<Queued>(window, local, global, Qt::LeftButton, Qt::LeftButton,
                                                     QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent<Queued>(window, local, global, Qt::NoButton, Qt::LeftButton,
                                                     QEvent::MouseButtonRelease);
}

// The objects that told assistive technology of a name change, of new text or that they show.
QList<QObject *> g_renamed;
QList<QObject *> g_grown;
QList<QObject *> g_shown;
void recordAnnouncements(QAccessibleEvent *event)
{
    if (event->type() == QAccessible::NameChanged)
        g_renamed.append(event->object());
    if (event->type() == QAccessible::TextInserted)
        g_grown.append(event->object());
    if (event->type() == QAccessible::ObjectShow)
        g_shown.append(event->object());
}

// A page display without the HTML engine, for tests about the list.
class PlainPageDisplay : public MessagePageDisplay
{
public:
    explicit PlainPageDisplay(QWidget *parent) : m_widget(new QWidget(parent)) {}
    QWidget *widget() override { return m_widget; }
    void showPage(const QByteArray &) override {}
    void showBlank() override {}

private:
    QWidget *m_widget;
};

// The outer two pixels of a control as the window shows them.
QImage edgeOf(QWidget *control)
{
    QImage image = control->window()->grab(QRect(control->mapTo(control->window(), QPoint()), control->size())).toImage();
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(image.rect().adjusted(2, 2, -2, -2), Qt::transparent);
    return image;
}

QString text(const char *prefix, const char *textKey)
{
    return QLatin1String(prefix) + QLatin1Char(':') + QLatin1String(textKey);
}

QString title(const char *prefix, const char *roleKey)
{
    return QStringLiteral("Orbel - ") + text(prefix, "txtProduct") + QStringLiteral(" - ")
        + text(prefix, roleKey);
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray servicePack(const char *allow)
{
    return QByteArray("<?xml version=\"1.0\"?>\n<Pelk>\n  <ProgVersion Value=\"5.2.1.7\"/>\n"
                      "  <OfflineVersion Value=\"5.2.1\"/>\n  <BuildTimeStamp Value=\"b\"/>\n"
                      "  <UpdateTimeStamp Value=\"u\"/>\n  <AllowOnlineUpdate Value=\"")
        + allow + "\"/>\n</Pelk>\n";
}
} // namespace

class tst_UPelkUpdaterMain : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void creationStepsPrepareTheWindow();
    void showAppliesTextsToAllThreeWindows();
    void switchingLanguageRecaptionsAllWindowsAndEmptiesLog();
    void missingTextsGiveEmptyCaptions();
    void creationFailureShowsErrorBoxAndProgramRuns();
    void unreadableFileNamedAtStartAndInCheck_data();
    void unreadableFileNamedAtStartAndInCheck();
    void anyFailureOfCreationIsReported_data();
    void anyFailureOfCreationIsReported();
    void commandLineLanguageChoosesStartLanguage();
    void languageStoredWhenWindowGoes();
    void layoutFollowsDesign();
    void logLinesShowAddressesAsLinks();
    void clickOnLogLinkOpensNothing();
    void logScrollsToEndAndGoesToStandardError();
    void checkLinkHoverColour();
    void checkLinkAndButtonsFromKeyboard();
    void exitButtonClosesWindow();
    void secondCheckNeverStartsInsideFirst();
    void userInputDuringTheRequestIsDropped();
    void askShowOldMessages_data();
    void askShowOldMessages();
    void qtTextsFollowLanguage_data();
    void qtTextsFollowLanguage();
    void windowsFitTheScreen_data();
    void windowsFitTheScreen();
    void keyboardUse_data();
    void keyboardUse();
    void readableToScreenReaders_data();
    void readableToScreenReaders();

private:
    void writeProgramFolder(const char *allow = "0", bool withServicePack = true,
                            const QByteArray &extraIni = QByteArray());
    // The windows over the test's store, or over `store` when given.
    void createWindows(const CommandLineOptions &options = CommandLineOptions(), RegistryStore *store = nullptr);
    void destroyWindows();
    // Online updates allowed, no proxy of the environment in between, the main window shown.
    void showWindowsForACheck();
    // Runs `action` on the next modal window that comes up.
    void whenModal(std::function<void(QWidget *)> action);
    template <typename T> T *child(QWidget *window, const char *name)
    {
        T *widget = window->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("missing control %s", name);
        return widget;
    }
    QString storedLanguage();

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QString m_programFile;
    QString m_startFolder;
    std::unique_ptr<RegFileStore> m_store;
    std::unique_ptr<FixedProbe> m_probe;
    SystemClock m_clock;
    QtHttpTransport m_transport;
    RecordingUrlOpener m_opener;
    InstallationData m_installation;
    std::unique_ptr<TFPelkUpdaterMain> m_main;
    std::unique_ptr<TFPelkUpdaterSettings> m_settings;
    std::unique_ptr<TFPelkUpdaterMessages> m_messages;
    QByteArray m_updateUrl;
};

void tst_UPelkUpdaterMain::init()
{
    m_startFolder = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(m_folder));
    m_programFile = m_folder + QStringLiteral("/PelkUpdater");
    m_store = std::make_unique<RegFileStore>(m_dir->filePath(QStringLiteral("user.reg")),
                                             m_dir->filePath(QStringLiteral("machine.reg")));
    m_probe = std::make_unique<FixedProbe>(m_programFile);
    m_installation = InstallationData();
    m_opener.opened.clear();
    m_updateUrl = "http://127.0.0.1:1/update";
    SetApplicationTitle(QString());
}

void tst_UPelkUpdaterMain::cleanup()
{
    destroyWindows();
    QDir::setCurrent(m_startFolder);
    m_store.reset();
    m_dir.reset();
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void tst_UPelkUpdaterMain::writeProgramFolder(const char *allow, bool withServicePack, const QByteArray &extraIni)
{
    QByteArray ini = "[Langs]\nLangKey1=de\nLangDesc1=Deutsch\nLangKey2=engb\nLangDesc2=English\n"
                     "LangKey3=xx\nLangDesc3=Sparse\n"
                     "[Config]\nUpdateCheckURL=" + m_updateUrl + "\n";
    ini += languageSection("de", "de");
    ini += languageSection("engb", "en");
    ini += "[Texts_xx]\ntxtExit=xx:txtExit\n";
    ini += extraIni;
    QVERIFY(writeFile(m_folder + QStringLiteral("/PelkUpdater.ini"), ini));
    if (withServicePack)
        QVERIFY(writeFile(m_folder + QStringLiteral("/PelkServicePack.pelk"), servicePack(allow)));
}

void tst_UPelkUpdaterMain::createWindows(const CommandLineOptions &options, RegistryStore *store)
{
    RegistryStore &windowsStore = store ? *store : *m_store;
    m_main = std::make_unique<TFPelkUpdaterMain>(options, m_programFile, m_installation, windowsStore,
                                                 *m_probe, m_clock, m_transport);
    m_main->TntFormCreate();
    m_settings = std::make_unique<TFPelkUpdaterSettings>(windowsStore, m_installation, m_main.get());
    m_messages = std::make_unique<TFPelkUpdaterMessages>(windowsStore, m_installation, m_clock, m_opener,
                                                         m_main.get());
    m_main->setCompanions(*m_settings, *m_messages);
}

void tst_UPelkUpdaterMain::showWindowsForACheck()
{
    writeProgramFolder("1");
    ProxySettings direct;
    direct.Option = 1;
    WriteProxySettings(*m_store, direct);
    createWindows();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
}

void tst_UPelkUpdaterMain::destroyWindows()
{
    m_messages.reset();
    m_settings.reset();
    m_main.reset();
}

void tst_UPelkUpdaterMain::whenModal(std::function<void(QWidget *)> action)
{
    auto *timer = new QTimer(this);
    timer->setInterval(10);
    connect(timer, &QTimer::timeout, this, [timer, action] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

QString tst_UPelkUpdaterMain::storedLanguage()
{
    return QString::fromUtf8(ReadStoredLanguage(*m_store));
}

void tst_UPelkUpdaterMain::creationStepsPrepareTheWindow()
{
    writeProgramFolder("1");
    createWindows();

    QCOMPARE(m_installation.ProgVersion, QStringLiteral("5.2.1.7"));
    QVERIFY(m_installation.OnlineUpdateAllowed);
    auto key = m_store->openKey(RegistryRoot::CurrentUser, UpdaterKeyPath, false);
    QVERIFY(key);
    QCOMPARE(key->readString(QStringLiteral("UpdaterPath")), m_folder + QLatin1Char('/'));
    QCOMPARE(QDir::currentPath(), QDir(m_folder).canonicalPath());

    auto *selector = child<QComboBox>(m_main.get(), "CBLang");
    QCOMPARE(selector->count(), 3);
    QCOMPARE(selector->itemText(0), QStringLiteral("de"));
    QCOMPARE(selector->itemText(1), QStringLiteral("engb"));
    QCOMPARE(selector->currentIndex(), 0);
    QVERIFY(m_main->languages());
    QCOMPARE(m_main->languages()->CurrentLanguageKey(), QByteArray("de"));
}

void tst_UPelkUpdaterMain::showAppliesTextsToAllThreeWindows()
{
    writeProgramFolder();
    createWindows();
    // Nothing is captioned before the window is shown.
    QVERIFY(!m_main->windowTitle().startsWith(QStringLiteral("Orbel")));

    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    const QString mainTitle = title("de", "txtTitle");
    QCOMPARE(m_main->windowTitle(), mainTitle);
    QCOMPARE(m_main->windowHandle()->title(), mainTitle);
    QCOMPARE(child<QLabel>(m_main.get(), "LTitle")->text(), mainTitle);
    QCOMPARE(ApplicationTitle(), mainTitle);
    QCOMPARE(child<QLabel>(m_main.get(), "LLanguage")->text(), text("de", "txtLang"));
    QCOMPARE(child<QPushButton>(m_main.get(), "PExit")->text(), text("de", "txtExit"));
    QCOMPARE(child<QPushButton>(m_main.get(), "PSettings")->text(), text("de", "txtSettings"));
    QCOMPARE(child<QLabel>(m_main.get(), "LUpdateCheck")->text(), text("de", "txtCheckForUpdates"));
    QCOMPARE(m_settings->windowTitle(), title("de", "txtSettings"));
    QCOMPARE(child<QPushButton>(m_settings.get(), "BuCancel")->text(), text("de", "txtCancel"));
    QCOMPARE(m_messages->windowTitle(), title("de", "txtMessages"));
    QCOMPARE(child<QPushButton>(m_messages.get(), "BuClose")->text(), text("de", "txtClose"));
    // No application name is added to what the window frame shows.
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

void tst_UPelkUpdaterMain::switchingLanguageRecaptionsAllWindowsAndEmptiesLog()
{
    writeProgramFolder();
    createWindows();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    m_main->AddLogLine(QStringLiteral("result of the last check"));
    QVERIFY(!m_main->logText().isEmpty());

    // The user picks the second language with the keyboard.
    auto *selector = child<QComboBox>(m_main.get(), "CBLang");
    QTest::keyClick(selector, Qt::Key_Down);
    QCOMPARE(selector->currentIndex(), 1);
    QCOMPARE(m_main->languages()->CurrentLanguageKey(), QByteArray("engb"));

    QCOMPARE(m_main->windowTitle(), title("en", "txtTitle"));
    QCOMPARE(child<QLabel>(m_main.get(), "LTitle")->text(), title("en", "txtTitle"));
    QCOMPARE(ApplicationTitle(), title("en", "txtTitle"));
    QCOMPARE(child<QPushButton>(m_main.get(), "PSettings")->text(), text("en", "txtSettings"));
    QCOMPARE(m_settings->windowTitle(), title("en", "txtSettings"));
    QCOMPARE(child<QPushButton>(m_settings.get(), "BuOK")->text(), text("en", "txtOK"));
    QCOMPARE(m_messages->windowTitle(), title("en", "txtMessages"));
    QCOMPARE(child<QPushButton>(m_messages.get(), "BuClose")->text(), text("en", "txtClose"));
    QCOMPARE(m_main->logText(), QString());
}

void tst_UPelkUpdaterMain::missingTextsGiveEmptyCaptions()
{
    writeProgramFolder();
    CommandLineOptions options;
    options.CommandLineLanguage = "xx";
    createWindows(options);
    m_main->show();

    // Language xx has nothing but txtExit.
    QCOMPARE(m_main->windowTitle(), QStringLiteral("Orbel -  - "));
    QCOMPARE(child<QLabel>(m_main.get(), "LTitle")->text(), QStringLiteral("Orbel -  - "));
    QCOMPARE(child<QLabel>(m_main.get(), "LLanguage")->text(), QString());
    QCOMPARE(child<QPushButton>(m_main.get(), "PExit")->text(), text("xx", "txtExit"));
    QCOMPARE(child<QPushButton>(m_main.get(), "PSettings")->text(), QString());
    QCOMPARE(child<QLabel>(m_main.get(), "LUpdateCheck")->text(), QString());
    QCOMPARE(m_settings->windowTitle(), QStringLiteral("Orbel -  - "));
    QCOMPARE(child<QLabel>(m_settings.get(), "LProxyServer")->text(), QStringLiteral(":"));
    QCOMPARE(m_messages->windowTitle(), QStringLiteral("Orbel -  - "));
}

void tst_UPelkUpdaterMain::creationFailureShowsErrorBoxAndProgramRuns()
{
    writeProgramFolder("1", /*withServicePack=*/false);
    QString boxTitle;
    QString boxText;
    QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        boxTitle = box->windowTitle();
        boxText = box->text();
        boxIcon = box->icon();
        box->button(QMessageBox::Ok)->click();
    });
    createWindows();

    const QString builtInTitle = QStringLiteral("Orbel - ") + BuiltInText("txtProduct")
        + QStringLiteral(" - ") + BuiltInText("txtTitle");
    QCOMPARE(builtInTitle, QStringLiteral("Orbel - Catalog - Check for Updates"));
    QCOMPARE(boxTitle, builtInTitle);
    QCOMPARE(boxText, QStringLiteral("Error loading ") + m_folder + QStringLiteral("/PelkServicePack.pelk."));
    QCOMPARE(boxIcon, QMessageBox::Critical);

    // The remaining steps did not run.
    QVERIFY(!m_store->openKey(RegistryRoot::CurrentUser, UpdaterKeyPath, false)
            || !m_store->openKey(RegistryRoot::CurrentUser, UpdaterKeyPath, false)
                    ->valueExists(QStringLiteral("UpdaterPath")));
    QCOMPARE(QDir::currentPath(), m_startFolder);

    // The program goes on in English.
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QCOMPARE(m_main->windowTitle(), builtInTitle);
    QCOMPARE(child<QLabel>(m_main.get(), "LUpdateCheck")->text(), BuiltInText("txtCheckForUpdates"));
    QCOMPARE(m_settings->windowTitle(), QStringLiteral("Orbel - Catalog - ") + BuiltInText("txtSettings"));
    QCOMPARE(child<QComboBox>(m_main.get(), "CBLang")->count(), 0);
    QTest::mouseClick(child<QLabel>(m_main.get(), "LUpdateCheck"), Qt::LeftButton);
    QVERIFY(m_main->isVisible());
    // Installation data is missing, so the check only says that it may not run, and why.
    QCOMPARE(m_main->logText(), BuiltInText("txtOnlineUpdatesDisabled") + QStringLiteral("\nThe service pack file ")
                                    + m_folder + QStringLiteral("/PelkServicePack.pelk could not be loaded: the file does not exist"));

    m_main->close();
    destroyWindows();
    QCOMPARE(storedLanguage(), QString());
}

void tst_UPelkUpdaterMain::unreadableFileNamedAtStartAndInCheck_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("form"); // missing, folder or a file of these bytes
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("startMessage"); // %1: the file's full path
    QTest::addColumn<QStringList>("checkLog");

    const QString pack = QStringLiteral("PelkServicePack.pelk");
    const QString ini = QStringLiteral("PelkUpdater.ini");
    const QString disabled = BuiltInText("txtOnlineUpdatesDisabled");
    const QString packLine = QStringLiteral("The service pack file %1 could not be loaded: ");
    const QString checking = BuiltInText("txtCheckingForUpdates") + QStringLiteral(" ...");
    const QString iniLine = BuiltInText("txtError") + QStringLiteral(": No address of the update service: the file %1 cannot be read: ");
    // A binary that happens to hold an INI line is no INI file.
    const QByteArray noText = QByteArray("\x7f" "ELF") + QByteArray(3, '\0') + "\n[Config]\nUpdateCheckURL=http://x/\n";
    QTest::newRow("service pack missing") << pack << "missing" << QByteArray() << false << "Error loading %1."
                                          << QStringList{disabled, packLine + QStringLiteral("the file does not exist")};
    QTest::newRow("service pack is a folder") << pack << "folder" << QByteArray() << false << "Error loading %1."
                                              << QStringList{disabled, packLine + QStringLiteral("it is a folder")};
    QTest::newRow("service pack not XML") << pack << "bytes" << QByteArray("<Pelk>") << false << "Error loading %1."
                                          << QStringList{disabled, packLine + QStringLiteral("it is not well-formed XML")};
    QTest::newRow("INI is a folder") << ini << "folder" << QByteArray() << false
                                     << "The file %1 cannot be read: it is a folder."
                                     << QStringList{checking, iniLine + QStringLiteral("it is a folder")};
    QTest::newRow("INI not a text file") << ini << "bytes" << noText << false
                                         << "The file %1 cannot be read: it is not a text file."
                                         << QStringList{checking, iniLine + QStringLiteral("it is not a text file")};
    QTest::newRow("INI not a text file, silent") << ini << "bytes" << noText << true
                                                 << "The file %1 cannot be read: it is not a text file"
                                                 << QStringList{checking, iniLine + QStringLiteral("it is not a text file")};
    // The administrator's file, found in $XDG_CONFIG_DIRS; the vendor's address still applies.
    QTest::newRow("administrator's INI is a folder")
        << AdministratorIniPath() << "folder" << QByteArray() << false << "The file %1 cannot be read: it is a folder."
        << QStringList{QStringLiteral("de:txtCheckingForUpdates ..."),
                       QStringLiteral("de:txtError: Connection refused by 127.0.0.1:1")};
}

void tst_UPelkUpdaterMain::unreadableFileNamedAtStartAndInCheck()
{
    QFETCH(QString, file);
    QFETCH(QString, form);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, silent);
    QFETCH(QString, startMessage);
    QFETCH(QStringList, checkLog);
    writeProgramFolder("1");
    const QString path = QDir::isAbsolutePath(file) ? file : m_folder + QLatin1Char('/') + file;
    QVERIFY(!QFileInfo::exists(path) || QFile::remove(path));
    const auto removeLater = qScopeGuard([&path] { QDir(path).removeRecursively(); });
    if (form == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));
    else if (form == QLatin1String("bytes"))
        QVERIFY(writeFile(path, bytes));
    startMessage = startMessage.arg(path);
    for (QString &line : checkLog)
        line.replace(QLatin1String("%1"), path);

    QStringList boxes;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&boxes] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes << box->text();
            box->close();
        }
    });
    answer.start(10);
    QTemporaryFile capture;
    QVERIFY(capture.open());
    fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    dup2(capture.handle(), STDERR_FILENO);
    CommandLineOptions options;
    options.SilentRun = silent;
    createWindows(options);
    fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    capture.seek(0);
    const QList<QByteArray> errorLines = capture.readAll().split('\n');

    // Said once at the start: in a box, or on standard error in a silent run.
    QCOMPARE(boxes, silent ? QStringList() : QStringList{startMessage});
    QCOMPARE(errorLines.contains(startMessage.toUtf8()), silent);
    // And a check names the file and the reason.
    m_main->CheckForUpdates(false);
    QCOMPARE(m_main->logText().split(QLatin1Char('\n')), checkLog);
    QCOMPARE(boxes.size(), silent ? 0 : 1);
}

void tst_UPelkUpdaterMain::anyFailureOfCreationIsReported_data()
{
    QTest::addColumn<QByteArray>("kind");
    QTest::addColumn<QString>("text");
    QTest::newRow("out of memory") << QByteArray("out of memory") << "Out of memory.";
    QTest::newRow("library") << QByteArray("library") << "basic_string::_M_create.";
    QTest::newRow("unknown") << QByteArray("unknown") << "Unknown error.";
}

void tst_UPelkUpdaterMain::anyFailureOfCreationIsReported()
{
    QFETCH(QByteArray, kind);
    QFETCH(QString, text);
    writeProgramFolder("1");
    FailingStore failing(kind);
    QStringList boxes;
    QTimer boxWatcher;
    boxWatcher.setInterval(10);
    connect(&boxWatcher, &QTimer::timeout, this, [&boxes] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            boxes.append(box->text());
            box->button(QMessageBox::Ok)->click();
        }
    });
    boxWatcher.start();

    {
        TFPelkUpdaterMain main(CommandLineOptions(), m_programFile, m_installation, failing, *m_probe, m_clock,
                               m_transport);
        main.TntFormCreate();
        TFPelkUpdaterSettings settings(failing, m_installation, &main);
        TFPelkUpdaterMessages messages(failing, m_installation, m_clock, m_opener, &main);
        main.setCompanions(settings, messages);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QVERIFY(main.isVisible());
    } // the end of the run goes by without a word
    QCOMPARE(boxes, QStringList({text}));
}

void tst_UPelkUpdaterMain::commandLineLanguageChoosesStartLanguage()
{
    writeProgramFolder();
    WriteStoredLanguage(*m_store, "de");
    CommandLineOptions options;
    options.CommandLineLanguage = "ENGB";
    createWindows(options);
    QCOMPARE(child<QComboBox>(m_main.get(), "CBLang")->currentIndex(), 1);
    m_main->ApplyTexts();
    QCOMPARE(m_main->windowTitle(), title("en", "txtTitle"));
}

void tst_UPelkUpdaterMain::languageStoredWhenWindowGoes()
{
    writeProgramFolder();
    WriteStoredLanguage(*m_store, "ENGB");
    createWindows();
    auto *selector = child<QComboBox>(m_main.get(), "CBLang");
    QCOMPARE(selector->currentIndex(), 1);
    m_main->show();
    QTest::keyClick(selector, Qt::Key_Down);
    QCOMPARE(m_main->languages()->CurrentLanguageKey(), QByteArray("xx"));
    // The choice reaches the store only at the end.
    QCOMPARE(storedLanguage(), QStringLiteral("ENGB"));
    m_main->close();
    destroyWindows();
    QCOMPARE(storedLanguage(), QStringLiteral("xx"));
}

void tst_UPelkUpdaterMain::layoutFollowsDesign()
{
    // The shipped example texts, in English, as the screenshots show them.
    writeProgramFolder("1");
    QFile::remove(m_folder + QStringLiteral("/PelkUpdater.ini"));
    QVERIFY(QFile::copy(QStringLiteral(PELK_EXAMPLES_DIR "/PelkUpdater.ini"), m_folder + QStringLiteral("/PelkUpdater.ini")));
    CommandLineOptions options;
    options.CommandLineLanguage = "engb";
    // On a screen of a common size: the offscreen platform's 800 x 600 is smaller than the layout.
    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect usual = screen->geometry();
    QWindowSystemInterface::handleScreenGeometryChange(screen, QRect(0, 0, 1280, 1024), QRect(0, 0, 1280, 1024));
    QWindowSystemInterface::flushWindowSystemEvents();
    const auto restore = qScopeGuard([&] {
        QWindowSystemInterface::handleScreenGeometryChange(screen, usual, usual);
        QWindowSystemInterface::flushWindowSystemEvents();
    });
    createWindows(options);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));

    QCOMPARE(m_main->size(), QSize(818, 581));
    QCOMPARE(m_main->minimumSize(), m_main->maximumSize());
    const QImage shot = m_main->grab().toImage();
    QCOMPARE(shot.size(), QSize(818, 581));
    auto colourAt = [&shot](int x, int y) { return QColor(shot.pixel(x, y)).name(); };
    QCOMPARE(colourAt(5, 160), QStringLiteral("#ffffff"));  // PTitle
    QCOMPARE(colourAt(5, 199), QStringLiteral("#cccccc"));  // window between the bands
    QCOMPARE(colourAt(5, 300), QStringLiteral("#ffffff"));  // PListItems
    QCOMPARE(colourAt(5, 570), QStringLiteral("#f2f2f2"));  // PBottom
    QCOMPARE(colourAt(634 + 2, 200 + 18 + 2), QStringLiteral("#ddeaf7")); // PLanguage
    QCOMPARE(colourAt(19 + 2, 524 + 21 + 2), QStringLiteral("#0092dc")); // PSettings
    QCOMPARE(colourAt(667 + 2, 524 + 21 + 2), QStringLiteral("#0092dc")); // PExit

    // The bar buttons sit on their backgrounds.
    auto geometryOf = [this](const char *name) { return child<QWidget>(m_main.get(), name)->geometry(); };
    QVERIFY(geometryOf("ImgSettings").contains(geometryOf("PSettings")));
    QVERIFY(geometryOf("ImgExit").contains(geometryOf("PExit")));

    auto *link = child<QLabel>(m_main.get(), "LUpdateCheck");
    QCOMPARE(link->font().pixelSize(), 24);
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(child<QLabel>(m_main.get(), "LTitle")->font().pixelSize(), 27);
    auto *log = child<QTextEdit>(m_main.get(), "EdLog");
    QVERIFY(log->isReadOnly());
    QCOMPARE(log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(log->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    QCOMPARE(log->lineWrapMode(), QTextEdit::WidgetWidth);
    QCOMPARE(log->font().pixelSize(), 13);

    if (qEnvironmentVariableIsSet("PELK_SCREENSHOT_DIR")) {
        const QDir target(qEnvironmentVariable("PELK_SCREENSHOT_DIR"));
        const Languages &texts = *m_main->languages();
        m_main->AddLogLine(texts.GetText("txtCheckingForUpdates") + QStringLiteral(" ..."));
        m_main->AddLogLine(texts.GetText("txtNumberOfMessagesTotal") + QStringLiteral(": 3"));
        m_main->AddLogLine(texts.GetText("txtNumberOfMessagesNew") + QStringLiteral(": 1"));
        QVERIFY(m_main->grab().save(target.filePath(QStringLiteral("main-window.png"))));
        ProxySettings proxy;
        proxy.Option = 2;
        proxy.Server = QStringLiteral("proxy.example.org");
        proxy.Port = QStringLiteral("3128");
        proxy.Auth = true;
        proxy.User = QStringLiteral("anna");
        proxy.Password = QStringLiteral("secret");
        WriteProxySettings(*m_store, proxy);
        m_settings->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_settings.get()));
        QVERIFY(m_settings->grab().save(target.filePath(QStringLiteral("settings-dialog.png"))));
        m_settings->close();
    }
}

void tst_UPelkUpdaterMain::logLinesShowAddressesAsLinks()
{
    writeProgramFolder();
    createWindows();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    m_main->AddLogLine(QStringLiteral("Error: see https://example.com/help?a=1&b=2. or www.orbel.de"));
    m_main->AddLogLine(QStringLiteral("<b>not bold</b> & <a href=\"x\">no link</a>"));
    const QString longLine = QStringLiteral("Error: the reply of the update service could not be read, and this "
                                            "sentence goes on well past the width of the log box; see "
                                            "https://example.com/a/rather/long/address/of/a/help/page");
    m_main->AddLogLine(longLine);

    auto *log = child<QTextEdit>(m_main.get(), "EdLog");
    QStringList hrefs;
    QStringList anchorTexts;
    for (QTextBlock block = log->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().isAnchor()) {
                hrefs << fragment.charFormat().anchorHref();
                anchorTexts << fragment.text();
            }
        }
    }
    const QString longAddress = QStringLiteral("https://example.com/a/rather/long/address/of/a/help/page");
    QCOMPARE(hrefs, (QStringList{QStringLiteral("https://example.com/help?a=1&b=2"),
                                 QStringLiteral("http://www.orbel.de"), longAddress}));
    QCOMPARE(anchorTexts, (QStringList{QStringLiteral("https://example.com/help?a=1&b=2"),
                                       QStringLiteral("www.orbel.de"), longAddress}));
    // Markup in a line is text.
    QCOMPARE(m_main->logText(),
             QStringLiteral("Error: see https://example.com/help?a=1&b=2. or www.orbel.de\n"
                            "<b>not bold</b> & <a href=\"x\">no link</a>\n")
                 + longLine);
    // A long line wraps at the box's width: nothing hides to the right.
    const QTextBlock last = log->document()->lastBlock();
    QVERIFY(last.layout()->lineCount() > 1);
    QCOMPARE(log->horizontalScrollBar()->maximum(), 0);
    QVERIFY(log->document()->idealWidth() <= log->viewport()->width());
}

void tst_UPelkUpdaterMain::clickOnLogLinkOpensNothing()
{
    writeProgramFolder();
    createWindows();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    m_main->AddLogLine(QStringLiteral("https://example.com/"));
    auto *log = child<QTextEdit>(m_main.get(), "EdLog");
    QTextCursor cursor(log->document());
    cursor.setPosition(3);
    const QPoint onLink = log->cursorRect(cursor).center();
    QVERIFY(log->anchorAt(onLink) == QStringLiteral("https://example.com/"));

    QTest::mouseClick(log->viewport(), Qt::LeftButton, Qt::NoModifier, onLink);
    QCoreApplication::processEvents();
    QCOMPARE(m_main->logText(), QStringLiteral("https://example.com/"));
    QVERIFY(m_opener.opened.isEmpty());
}

void tst_UPelkUpdaterMain::logScrollsToEndAndGoesToStandardError()
{
    writeProgramFolder();
    createWindows();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));

    QTemporaryFile capture;
    QVERIFY(capture.open());
    fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    QVERIFY(savedStderr >= 0);
    dup2(capture.handle(), STDERR_FILENO);
    for (int i = 1; i <= 40; ++i)
        m_main->AddLogLine(QStringLiteral("line %1").arg(i));
    m_main->AddLogLine(QStringLiteral("two\nparts"));
    fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);

    auto *bar = child<QTextEdit>(m_main.get(), "EdLog")->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    capture.seek(0);
    const QList<QByteArray> lines = capture.readAll().split('\n');
    QVERIFY(lines.contains("line 1"));
    QVERIFY(lines.contains("line 40"));
    QVERIFY(lines.contains("two parts"));
}

void tst_UPelkUpdaterMain::checkLinkHoverColour()
{
    writeProgramFolder();
    createWindows();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    auto *link = child<QLabel>(m_main.get(), "LUpdateCheck");
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
    QTest::mouseMove(link, QPoint(5, 5));
    QTRY_COMPARE(link->palette().color(QPalette::WindowText), QColor(Qt::black));
    QTest::mouseMove(m_main.get(), QPoint(5, 560));
    QTRY_COMPARE(link->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x80));
}

void tst_UPelkUpdaterMain::checkLinkAndButtonsFromKeyboard()
{
    writeProgramFolder("0");
    createWindows();
    m_main->show();
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));

    auto *link = child<QLabel>(m_main.get(), "LUpdateCheck");
    auto *log = child<QTextEdit>(m_main.get(), "EdLog");
    auto *selector = child<QComboBox>(m_main.get(), "CBLang");
    auto *settingsButton = child<QPushButton>(m_main.get(), "PSettings");
    auto *exitButton = child<QPushButton>(m_main.get(), "PExit");

    // Tab walks link, log, selector, settings, exit.
    link->setFocus();
    QCOMPARE(QApplication::focusWidget(), link);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), log);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), selector);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), settingsButton);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), exitButton);

    // Enter on the link starts a check; online updates are not allowed here.
    m_main->AddLogLine(QStringLiteral("marker"));
    QTest::keyClick(link, Qt::Key_Return);
    QCOMPARE(m_main->logText(), text("de", "txtOnlineUpdatesDisabled"));
    m_main->AddLogLine(QStringLiteral("marker"));
    QTest::keyClick(link, Qt::Key_Space);
    QCOMPARE(m_main->logText(), text("de", "txtOnlineUpdatesDisabled"));

    // Enter and Space on the settings button open the dialog modally.
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        QWidget *shown = nullptr;
        whenModal([&shown](QWidget *modal) {
            shown = modal;
            modal->close();
        });
        QTest::keyClick(settingsButton, key);
        QCOMPARE(shown, m_settings.get());
        QVERIFY(!m_settings->isVisible());
    }
}

void tst_UPelkUpdaterMain::exitButtonClosesWindow()
{
    writeProgramFolder();
    createWindows();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QTest::keyClick(child<QPushButton>(m_main.get(), "PExit"), Qt::Key_Return);
    QVERIFY(!m_main->isVisible());
}

void tst_UPelkUpdaterMain::secondCheckNeverStartsInsideFirst()
{
    // The service address refuses connections at once.
    showWindowsForACheck();
    auto *link = qobject_cast<LinkLabel *>(child<QLabel>(m_main.get(), "LUpdateCheck"));
    QVERIFY(link);

    // A click and a close request that wait in the queue run while the first log line
    // of the check is painted.
    int clicksSeenWhileRunning = 0;
    QMetaObject::invokeMethod(this, [&] {
        if (m_main->isCheckRunning())
            ++clicksSeenWhileRunning;
        Q_EMIT link->clicked();
        m_main->close();
    }, Qt::QueuedConnection);
    QTest::mouseClick(link, Qt::LeftButton);

    QCOMPARE(clicksSeenWhileRunning, 1);
    QVERIFY(!m_main->isCheckRunning());
    QVERIFY(m_main->isVisible());
    const QStringList lines = m_main->logText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), text("de", "txtCheckingForUpdates") + QStringLiteral(" ..."));
    QVERIFY2(lines.at(1).startsWith(text("de", "txtError") + QStringLiteral(": ")), qPrintable(lines.at(1)));
}

void tst_UPelkUpdaterMain::userInputDuringTheRequestIsDropped()
{
    // The reply comes in a byte at a time, so the request runs for a while.
    TestHttpServer server;
    QVERIFY(server.listen());
    CannedReply slow = CannedReply::ok("<messages/>");
    slow.kind = CannedReply::Kind::Trickle;
    slow.intervalMs = 60;
    server.setReply("/update", slow);
    m_updateUrl = server.url("/update");
    showWindowsForACheck();
    QWidget *link = child<QLabel>(m_main.get(), "LUpdateCheck");
    QWidget *exit = child<QPushButton>(m_main.get(), "PExit");
    QWidget *settings = child<QPushButton>(m_main.get(), "PSettings");

    // Meanwhile the user clicks the link again, Exit, Settings and the close box, through the
    // window system as real input arrives, and something asks for a repaint. The window
    // repaints, but no click reaches a control while the request runs, nor later.
    bool userActed = false;
    EventCounter paints(m_main.get(), QEvent::Paint, [&] { return userActed && m_main->isCheckRunning(); });
    const auto always = [] { return true; };
    EventCounter linkPresses(link, QEvent::MouseButtonPress, [&] { return m_main->isCheckRunning(); });
    EventCounter exitPresses(exit, QEvent::MouseButtonPress, always);
    EventCounter settingsPresses(settings, QEvent::MouseButtonPress, always);
    EventCounter settingsShown(m_settings.get(), QEvent::Show, always);
    EventCounter exitKeys(exit, QEvent::KeyPress, always);
    QTimer closeModal; // should the settings dialog open after all
    connect(&closeModal, &QTimer::timeout, this, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->close();
    });
    closeModal.start(10);
    QTimer::singleShot(200, this, [&] {
        QVERIFY(m_main->isCheckRunning());
        clickThroughWindowSystem(link);
        clickThroughWindowSystem(exit);
        clickThroughWindowSystem(settings);
        // Space on the focused Exit button would end the program.
        exit->setFocus();
        for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
            QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
                m_main->windowHandle(), type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::AsynchronousDelivery>(
            m_main->windowHandle());
        m_main->update();
        userActed = true;
    });
    QTest::mouseClick(link, Qt::LeftButton);
    QVERIFY(userActed);
    QCOMPARE(server.requests().size(), 1);
    QVERIFY(paints.count() > 0);
    QCOMPARE(m_main->logText().split(QLatin1Char('\n')).constLast(), text("de", "txtNoUpdatesAvailable"));

    // After the request the user's next click on the link starts a check, and nothing of the
    // earlier clicks comes back.
    QTest::qWait(100);
    clickThroughWindowSystem(link);
    QTRY_COMPARE(server.requests().size(), 2);
    QTRY_VERIFY(!m_main->isCheckRunning());
    QCOMPARE(linkPresses.count(), 0);
    QCOMPARE(exitPresses.count(), 0);
    QCOMPARE(settingsPresses.count(), 0);
    QCOMPARE(settingsShown.count(), 0);
    QCOMPARE(exitKeys.count(), 0);
    QVERIFY(m_main->isVisible());
}

void tst_UPelkUpdaterMain::askShowOldMessages_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
}

void tst_UPelkUpdaterMain::askShowOldMessages()
{
    QFETCH(bool, yes);
    writeProgramFolder();
    createWindows();
    QMessageBox *asked = nullptr;
    QString caption;
    QString question;
    QAbstractButton *defaultButton = nullptr;
    QAbstractButton *noButton = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    whenModal([&](QWidget *modal) {
        asked = qobject_cast<QMessageBox *>(modal);
        QVERIFY(asked);
        caption = asked->windowTitle();
        question = asked->text();
        icon = asked->icon();
        defaultButton = asked->defaultButton();
        noButton = asked->button(QMessageBox::No);
        asked->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
    });
    const bool answer = m_main->AskShowOldMessages(QStringLiteral("Nothing new"), QStringLiteral("Show the old ones?"));
    QCOMPARE(answer, yes);
    QVERIFY(asked);
    QCOMPARE(caption, QStringLiteral("Nothing new"));
    QCOMPARE(question, QStringLiteral("Show the old ones?"));
    QCOMPARE(icon, QMessageBox::Question);
    QVERIFY(noButton);
    QCOMPARE(defaultButton, noButton);
}

void tst_UPelkUpdaterMain::qtTextsFollowLanguage_data()
{
    // The window starts in de, the first language; `pick` chooses another one from the keyboard.
    QTest::addColumn<int>("pick");
    QTest::addColumn<QString>("yes");
    QTest::addColumn<QString>("no");
    QTest::newRow("de") << 0 << QStringLiteral("&Ja") << QStringLiteral("&Nein");
    QTest::newRow("de, then engb") << int(Qt::Key_Down) << QStringLiteral("&Yes") << QStringLiteral("&No");
    QTest::newRow("de, then xx without Qt texts") << int(Qt::Key_End) << QStringLiteral("&Yes")
                                                   << QStringLiteral("&No");
}

void tst_UPelkUpdaterMain::qtTextsFollowLanguage()
{
    QFETCH(int, pick);
    QFETCH(QString, yes);
    QFETCH(QString, no);
    writeProgramFolder();
    createWindows();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    // A language that Qt has no texts for is no reason for a message of any kind (the
    // offscreen platform's notes on window sizes aside).
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^(?!This plugin does not support)")));
    if (pick)
        QTest::keyClick(child<QComboBox>(m_main.get(), "CBLang"), Qt::Key(pick));
    QVERIFY(!QApplication::activeModalWidget());

    QString shownYes;
    QString shownNo;
    whenModal([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        shownYes = box->button(QMessageBox::Yes)->text();
        shownNo = box->button(QMessageBox::No)->text();
        box->button(QMessageBox::No)->click();
    });
    m_main->AskShowOldMessages(QStringLiteral("Nothing new"), QStringLiteral("Show the old ones?"));
    QCOMPARE(shownYes, yes);
    QCOMPARE(shownNo, no);
}

void tst_UPelkUpdaterMain::readableToScreenReaders_data()
{
    QTest::addColumn<QByteArray>("language");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("action"); // the first action it offers
    QTest::addColumn<QString>("label");  // the control whose text labels it
    QTest::addColumn<bool>("modal");

    const auto rows = [](const char *lang, const char *prefix, const QString &description) {
        const QByteArray language(lang);
        const QString press = QAccessibleActionInterface::pressAction();
        const auto row = [&](const char *control) -> QTestData & {
            return QTest::addRow("%s %s", lang, control) << language;
        };
        row("TFPelkUpdaterMain") << "main" << QString() << int(QAccessible::Window) << title(prefix, "txtTitle")
                                 << QString() << QString() << false;
        row("LUpdateCheck") << "main" << "LUpdateCheck" << int(QAccessible::Link)
                            << text(prefix, "txtCheckForUpdates") << press << QString() << false;
        row("CBLang") << "main" << "CBLang" << int(QAccessible::ComboBox) << description
                      << QAccessibleActionInterface::showMenuAction() << "LLanguage" << false;
        row("EdLog") << "main" << "EdLog" << int(QAccessible::EditableText) << title(prefix, "txtTitle")
                     << QString() << QString() << false;
        row("PSettings") << "main" << "PSettings" << int(QAccessible::Button) << text(prefix, "txtSettings")
                         << press << QString() << false;
        row("TFPelkUpdaterSettings") << "settings" << QString() << int(QAccessible::Dialog)
                                     << title(prefix, "txtSettings") << QString() << QString() << true;
        row("BuSends") << "settings" << "BuSends" << int(QAccessible::Button) << text(prefix, "txtSendsButton")
                       << press << QString() << false;
        row("TFPelkUpdaterMessages") << "messages" << QString() << int(QAccessible::Dialog)
                                     << title(prefix, "txtMessages") << QString() << QString() << true;
    };
    rows("de", "de", QStringLiteral("Deutsch"));
    rows("engb", "en", QStringLiteral("English"));
}

void tst_UPelkUpdaterMain::readableToScreenReaders()
{
    QFETCH(QByteArray, language);
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(QString, action);
    QFETCH(QString, label);
    QFETCH(bool, modal);

    InstallAccessibility();
    QPlatformAccessibility *platform = QGuiApplicationPrivate::platformIntegration()->accessibility();
    QVERIFY(platform);
    platform->setActive(true);
    QAccessible::installUpdateHandler(recordAnnouncements);
    const auto inactive = qScopeGuard([platform] {
        QAccessible::installUpdateHandler(nullptr);
        platform->setActive(false);
    });

    writeProgramFolder("0");
    createWindows();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    // English is reached the way a user gets there, which re-titles every window.
    g_renamed.clear();
    if (language == "engb")
        QTest::keyClick(child<QComboBox>(m_main.get(), "CBLang"), Qt::Key_Down);
    QCOMPARE(m_main->languages()->CurrentLanguageKey(), language);

    QWidget *top = window == QLatin1String("main") ? static_cast<QWidget *>(m_main.get())
        : window == QLatin1String("settings")       ? static_cast<QWidget *>(m_settings.get())
                                                    : static_cast<QWidget *>(m_messages.get());
    QWidget *widget = control.isEmpty() ? top : child<QWidget>(top, control.toLatin1().constData());
    QVERIFY(widget == top || !widget->isHidden());
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(accessible);
    QCOMPARE(int(accessible->role()), role);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    QCOMPARE(bool(accessible->state().modal), modal);
    if (language == "engb" && (widget == top || control == QLatin1String("CBLang")))
        QVERIFY2(g_renamed.contains(widget), "no name change was announced");
    const QStringList actions = accessible->actionInterface() ? accessible->actionInterface()->actionNames()
                                                              : QStringList();
    if (!action.isEmpty())
        QCOMPARE(actions.value(0), action);
    const auto labels = accessible->relations(QAccessible::Label);
    QCOMPARE(labels.size(), label.isEmpty() ? 0 : 1);
    if (!label.isEmpty())
        QCOMPARE(labels.first().first->object(), child<QWidget>(top, label.toLatin1().constData()));
    if (control == QLatin1String("CBLang")) {
        // Its list says what the user reads, not the keys.
        QAccessibleInterface *list = accessible->child(0);
        QVERIFY(list);
        QStringList items;
        for (int i = 0; i < list->childCount(); ++i)
            items << list->child(i)->text(QAccessible::Name);
        QVERIFY2(items.contains(QStringLiteral("Deutsch")) && items.contains(QStringLiteral("English")),
                 qPrintable(items.join(QLatin1Char(','))));
        // Its action opens the list, and it says so.
        accessible->actionInterface()->doAction(action);
        QTRY_VERIFY(accessible->state().expanded);
        static_cast<QComboBox *>(widget)->hidePopup();
        QTRY_VERIFY(accessible->state().collapsed);
    }
    if (control == QLatin1String("EdLog")) {
        QVERIFY(accessible->state().readOnly);
        g_grown.clear();
        m_main->AddLogLine(QStringLiteral("a new line"));
        QVERIFY2(g_grown.contains(widget), "the new line was not announced");
    }
    if (control == QLatin1String("LUpdateCheck")) {
        // Its press action starts a check; online updates are not allowed here.
        g_shown.clear();
        accessible->actionInterface()->doAction(action);
        QTRY_COMPARE(m_main->logText(), text(language == "de" ? "de" : "en", "txtOnlineUpdatesDisabled"));
        // Its end is told where the focus is not: a notification that shows with the result.
        QAccessibleInterface *result = QAccessible::queryAccessibleInterface(child<QWidget>(top, "CheckResult"));
        QCOMPARE(int(result->role()), int(QAccessible::Notification));
        QTRY_COMPARE(result->text(QAccessible::Name), m_main->logText());
        QVERIFY(g_shown.contains(result->object()));
    }
}

void tst_UPelkUpdaterMain::keyboardUse_data()
{
    // What the user does, as xdotool arguments on the real X server ("%link": the check link's
    // centre in the main window); the shipped German texts.
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("start"); // the control that has the focus first
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expect");
    QTest::newRow("Tab to the log") << "main" << "LUpdateCheck" << "key Tab" << "focus shown on EdLog";
    QTest::newRow("click on the link") << "main" << "PExit" << "mousemove --window %window %link click 1 mousemove --window %window 5 570"
                                       << "focus shown on LUpdateCheck";
    QTest::newRow("Alt+S to the selector") << "main" << "PExit" << "key alt+s" << "focus shown on CBLang";
    QTest::newRow("selector list") << "main" << "CBLang" << "key --delay 80 alt+Down Down" << "item highlighted";
    QTest::newRow("Alt+N checks") << "main" << "PExit" << "key alt+n" << "check ran";
    QTest::newRow("Alt+E settings") << "main" << "PExit" << "key alt+e" << "settings opened";
    QTest::newRow("Alt+B exits") << "main" << "LUpdateCheck" << "key alt+b" << "main closed";
    QTest::newRow("list focus") << "messages" << "BuClose" << "key Tab" << "focus shown on LVMsg";
    QTest::newRow("Shift+F10 on the list") << "messages" << "LVMsg" << "key shift+F10" << "menu opened";
}

void tst_UPelkUpdaterMain::keyboardUse()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs keys from a real X server (the test runs again under Xvfb for this)");
    QFETCH(QString, window);
    QFETCH(QString, start);
    QFETCH(QString, input);
    QFETCH(QString, expect);

    writeProgramFolder("0");
    QFile::remove(m_folder + QStringLiteral("/PelkUpdater.ini"));
    QVERIFY(QFile::copy(QStringLiteral(PELK_EXAMPLES_DIR "/PelkUpdater.ini"), m_folder + QStringLiteral("/PelkUpdater.ini")));
    CommandLineOptions options;
    options.CommandLineLanguage = "de";
    createWindows(options);
    m_main->show();
    QWidget *top = m_main.get();
    if (window == QLatin1String("messages")) {
        m_messages->setPageFactory([](UrlOpener &, QWidget *parent) { return new PlainPageDisplay(parent); });
        m_messages->setFeed(ParseXmlText("<messages><message id=\"a\" date=\"20261207\"><title>A</title></message>"
                                         "<message id=\"b\" date=\"20261207\"><title>B</title></message></messages>"),
                            {});
        m_messages->show();
        top = m_messages.get();
    }
    top->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(top));
    QWidget *first = child<QWidget>(top, start.toLatin1().constData());
    first->setFocus(Qt::OtherFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), first);

    const QString target = expect.section(QLatin1Char(' '), -1);
    QWidget *shown = expect.startsWith(QLatin1String("focus shown")) ? child<QWidget>(top, target.toLatin1().constData())
                                                                       : nullptr;
    const QImage edgeBefore = shown ? edgeOf(shown) : QImage();
    QWidget *modalSeen = nullptr;
    if (expect == QLatin1String("settings opened")) {
        whenModal([&modalSeen](QWidget *modal) {
            modalSeen = modal;
            modal->close();
        });
    }

    QWidget *link = child<QWidget>(m_main.get(), "LUpdateCheck");
    const QPoint linkCentre = link->mapTo(m_main.get(), link->rect().center());
    input.replace(QLatin1String("%window"), QString::number(top->winId()))
        .replace(QLatin1String("%link"), QStringLiteral("%1 %2").arg(linkCentre.x()).arg(linkCentre.y()));
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), input.split(QLatin1Char(' ')));
    QVERIFY2(xdotool.waitForFinished(10000) && xdotool.exitCode() == 0, xdotool.readAllStandardError().constData());

    if (shown) {
        QTRY_COMPARE(QApplication::focusWidget(), shown);
        QTRY_VERIFY2(edgeOf(shown) != edgeBefore, "the focus does not show");
    } else if (expect == QLatin1String("item highlighted")) {
        auto *selector = child<QComboBox>(top, "CBLang");
        QTRY_VERIFY(selector->view()->isVisible());
        const QColor highlight = selector->palette().color(QPalette::Highlight);
        const auto highlighted = [&] {
            const QImage list = selector->view()->grab().toImage();
            for (int y = 0; y < list.height(); ++y)
                for (int x = 0; x < list.width(); ++x)
                    if (list.pixelColor(x, y) == highlight)
                        return true;
            return false;
        };
        QTRY_VERIFY2(highlighted(), "no item of the open list is highlighted");
        selector->hidePopup();
    } else if (expect == QLatin1String("check ran")) {
        QTRY_COMPARE(m_main->logText(), m_main->languages()->GetText("txtOnlineUpdatesDisabled"));
    } else if (expect == QLatin1String("settings opened")) {
        QTRY_COMPARE(modalSeen, static_cast<QWidget *>(m_settings.get()));
    } else if (expect == QLatin1String("main closed")) {
        QTRY_VERIFY(!m_main->isVisible());
    } else if (expect == QLatin1String("menu opened")) {
        auto *menu = child<QMenu>(top, "PMItem");
        QTRY_VERIFY(menu->isVisible());
        menu->close();
    }
    if (window == QLatin1String("messages"))
        m_messages->hide();
}

QTEST_MAIN(tst_UPelkUpdaterMain)
#include "tst_UPelkUpdaterMain.moc"

void tst_UPelkUpdaterMain::windowsFitTheScreen_data()
{
    QTest::addColumn<int>("dpi"); // QT_FONT_DPI
    for (int dpi : {96, 120, 144, 192})
        QTest::newRow(QByteArray::number(dpi).constData()) << dpi;
}

// Large text scales every window; on a 1280 x 800 screen with a window manager each window
// still fits the available area and every control can be brought into view. The font DPI
// is read at start, so each row runs this test again in a program of its own.
void tst_UPelkUpdaterMain::windowsFitTheScreen()
{
    QFETCH(int, dpi);
    if (qEnvironmentVariableIntValue("PELK_FIT_DPI") != dpi) {
        XServer x;
        QVERIFY2(x.start(QStringLiteral("1280x800x24")), qPrintable(x.errorText()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), x.display());
        env.insert(QStringLiteral("QT_FONT_DPI"), QString::number(dpi));
        env.insert(QStringLiteral("PELK_FIT_DPI"), QString::number(dpi));
        QProcess run;
        run.setProcessEnvironment(env);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(QCoreApplication::applicationFilePath(),
                  {QStringLiteral("windowsFitTheScreen:") + QString::number(dpi)});
        QVERIFY(run.waitForFinished(120000));
        const QByteArray output = run.readAll();
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, output.constData());
        return;
    }

    writeProgramFolder("0");
    QFile::remove(m_folder + QStringLiteral("/PelkUpdater.ini"));
    QVERIFY(QFile::copy(QStringLiteral(PELK_EXAMPLES_DIR "/PelkUpdater.ini"), m_folder + QStringLiteral("/PelkUpdater.ini")));
    CommandLineOptions options;
    options.CommandLineLanguage = "de"; // the longer texts
    // Under an administrator's locks, whose notes take room of their own, and which a real
    // window system must show as locked.
    PolicyStore locked(*m_store, {{QStringLiteral("proxyoption"), QStringLiteral("2")},
                                  {QStringLiteral("autoupdate"), QStringLiteral("1")}});
    createWindows(options, &locked);
    const auto windowsGoFirst = qScopeGuard([this] { destroyWindows(); }); // they use `locked` to the end
    m_messages->setPageFactory([](UrlOpener &, QWidget *parent) { return new PlainPageDisplay(parent); });
    m_messages->setFeed(ParseXmlText("<messages><message id=\"a\" date=\"20261207\"><title>A</title></message></messages>"), {});
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    for (QWidget *window : std::initializer_list<QWidget *>{m_main.get(), m_settings.get(), m_messages.get()}) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // The window manager frames the window a moment after it is mapped; a busy one may
        // take longer, and the window must fit all the same (also unframed, should it never come).
        const bool framed = QTest::qWaitFor([window] { return window->frameGeometry() != window->geometry(); }, 10000);
        Q_UNUSED(framed)
        const QRect frame = window->frameGeometry();
        QVERIFY2(available.contains(frame), qPrintable(QStringLiteral("%1: %2,%3 %4x%5 framed, available %6x%7")
                                                          .arg(window->objectName()).arg(frame.x()).arg(frame.y())
                                                          .arg(frame.width()).arg(frame.height())
                                                          .arg(available.width()).arg(available.height())));
        for (QWidget *control : window->findChildren<QWidget *>()) {
            if (!(control->focusPolicy() & Qt::TabFocus) || !control->isVisibleTo(window) || control->window() != window)
                continue;
            QRect visible = window->rect();
            for (QWidget *up = control->parentWidget(); up && up != window; up = up->parentWidget()) {
                if (auto *area = qobject_cast<QScrollArea *>(up)) {
                    // Scrolled to as a whole, not only to its text cursor as the focus does.
                    const QPoint centre = control->mapTo(area->widget(), control->rect().center());
                    area->ensureVisible(centre.x(), centre.y(), (control->width() + 1) / 2, (control->height() + 1) / 2);
                    visible = QRect(area->viewport()->mapTo(window, QPoint()), area->viewport()->size());
                }
            }
            const QRect place(control->mapTo(window, QPoint()), control->size());
            QVERIFY2(visible.contains(place), qPrintable(QStringLiteral("%1 %2 at %3,%4 %5x%6, seen %7,%8 %9x%10")
                                                             .arg(window->objectName(), control->objectName())
                                                             .arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height())
                                                             .arg(visible.x()).arg(visible.y()).arg(visible.width()).arg(visible.height())));
        }
        if (window == m_settings.get()) {
            QVERIFY(!child<QRadioButton>(window, "RBNoProxy")->isEnabled());
            QVERIFY(child<QLabel>(window, "LSetByAdministrator")->isVisible());
        } else if (window == m_messages.get()) {
            QVERIFY(!child<QCheckBox>(window, "CBAutoUpdate")->isEnabled());
        }
        if (qEnvironmentVariableIsSet("PELK_SCREENSHOT_DIR"))
            QVERIFY(window->grab().save(QDir(qEnvironmentVariable("PELK_SCREENSHOT_DIR"))
                                            .filePath(QStringLiteral("%1-%2dpi.png").arg(window->objectName()).arg(dpi))));
        window->hide();
    }
}
