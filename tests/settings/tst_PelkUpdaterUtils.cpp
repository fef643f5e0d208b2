#include "base/PelkError.h"
#include "i18n/IniFile.h"
#include "settings/EffectiveSettings.h"
#include "settings/PasswordProtection.h"
#include "settings/PolicyStore.h"
#include "settings/RegFileStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "base/Clock.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

namespace {

const QByteArray kHeader = "Windows Registry Editor Version 5.00\n";
const QByteArray kUpdaterKeyLine = "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n";

class FakeClock : public Clock
{
public:
    explicit FakeClock(QDateTime now) : m_now(std::move(now)) {}
    quint32 tickCount() const override { return 0; }
    QDateTime localNow() const override { return m_now; }

private:
    QDateTime m_now;
};

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const PelkError &error) {
        return error.message();
    }
    return QString();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPelkUpdaterUtils : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void freshProfileGivesDefaults();
    void proxyOptionReads_data();
    void proxyOptionReads();
    void proxyAuthReads_data();
    void proxyAuthReads();
    void proxySettingsRoundTrip();
    void proxyTextsTrimmedOnReading_data();
    void proxyTextsTrimmedOnReading();
    void proxySettingsWrittenInOrder();
    void storedPasswordIsUnprotected_data();
    void storedPasswordIsUnprotected();
    void wrongTypesRaise_data();
    void wrongTypesRaise();
    void versionKeyPaths_data();
    void versionKeyPaths();
    void autoUpdateLivesInTheVersionKey();
    void emptyVersionPartUsesTheUpdaterKey();
    void installationIdIsCreatedOnce();
    void installationIdKeepsAStoredOne();
    void lastUpdateText_data();
    void lastUpdateText();
    void lastUpdateIsWrittenToTheVersionKey();
    void oldMsgIdsAppend_data();
    void oldMsgIdsAppend();
    void oldMsgIdsSaved();
    void splitText_data();
    void splitText();
    void joinText_data();
    void joinText();
    void languageAndUpdaterPath();
    void messagesGeometry();
    void unopenableStoreIsQuiet();
    void failedWritesRaise();
    void administratorLocksWin_data();
    void administratorLocksWin();

private:
    QString userFile() const { return m_dir->filePath(QStringLiteral("config/Orbel/user.reg")); }
    bool writeUserFile(const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(userFile()).absolutePath());
        QFile file(userFile());
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
    }
    std::unique_ptr<RegistryKey> updaterKey(bool canCreate = false)
    {
        return m_store->openKey(RegistryRoot::CurrentUser, UpdaterKeyPath, canCreate);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegFileStore> m_store;
};

void TestPelkUpdaterUtils::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<RegFileStore>(userFile(), m_dir->filePath(QStringLiteral("etc/Orbel/machine.reg")));
}

void TestPelkUpdaterUtils::cleanup()
{
    m_store.reset();
    m_dir.reset();
}

void TestPelkUpdaterUtils::freshProfileGivesDefaults()
{
    const ProxySettings proxy = ReadProxySettings(*m_store);
    QCOMPARE(proxy.Option, 0);
    QVERIFY(proxy.Server.isEmpty() && proxy.Port.isEmpty() && proxy.User.isEmpty() && proxy.Password.isEmpty());
    QVERIFY(!proxy.Auth);
    QVERIFY(!ReadAutoUpdate(*m_store, QStringLiteral("5.2.1.7")));
    QList<QByteArray> seen{"kept"};
    LoadOldMsgIds(*m_store, QStringLiteral("5.2.1.7"), seen);
    QCOMPARE(seen, QList<QByteArray>{"kept"});
    QVERIFY(ReadStoredLanguage(*m_store).isEmpty());
    const MessagesGeometry geometry = ReadMessagesGeometry(*m_store);
    QVERIFY(!geometry.Width && !geometry.Height && !geometry.Splitter);
    // Readers never create the store.
    QVERIFY(!QFile::exists(userFile()));
}

