#include "base/PelkError.h"
#include "settings/RegFile.h"
#include "settings/RegFileStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kUpdaterKey = QStringLiteral("\\Software\\Orbel\\PelkUpdater");
const QByteArray kHeader = "Windows Registry Editor Version 5.00\n";

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The message of the PelkError that `action` raises, or empty when it raises none.
QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const PelkError &error) {
        return error.message();
    }
    return QString();
}

uint modeOf(const QString &path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Everything written to standard error while it lives.
class StderrCapture
{
public:
    explicit StderrCapture(const QString &file) : m_file(file)
    {
        std::fflush(stderr);
        m_saved = ::dup(2);
        std::FILE *sink = std::fopen(QFile::encodeName(file).constData(), "w");
        ::dup2(::fileno(sink), 2);
        std::fclose(sink);
    }
    ~StderrCapture() { restore(); }
    QByteArray text()
    {
        restore();
        return readBytes(m_file);
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QString m_file;
    int m_saved = -1;
};

// Caps the size of files this process may write, as a full disk would; root cannot
// write past it either. The signal that comes with it is ignored so the write just fails.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

bool sameValues(const QList<RegValue> &a, const QList<RegValue> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data)
            return false;
    }
    return true;
}

QByteArray utf16WithBom(const QString &text)
{
    QByteArray bytes("\xFF\xFE", 2);
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

} // namespace

class TestRegFileStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void writesTheExportFormat();
    void readsEveryForm_data();
    void readsEveryForm();
    void roundTripsTexts_data();
    void roundTripsTexts();
    void keepsOtherValuesThroughARewrite();
    void namesIgnoreCase();
    void keyPathsNormalise_data();
    void keyPathsNormalise();
    void missingKeyIsNotOpened();
    void creatingAKeyListsItsParents();
    void wrongTypeIsRefused_data();
    void wrongTypeIsRefused();
    void unstorableNamesAreRefused();
    void machineStoreIsReadOnly();
    void unopenableFileIsAMissingKey_data();
    void unopenableFileIsAMissingKey();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void damagedFileIsSalvaged_data();
    void damagedFileIsSalvaged();
    void fileIsPrivate();
    void unchangedWriteLeavesTheFile();
    void linkedFileStaysLinked();
    void keysOpenedTogetherKeepBothWrites();
    void foreignWriteBetweenOpensIsSeen_data();
    void foreignWriteBetweenOpensIsSeen();
    void twoProcessesKeepAllValues();
    void lockOfAKilledProcessIsReleased();
    void environmentPicksTheFiles();

