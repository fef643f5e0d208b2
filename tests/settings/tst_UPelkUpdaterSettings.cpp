// The settings dialog against a real store file: loading at every show, the enabling
// rules, OK storing everything and Cancel or the close box storing nothing, and the view of
// what a check sends.

#include "base/PelkError.h"
#include "check/UpdateRequest.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "settings/EffectiveSettings.h"
#include "settings/PolicyStore.h"
#include "settings/RegFileStore.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterSettings.h"
#include "settings/UPelkUpdaterUtils.h"
#include "sysinfo/InstallationData.h"
#include "sysinfo/SystemProbe.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

class tst_UPelkUpdaterSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void freshStoreShowsDefaults();
    void enablingFollowsOptionAndAuth_data();
    void enablingFollowsOptionAndAuth();
    void okStoresAllValues_data();
    void okStoresAllValues();
    void enterPressesOk();
    void cancelAndCloseBoxStoreNothing_data();
    void cancelAndCloseBoxStoreNothing();
    void cancelledEditDoesNotSurviveReopening();
    void unknownStoredOptionChecksNoButtonAndOkStoresZero();
    void passwordShowsStars();
    void unreadableSettingsShowErrorBoxAndDialogStays();
    void textsFromLanguage();
    void administratorLocksAreShownNotOffered_data();
    void administratorLocksAreShownNotOffered();
    void sendsShowsNextRequest_data();
    void sendsShowsNextRequest();

private:
    template <typename T> T *child(const char *name)
    {
        T *widget = m_dialog->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("missing control %s", name);
        return widget;
    }
    // Clicks an option button or check box on its indicator, where a user aims.
    static void clickBox(QAbstractButton *box)
    {
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
    }
    void writeStoredSettings(const ProxySettings &settings, bool autoUpdate);
    QByteArray storeFileBytes() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegFileStore> m_store;
    InstallationData m_installation;
    std::unique_ptr<TFPelkUpdaterSettings> m_dialog;
};

void tst_UPelkUpdaterSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<RegFileStore>(m_dir->filePath(QStringLiteral("user.reg")),
                                             m_dir->filePath(QStringLiteral("machine.reg")));
    m_installation = InstallationData();
    m_installation.ProgVersion = QStringLiteral("5.2.1.7");
    m_dialog = std::make_unique<TFPelkUpdaterSettings>(*m_store, m_installation);
}

void tst_UPelkUpdaterSettings::cleanup()
{
    m_dialog.reset();
    m_store.reset();
    m_dir.reset();
}

void tst_UPelkUpdaterSettings::writeStoredSettings(const ProxySettings &settings, bool autoUpdate)
{
    WriteProxySettings(*m_store, settings);
    WriteAutoUpdate(*m_store, m_installation.ProgVersion, autoUpdate);
}

QByteArray tst_UPelkUpdaterSettings::storeFileBytes() const
{
    QFile file(m_store->userFile());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void tst_UPelkUpdaterSettings::freshStoreShowsDefaults()
{
    m_dialog->show();
    QVERIFY(child<QRadioButton>("RBUseIEProxySettings")->isChecked());
    QVERIFY(!child<QRadioButton>("RBNoProxy")->isChecked());
    QVERIFY(!child<QRadioButton>("RBUseFollowingProxySettings")->isChecked());
    QVERIFY(!child<QLineEdit>("EdProxyServer")->isEnabled());
    QVERIFY(!child<QLineEdit>("EdProxyPort")->isEnabled());
    QVERIFY(child<QCheckBox>("CBProxyAuth")->isEnabled());
    QVERIFY(!child<QCheckBox>("CBProxyAuth")->isChecked());
    QVERIFY(!child<QLineEdit>("EdProxyUser")->isEnabled());
    QVERIFY(!child<QLineEdit>("EdProxyPassword")->isEnabled());
    QVERIFY(!child<QCheckBox>("CBAutoUpdate")->isChecked());
    QVERIFY(child<QPushButton>("BuOK")->isDefault());
    // The focus starts in the proxy group.
    QWidget *focus = m_dialog->focusWidget();
    QVERIFY(focus);
    QVERIFY(focus == child<QGroupBox>("GBProxy") || child<QGroupBox>("GBProxy")->isAncestorOf(focus));
}

void tst_UPelkUpdaterSettings::enablingFollowsOptionAndAuth_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("auth");
    QTest::addColumn<bool>("serverEnabled");
    QTest::addColumn<bool>("authEnabled");
    QTest::addColumn<bool>("credentialsEnabled");

    QTest::newRow("system, no auth") << "RBUseIEProxySettings" << false << false << true << false;
    QTest::newRow("system, auth") << "RBUseIEProxySettings" << true << false << true << true;
    QTest::newRow("none, auth ticked") << "RBNoProxy" << true << false << false << false;
    QTest::newRow("none, no auth") << "RBNoProxy" << false << false << false << false;
    QTest::newRow("following, no auth") << "RBUseFollowingProxySettings" << false << true << true << false;
    QTest::newRow("following, auth") << "RBUseFollowingProxySettings" << true << true << true << true;
}