void TestPelkUpdaterUtils::proxyOptionReads_data()
{
    QTest::addColumn<quint32>("stored");
    QTest::addColumn<qint32>("read");
    QTest::newRow("system") << 0u << 0;
    QTest::newRow("none") << 1u << 1;
    QTest::newRow("given") << 2u << 2;
    QTest::newRow("unknown passes") << 7u << 7;
    QTest::newRow("largest") << 0x7FFFFFFFu << 0x7FFFFFFF;
    QTest::newRow("minus five") << quint32(-5) << 0;
    QTest::newRow("minus one") << 0xFFFFFFFFu << 0;
    QTest::newRow("smallest") << 0x80000000u << 0;
}

void TestPelkUpdaterUtils::proxyOptionReads()
{
    QFETCH(quint32, stored);
    QFETCH(qint32, read);
    updaterKey(true)->writeInteger(QStringLiteral("ProxyOption"), stored);
    QCOMPARE(ReadProxySettings(*m_store).Option, read);
}

void TestPelkUpdaterUtils::proxyAuthReads_data()
{
    QTest::addColumn<quint32>("stored");
    QTest::addColumn<bool>("read");
    QTest::newRow("0") << 0u << false;
    QTest::newRow("1") << 1u << true;
    QTest::newRow("2") << 2u << true;
    QTest::newRow("high bit") << 0x80000000u << true;
}

void TestPelkUpdaterUtils::proxyAuthReads()
{
    QFETCH(quint32, stored);
    QFETCH(bool, read);
    updaterKey(true)->writeInteger(QStringLiteral("ProxyAuth"), stored);
    QCOMPARE(ReadProxySettings(*m_store).Auth, read);
}

void TestPelkUpdaterUtils::proxySettingsRoundTrip()
{
    ProxySettings written;
    written.Option = 2;
    written.Server = QStringLiteral("  proxy.example.com \t");
    written.Port = QStringLiteral(" 8080\n");
    written.User = QStringLiteral(" Jürgen ");
    written.Password = QStringLiteral("  pä ss €  ");
    written.Auth = true;
    WriteProxySettings(*m_store, written);

    const auto key = updaterKey();
    QVERIFY(key);
    QCOMPARE(key->readInteger(QStringLiteral("ProxyOption")), 2u);
    QCOMPARE(key->readString(QStringLiteral("ProxyServer")), QStringLiteral("proxy.example.com"));
    QCOMPARE(key->readString(QStringLiteral("ProxyPort")), QStringLiteral("8080"));
    QCOMPARE(key->readString(QStringLiteral("ProxyUser")), QStringLiteral("Jürgen"));
    QCOMPARE(key->readInteger(QStringLiteral("ProxyAuth")), 1u);
    QCOMPARE(key->readString(QStringLiteral("ProxyPassword")),
             QString::fromLatin1(ProtectPassword(QStringLiteral("pä ss €"))));
    QVERIFY(!readBytes(userFile()).contains("ss \xE2\x82\xAC"));

    const ProxySettings read = ReadProxySettings(*m_store);
    QCOMPARE(read.Option, 2);
    QCOMPARE(read.Server, QStringLiteral("proxy.example.com"));
    QCOMPARE(read.Port, QStringLiteral("8080"));
    QCOMPARE(read.User, QStringLiteral("Jürgen"));
    QCOMPARE(read.Password, QStringLiteral("pä ss €"));
    QVERIFY(read.Auth);

    // Empty texts and a false flag are written too, replacing what was there.
    WriteProxySettings(*m_store, ProxySettings());
    const auto cleared = updaterKey();
    for (const char *name : {"ProxyServer", "ProxyPort", "ProxyUser", "ProxyPassword"}) {
        QVERIFY2(cleared->valueExists(QString::fromLatin1(name)), name);
        QCOMPARE(cleared->readString(QString::fromLatin1(name)), QString());
    }
    QCOMPARE(cleared->readInteger(QStringLiteral("ProxyAuth")), 0u);
    QCOMPARE(cleared->readInteger(QStringLiteral("ProxyOption")), 0u);
}