private:
    QString userFile() const { return m_dir->filePath(QStringLiteral("Orbel/user.reg")); }
    QString machineFile() const { return m_dir->filePath(QStringLiteral("etc/Orbel/machine.reg")); }
    RegFileStore store() const { return RegFileStore(userFile(), machineFile()); }
    bool writeUserFile(const QByteArray &bytes)
    {
        return QDir().mkpath(m_dir->filePath(QStringLiteral("Orbel"))) && writeBytes(userFile(), bytes);
    }
    QStringList leftovers() const
    {
        return QDir(m_dir->filePath(QStringLiteral("Orbel")))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
            .filter(QStringLiteral(".tmp"));
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRegFileStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestRegFileStore::cleanup()
{
    m_dir.reset();
}

void TestRegFileStore::writesTheExportFormat()
{
    RegFileStore s = store();
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    QVERIFY(key);
    key->writeString(QStringLiteral("Path"), QStringLiteral("C:\\a \"b\""));
    key->writeInteger(QStringLiteral("Count"), 42);
    key->writeString(QStringLiteral("Name"), QStringLiteral("Grüße"));
    const QByteArray expected = kHeader
        + "\n[HKEY_CURRENT_USER\\Software]\n"
          "\n[HKEY_CURRENT_USER\\Software\\Orbel]\n"
          "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n"
          "\"Path\"=\"C:\\\\a \\\"b\\\"\"\n"
          "\"Count\"=dword:0000002a\n"
          "\"Name\"=\"Gr\xC3\xBC\xC3\x9F" "e\"\n"
          "\n";
    QCOMPARE(readBytes(userFile()), expected);
}

void TestRegFileStore::readsEveryForm_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("keyPath");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("number");

    const QByteArray key = "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n";
    const int string = int(RegistryValueType::String);
    const int expand = int(RegistryValueType::ExpandString);
    const int dword = int(RegistryValueType::DWord);
    const int missing = int(RegistryValueType::Missing);

    QTest::newRow("escaped string") << kHeader + key + "\"P\"=\"C:\\\\dir \\\"q\\\"\"\n"
                                    << kUpdaterKey << "P" << string << "C:\\dir \"q\"" << 0u;
    QTest::newRow("other backslash kept") << kHeader + key + "\"P\"=\"C:\\Temp\"\n"
                                          << kUpdaterKey << "P" << string << "C:\\Temp" << 0u;
    QTest::newRow("empty string") << kHeader + key + "\"P\"=\"\"\n" << kUpdaterKey << "P" << string << "" << 0u;
    QTest::newRow("quoted name with escapes") << kHeader + key + "\"a\\\"b\\\\c\"=\"x\"\n"
                                              << kUpdaterKey << "a\"b\\c" << string << "x" << 0u;
    QTest::newRow("dword") << kHeader + key + "\"N\"=dword:0000002a\n" << kUpdaterKey << "N" << dword << "" << 42u;
    QTest::newRow("dword upper case") << kHeader + key + "\"N\"=DWORD:FFFFFFFF\n"
                                      << kUpdaterKey << "N" << dword << "" << 0xFFFFFFFFu;
    QTest::newRow("dword short") << kHeader + key + "\"N\"=dword:7\n" << kUpdaterKey << "N" << dword << "" << 7u;
    QTest::newRow("expandable string on continued lines")
        << kHeader + key + "\"E\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,\\\n  5c,00,78,00,\\\n  00,00\n"
        << kUpdaterKey << "E" << expand << "%HOME%\\x" << 0u;
    QTest::newRow("string as hex(1)") << kHeader + key + "\"S\"=hex(1):61,00,0a,00,62,00,00,00\n"
                                      << kUpdaterKey << "S" << string << "a\nb" << 0u;
    QTest::newRow("default value") << kHeader + key + "@=\"def\"\n" << kUpdaterKey << "" << string << "def" << 0u;
    QTest::newRow("blanks around equals sign") << kHeader + key + "\"P\" = \"x\"\n"
                                               << kUpdaterKey << "P" << string << "x" << 0u;
    QTest::newRow("CRLF lines") << QByteArray(kHeader + key + "\"P\"=\"x\"\n\"N\"=dword:00000003\n").replace("\n", "\r\n")
                                << kUpdaterKey << "N" << dword << "" << 3u;
    QTest::newRow("UTF-8 byte-order mark") << "\xEF\xBB\xBF" + kHeader + key + "\"P\"=\"x\"\n"
                                           << kUpdaterKey << "P" << string << "x" << 0u;
    QTest::newRow("UTF-16LE with byte-order mark")
        << utf16WithBom(QString::fromUtf8(kHeader + key + "\"P\"=\"Grüße €\"\r\n"))
        << kUpdaterKey << "P" << string << "Grüße €" << 0u;
    // What the registry editor itself accepts.
    QTest::newRow("blank lines before the header") << "\n \r\n\t\n" + kHeader + key + "\"P\"=\"x\"\n"
                                                   << kUpdaterKey << "P" << string << "x" << 0u;
    QTest::newRow("blanks around the header, CRLF") << QByteArray("  Windows Registry Editor Version 5.00 \t\r\n\r\n"
                                                                  "  [HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]  \r\n"
                                                                  "\t\"P\"=\"x\"\r\n")
                                                    << kUpdaterKey << "P" << string << "x" << 0u;
    QTest::newRow("mark, then a blank line") << "\xEF\xBB\xBF\n" + kHeader + key + "\"P\"=\"x\"\n"
                                             << kUpdaterKey << "P" << string << "x" << 0u;
    QTest::newRow("UTF-16LE, blank line first") << utf16WithBom(QString::fromUtf8("\r\n" + kHeader + key + "\"P\"=\"x\"\r\n"))
                                                << kUpdaterKey << "P" << string << "x" << 0u;
    // REGEDIT4 files are ANSI text.
    QTest::newRow("REGEDIT4 string") << "REGEDIT4\n" + key + "\"P\"=\"Gr\xFC\xDF" "e \x80\"\n"
                                     << kUpdaterKey << "P" << string << "Grüße €" << 0u;
    QTest::newRow("REGEDIT4 ANSI name") << "REGEDIT4\r\n" + key + "\"Gr\xF6\xDF" "e\"=dword:00000002\r\n"
                                        << kUpdaterKey << "Größe" << dword << "" << 2u;
    QTest::newRow("REGEDIT4 8-bit expandable string") << "REGEDIT4\n" + key + "\"E\"=hex(2):25,41,25,fc,00\n"
                                                      << kUpdaterKey << "E" << expand << "%A%ü" << 0u;
    QTest::newRow("REGEDIT4 with UTF-8 mark") << "\xEF\xBB\xBFREGEDIT4\n" + key + "\"P\"=\"Gr\xC3\xBC\"\n"
                                              << kUpdaterKey << "P" << string << "Grü" << 0u;
    QTest::newRow("5.00 line of a Windows tool") << kHeader + key + "\"P\"=\"Gr\xFC\xDF" "e\"\n"
                                                 << kUpdaterKey << "P" << string << "Grüße" << 0u;
    QTest::newRow("key and value names ignore case")
        << kHeader + "\n[hkey_current_user\\SOFTWARE\\orbel\\PELKUPDATER]\n\"proxyserver\"=\"p\"\n"
        << kUpdaterKey << "ProxyServer" << string << "p" << 0u;
    QTest::newRow("comments skipped") << kHeader + "; made by hand\n" + key + "; a value\n\"P\"=\"x\"\n"
                                      << kUpdaterKey << "P" << string << "x" << 0u;
    QTest::newRow("key listed twice") << kHeader + key + "\"A\"=\"1\"\n" + key + "\"B\"=\"2\"\n"
                                      << kUpdaterKey << "A" << string << "1" << 0u;
    QTest::newRow("later line wins") << kHeader + key + "\"N\"=dword:00000001\n\"n\"=dword:00000002\n"
                                     << kUpdaterKey << "N" << dword << "" << 2u;
    QTest::newRow("later string line wins") << kHeader + key + "\"P\"=\"1\"\n\"p\"=\"2\"\n"
                                            << kUpdaterKey << "P" << string << "2" << 0u;
    QTest::newRow("string removed") << kHeader + key + "\"P\"=\"x\"\n\"Q\"=\"y\"\n\"p\"=-\n"
                                    << kUpdaterKey << "P" << missing << "" << 0u;
    QTest::newRow("value removed") << kHeader + key + "\"N\"=dword:00000001\n\"N\"=-\n\"P\"=\"x\"\n"
                                   << kUpdaterKey << "N" << missing << "" << 0u;
    QTest::newRow("key removed and listed again")
        << kHeader + key + "\"N\"=dword:00000001\n\n[-HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n\"Q\"=\"dropped\"\n"
               + key + "\"P\"=\"x\"\n"
        << kUpdaterKey << "N" << missing << "" << 0u;
    QTest::newRow("other root not seen") << kHeader + key + "\"P\"=\"user\"\n"
                                                "\n[HKEY_LOCAL_MACHINE\\Software\\Orbel\\PelkUpdater]\n\"P\"=\"machine\"\n"
                                         << kUpdaterKey << "P" << string << "user" << 0u;
}