void tst_UPelkUpdaterSettings::enablingFollowsOptionAndAuth()
{
    QFETCH(QString, option);
    QFETCH(bool, auth);
    QFETCH(bool, serverEnabled);
    QFETCH(bool, authEnabled);
    QFETCH(bool, credentialsEnabled);

    m_dialog->show();
    auto *authBox = child<QCheckBox>("CBProxyAuth");
    // Tick the auth box while it can be clicked, then pick the option, like a user would.
    if (auth) {
        clickBox(authBox);
        QVERIFY(authBox->isChecked());
    }
    auto *button = child<QRadioButton>(option.toLatin1().constData());
    clickBox(button);
    QVERIFY(button->isChecked());

    QCOMPARE(child<QLabel>("LProxyServer")->isEnabled(), serverEnabled);
    QCOMPARE(child<QLineEdit>("EdProxyServer")->isEnabled(), serverEnabled);
    QCOMPARE(child<QLabel>("LProxyPort")->isEnabled(), serverEnabled);
    QCOMPARE(child<QLineEdit>("EdProxyPort")->isEnabled(), serverEnabled);
    QCOMPARE(authBox->isEnabled(), authEnabled);
    QCOMPARE(child<QLabel>("LProxyUser")->isEnabled(), credentialsEnabled);
    QCOMPARE(child<QLineEdit>("EdProxyUser")->isEnabled(), credentialsEnabled);
    QCOMPARE(child<QLabel>("LProxyPassword")->isEnabled(), credentialsEnabled);
    QCOMPARE(child<QLineEdit>("EdProxyPassword")->isEnabled(), credentialsEnabled);
    // A disabled box keeps its tick, and unticking it again disables the credentials.
    QCOMPARE(authBox->isChecked(), auth);
    if (authEnabled && auth) {
        clickBox(authBox);
        QVERIFY(!child<QLineEdit>("EdProxyUser")->isEnabled());
        QVERIFY(!child<QLineEdit>("EdProxyPassword")->isEnabled());
    }
}

void tst_UPelkUpdaterSettings::okStoresAllValues_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("storedOption");

    QTest::newRow("system") << "RBUseIEProxySettings" << 0;
    // Disabled controls keep their texts, and OK stores them all the same.
    QTest::newRow("none") << "RBNoProxy" << 1;
    QTest::newRow("following") << "RBUseFollowingProxySettings" << 2;
}

void tst_UPelkUpdaterSettings::okStoresAllValues()
{
    QFETCH(QString, option);
    QFETCH(int, storedOption);

    m_dialog->show();
    // Type everything while the proxy and the credentials are open for input.
    clickBox(child<QRadioButton>("RBUseFollowingProxySettings"));
    clickBox(child<QCheckBox>("CBProxyAuth"));
    QTest::keyClicks(child<QLineEdit>("EdProxyServer"), QStringLiteral("proxy.example.org"));
    QTest::keyClicks(child<QLineEdit>("EdProxyPort"), QStringLiteral("3128"));
    // QTest types Latin-1 only; the rest goes in as an input method would put it.
    child<QLineEdit>("EdProxyUser")->insert(QStringLiteral("Jörg"));
    QTest::keyClicks(child<QLineEdit>("EdProxyPassword"), QStringLiteral("s3cr"));
    child<QLineEdit>("EdProxyPassword")->insert(QStringLiteral("€t"));
    clickBox(child<QCheckBox>("CBAutoUpdate"));
    clickBox(child<QCheckBox>("CBAutoCheckOnMetered"));
    clickBox(child<QRadioButton>(option.toLatin1().constData()));

    QTest::mouseClick(child<QPushButton>("BuOK"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));

    const ProxySettings stored = ReadProxySettings(*m_store);
    QCOMPARE(stored.Option, storedOption);
    QCOMPARE(stored.Server, QStringLiteral("proxy.example.org"));
    QCOMPARE(stored.Port, QStringLiteral("3128"));
    QCOMPARE(stored.User, QStringLiteral("Jörg"));
    QCOMPARE(stored.Password, QStringLiteral("s3cr€t"));
    QCOMPARE(stored.Auth, true);
    QCOMPARE(ReadAutoUpdate(*m_store, m_installation.ProgVersion), true);
    QCOMPARE(ReadAutoCheckOnMetered(*m_store), true);
    // The password never reaches the file in clear.
    QVERIFY(!storeFileBytes().contains("s3cr"));
}