void TestPelkUpdaterUtils::proxyTextsTrimmedOnReading_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("read");
    QTest::newRow("blanks") << "  host  " << "host";
    QTest::newRow("controls") << QStringLiteral("\x01\t\r\n host\x1f\x7f \x1f") << QStringLiteral("host\x1f\x7f");
    QTest::newRow("inner blanks kept") << " a b " << "a b";
    QTest::newRow("no-break space kept") << QStringLiteral("\u00a0host\u00a0") << QStringLiteral("\u00a0host\u00a0");
    QTest::newRow("only blanks") << " \t " << "";
}

void TestPelkUpdaterUtils::proxyTextsTrimmedOnReading()
{
    QFETCH(QString, stored);
    QFETCH(QString, read);
    const auto key = updaterKey(true);
    key->writeString(QStringLiteral("ProxyServer"), stored);
    key->writeString(QStringLiteral("ProxyPort"), stored);
    key->writeString(QStringLiteral("ProxyUser"), stored);
    key->writeString(QStringLiteral("ProxyPassword"), QString::fromLatin1(ProtectPassword(stored)));
    const ProxySettings settings = ReadProxySettings(*m_store);
    QCOMPARE(settings.Server, read);
    QCOMPARE(settings.Port, read);
    QCOMPARE(settings.User, read);
    QCOMPARE(settings.Password, read);
}

void TestPelkUpdaterUtils::proxySettingsWrittenInOrder()
{
    WriteProxySettings(*m_store, ProxySettings());
    const QByteArray file = readBytes(userFile());
    qsizetype last = -1;
    for (const char *name : {"\"ProxyOption\"", "\"ProxyServer\"", "\"ProxyPort\"", "\"ProxyAuth\"",
                             "\"ProxyUser\"", "\"ProxyPassword\""}) {
        const qsizetype at = file.indexOf(name);
        QVERIFY2(at > last, name);
        last = at;
    }
}

void TestPelkUpdaterUtils::storedPasswordIsUnprotected_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("password");
    QTest::newRow("one letter") << "mw==" << "p";
    QTest::newRow("blanks around the text") << "  mLTK8RS/ " << "secret";
    QTest::newRow("not made by the program") << "@@@@" << "";
    QTest::newRow("empty") << "" << "";
}

void TestPelkUpdaterUtils::storedPasswordIsUnprotected()
{
    QFETCH(QString, stored);
    QFETCH(QString, password);
    updaterKey(true)->writeString(QStringLiteral("ProxyPassword"), stored);
    QCOMPARE(ReadProxySettings(*m_store).Password, password);
}

void TestPelkUpdaterUtils::wrongTypesRaise_data()
{
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<QString>("error");
    QTest::newRow("option as text") << QByteArray("\"ProxyOption\"=\"2\"\n") << "Invalid data type for 'ProxyOption'";
    QTest::newRow("server as number") << QByteArray("\"ProxyServer\"=dword:00000001\n") << "Invalid data type for 'ProxyServer'";
    QTest::newRow("auth as binary") << QByteArray("\"ProxyAuth\"=hex:01\n") << "Invalid data type for 'ProxyAuth'";
    QTest::newRow("expandable server read unexpanded")
        << QByteArray("\"ProxyServer\"=hex(2):25,00,48,00,25,00,00,00\n") << "";
}

void TestPelkUpdaterUtils::wrongTypesRaise()
{
    QFETCH(QByteArray, values);
    QFETCH(QString, error);
    QVERIFY(writeUserFile(kHeader + kUpdaterKeyLine + values));
    ProxySettings settings;
    QCOMPARE(errorOf([&] { settings = ReadProxySettings(*m_store); }), error);
    if (error.isEmpty())
        QCOMPARE(settings.Server, QStringLiteral("%H%"));

    QVERIFY(writeUserFile(kHeader + kUpdaterKeyLine + "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater\\5.2]\n"
                          "\"AutoUpdate\"=\"1\"\n\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater\\5.2.1.7]\n"
                          "\"OldMsgIDs\"=dword:00000001\n"));
    QCOMPARE(errorOf([&] { ReadAutoUpdate(*m_store, QStringLiteral("5.2.1.7")); }),
             QStringLiteral("Invalid data type for 'AutoUpdate'"));
    QList<QByteArray> seen;
    QCOMPARE(errorOf([&] { LoadOldMsgIds(*m_store, QStringLiteral("5.2.1.7"), seen); }),
             QStringLiteral("Invalid data type for 'OldMsgIDs'"));
}

