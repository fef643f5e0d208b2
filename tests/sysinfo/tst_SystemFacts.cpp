#include "FakeSystemProbe.h"
#include "RegFiles.h"

#include "base/PelkError.h"
#include "settings/RegFileStore.h"
#include "sysinfo/SystemFacts.h"

#include <QTemporaryDir>
#include <QTest>

using RegFiles::dwordValue;
using RegFiles::stringValue;

using Environment = QHash<QByteArray, QByteArray>;
Q_DECLARE_METATYPE(Environment)

namespace {

const QString kIEKey = QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Internet Explorer]");

QString ndpKey(const char *version)
{
    return QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\NET Framework Setup\\NDP\\")
        + QLatin1String(version) + QLatin1Char(']');
}

} // namespace

class TestSystemFacts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void windowsVersionText_data();
    void windowsVersionText();
    void processorArchitectureText_data();
    void processorArchitectureText();
    void architectureCodeOf_data();
    void architectureCodeOf();

    void ieVersionText_data();
    void ieVersionText();
    void ieVersionTextWithoutMachineFile();
    void dotNetVersionsText_data();
    void dotNetVersionsText();
    void wrongValueTypesRaise_data();
    void wrongValueTypesRaise();

    void environmentCode_data();
    void environmentCode();
    void networkFileSystemTypes_data();
    void networkFileSystemTypes();
    void inCompanyDomain_data();
    void inCompanyDomain();

    void formEncode_data();
    void formEncode();
    void formEncodeEveryAsciiByte();
    void formEncodeEveryHighByte();

private:
    RegFileStore machineStore(const QStringList &lines);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSystemFacts::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

RegFileStore TestSystemFacts::machineStore(const QStringList &lines)
{
    const QString machineFile = m_dir->filePath(QStringLiteral("machine.reg"));
    if (!RegFiles::write(machineFile, lines))
        qFatal("cannot write %s", qPrintable(machineFile));
    return RegFileStore(m_dir->filePath(QStringLiteral("user.reg")), machineFile);
}

void TestSystemFacts::windowsVersionText_data()
{
    QTest::addColumn<QString>("release");
    QTest::addColumn<QString>("machine");
    QTest::addColumn<Environment>("environment");
    QTest::addColumn<QByteArray>("expected");

    const Environment none;
    const Environment x11{{"DISPLAY", ":0"}};
    QTest::newRow("Debian desktop") << "6.1.0-13-amd64" << "x86_64" << x11 << QByteArray("6.1.0.0.Wks.x64");
    QTest::newRow("two numbers, server, ARM64") << "5.15" << "aarch64" << none << QByteArray("5.15.0.0.Svr.$000C");
    QTest::newRow("one number") << "6" << "x86_64" << none << QByteArray("6.0.0.0.Svr.x64");
    QTest::newRow("three numbers") << "6.1.7601" << "i686" << none << QByteArray("6.1.7601.0.Svr.x86");
    QTest::newRow("fourth number left out") << "3.10.0.1160-el7" << "ia64" << none << QByteArray("3.10.0.0.Svr.IA64");
    QTest::newRow("leading zeros") << "06.001.0" << "x86_64" << none << QByteArray("6.1.0.0.Svr.x64");
    QTest::newRow("huge number stays exact") << "99999999999.1" << "x86_64" << none << QByteArray("99999999999.1.0.0.Svr.x64");
    QTest::newRow("no numbers") << "custom" << "x86_64" << none << QByteArray("0.0.0.0.Svr.x64");
    QTest::newRow("Wayland, 32-bit ARM") << "6.6.20+rpt-rpi-v7" << "armv7l" << Environment{{"WAYLAND_DISPLAY", "wayland-0"}}
                                         << QByteArray("6.6.20.0.Wks.$0005");
    QTest::newRow("empty DISPLAY is no display") << "6.1.0" << "x86_64" << Environment{{"DISPLAY", ""}}
                                                 << QByteArray("6.1.0.0.Svr.x64");
    QTest::newRow("unknown machine") << "6.1.0" << "riscv64" << none << QByteArray("6.1.0.0.Svr.$FFFF");
    QTest::newRow("ssh session") << "6.1.0" << "x86_64" << Environment{{"DISPLAY", ":10"}, {"SSH_CONNECTION", "10.0.0.2 50000 10.0.0.1 22"}}
                                 << QByteArray("6.1.0.0.Wks.x64.TS");
    QTest::newRow("ssh client only") << "6.1.0" << "x86_64" << Environment{{"SSH_CLIENT", "10.0.0.2 50000 22"}}
                                     << QByteArray("6.1.0.0.Svr.x64.TS");
    QTest::newRow("xrdp, ARM") << "6.1.0" << "armv6l" << Environment{{"XRDP_SESSION", "1"}}
                               << QByteArray("6.1.0.0.Svr.$0005.TS");
    QTest::newRow("failed query") << "" << "x86_64" << x11 << QByteArray();
}