void tst_UPelkUpdaterSettings::enterPressesOk()
{
    m_dialog->show();
    clickBox(child<QRadioButton>("RBUseFollowingProxySettings"));
    auto *server = child<QLineEdit>("EdProxyServer");
    QTest::keyClicks(server, QStringLiteral("gateway"));
    QTest::keyClick(server, Qt::Key_Return);
    QVERIFY(!m_dialog->isVisible());
    const ProxySettings stored = ReadProxySettings(*m_store);
    QCOMPARE(stored.Option, 2);
    QCOMPARE(stored.Server, QStringLiteral("gateway"));
}

void tst_UPelkUpdaterSettings::cancelAndCloseBoxStoreNothing_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void tst_UPelkUpdaterSettings::cancelAndCloseBoxStoreNothing()
{
    QFETCH(bool, closeBox);

    ProxySettings before;
    before.Option = 1;
    before.Server = QStringLiteral("old.example.org");
    before.Port = QStringLiteral("8080");
    before.User = QStringLiteral("anna");
    before.Password = QStringLiteral("pw");
    before.Auth = false;
    writeStoredSettings(before, false);
    const QByteArray fileBefore = storeFileBytes();
    QVERIFY(!fileBefore.isEmpty());

    m_dialog->show();
    QVERIFY(child<QRadioButton>("RBNoProxy")->isChecked());
    clickBox(child<QRadioButton>("RBUseFollowingProxySettings"));
    QTest::keyClicks(child<QLineEdit>("EdProxyServer"), QStringLiteral("-changed"));
    clickBox(child<QCheckBox>("CBProxyAuth"));
    clickBox(child<QCheckBox>("CBAutoUpdate"));

    if (closeBox)
        m_dialog->close();
    else
        QTest::mouseClick(child<QPushButton>("BuCancel"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
    QCOMPARE(storeFileBytes(), fileBefore);
}

void tst_UPelkUpdaterSettings::cancelledEditDoesNotSurviveReopening()
{
    ProxySettings before;
    before.Option = 2;
    before.Server = QStringLiteral("proxy");
    before.Port = QStringLiteral("3128");
    before.Auth = true;
    before.User = QStringLiteral("u");
    before.Password = QStringLiteral("p");
    writeStoredSettings(before, true);

    m_dialog->show();
    clickBox(child<QRadioButton>("RBNoProxy"));
    child<QLineEdit>("EdProxyServer")->setText(QStringLiteral("elsewhere"));
    clickBox(child<QCheckBox>("CBAutoUpdate"));
    QTest::mouseClick(child<QPushButton>("BuCancel"), Qt::LeftButton);

    m_dialog->show();
    QVERIFY(child<QRadioButton>("RBUseFollowingProxySettings")->isChecked());
    QCOMPARE(child<QLineEdit>("EdProxyServer")->text(), QStringLiteral("proxy"));
    QCOMPARE(child<QLineEdit>("EdProxyPort")->text(), QStringLiteral("3128"));
    QCOMPARE(child<QLineEdit>("EdProxyUser")->text(), QStringLiteral("u"));
    QCOMPARE(child<QLineEdit>("EdProxyPassword")->text(), QStringLiteral("p"));
    QVERIFY(child<QCheckBox>("CBProxyAuth")->isChecked());
    QVERIFY(child<QCheckBox>("CBAutoUpdate")->isChecked());
    QVERIFY(child<QLineEdit>("EdProxyServer")->isEnabled());
    QVERIFY(child<QLineEdit>("EdProxyPassword")->isEnabled());
}

void tst_UPelkUpdaterSettings::unknownStoredOptionChecksNoButtonAndOkStoresZero()
{
    // First a valid option, so that a button was checked before the unknown value comes.
    ProxySettings first;
    first.Option = 1;
    writeStoredSettings(first, false);
    m_dialog->show();
    QVERIFY(child<QRadioButton>("RBNoProxy")->isChecked());
    QTest::mouseClick(child<QPushButton>("BuCancel"), Qt::LeftButton);

    {
        auto key = m_store->openKey(RegistryRoot::CurrentUser, UpdaterKeyPath, true);
        QVERIFY(key);
        key->writeInteger(QStringLiteral("ProxyOption"), 3);
    }
    m_dialog->show();
    QVERIFY(!child<QRadioButton>("RBUseIEProxySettings")->isChecked());
    QVERIFY(!child<QRadioButton>("RBNoProxy")->isChecked());
    QVERIFY(!child<QRadioButton>("RBUseFollowingProxySettings")->isChecked());
    QVERIFY(!child<QLineEdit>("EdProxyServer")->isEnabled());
    QVERIFY(!child<QCheckBox>("CBProxyAuth")->isEnabled());

    QTest::mouseClick(child<QPushButton>("BuOK"), Qt::LeftButton);
    QCOMPARE(ReadProxySettings(*m_store).Option, 0);

    // The group still works as one group afterwards.
    m_dialog->show();
    QVERIFY(child<QRadioButton>("RBUseIEProxySettings")->isChecked());
    clickBox(child<QRadioButton>("RBNoProxy"));
    QVERIFY(!child<QRadioButton>("RBUseIEProxySettings")->isChecked());
}

void tst_UPelkUpdaterSettings::passwordShowsStars()
{
    ProxySettings stored;
    stored.Option = 2;
    stored.Auth = true;
    stored.Password = QStringLiteral("geheim");
    writeStoredSettings(stored, false);
    m_dialog->show();
    auto *password = child<QLineEdit>("EdProxyPassword");
    QCOMPARE(password->text(), QStringLiteral("geheim"));
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(password->displayText(), QStringLiteral("******"));
}

void tst_UPelkUpdaterSettings::unreadableSettingsShowErrorBoxAndDialogStays()
{
    {
        auto key = m_store->openKey(RegistryRoot::CurrentUser, UpdaterKeyPath, true);
        QVERIFY(key);
        key->writeString(QStringLiteral("ProxyOption"), QStringLiteral("two"));
    }
    QString shownText;
    QTimer::singleShot(0, this, [&shownText] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        shownText = box->text();
        box->button(QMessageBox::Ok)->click();
    });
    m_dialog->show();
    QVERIFY(shownText.contains(QStringLiteral("ProxyOption")));
    QVERIFY(m_dialog->isVisible());
    // Still usable: OK stores over the unreadable value.
    clickBox(child<QRadioButton>("RBNoProxy"));
    QTest::mouseClick(child<QPushButton>("BuOK"), Qt::LeftButton);
    QCOMPARE(ReadProxySettings(*m_store).Option, 1);
}

void tst_UPelkUpdaterSettings::textsFromLanguage()
{
    const QString iniPath = m_dir->filePath(QStringLiteral("PelkUpdater.ini"));
    QFile ini(iniPath);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Langs]\nLangKey1=de\nLangDesc1=Deutsch\n"
              "[Texts_de]\ntxtProduct=Katalog\ntxtSettings=Einstellungen\n"
              "txtProxyTitle=Proxyserver\ntxtProxyUseIE=System\ntxtProxyNone=Direkt\n"
              "txtProxyUseFollowing=Folgender\ntxtProxyPort=Port\ntxtProxyAuth=Anmeldung\n"
              "txtProxyUser=Benutzer\ntxtProxyPassword=Kennwort\ntxtAutoUpdateCheck=Automatisch\n"
              "txtOK=Übernehmen\ntxtCancel=Abbrechen\n");
    ini.close();
    IniFile iniFile(iniPath);
    Languages languages(iniFile, *m_store);
    languages.LoadLanguages(QByteArray());

    m_dialog->applyTexts(languages);
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Orbel - Katalog - Einstellungen"));
    QCOMPARE(child<QGroupBox>("GBProxy")->title(), QStringLiteral("Proxyserver"));
    QCOMPARE(child<QRadioButton>("RBUseIEProxySettings")->text(), QStringLiteral("System"));
    QCOMPARE(child<QRadioButton>("RBNoProxy")->text(), QStringLiteral("Direkt"));
    QCOMPARE(child<QRadioButton>("RBUseFollowingProxySettings")->text(), QStringLiteral("Folgender:"));
    // The language lacks txtProxyServer: the label keeps only its colon.
    QCOMPARE(child<QLabel>("LProxyServer")->text(), QStringLiteral(":"));
    QCOMPARE(child<QLabel>("LProxyPort")->text(), QStringLiteral("Port:"));
    QCOMPARE(child<QCheckBox>("CBProxyAuth")->text(), QStringLiteral("Anmeldung:"));
    QCOMPARE(child<QLabel>("LProxyUser")->text(), QStringLiteral("Benutzer:"));
    QCOMPARE(child<QLabel>("LProxyPassword")->text(), QStringLiteral("Kennwort:"));
    QCOMPARE(child<QCheckBox>("CBAutoUpdate")->text(), QStringLiteral("Automatisch"));
    QCOMPARE(child<QPushButton>("BuOK")->text(), QStringLiteral("Übernehmen"));
    QCOMPARE(child<QPushButton>("BuCancel")->text(), QStringLiteral("Abbrechen"));
}