void TestPelkUpdaterUtils::versionKeyPaths_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("versionKey");
    QTest::addColumn<QString>("fullKey");
    const QString base = QStringLiteral("\\Software\\Orbel\\PelkUpdater\\");
    QTest::newRow("four parts") << "5.2.1.7" << base + "5.2" << base + "5.2.1.7";
    QTest::newRow("three parts") << "10.20.30" << base + "10.20" << base + "10.20.30";
    QTest::newRow("two parts") << "5.2" << base << base + "5.2";
    QTest::newRow("one part") << "5" << base << base + "5";
    QTest::newRow("empty") << "" << base << base;
    QTest::newRow("leading stop") << ".5.6" << base + ".5" << base + ".5.6";
    QTest::newRow("doubled stop") << "5..1" << base + "5." << base + "5..1";
}

void TestPelkUpdaterUtils::versionKeyPaths()
{
    QFETCH(QString, version);
    QFETCH(QString, versionKey);
    QFETCH(QString, fullKey);
    QCOMPARE(VersionKeyPath(version), versionKey);
    QCOMPARE(FullVersionKeyPath(version), fullKey);
}

void TestPelkUpdaterUtils::autoUpdateLivesInTheVersionKey()
{
    WriteAutoUpdate(*m_store, QStringLiteral("5.2.1.7"), true);
    const auto key = m_store->openKey(RegistryRoot::CurrentUser, QStringLiteral("\\Software\\Orbel\\PelkUpdater\\5.2"), false);
    QVERIFY(key);
    QCOMPARE(key->readInteger(QStringLiteral("AutoUpdate")), 1u);
    QVERIFY(ReadAutoUpdate(*m_store, QStringLiteral("5.2.9")));
    QVERIFY(!ReadAutoUpdate(*m_store, QStringLiteral("5.3.1.7")));

    WriteAutoUpdate(*m_store, QStringLiteral("5.2.1.7"), false);
    QCOMPARE(m_store->openKey(RegistryRoot::CurrentUser, VersionKeyPath(QStringLiteral("5.2.1.7")), false)
                 ->readInteger(QStringLiteral("AutoUpdate")),
             0u);
    QVERIFY(!ReadAutoUpdate(*m_store, QStringLiteral("5.2.1.7")));

    m_store->openKey(RegistryRoot::CurrentUser, VersionKeyPath(QStringLiteral("5.2.1.7")), true)
        ->writeInteger(QStringLiteral("AutoUpdate"), 5);
    QVERIFY(ReadAutoUpdate(*m_store, QStringLiteral("5.2.1.7")));
}

// A version without two full stops names the updater key itself.
void TestPelkUpdaterUtils::emptyVersionPartUsesTheUpdaterKey()
{
    WriteAutoUpdate(*m_store, QStringLiteral("5"), true);
    QCOMPARE(updaterKey()->readInteger(QStringLiteral("AutoUpdate")), 1u);
    QVERIFY(ReadAutoUpdate(*m_store, QStringLiteral("5.2")));
    QVERIFY(!ReadAutoUpdate(*m_store, QStringLiteral("5.2.1")));
}

void TestPelkUpdaterUtils::installationIdIsCreatedOnce()
{
    const QByteArray first = GetInstallationId(*m_store);
    QCOMPARE(first.size(), 38);
    QVERIFY2(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}$"))
                 .match(QString::fromLatin1(first))
                 .hasMatch(),
             first.constData());
    QCOMPARE(updaterKey()->readString(QStringLiteral("ID")).toLatin1(), first);
    QCOMPARE(GetInstallationId(*m_store), first);

    QTemporaryDir other;
    RegFileStore otherStore(other.filePath(QStringLiteral("user.reg")), QString());
    QVERIFY(GetInstallationId(otherStore) != first);
}

void TestPelkUpdaterUtils::installationIdKeepsAStoredOne()
{
    updaterKey(true)->writeString(QStringLiteral("ID"), QStringLiteral("{made-elsewhere}"));
    QCOMPARE(GetInstallationId(*m_store), QByteArray("{made-elsewhere}"));
}