void TestSystemFacts::windowsVersionText()
{
    QFETCH(QString, release);
    QFETCH(QString, machine);
    QFETCH(Environment, environment);
    QFETCH(QByteArray, expected);
    FakeSystemProbe probe;
    probe.release = release;
    probe.machineName = machine;
    probe.environment = environment;
    QCOMPARE(WindowsVersionText(probe), expected);
}

void TestSystemFacts::processorArchitectureText_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("0") << 0 << QByteArray("x86");
    QTest::newRow("6") << 6 << QByteArray("IA64");
    QTest::newRow("9") << 9 << QByteArray("x64");
    QTest::newRow("1") << 1 << QByteArray("$0001");
    QTest::newRow("5") << 5 << QByteArray("$0005");
    QTest::newRow("10") << 10 << QByteArray("$000A");
    QTest::newRow("12") << 12 << QByteArray("$000C");
    QTest::newRow("0x1234") << 0x1234 << QByteArray("$1234");
    QTest::newRow("0xABCD") << 0xABCD << QByteArray("$ABCD");
    QTest::newRow("0xFFFF") << 0xFFFF << QByteArray("$FFFF");
}

void TestSystemFacts::processorArchitectureText()
{
    QFETCH(int, code);
    QFETCH(QByteArray, expected);
    QCOMPARE(ProcessorArchitectureText(quint16(code)), expected);
}

void TestSystemFacts::architectureCodeOf_data()
{
    QTest::addColumn<QString>("machine");
    QTest::addColumn<int>("code");
    QTest::newRow("x86_64") << "x86_64" << 9;
    QTest::newRow("amd64") << "amd64" << 9;
    QTest::newRow("AMD64") << "AMD64" << 9;
    QTest::newRow("i386") << "i386" << 0;
    QTest::newRow("i486") << "i486" << 0;
    QTest::newRow("i586") << "i586" << 0;
    QTest::newRow("i686") << "i686" << 0;
    QTest::newRow("i786") << "i786" << 0xFFFF;
    QTest::newRow("ia64") << "ia64" << 6;
    QTest::newRow("aarch64") << "aarch64" << 12;
    QTest::newRow("arm64") << "arm64" << 12;
    QTest::newRow("armv7l") << "armv7l" << 5;
    QTest::newRow("armv6l") << "armv6l" << 5;
    QTest::newRow("arm") << "arm" << 5;
    QTest::newRow("riscv64") << "riscv64" << 0xFFFF;
    QTest::newRow("ppc64le") << "ppc64le" << 0xFFFF;
    QTest::newRow("s390x") << "s390x" << 0xFFFF;
    QTest::newRow("empty") << "" << 0xFFFF;
}

void TestSystemFacts::architectureCodeOf()
{
    QFETCH(QString, machine);
    QFETCH(int, code);
    QCOMPARE(int(ArchitectureCodeOf(machine)), code);
}