void tst_UPelkUpdaterSettings::administratorLocksAreShownNotOffered_data()
{
    QTest::addColumn<QByteArray>("policy");
    QTest::addColumn<QStringList>("locked"); // the controls shown disabled, with the note

    QTest::newRow("nothing locked") << QByteArray() << QStringList();
    QTest::newRow("proxy option")
        << QByteArray("ProxyOption=2") << QStringList{"RBUseIEProxySettings", "RBNoProxy", "RBUseFollowingProxySettings"};
    QTest::newRow("server and port") << QByteArray("ProxyServer=gw.corp\nProxyPort=8080")
                                     << QStringList{"LProxyServer", "EdProxyServer", "LProxyPort", "EdProxyPort"};
    // The password stays the user's to type.
    QTest::newRow("auth and user") << QByteArray("ProxyAuth=1\nProxyUser=proxyuser\nProxyPassword=open")
                                   << QStringList{"CBProxyAuth", "LProxyUser", "EdProxyUser"};
    QTest::newRow("automatic checks") << QByteArray("AutoUpdate=1") << QStringList{"CBAutoUpdate"};
    QTest::newRow("checks on metered connections") << QByteArray("AutoCheckOnMetered=0")
                                                   << QStringList{"CBAutoCheckOnMetered"};
}