void TestPelkUpdaterUtils::lastUpdateText_data()
{
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<QString>("text");
    const QDate day(2024, 3, 5);
    QTest::newRow("afternoon") << QDateTime(day, QTime(14, 7)) << "2024/03/05 14:07";
    QTest::newRow("seconds not shown") << QDateTime(day, QTime(14, 7, 59)) << "2024/03/05 14:07";
    QTest::newRow("midnight") << QDateTime(day, QTime(0, 0)) << "2024/03/05";
    QTest::newRow("midnight and milliseconds") << QDateTime(day, QTime(0, 0, 0, 500)) << "2024/03/05";
    QTest::newRow("one second after midnight") << QDateTime(day, QTime(0, 0, 1)) << "2024/03/05 00:00";
    QTest::newRow("one minute after midnight") << QDateTime(day, QTime(0, 1)) << "2024/03/05 00:01";
    QTest::newRow("noon") << QDateTime(day, QTime(12, 0)) << "2024/03/05 12:00";
    QTest::newRow("evening") << QDateTime(QDate(2023, 12, 31), QTime(23, 59, 59)) << "2023/12/31 23:59";
    QTest::newRow("early year") << QDateTime(QDate(999, 1, 2), QTime(3, 4)) << "0999/01/02 03:04";
}

void TestPelkUpdaterUtils::lastUpdateText()
{
    QFETCH(QDateTime, time);
    QFETCH(QString, text);
    QCOMPARE(FormatLastUpdate(time), text);
    // The user's locale does not change the text.
    const QLocale old;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QString underArabic = FormatLastUpdate(time);
    QLocale::setDefault(old);
    QCOMPARE(underArabic, text);
}

void TestPelkUpdaterUtils::lastUpdateIsWrittenToTheVersionKey()
{
    const FakeClock clock(QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    WriteLastUpdate(*m_store, QStringLiteral("5.2.1.7"), clock);
    const auto key = m_store->openKey(RegistryRoot::CurrentUser, QStringLiteral("\\Software\\Orbel\\PelkUpdater\\5.2"), false);
    QVERIFY(key);
    QCOMPARE(key->valueType(QStringLiteral("LastUpdate")), RegistryValueType::String);
    QCOMPARE(key->readString(QStringLiteral("LastUpdate")), QStringLiteral("2024/03/05"));

    WriteLastUpdate(*m_store, QStringLiteral("5.2.1.7"), FakeClock(QDateTime(QDate(2024, 3, 6), QTime(9, 30, 12))));
    QCOMPARE(m_store->openKey(RegistryRoot::CurrentUser, VersionKeyPath(QStringLiteral("5.2.1.7")), false)
                 ->readString(QStringLiteral("LastUpdate")),
             QStringLiteral("2024/03/06 09:30"));
}

void TestPelkUpdaterUtils::oldMsgIdsAppend_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QList<QByteArray>>("list");
    QTest::newRow("empty pieces kept") << "a;;b;" << QList<QByteArray>{"old", "a", "", "b"};
    QTest::newRow("leading separator") << ";a" << QList<QByteArray>{"old", "", "a"};
    QTest::newRow("duplicates kept") << "b;a;b" << QList<QByteArray>{"old", "b", "a", "b"};
    QTest::newRow("nothing trimmed") << " a ; b" << QList<QByteArray>{"old", " a ", " b"};
    QTest::newRow("empty text") << "" << QList<QByteArray>{"old"};
    QTest::newRow("non-ASCII") << "ä;€" << QList<QByteArray>{"old", "\xC3\xA4", "\xE2\x82\xAC"};
}

void TestPelkUpdaterUtils::oldMsgIdsAppend()
{
    QFETCH(QString, stored);
    QFETCH(QList<QByteArray>, list);
    m_store->openKey(RegistryRoot::CurrentUser, FullVersionKeyPath(QStringLiteral("5.2.1.7")), true)
        ->writeString(QStringLiteral("OldMsgIDs"), stored);
    QList<QByteArray> seen{"old"};
    LoadOldMsgIds(*m_store, QStringLiteral("5.2.1.7"), seen);
    QCOMPARE(seen, list);
    // Another full version has a list of its own.
    QList<QByteArray> other;
    LoadOldMsgIds(*m_store, QStringLiteral("5.2.1.8"), other);
    QVERIFY(other.isEmpty());
}