void TestSystemFacts::ieVersionText_data()
{
    QTest::addColumn<QStringList>("machine");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("svcVersion before Version")
        << QStringList{kIEKey, stringValue("Version", "9.11.9600.19036"), stringValue("svcVersion", "11.0.9600.19036")}
        << QByteArray("11");
    QTest::newRow("Version only") << QStringList{kIEKey, stringValue("Version", "9.11.9600.16428")} << QByteArray("9");
    QTest::newRow("empty svcVersion hides Version")
        << QStringList{kIEKey, stringValue("svcVersion", ""), stringValue("Version", "9.11.9600.16428")}
        << QByteArray();
    QTest::newRow("no full stop") << QStringList{kIEKey, stringValue("svcVersion", "11")} << QByteArray("11");
    QTest::newRow("leading full stop") << QStringList{kIEKey, stringValue("svcVersion", ".5")} << QByteArray();
    QTest::newRow("neither value") << QStringList{kIEKey, stringValue("Build", "99600")} << QByteArray();
    QTest::newRow("no key") << QStringList{QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Microsoft]")} << QByteArray();
    QTest::newRow("key in capitals as exported")
        << QStringList{QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer]"),
                       stringValue("SVCVERSION", "10.0.9200.16384")}
        << QByteArray("10");
}

void TestSystemFacts::ieVersionText()
{
    QFETCH(QStringList, machine);
    QFETCH(QByteArray, expected);
    RegFileStore store = machineStore(machine);
    QCOMPARE(IEVersionText(store), expected);
}

void TestSystemFacts::ieVersionTextWithoutMachineFile()
{
    RegFileStore store(m_dir->filePath(QStringLiteral("user.reg")),
                       m_dir->filePath(QStringLiteral("no-such-folder/machine.reg")));
    QVERIFY(IEVersionText(store).isEmpty());
    QVERIFY(DotNetVersionsText(store).isEmpty());
}

void TestSystemFacts::dotNetVersionsText_data()
{
    QTest::addColumn<QStringList>("machine");
    QTest::addColumn<QByteArray>("expected");

    const QStringList installed4{ndpKey("v4\\Client"), dwordValue("Install", 1), stringValue("Version", "4.0.30319"),
                                 QString(), ndpKey("v4\\Full"), dwordValue("Install", 1),
                                 stringValue("Version", "4.0.30319")};
    QTest::newRow("no key at all") << QStringList() << QByteArray();
    QTest::newRow("the usual mix")
        << (QStringList{ndpKey("v2.0.50727"), dwordValue("Install", 1), dwordValue("SP", 2), QString(),
                        ndpKey("v3.0"), dwordValue("Install", 1), dwordValue("SP", 2), QString(),
                        ndpKey("v3.5"), dwordValue("Install", 1), dwordValue("SP", 1), QString()}
            + installed4)
        << QByteArray("2.0.2+3.0.2+3.5.1+4.0.C+4.0.F");
    QTest::newRow("order of the list, not of the file")
        << (installed4
            + QStringList{QString(), ndpKey("v3.5"), dwordValue("Install", 1), QString(), ndpKey("v1.1.4322"),
                          dwordValue("Install", 1), dwordValue("SP", 1)})
        << QByteArray("1.1.1+3.5+4.0.C+4.0.F");
    QTest::newRow("1.1 without SP") << QStringList{ndpKey("v1.1.4322"), dwordValue("Install", 1)} << QByteArray("1.1");
    QTest::newRow("3.0 without SP") << QStringList{ndpKey("v3.0"), dwordValue("Install", 1)} << QByteArray("3.0");
    QTest::newRow("SP 0") << QStringList{ndpKey("v2.0.50727"), dwordValue("Install", 1), dwordValue("SP", 0)}
                          << QByteArray("2.0.0");
    QTest::newRow("SP in decimal") << QStringList{ndpKey("v3.5"), dwordValue("Install", 1), dwordValue("SP", 12)}
                                   << QByteArray("3.5.12");
    QTest::newRow("Install 0") << QStringList{ndpKey("v3.0"), dwordValue("Install", 0), dwordValue("SP", 2)} << QByteArray();
    QTest::newRow("Install 2") << QStringList{ndpKey("v3.0"), dwordValue("Install", 2)} << QByteArray();
    QTest::newRow("no Install") << QStringList{ndpKey("v3.0"), dwordValue("SP", 2)} << QByteArray();
    QTest::newRow("v4 without Version") << QStringList{ndpKey("v4\\Full"), dwordValue("Install", 1)} << QByteArray();
    QTest::newRow("v4 Install 0") << QStringList{ndpKey("v4\\Full"), dwordValue("Install", 0), stringValue("Version", "4.8.09032")}
                                  << QByteArray();
    QTest::newRow("v4 with three parts") << QStringList{ndpKey("v4\\Full"), dwordValue("Install", 1), stringValue("Version", "4.8.09032")}
                                         << QByteArray("4.8.F");
    QTest::newRow("v4 with two parts") << QStringList{ndpKey("v4\\Client"), dwordValue("Install", 1), stringValue("Version", "4.8")}
                                       << QByteArray(".C");
    QTest::newRow("v4 with one part") << QStringList{ndpKey("v4\\Full"), dwordValue("Install", 1), stringValue("Version", "4")}
                                      << QByteArray(".F");
    QTest::newRow("v4 empty Version") << QStringList{ndpKey("v4\\Full"), dwordValue("Install", 1), stringValue("Version", "")}
                                      << QByteArray(".F");
    QTest::newRow("v4 parent key alone") << QStringList{ndpKey("v4"), dwordValue("Install", 1), stringValue("Version", "4.0.30319")}
                                         << QByteArray();
    QTest::newRow("other versions ignored")
        << QStringList{ndpKey("v1.0"), dwordValue("Install", 1), QString(), ndpKey("v2.0"), dwordValue("Install", 1)}
        << QByteArray();
    QTest::newRow("key names in capitals as exported")
        << QStringList{QStringLiteral("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\V3.5]"),
                       dwordValue("install", 1), dwordValue("sp", 1)}
        << QByteArray("3.5.1");
}