void TestRegFileStore::readsEveryForm()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, keyPath);
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(quint32, number);

    QVERIFY(writeUserFile(file));
    RegFileStore s = store();
    const auto key = s.openKey(RegistryRoot::CurrentUser, keyPath, false);
    QVERIFY(key);
    QCOMPARE(int(key->valueType(name)), type);
    QCOMPARE(key->valueExists(name), type != int(RegistryValueType::Missing));
    if (type == int(RegistryValueType::DWord))
        QCOMPARE(key->readInteger(name), number);
    else if (type != int(RegistryValueType::Missing))
        QCOMPARE(key->readString(name), text);
}

void TestRegFileStore::roundTripsTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("readBack");

    const auto same = [](const char *name, const QString &text) { QTest::newRow(name) << text << text; };
    same("empty", QString());
    same("plain", QStringLiteral("proxy.example.com"));
    same("backslashes and quotes", QStringLiteral("\\\\server\\share\\\"x\"\\"));
    same("ends in a backslash", QStringLiteral("C:\\dir\\"));
    same("blanks kept", QStringLiteral("  x  "));
    same("looks like syntax", QStringLiteral("\"a\"=dword:1\n[HKEY_CURRENT_USER\\X]"));
    same("brackets", QStringLiteral("[x]"));
    same("non-ASCII", QStringLiteral("Grüße € Ωμέγα 日本"));
    same("surrogate pair", QString::fromUtf8("\xF0\x9F\x98\x80"));
    same("line breaks", QStringLiteral("a\nb\r\nc\r"));
    same("lone surrogate", QString(QChar(0xD800)) + QStringLiteral("x"));
    same("long", QString(3000, QLatin1Char('w')));
    // The registry keeps a string up to its terminating zero.
    QTest::newRow("embedded zero") << QStringLiteral("ab") + QChar(0) + QStringLiteral("cd") << QStringLiteral("ab");
}

void TestRegFileStore::roundTripsTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, readBack);
    {
        RegFileStore s = store();
        const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
        QVERIFY(key);
        key->writeString(QStringLiteral("Before"), QStringLiteral("b"));
        key->writeString(QStringLiteral("Value"), text);
        key->writeString(QStringLiteral("After"), QStringLiteral("a"));
        QCOMPARE(key->readString(QStringLiteral("Value")), readBack);
    }
    QVERIFY(RegFile::parse(readBytes(userFile())));
    RegFileStore s = store();
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, false);
    QVERIFY(key);
    QCOMPARE(key->valueType(QStringLiteral("Value")), RegistryValueType::String);
    QCOMPARE(key->readString(QStringLiteral("Value")), readBack);
    QCOMPARE(key->readString(QStringLiteral("Before")), QStringLiteral("b"));
    QCOMPARE(key->readString(QStringLiteral("After")), QStringLiteral("a"));
}

// Values the program never writes itself still come through a rewrite unchanged.
void TestRegFileStore::keepsOtherValuesThroughARewrite()
{
    QByteArray longExpand;
    for (int i = 0; i < 60; ++i)
        longExpand += "41,00,";
    const QByteArray original = kHeader
        + "\n[HKEY_CURRENT_USER\\Software\\Other]\n@=\"default\"\n"
          "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\n"
          "\"Qword\"=hex(b):01,02,03,04,05,06,07,08\n"
          "\"Binary\"=hex:de,ad,be,ef\n"
          "\"None\"=hex(0):\n"
          "\"Odd\"=hex(4):01,02\n"
          "\"Long\"=hex(2):" + longExpand + "00,00\n"
          "\n[HKEY_LOCAL_MACHINE\\Software\\Elsewhere]\n\"M\"=dword:00000005\n"
          "\n[\\-Odd\\Key]\n\"K\"=\"kept\"\n";
    QVERIFY(writeUserFile(original));
    {
        RegFileStore s = store();
        const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
        QVERIFY(key);
        key->writeInteger(QStringLiteral("New"), 1);
    }
    const QByteArray rewritten = readBytes(userFile());
    for (const QByteArray &line : rewritten.split('\n'))
        QVERIFY2(line.size() <= 80, line.constData());
    const std::optional<RegFile> before = RegFile::parse(original);
    const std::optional<RegFile> after = RegFile::parse(rewritten);
    QVERIFY(before && after);
    for (const QStringList &path : {QStringList{"HKEY_CURRENT_USER", "Software", "Other"},
                                    QStringList{"HKEY_LOCAL_MACHINE", "Software", "Elsewhere"},
                                    QStringList{"-Odd", "Key"}}) {
        QVERIFY(!before->values(path).isEmpty());
        QVERIFY2(sameValues(before->values(path), after->values(path)), qPrintable(path.join(u'\\')));
    }
}