void tst_UPelkUpdaterSettings::administratorLocksAreShownNotOffered()
{
    QFETCH(QByteArray, policy);
    QFETCH(QStringList, locked);

    const QString adminFile = m_dir->filePath(QStringLiteral("admin.ini"));
    QFile file(adminFile);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Policy]\n" + policy + "\n") > 0);
    file.close();
    PolicyStore store(*m_store, PolicyStore::readLocks(IniFile(adminFile)));
    const QString before = FormatEffectiveSettings(ReadEffectiveSettings(*m_store, store, m_installation.ProgVersion));
    m_dialog = std::make_unique<TFPelkUpdaterSettings>(store, m_installation);
    const IniFile noTexts{QString()};
    const Languages builtIn(noTexts, store);
    m_dialog->applyTexts(builtIn);
    m_dialog->show();

    for (const QString &name : locked) {
        auto *control = child<QWidget>(name.toLatin1().constData());
        QVERIFY2(!control->isEnabled(), qPrintable(name));
        QCOMPARE(control->toolTip(), QStringLiteral("Set by your administrator."));
    }
    QVERIFY(child<QWidget>("EdProxyPassword")->toolTip().isEmpty());
    QCOMPARE(child<QLabel>("LSetByAdministrator")->isVisible(), !locked.isEmpty());

    // OK stores the rest; what is in effect for the locked ones stays as it was.
    clickBox(child<QCheckBox>("CBAutoUpdate"));
    clickBox(child<QCheckBox>("CBAutoCheckOnMetered"));
    QTest::mouseClick(child<QPushButton>("BuOK"), Qt::LeftButton);
    QVERIFY(!m_dialog->isVisible());
    const QString after = FormatEffectiveSettings(ReadEffectiveSettings(*m_store, store, m_installation.ProgVersion));
    for (const QString &line : before.split(u'\n')) {
        if (line.endsWith(QLatin1String("(administrator)")))
            QVERIFY2(after.contains(line), qPrintable(after));
    }
    QVERIFY(!storeFileBytes().contains("gw.corp"));
}