void TestSystemFacts::dotNetVersionsText()
{
    QFETCH(QStringList, machine);
    QFETCH(QByteArray, expected);
    RegFileStore store = machineStore(machine);
    QCOMPARE(DotNetVersionsText(store), expected);
}

void TestSystemFacts::wrongValueTypesRaise_data()
{
    QTest::addColumn<QStringList>("machine");
    QTest::addColumn<QString>("message");
    QTest::newRow("string Install")
        << QStringList{ndpKey("v3.0"), stringValue("Install", "1")} << "Invalid data type for 'Install'";
    QTest::newRow("string SP")
        << QStringList{ndpKey("v2.0.50727"), dwordValue("Install", 1), stringValue("SP", "2")}
        << "Invalid data type for 'SP'";
    QTest::newRow("number as v4 Version")
        << QStringList{ndpKey("v4\\Full"), dwordValue("Install", 1), dwordValue("Version", 4)}
        << "Invalid data type for 'Version'";
    QTest::newRow("number as svcVersion")
        << QStringList{kIEKey, dwordValue("svcVersion", 11)} << "Invalid data type for 'svcVersion'";
}

void TestSystemFacts::wrongValueTypesRaise()
{
    QFETCH(QStringList, machine);
    QFETCH(QString, message);
    RegFileStore store = machineStore(machine);
    try {
        if (message.contains(QLatin1String("svcVersion")))
            IEVersionText(store);
        else
            DotNetVersionsText(store);
        QFAIL("a value of the wrong type was read");
    } catch (const PelkError &error) {
        QCOMPARE(error.message(), message);
    }
}