void TestRegFileStore::namesIgnoreCase()
{
    RegFileStore s = store();
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    QVERIFY(key);
    key->writeString(QStringLiteral("ProxyServer"), QStringLiteral("one"));
    key->writeString(QStringLiteral("PROXYSERVER"), QStringLiteral("two"));
    const auto again = s.openKey(RegistryRoot::CurrentUser, QStringLiteral("\\software\\ORBEL\\pelkupdater"), false);
    QVERIFY(again);
    QCOMPARE(again->readString(QStringLiteral("proxyserver")), QStringLiteral("two"));
    const QByteArray bytes = readBytes(userFile());
    QCOMPARE(bytes.count("\"ProxyServer\"=\"two\""), 1);
    QCOMPARE(bytes.toLower().count("proxyserver"), 1);
}

void TestRegFileStore::keyPathsNormalise_data()
{
    QTest::addColumn<QString>("writePath");
    QTest::addColumn<QString>("readPath");
    QTest::newRow("trailing separator") << "\\Software\\Orbel\\PelkUpdater\\" << "\\Software\\Orbel\\PelkUpdater";
    QTest::newRow("no leading separator") << "\\Software\\Orbel\\PelkUpdater" << "Software\\Orbel\\PelkUpdater";
    QTest::newRow("letter case") << "\\Software\\Orbel\\PelkUpdater" << "\\SOFTWARE\\ORBEL\\PELKUPDATER\\";
    QTest::newRow("doubled separator") << "\\Software\\\\Orbel\\PelkUpdater" << "\\Software\\Orbel\\PelkUpdater";
}

void TestRegFileStore::keyPathsNormalise()
{
    QFETCH(QString, writePath);
    QFETCH(QString, readPath);
    RegFileStore s = store();
    s.openKey(RegistryRoot::CurrentUser, writePath, true)->writeInteger(QStringLiteral("A"), 1);
    s.openKey(RegistryRoot::CurrentUser, readPath, true)->writeInteger(QStringLiteral("B"), 2);
    const auto key = s.openKey(RegistryRoot::CurrentUser, writePath, false);
    QCOMPARE(key->readInteger(QStringLiteral("A")), 1u);
    QCOMPARE(key->readInteger(QStringLiteral("B")), 2u);
    QCOMPARE(readBytes(userFile()).toLower().count("[hkey_current_user\\software\\orbel\\pelkupdater]"), 1);
}

void TestRegFileStore::missingKeyIsNotOpened()
{
    RegFileStore s = store();
    QVERIFY(!s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, false));
    QVERIFY(!QFile::exists(userFile()));

    const QByteArray file = kHeader + "\n[HKEY_CURRENT_USER\\Software\\Orbel\\Pelk\\App]\n\"V\"=\"1\"\n";
    QVERIFY(writeUserFile(file));
    QVERIFY(!s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, false));
    QVERIFY(!s.openKey(RegistryRoot::CurrentUser, QStringLiteral("\\Software\\Orbel\\Pelk\\App\\Sub"), false));
    QCOMPARE(readBytes(userFile()), file);
    // A key with a listed subkey exists, as in the registry.
    QVERIFY(s.openKey(RegistryRoot::CurrentUser, QStringLiteral("\\Software\\Orbel"), false));
    QVERIFY(s.openKey(RegistryRoot::CurrentUser, QString(), false));
}

void TestRegFileStore::creatingAKeyListsItsParents()
{
    RegFileStore s(m_dir->filePath(QStringLiteral("a/b/Orbel/user.reg")), QString());
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey + QStringLiteral("\\5.2"), true);
    QVERIFY(key);
    QVERIFY(!key->valueExists(QStringLiteral("AutoUpdate")));
    const QByteArray expected = kHeader
        + "\n[HKEY_CURRENT_USER\\Software]\n"
          "\n[HKEY_CURRENT_USER\\Software\\Orbel]\n"
          "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n"
          "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater\\5.2]\n"
          "\n";
    QCOMPARE(readBytes(s.userFile()), expected);
    QVERIFY(s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, false));
}

void TestRegFileStore::wrongTypeIsRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("asString");
    QTest::addColumn<QString>("error");
    QTest::newRow("integer read as string") << "N" << true << "Invalid data type for 'N'";
    QTest::newRow("string read as integer") << "S" << false << "Invalid data type for 'S'";
    QTest::newRow("expandable read as integer") << "E" << false << "Invalid data type for 'E'";
    QTest::newRow("binary read as string") << "B" << true << "Invalid data type for 'B'";
    QTest::newRow("binary read as integer") << "B" << false << "Invalid data type for 'B'";
    QTest::newRow("multi-string read as string") << "M" << true << "Invalid data type for 'M'";
    QTest::newRow("short integer") << "D" << false << "Failed to get data for 'D'";
    QTest::newRow("expandable read as string") << "E" << true << "";
    QTest::newRow("missing read as string") << "X" << true << "";
    QTest::newRow("missing read as integer") << "X" << false << "";
}