void TestPelkUpdaterUtils::oldMsgIdsSaved()
{
    SaveOldMsgIds(*m_store, QStringLiteral("5.2.1.7"), {"id1", "ID2", "id1"});
    const auto key = m_store->openKey(RegistryRoot::CurrentUser, QStringLiteral("\\Software\\Orbel\\PelkUpdater\\5.2.1.7"), false);
    QVERIFY(key);
    QCOMPARE(key->readString(QStringLiteral("OldMsgIDs")), QStringLiteral("id1;ID2;id1"));

    SaveOldMsgIds(*m_store, QStringLiteral("5.2.1.7"), {});
    const auto emptied = m_store->openKey(RegistryRoot::CurrentUser, FullVersionKeyPath(QStringLiteral("5.2.1.7")), false);
    QVERIFY(emptied->valueExists(QStringLiteral("OldMsgIDs")));
    QCOMPARE(emptied->valueType(QStringLiteral("OldMsgIDs")), RegistryValueType::String);
    QCOMPARE(emptied->readString(QStringLiteral("OldMsgIDs")), QString());
}

void TestPelkUpdaterUtils::splitText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<char>("separator");
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::newRow("empty") << QByteArray() << ';' << QList<QByteArray>{};
    QTest::newRow("one") << QByteArray("a") << ';' << QList<QByteArray>{"a"};
    QTest::newRow("empty piece and trailing separator") << QByteArray("a;;b;") << ';' << QList<QByteArray>{"a", "", "b"};
    QTest::newRow("leading") << QByteArray(";a") << ';' << QList<QByteArray>{"", "a"};
    QTest::newRow("only separator") << QByteArray(";") << ';' << QList<QByteArray>{""};
    QTest::newRow("two separators") << QByteArray(";;") << ';' << QList<QByteArray>{"", ""};
    QTest::newRow("plus") << QByteArray("2.0+3.5+4.0") << '+' << QList<QByteArray>{"2.0", "3.5", "4.0"};
    QTest::newRow("other separator ignored") << QByteArray("a;b") << '+' << QList<QByteArray>{"a;b"};
}

void TestPelkUpdaterUtils::splitText()
{
    QFETCH(QByteArray, text);
    QFETCH(char, separator);
    QFETCH(QList<QByteArray>, pieces);
    QList<QByteArray> list{"first"};
    SplitText(text, separator, list);
    QCOMPARE(list, QList<QByteArray>{"first"} + pieces);
}

void TestPelkUpdaterUtils::joinText_data()
{
    QTest::addColumn<QList<QByteArray>>("list");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty list") << QList<QByteArray>{} << QByteArray();
    QTest::newRow("one item") << QList<QByteArray>{"a"} << QByteArray("a");
    QTest::newRow("one empty item") << QList<QByteArray>{""} << QByteArray();
    QTest::newRow("two empty items") << QList<QByteArray>{"", ""} << QByteArray(";");
    QTest::newRow("three") << QList<QByteArray>{"a", "", "b"} << QByteArray("a;;b");
}

void TestPelkUpdaterUtils::joinText()
{
    QFETCH(QList<QByteArray>, list);
    QFETCH(QByteArray, text);
    QCOMPARE(JoinText(list, ';'), text);
}

void TestPelkUpdaterUtils::languageAndUpdaterPath()
{
    WriteStoredLanguage(*m_store, "de");
    QCOMPARE(ReadStoredLanguage(*m_store), QByteArray("de"));
    WriteStoredLanguage(*m_store, "\xCE\xB5\xCE\xBB");
    QCOMPARE(ReadStoredLanguage(*m_store), QByteArray("\xCE\xB5\xCE\xBB"));
    QCOMPARE(updaterKey()->valueType(QStringLiteral("Language")), RegistryValueType::String);

    WriteUpdaterPath(*m_store, QStringLiteral("/opt/Orbel Pelk/"));
    QCOMPARE(updaterKey()->readString(QStringLiteral("UpdaterPath")), QStringLiteral("/opt/Orbel Pelk/"));
}