void TestSystemFacts::environmentCode_data()
{
    QTest::addColumn<Environment>("environment");
    QTest::addColumn<QString>("fileSystem");
    QTest::addColumn<bool>("dataApart");
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QByteArray>("code");

    const Environment none;
    QTest::newRow("local console") << none << "ext4" << false << "" << QByteArray("CLLO");
    QTest::newRow("ssh session") << Environment{{"SSH_CONNECTION", "10.0.0.2 5 10.0.0.1 22"}} << "ext4" << false << ""
                                 << QByteArray("RLLO");
    QTest::newRow("xrdp session") << Environment{{"XRDP_SESSION", "1"}} << "btrfs" << false << "example.com"
                                  << QByteArray("RLLO");
    QTest::newRow("display alone is local") << Environment{{"DISPLAY", "localhost:10.0"}} << "ext4" << false << ""
                                            << QByteArray("CLLO");
    QTest::newRow("program on NFS") << none << "nfs4" << false << "" << QByteArray("CRLO");
    QTest::newRow("program on SMB") << none << "cifs" << false << "" << QByteArray("CRLO");
    QTest::newRow("program on sshfs") << none << "fuse.sshfs" << false << "" << QByteArray("CRLO");
    QTest::newRow("program on a local FUSE") << none << "fuseblk" << false << "" << QByteArray("CLLO");
    QTest::newRow("data apart") << none << "xfs" << true << "" << QByteArray("CLSO");
    QTest::newRow("company domain") << none << "ext4" << false << "corp.orbel.com" << QByteArray("CLLF");
    QTest::newRow("everything") << Environment{{"SSH_CLIENT", "10.0.0.2 5 22"}} << "smb3" << true << "ORBEL.local"
                                << QByteArray("RRSF");
}

void TestSystemFacts::environmentCode()
{
    QFETCH(Environment, environment);
    QFETCH(QString, fileSystem);
    QFETCH(bool, dataApart);
    QFETCH(QString, domain);
    QFETCH(QByteArray, code);

    const QString userFile = m_dir->filePath(QStringLiteral("user.reg"));
    QVERIFY(RegFiles::write(userFile, {QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orbel\\Pelk\\App]"),
                                       stringValue("KernelMDB", "/opt/catalog/kernel/PelkKernel_2K.mdb"),
                                       stringValue("UserBasketsMDB", "/opt/catalog/b.mdb"),
                                       stringValue("UserPricesMDB", "/opt/catalog/p.mdb"),
                                       stringValue("UserPartsMDB", "/opt/catalog/parts.mdb"),
                                       stringValue("UserGroupsXML", dataApart ? "/home/me/g.xml"
                                                                              : "/opt/catalog/g.xml")}));
    RegFileStore store(userFile, m_dir->filePath(QStringLiteral("machine.reg")));

    FakeSystemProbe probe;
    probe.environment = environment;
    probe.programPath = QStringLiteral("/net/catalog/PelkUpdater");
    probe.programFileSystem = fileSystem;
    probe.domain = domain;
    QCOMPARE(EnvironmentCode(probe, store), code);
}

void TestSystemFacts::networkFileSystemTypes_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("network");
    for (const char *type : {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "ceph", "glusterfs", "9p",
                             "fuse.sshfs", "fuse.rclone", "fuse.s3fs", "fuse.glusterfs", "davfs", "NFS4"})
        QTest::newRow(type) << QString::fromLatin1(type) << true;
    for (const char *type : {"ext4", "xfs", "btrfs", "tmpfs", "overlay", "fuseblk", "fuse", "fuse.portal",
                             "squashfs", "vfat", "proc", ""})
        QTest::newRow(type[0] ? type : "empty") << QString::fromLatin1(type) << false;
}

void TestSystemFacts::networkFileSystemTypes()
{
    QFETCH(QString, type);
    QFETCH(bool, network);
    QCOMPARE(IsNetworkFileSystemType(type), network);
}

void TestSystemFacts::inCompanyDomain_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<bool>("company");
    QTest::newRow("no domain") << "" << false;
    QTest::newRow("company") << "orbel.de" << true;
    QTest::newRow("subdomain") << "dev.corp.orbel.com" << true;
    QTest::newRow("capitals") << "CORP.ORBEL.LOCAL" << true;
    QTest::newRow("inside a longer label") << "notorbelnet.com" << true;
    QTest::newRow("split by a dot") << "orb.el" << false;
    QTest::newRow("other company") << "example.com" << false;
}