void TestRegFileStore::wrongTypeIsRefused()
{
    QFETCH(QString, name);
    QFETCH(bool, asString);
    QFETCH(QString, error);
    QVERIFY(writeUserFile(kHeader + "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n"
                                    "\"N\"=dword:00000001\n\"S\"=\"1\"\n\"B\"=hex:01,00,00,00\n"
                                    "\"E\"=hex(2):25,00,41,00,25,00,00,00\n\"M\"=hex(7):61,00,00,00,00,00\n"
                                    "\"D\"=hex(4):01,02\n"));
    RegFileStore s = store();
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, false);
    QVERIFY(key);
    QString result;
    const QString message = errorOf([&] {
        result = asString ? key->readString(name) : QString::number(key->readInteger(name));
    });
    QCOMPARE(message, error);
    if (error.isEmpty() && name == QLatin1String("E"))
        QCOMPARE(result, QStringLiteral("%A%"));
    if (error.isEmpty() && name == QLatin1String("X"))
        QCOMPARE(result, asString ? QString() : QStringLiteral("0"));
}

void TestRegFileStore::unstorableNamesAreRefused()
{
    RegFileStore s = store();
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    QVERIFY(key);
    key->writeString(QStringLiteral("Kept"), QStringLiteral("k"));
    const QByteArray before = readBytes(userFile());
    QCOMPARE(errorOf([&] { key->writeString(QStringLiteral("a\nb"), QStringLiteral("x")); }),
             QStringLiteral("Failed to set data for 'a\nb'"));
    QCOMPARE(readBytes(userFile()), before);
    QVERIFY(!s.openKey(RegistryRoot::CurrentUser, kUpdaterKey + QStringLiteral("\\a\nb"), true));
    QCOMPARE(readBytes(userFile()), before);
}

void TestRegFileStore::machineStoreIsReadOnly()
{
    const QByteArray machine = kHeader + "\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]\n"
                                         "\"Version\"=\"9.11.1\"\n";
    QVERIFY(QDir().mkpath(QFileInfo(machineFile()).absolutePath()));
    QVERIFY(writeBytes(machineFile(), machine));
    RegFileStore s = store();
    const QString path = QStringLiteral("\\Software\\Microsoft\\Internet Explorer");

    const auto key = s.openKey(RegistryRoot::LocalMachine, path, false);
    QVERIFY(key);
    QCOMPARE(key->readString(QStringLiteral("Version")), QStringLiteral("9.11.1"));
    // The user store does not see machine keys.
    QVERIFY(!s.openKey(RegistryRoot::CurrentUser, path, false));

    const auto writable = s.openKey(RegistryRoot::LocalMachine, path, true);
    QVERIFY(writable);
    QCOMPARE(errorOf([&] { writable->writeString(QStringLiteral("Version"), QStringLiteral("1")); }),
             QStringLiteral("Failed to set data for 'Version'"));
    QCOMPARE(errorOf([&] { writable->writeInteger(QStringLiteral("N"), 1); }),
             QStringLiteral("Failed to set data for 'N'"));
    QCOMPARE(writable->readString(QStringLiteral("Version")), QStringLiteral("9.11.1"));
    QVERIFY(!s.openKey(RegistryRoot::LocalMachine, QStringLiteral("\\Software\\New"), true));
    QCOMPARE(readBytes(machineFile()), machine);
    QCOMPARE(QDir(QFileInfo(machineFile()).absolutePath()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("machine.reg")});

    RegFileStore withoutMachine(userFile(), QString());
    QVERIFY(!withoutMachine.openKey(RegistryRoot::LocalMachine, path, false));
    QVERIFY(!withoutMachine.openKey(RegistryRoot::LocalMachine, path, true));
}

void TestRegFileStore::unopenableFileIsAMissingKey_data()
{
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("storeFile");
    QTest::addColumn<bool>("blockerIsFolder");
    // Root may write anywhere, but not below a plain file nor into a folder as a file.
    QTest::newRow("folder is a plain file") << "plain" << "plain/Orbel/user.reg" << false;
    QTest::newRow("store is a folder") << "Orbel/user.reg" << "Orbel/user.reg" << true;
}

void TestRegFileStore::unopenableFileIsAMissingKey()
{
    QFETCH(QString, blocker);
    QFETCH(QString, storeFile);
    QFETCH(bool, blockerIsFolder);
    const QString blockerPath = m_dir->filePath(blocker);
    if (blockerIsFolder)
        QVERIFY(QDir().mkpath(blockerPath));
    else
        QVERIFY(writeBytes(blockerPath, "not a folder"));

    RegFileStore s(m_dir->filePath(storeFile), QString());
    QVERIFY(!s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, false));
    std::unique_ptr<RegistryKey> key;
    QCOMPARE(errorOf([&] { key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true); }), QString());
    QVERIFY(!key);
    QCOMPARE(QFileInfo(blockerPath).isDir(), blockerIsFolder);
    if (!blockerIsFolder)
        QCOMPARE(readBytes(blockerPath), QByteArray("not a folder"));
}

void TestRegFileStore::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no room for the new file") << true << "File too large";
    QTest::newRow("lock file cannot be made") << false << "its lock file \"%1.lock\" cannot be used: Is a directory";
}