void TestPelkUpdaterUtils::messagesGeometry()
{
    updaterKey(true)->writeInteger(QStringLiteral("Msg.Height"), 480);
    MessagesGeometry partial = ReadMessagesGeometry(*m_store);
    QVERIFY(!partial.Width && !partial.Splitter);
    QCOMPARE(partial.Height, std::optional<qint32>(480));

    WriteMessagesGeometry(*m_store, 800, 600, -1);
    const MessagesGeometry read = ReadMessagesGeometry(*m_store);
    QCOMPARE(read.Width, std::optional<qint32>(800));
    QCOMPARE(read.Height, std::optional<qint32>(600));
    QCOMPARE(read.Splitter, std::optional<qint32>(-1));
    QCOMPARE(updaterKey()->valueType(QStringLiteral("Msg.Width")), RegistryValueType::DWord);
}

// A store that cannot be created is a key that cannot be opened: no error, nothing written.
void TestPelkUpdaterUtils::unopenableStoreIsQuiet()
{
    QFile blocker(m_dir->filePath(QStringLiteral("plain")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RegFileStore store(m_dir->filePath(QStringLiteral("plain/Orbel/user.reg")), QString());
    ProxySettings settings;
    settings.Option = 2;
    QByteArray id = "unset";
    qint32 option = -1;
    const QString error = errorOf([&] {
        WriteProxySettings(store, settings);
        WriteUpdaterPath(store, QStringLiteral("/opt/"));
        WriteAutoUpdate(store, QStringLiteral("5.2.1.7"), true);
        WriteLastUpdate(store, QStringLiteral("5.2.1.7"), FakeClock(QDateTime::currentDateTime()));
        SaveOldMsgIds(store, QStringLiteral("5.2.1.7"), {"a"});
        WriteStoredLanguage(store, "de");
        WriteMessagesGeometry(store, 1, 2, 3);
        id = GetInstallationId(store);
        option = ReadProxySettings(store).Option;
    });
    QCOMPARE(error, QString());
    QVERIFY(id.isEmpty());
    QCOMPARE(option, 0);
    QCOMPARE(QFileInfo(blocker.fileName()).size(), 0);
    // Nothing is kept: said once, with the file and the reason.
    QCOMPARE(store.takeUnsavedNotice(),
             QStringLiteral("The settings file \"%1\" cannot be written: Not a directory. Nothing of this run is kept: "
                            "the settings, and which messages have been read").arg(store.userFile()));
    WriteUpdaterPath(store, QStringLiteral("/opt/"));
    QCOMPARE(store.takeUnsavedNotice(), QString());
}

// Once the key is open, a store that refuses the write is an error the caller sees.
void TestPelkUpdaterUtils::failedWritesRaise()
{
    WriteUpdaterPath(*m_store, QStringLiteral("/old/"));
    const QByteArray before = readBytes(userFile());
    const QString lock = userFile() + QStringLiteral(".lock");
    QVERIFY(QFile::remove(lock));
    QVERIFY(QDir().mkdir(lock)); // the lock cannot be taken, for root too

    // Each names the file and the system's reason.
    const QString why = QStringLiteral("': the settings file \"%1\" cannot be written: its lock file \"%2\" cannot be "
                                       "used: Is a directory").arg(userFile(), lock);
    QCOMPARE(errorOf([&] { WriteProxySettings(*m_store, ProxySettings()); }),
             QStringLiteral("Failed to set data for 'ProxyOption") + why);
    QCOMPARE(errorOf([&] { WriteUpdaterPath(*m_store, QStringLiteral("/new/")); }),
             QStringLiteral("Failed to set data for 'UpdaterPath") + why);
    QCOMPARE(errorOf([&] { WriteStoredLanguage(*m_store, "de"); }), QStringLiteral("Failed to set data for 'Language") + why);
    QCOMPARE(errorOf([&] { GetInstallationId(*m_store); }), QStringLiteral("Failed to set data for 'ID") + why);
    // The version key would have to be created first, so it cannot be opened: nothing happens.
    QCOMPARE(errorOf([&] { WriteAutoUpdate(*m_store, QStringLiteral("5.2.1.7"), true); }), QString());
    QCOMPARE(readBytes(userFile()), before);
}

QTEST_GUILESS_MAIN(TestPelkUpdaterUtils)
#include "tst_PelkUpdaterUtils.moc"

void TestPelkUpdaterUtils::administratorLocksWin_data()
{
    QTest::addColumn<QByteArray>("policy"); // the administrator's [Policy] lines; none: no file
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("line"); // as --show-settings prints it, or the error

    QTest::newRow("no file, user") << QByteArray() << "ProxyOption" << "ProxyOption = \"2\" (user)";
    QTest::newRow("no file, default") << QByteArray() << "AutoUpdate" << "AutoUpdate = \"0\" (default)";
    QTest::newRow("lock over the user") << QByteArray("ProxyOption=1") << "ProxyOption" << "ProxyOption = \"1\" (administrator)";
    QTest::newRow("name in any case") << QByteArray(" proxyserver = gw.corp") << "ProxyServer"
                                      << "ProxyServer = \"gw.corp\" (administrator)";
    QTest::newRow("lock over a missing key") << QByteArray("AutoUpdate=1") << "AutoUpdate" << "AutoUpdate = \"1\" (administrator)";
    QTest::newRow("language") << QByteArray("Language=engb") << "Language" << "Language = \"engb\" (administrator)";
    QTest::newRow("other lock, user") << QByteArray("ProxyAuth=1") << "ProxyUser" << "ProxyUser = \"jo\" (user)";
    QTest::newRow("password stays the user's") << QByteArray("ProxyPassword=open") << "ProxyPassword"
                                               << "ProxyPassword = \"(set)\" (user)";
    QTest::newRow("not a number") << QByteArray("ProxyAuth=yes") << "ProxyAuth"
                                  << "The administrator's setting 'ProxyAuth' is not a number: \"yes\"";
}

void TestPelkUpdaterUtils::administratorLocksWin()
{
    QFETCH(QByteArray, policy);
    QFETCH(QString, name);
    QFETCH(QString, line);

    ProxySettings user;
    user.Option = kUseFollowingProxy;
    user.User = QStringLiteral("jo");
    user.Password = QStringLiteral("pw");
    WriteProxySettings(*m_store, user);
    const QString adminFile = m_dir->filePath(QStringLiteral("etc/Orbel/PelkUpdater.ini"));
    if (!policy.isEmpty()) {
        QDir().mkpath(QFileInfo(adminFile).absolutePath());
        QFile file(adminFile);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Policy]\n" + policy + "\n") > 0);
    }
    PolicyStore store(*m_store, PolicyStore::readLocks(IniFile(adminFile)));
    const QString version = QStringLiteral("5.2.1.7");
    auto lineOf = [&] {
        QString found;
        const QString error = errorOf([&] {
            for (const QString &l : FormatEffectiveSettings(ReadEffectiveSettings(*m_store, store, version)).split(u'\n'))
                found = l.startsWith(name + QLatin1String(" =")) ? l : found;
        });
        return error.isEmpty() ? found : error;
    };
    QCOMPARE(lineOf(), line);

    // What the user stores afterwards changes nothing the administrator has fixed, and the
    // user's own value waits untouched for the lock to go.
    auto rawUserValue = [&] {
        const auto key = m_store->openKey(RegistryRoot::CurrentUser,
                                          name == QLatin1String("AutoUpdate") ? VersionKeyPath(version) : UpdaterKeyPath, false);
        if (!key || !key->valueExists(name))
            return QStringLiteral("missing");
        return key->valueType(name) == RegistryValueType::DWord ? QString::number(key->readInteger(name)) : key->readString(name);
    };
    const QString userValue = rawUserValue();
    ProxySettings typed;
    typed.Server = typed.Port = typed.User = typed.Password = QStringLiteral("typed");
    WriteProxySettings(store, typed);
    WriteAutoUpdate(store, version, false);
    WriteStoredLanguage(store, "de");
    QCOMPARE(rawUserValue() == userValue, store.isLocked(name));
    if (store.isLocked(name))
        QCOMPARE(lineOf(), line);
}