void TestSystemFacts::inCompanyDomain()
{
    QFETCH(QString, domain);
    QFETCH(bool, company);
    FakeSystemProbe probe;
    probe.domain = domain;
    QCOMPARE(InCompanyDomain(probe), company);
}

void TestSystemFacts::formEncode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("blank and ampersand") << "a b&c" << QByteArray("a+b%26c");
    QTest::newRow("u umlaut") << QStringLiteral("ü") << QByteArray("%C3%BC");
    QTest::newRow("slash and colon kept") << "a/b:c" << QByteArray("a/b:c");
    QTest::newRow("plus") << "+" << QByteArray("%2B");
    QTest::newRow("tab") << "\t" << QByteArray("%09");
    QTest::newRow("percent") << "100%" << QByteArray("100%25");
    QTest::newRow("version") << "5.2.1.7" << QByteArray("5.2.1.7");
    QTest::newRow("installation id") << "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"
                                     << QByteArray("%7B6F9619FF-8B86-D011-B42D-00C04FC964FF%7D");
    QTest::newRow("Windows version") << "6.1.0.0.Wks.$000C.TS" << QByteArray("6.1.0.0.Wks.$000C.TS");
    QTest::newRow("euro sign") << QStringLiteral("€") << QByteArray("%E2%82%AC");
    QTest::newRow("outside the BMP") << QStringLiteral("\U0001F600") << QByteArray("%F0%9F%98%80");
    QTest::newRow("NUL ends the text") << QString::fromUtf16(u"ab\0cd", 5) << QByteArray("ab");
    QTest::newRow("NUL first") << QString::fromUtf16(u"\0x", 2) << QByteArray();
}

void TestSystemFacts::formEncode()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, encoded);
    QCOMPARE(FormEncode(text), encoded);
}

void TestSystemFacts::formEncodeEveryAsciiByte()
{
    QString text;
    for (char16_t c = 1; c < 0x80; ++c)
        text += QChar(c);
    const QByteArray expected =
        "%01%02%03%04%05%06%07%08%09%0A%0B%0C%0D%0E%0F%10%11%12%13%14%15%16%17%18%19%1A%1B%1C%1D%1E%1F"
        "+!%22%23$%25%26'()*%2B,-./0123456789:;%3C=%3E?@ABCDEFGHIJKLMNOPQRSTUVWXYZ%5B%5C%5D%5E_"
        "`abcdefghijklmnopqrstuvwxyz%7B%7C%7D~\x7F";
    QCOMPARE(FormEncode(text), expected);
}

// Every byte of a multi-byte sequence (0x80 to 0xF4) is written as %XX in capitals.
void TestSystemFacts::formEncodeEveryHighByte()
{
    QList<char32_t> codes;
    for (char32_t code = 0x80; code < 0x10000; ++code) {
        if (code < 0xD800 || code > 0xDFFF)
            codes.append(code);
    }
    for (char32_t code : {0x10000u, 0x3FFFFu, 0x40000u, 0x7FFFFu, 0x80000u, 0xFFFFFu, 0x100000u, 0x10FFFFu})
        codes.append(code);

    for (const char32_t code : codes) {
        const QString text = QString::fromUcs4(&code, 1);
        const QByteArray utf8 = text.toUtf8();
        const QByteArray encoded = FormEncode(text);
        QCOMPARE(encoded.size(), utf8.size() * 3);
        for (qsizetype i = 0; i < encoded.size(); i += 3) {
            QCOMPARE(encoded[i], '%');
            QCOMPARE(encoded.mid(i + 1, 2), utf8.mid(i / 3, 1).toHex().toUpper());
        }
    }
}

QTEST_GUILESS_MAIN(TestSystemFacts)
#include "tst_SystemFacts.moc"