void TestRegFileStore::failedWriteKeepsTheOldFile()
{
    QFETCH(bool, fullDisk);
    QFETCH(QString, reason);
    RegFileStore s = store();
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    QVERIFY(key);
    key->writeString(QStringLiteral("Old"), QStringLiteral("kept"));
    const QByteArray before = readBytes(userFile());
    QVERIFY(!before.isEmpty());

    const QString lockPath = userFile() + QStringLiteral(".lock");
    std::unique_ptr<FileSizeLimit> limit;
    if (fullDisk) {
        limit = std::make_unique<FileSizeLimit>(before.size() + 16);
    } else {
        QVERIFY(QFile::remove(lockPath));
        QVERIFY(QDir().mkdir(lockPath));
    }
    const QString message = errorOf([&] { key->writeString(QStringLiteral("New"), QString(500, QLatin1Char('n'))); });
    std::unique_ptr<RegistryKey> created;
    const QString createMessage = errorOf([&] {
        created = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey + QStringLiteral("\\5.2"), true);
    });
    limit.reset();

    QCOMPARE(message, QStringLiteral("Failed to set data for 'New': the settings file \"%1\" cannot be written: %2")
                          .arg(userFile(), reason.contains(QLatin1String("%1")) ? reason.arg(userFile()) : reason));
    QCOMPARE(createMessage, QString());
    QVERIFY(!created);
    QCOMPARE(readBytes(userFile()), before);
    QCOMPARE(leftovers(), QStringList());
    QVERIFY(!key->valueExists(QStringLiteral("New")));
    QCOMPARE(key->readString(QStringLiteral("Old")), QStringLiteral("kept"));
}

void TestRegFileStore::damagedFileIsSalvaged_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("readable"); // whether ID and After can still be read

    const QByteArray key = "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n";
    const QByteArray id = "\"ID\"=\"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}\"\n";
    const QByteArray after = "\"After\"=dword:00000001\n";
    // One flaw between readable values; the flawed value "P" is lost, nothing else.
    const auto around = [&](const QByteArray &flaw) -> QByteArray { return kHeader + key + id + flaw + key + after; };
    QTest::newRow("no header") << key + id + after << true;
    QTest::newRow("unknown header") << "Windows Registry Editor Version 6.00\n" + key + id + after << true;
    QTest::newRow("value before any key") << kHeader + "\"P\"=\"x\"\n" + key + id + after << true;
    QTest::newRow("string not closed") << around("\"P\"=\"x\n") << true;
    QTest::newRow("text after string") << around("\"P\"=\"x\" y\n") << true;
    QTest::newRow("bad dword") << around("\"P\"=dword:xyz\n") << true;
    QTest::newRow("dword too long") << around("\"P\"=dword:000000001\n") << true;
    QTest::newRow("bad hex byte, continued") << around("\"P\"=hex:01,zz,\\\n  02\n") << true;
    QTest::newRow("bad hex type") << around("\"P\"=hex(q):01\n") << true;
    QTest::newRow("unknown data form") << around("\"P\"=qword:01\n") << true;
    QTest::newRow("stray line") << around("ProxyServer=x\n") << true;
    // Values below a key line that cannot be read have no key to go to.
    QTest::newRow("key line not closed") << around("[HKEY_CURRENT_USER\\Software\n\"P\"=\"x\"\n") << true;
    QTest::newRow("invalid UTF-8 after a UTF-8 mark") << "\xEF\xBB\xBF" + around("\"P\"=\"\xC3\x28\"\n") << true;
    QTest::newRow("cut UTF-16") << utf16WithBom(QString::fromUtf8(kHeader + key + id + after)) + "x" << true;
    const QString surrogateLine = QStringLiteral("\"P\"=\"") + QChar(0xD800) + QStringLiteral("\"\n");
    QTest::newRow("lone surrogate in UTF-16")
        << utf16WithBom(QString::fromUtf8(kHeader + key + id) + surrogateLine + QString::fromUtf8(key + after)) << true;
    QTest::newRow("binary junk") << QByteArray("\x00\x01\x02\xFF\x00", 5) << false;
}

// A damaged file loses only what cannot be read; it is kept beside under a name of its own,
// and the user is told once.
void TestRegFileStore::damagedFileIsSalvaged()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, readable);
    const QString damaged = userFile() + QStringLiteral(".damaged");
    const auto checkSalvaged = [&](RegFileStore &s) {
        const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, false);
        QCOMPARE(bool(key), readable);
        if (!key)
            return;
        QCOMPARE(key->readString(QStringLiteral("ID")), QStringLiteral("{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}"));
        QCOMPARE(key->readInteger(QStringLiteral("After")), 1u);
        QVERIFY(!key->valueExists(QStringLiteral("P")));
    };
    QVERIFY(writeUserFile(file));
    QVERIFY(writeBytes(damaged, "an older damaged file"));
    RegFileStore s = store();

    // Readers see what is readable, and reading alone changes nothing.
    checkSalvaged(s);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(readBytes(userFile()), file);

    // At start: the notice is for the caller to show; nothing goes to standard error.
    StderrCapture startCapture(m_dir->filePath(QStringLiteral("start.txt")));
    const QString notice = s.setDamagedUserFileAside();
    QCOMPARE(startCapture.text(), QByteArray());
    QVERIFY2(notice.contains(userFile() + QLatin1Char('"')), qPrintable(notice));
    QVERIFY2(notice.contains(damaged + QStringLiteral(".1")), qPrintable(notice));
    QCOMPARE(s.setDamagedUserFileAside(), QString());
    QCOMPARE(readBytes(damaged), QByteArray("an older damaged file"));
    QCOMPARE(readBytes(damaged + QStringLiteral(".1")), file);
    QVERIFY(RegFile::parse(readBytes(userFile())));
    checkSalvaged(s);
    if (QTest::currentTestFailed())
        return;

    // Damaged again later: the first write keeps it under the next name and warns once.
    QVERIFY(writeUserFile(file));
    StderrCapture capture(m_dir->filePath(QStringLiteral("stderr.txt")));
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    QVERIFY(key);
    key->writeString(QStringLiteral("Q"), QStringLiteral("new"));
    const QByteArray warning = capture.text();
    QCOMPARE(warning.count("Warning"), 1);
    QVERIFY2(warning.contains(QFile::encodeName(damaged + QStringLiteral(".2"))), warning.constData());
    QCOMPARE(readBytes(damaged + QStringLiteral(".1")), file);
    QCOMPARE(readBytes(damaged + QStringLiteral(".2")), file);
    if (readable)
        checkSalvaged(s);
    QCOMPARE(s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, false)->readString(QStringLiteral("Q")),
             QStringLiteral("new"));
    QCOMPARE(leftovers(), QStringList());
}