void tst_UPelkUpdaterSettings::sendsShowsNextRequest_data()
{
    QTest::addColumn<int>("option");
    QTest::addColumn<bool>("auth");
    QTest::addColumn<bool>("idStored");
    QTest::addColumn<bool>("allowed"); // the installation allows online updates
    QTest::addColumn<QString>("route");

    QTest::newRow("system's proxy") << 0 << false << true << true << QStringLiteral("Route: the system's proxy settings");
    QTest::newRow("direct, no ID yet, not allowed")
        << 1 << true << false << false << QStringLiteral("Route: direct, without a proxy");
    QTest::newRow("proxy server with a login")
        << 2 << true << true << true
        << QStringLiteral("Route: the proxy server gw.corp:3128, with the login of the user \"anna\" when the proxy "
                          "asks for one (the password is not shown)");
}

// The button shows what the next check sends: every field of its body, the address and the
// route, never the password; showing it stores nothing, not even a new ID.
void tst_UPelkUpdaterSettings::sendsShowsNextRequest()
{
    QFETCH(int, option);
    QFETCH(bool, auth);
    QFETCH(bool, idStored);
    QFETCH(bool, allowed);
    QFETCH(QString, route);

    writeStoredSettings({option, QStringLiteral("gw.corp"), QStringLiteral("3128"), QStringLiteral("anna"),
                         QStringLiteral("s3cret"), auth},
                        false);
    if (idStored)
        GetInstallationId(*m_store);
    const QByteArray storedBefore = storeFileBytes();
    const QString iniPath = m_dir->filePath(QStringLiteral("PelkUpdater.ini"));
    QFile ini(iniPath);
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Langs]\nLangKey1=engb\nLangDesc1=English\n[Config]\nUpdateCheckURL=http://updates.example/check\n");
    ini.close();
    const IniFile iniFile(iniPath);
    Languages languages(iniFile, *m_store);
    languages.LoadLanguages(QByteArray());
    const LinuxSystemProbe probe;
    m_installation.OnlineUpdateAllowed = allowed;
    m_dialog->applyTexts(languages);
    m_dialog->setProbe(probe);
    m_dialog->show();

    QString shown;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        QWidget *view = QApplication::activeModalWidget();
        if (!view || view->objectName() != QLatin1String("TFPelkUpdaterSends"))
            return;
        auto *text = view->findChild<QPlainTextEdit *>(QStringLiteral("EdSends"));
        // Read-only, and where the keyboard starts.
        shown = text->isReadOnly() && view->focusWidget() == text && text->accessibleName() == view->windowTitle()
                    ? text->toPlainText()
                    : QStringLiteral("not read-only");
        view->findChild<QPushButton *>(QStringLiteral("BuSendsClose"))->click();
    });
    poll.start(10);
    // Reached from the box above it with Tab, and pressed with Space.
    QVERIFY(QTest::qWaitForWindowActive(m_dialog.get()));
    child<QCheckBox>("CBAutoCheckOnMetered")->setFocus();
    QTest::keyClick(m_dialog.get(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QPushButton>("BuSends"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    poll.stop();

    const QByteArray body = NextUpdateRequest({m_installation, iniFile, languages, *m_store, probe}).post.body;
    const QStringList lines = shown.split(QLatin1Char('\n'));
    for (const QByteArray &field : body.split('&'))
        QVERIFY2(lines.contains(QString::fromLatin1(field)), qPrintable(shown));
    QVERIFY2(lines.contains(QStringLiteral("Address: http://updates.example/check")), qPrintable(shown));
    QVERIFY2(lines.contains(route), qPrintable(shown));
    QVERIFY(lines.contains(QStringLiteral("    Installation ID, made at random for this installation")));
    QCOMPARE(lines.contains(QStringLiteral("    No installation ID is stored yet: the first check makes a new one.")),
             !idStored);
    QCOMPARE(lines.first() == QStringLiteral("Online updates are not enabled for this installation."), !allowed);
    QVERIFY(!shown.contains(QStringLiteral("s3cret")));
    QCOMPARE(storeFileBytes(), storedBefore);
}

QTEST_MAIN(tst_UPelkUpdaterSettings)
#include "tst_UPelkUpdaterSettings.moc"