void TestRegFileStore::fileIsPrivate()
{
    const mode_t oldMask = ::umask(0);
    RegFileStore s(m_dir->filePath(QStringLiteral("fresh/Orbel/user.reg")), QString());
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    ::umask(oldMask);
    QVERIFY(key);
    QCOMPARE(modeOf(s.userFile()), 0600u);
    QCOMPARE(modeOf(s.userFile() + QStringLiteral(".lock")), 0600u);
    QCOMPARE(modeOf(m_dir->filePath(QStringLiteral("fresh/Orbel"))), 0700u);

    // A file made readable by others becomes private again at the next write.
    QVERIFY(::chmod(QFile::encodeName(s.userFile()).constData(), 0644) == 0);
    key->writeString(QStringLiteral("ProxyPassword"), QStringLiteral("x"));
    QCOMPARE(modeOf(s.userFile()), 0600u);
    // Also when the write changes nothing else.
    QVERIFY(::chmod(QFile::encodeName(s.userFile()).constData(), 0644) == 0);
    key->writeString(QStringLiteral("ProxyPassword"), QStringLiteral("x"));
    QCOMPARE(modeOf(s.userFile()), 0600u);
}

void TestRegFileStore::unchangedWriteLeavesTheFile()
{
    const auto inodeOf = [](const QString &path) {
        struct stat info;
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : ino_t(0);
    };
    RegFileStore s = store();
    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    QVERIFY(key);
    key->writeString(QStringLiteral("Language"), QStringLiteral("engb"));
    const ino_t written = inodeOf(userFile());
    QVERIFY(written != 0);

    // The same value again: the file is not replaced.
    key->writeString(QStringLiteral("Language"), QStringLiteral("engb"));
    QCOMPARE(inodeOf(userFile()), written);
    // Names ignore case, so this is the same value too.
    key->writeString(QStringLiteral("LANGUAGE"), QStringLiteral("engb"));
    QCOMPARE(inodeOf(userFile()), written);

    // A changed value replaces the file as always.
    key->writeString(QStringLiteral("Language"), QStringLiteral("de"));
    QVERIFY(inodeOf(userFile()) != written);
    QCOMPARE(store().openKey(RegistryRoot::CurrentUser, kUpdaterKey, false)->readString(QStringLiteral("Language")),
             QStringLiteral("de"));
    QCOMPARE(leftovers(), QStringList());
}

void TestRegFileStore::linkedFileStaysLinked()
{
    const QString real = m_dir->filePath(QStringLiteral("dotfiles/user.reg"));
    QVERIFY(QDir().mkpath(QFileInfo(real).absolutePath()));
    QVERIFY(writeBytes(real, kHeader));
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("Orbel"))));
    QVERIFY(QFile::link(QStringLiteral("../dotfiles/user.reg"), userFile()));

    RegFileStore s = store();
    s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true)->writeInteger(QStringLiteral("N"), 3);
    QVERIFY(QFileInfo(userFile()).isSymLink());
    QVERIFY(readBytes(real).contains("\"N\"=dword:00000003"));
    QCOMPARE(store().openKey(RegistryRoot::CurrentUser, kUpdaterKey, false)->readInteger(QStringLiteral("N")), 3u);
}

// Keys opened side by side each see their own snapshot, yet no write undoes another.
void TestRegFileStore::keysOpenedTogetherKeepBothWrites()
{
    RegFileStore first = store();
    RegFileStore second = store();
    const auto a = first.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    const auto b = second.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    QVERIFY(a && b);
    a->writeInteger(QStringLiteral("A"), 1);
    QVERIFY(!b->valueExists(QStringLiteral("A")));
    b->writeInteger(QStringLiteral("B"), 2);
    QCOMPARE(b->readInteger(QStringLiteral("A")), 1u);
    const auto check = store().openKey(RegistryRoot::CurrentUser, kUpdaterKey, false);
    QCOMPARE(check->readInteger(QStringLiteral("A")), 1u);
    QCOMPARE(check->readInteger(QStringLiteral("B")), 2u);
}

// Another program changes the file between two opens, to a content of the same size and
// time; the second open sees its value, and a write after it keeps both.
void TestRegFileStore::foreignWriteBetweenOpensIsSeen_data()
{
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("replaced by another file") << false;
    QTest::newRow("rewritten in place") << true;
}

void TestRegFileStore::foreignWriteBetweenOpensIsSeen()
{
    QFETCH(bool, inPlace);
    const QByteArray before = kHeader + "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n\"Proxy\"=\"one\"\n\n";
    QByteArray after = before;
    after.replace("one", "two");
    QVERIFY(writeUserFile(before));
    struct stat original;
    QCOMPARE(::stat(QFile::encodeName(userFile()).constData(), &original), 0);
    RegFileStore s = store();
    QCOMPARE(s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, false)->readString(QStringLiteral("Proxy")),
             QStringLiteral("one"));

    if (inPlace) {
        QFile file(userFile());
        QVERIFY(file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(after), after.size());
    } else {
        QVERIFY(writeBytes(userFile() + QStringLiteral(".new"), after));
        QVERIFY(::rename(QFile::encodeName(userFile() + QStringLiteral(".new")).constData(),
                         QFile::encodeName(userFile()).constData()) == 0);
    }
    const struct timespec times[2] = {original.st_atim, original.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(userFile()).constData(), times, 0), 0);

    const auto key = s.openKey(RegistryRoot::CurrentUser, kUpdaterKey, true);
    QCOMPARE(key->readString(QStringLiteral("Proxy")), QStringLiteral("two"));
    key->writeString(QStringLiteral("Language"), QStringLiteral("engb"));
    const auto check = store().openKey(RegistryRoot::CurrentUser, kUpdaterKey, false);
    QCOMPARE(check->readString(QStringLiteral("Proxy")), QStringLiteral("two"));
    QCOMPARE(check->readString(QStringLiteral("Language")), QStringLiteral("engb"));
}

void TestRegFileStore::twoProcessesKeepAllValues()
{
    constexpr int kCount = 150;
    QProcess first;
    QProcess second;
    first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString count = QString::number(kCount);
    first.start(QStringLiteral(REGSTORE_WRITER), {QStringLiteral("write"), userFile(), QStringLiteral("First"), count});
    second.start(QStringLiteral(REGSTORE_WRITER), {QStringLiteral("write"), userFile(), QStringLiteral("Second"), count});
    QVERIFY(first.waitForFinished(120000));
    QVERIFY(second.waitForFinished(120000));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    const auto key = store().openKey(RegistryRoot::CurrentUser, kUpdaterKey, false);
    QVERIFY(key);
    for (int i = 0; i < kCount; ++i) {
        QCOMPARE(key->readInteger(QStringLiteral("First") + QString::number(i)), quint32(i));
        QCOMPARE(key->readInteger(QStringLiteral("Second") + QString::number(i)), quint32(i));
    }
    QCOMPARE(leftovers(), QStringList());
}

void TestRegFileStore::lockOfAKilledProcessIsReleased()
{
    QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("Orbel"))));
    QProcess holder;
    holder.start(QStringLiteral(REGSTORE_WRITER), {QStringLiteral("hold"), userFile() + QStringLiteral(".lock")});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readAll(), QByteArray("locked\n"));

    // A writer waits while the lock is held...
    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start(QStringLiteral(REGSTORE_WRITER), {QStringLiteral("write"), userFile(), QStringLiteral("W"), QStringLiteral("1")});
    QVERIFY(writer.waitForStarted());
    QVERIFY(!writer.waitForFinished(500));
    QVERIFY(!QFile::exists(userFile()));

    // ...and goes on once the holder is killed without a chance to clean up.
    holder.kill();
    QVERIFY(holder.waitForFinished());
    QVERIFY(writer.waitForFinished(5000));
    QCOMPARE(writer.exitCode(), 0);
    const auto key = store().openKey(RegistryRoot::CurrentUser, kUpdaterKey, false);
    QVERIFY(key);
    QCOMPARE(key->readInteger(QStringLiteral("W0")), 0u);
    QVERIFY(key->valueExists(QStringLiteral("W0")));
}

void TestRegFileStore::environmentPicksTheFiles()
{
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfigHome = qgetenv("XDG_CONFIG_HOME");
    const QByteArray oldConfigDirs = qgetenv("XDG_CONFIG_DIRS");
    const QString root = m_dir->path();
    const QString withMachine = root + QStringLiteral("/second");
    QVERIFY(QDir().mkpath(withMachine + QStringLiteral("/Orbel")));
    QVERIFY(writeBytes(withMachine + QStringLiteral("/Orbel/machine.reg"), kHeader));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/first/Orbel")));

    qputenv("HOME", QFile::encodeName(root + QStringLiteral("/home")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(root + QStringLiteral("/config")));
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(QStringLiteral("second:") + root + QStringLiteral("/first::")
                                                 + withMachine));
    const RegFileStore configured;
    // Relative entries are ignored, as the XDG rules say.
    qputenv("XDG_CONFIG_HOME", "relative/config");
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root + QStringLiteral("/first")));
    const RegFileStore fallback;

    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfigHome);
    qputenv("XDG_CONFIG_DIRS", oldConfigDirs);

    QCOMPARE(configured.userFile(), root + QStringLiteral("/config/Orbel/user.reg"));
    QCOMPARE(configured.machineFile(), withMachine + QStringLiteral("/Orbel/machine.reg"));
    QCOMPARE(fallback.userFile(), root + QStringLiteral("/home/.config/Orbel/user.reg"));
    QCOMPARE(fallback.machineFile(), QString());
}

QTEST_GUILESS_MAIN(TestRegFileStore)
#include "tst_RegFileStore.moc"
