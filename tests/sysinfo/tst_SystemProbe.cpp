#include "sysinfo/SystemProbe.h"

#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

class TestSystemProbe : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileSystemTypeIn_data();
    void fileSystemTypeIn();
    void fileSystemTypeOfRealPaths();
    void unameFacts();
    void environmentValues();
    void programFilePathIsThisProgram();
    void dnsDomainAsHostnameTellsIt();
};

static const char kMountInfo[] =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "23 22 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n"
    "30 22 8:2 / /home rw,relatime shared:2 - xfs /dev/sda2 rw,attr2\n"
    "31 30 0:41 / /home/user/remote rw,nosuid,nodev,relatime shared:3 - fuse.sshfs me@host:/srv rw,user_id=1000\n"
    "32 22 0:42 / /mnt/my\\040share rw,relatime - cifs //server/share rw,vers=3.1.1\n"
    "33 22 0:43 / /mnt/nfs rw,relatime shared:4 - nfs4 server:/export rw\n"
    "34 33 0:44 / /mnt/nfs rw,relatime shared:6 - tmpfs tmpfs rw\n"
    "35 22 8:17 /sub /srv rw,relatime shared:5 master:1 propagate_from:2 - btrfs /dev/sdb1 rw\n"
    "garbage line without the separator\n"
    "36 22 0:50 / /mnt/short rw -\n"
    "\n";

void TestSystemProbe::fileSystemTypeIn_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("type");
    QTest::newRow("root") << "/" << "ext4";
    QTest::newRow("below root") << "/usr/bin/PelkUpdater" << "ext4";
    QTest::newRow("mount point itself") << "/home" << "xfs";
    QTest::newRow("below a mount") << "/home/user/doc.txt" << "xfs";
    QTest::newRow("innermost mount wins") << "/home/user/remote/PelkUpdater" << "fuse.sshfs";
    QTest::newRow("name that only starts like a mount") << "/home/user/remotes/x" << "xfs";
    QTest::newRow("escaped blank in the mount point") << "/mnt/my share/PelkUpdater" << "cifs";
    QTest::newRow("escape is not a literal") << "/mnt/my\\040share/x" << "ext4";
    QTest::newRow("later mount on the same point") << "/mnt/nfs/x" << "tmpfs";
    QTest::newRow("several optional fields") << "/srv/catalog/x" << "btrfs";
    QTest::newRow("line without a type is skipped") << "/mnt/short/x" << "ext4";
}

void TestSystemProbe::fileSystemTypeIn()
{
    QFETCH(QString, path);
    QFETCH(QString, type);
    QCOMPARE(LinuxSystemProbe::fileSystemTypeIn(kMountInfo, path), type);
}

void TestSystemProbe::fileSystemTypeOfRealPaths()
{
    const LinuxSystemProbe probe;
    QCOMPARE(probe.fileSystemType(QStringLiteral("/proc/self/status")), QStringLiteral("proc"));
    QVERIFY(LinuxSystemProbe::fileSystemTypeIn(QByteArray(), QStringLiteral("/")).isEmpty());

    // A path through a symbolic link counts where its target lies.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("proc-link"));
    QVERIFY(QFile::link(QStringLiteral("/proc/self"), link));
    QCOMPARE(probe.fileSystemType(link + QStringLiteral("/status")), QStringLiteral("proc"));
    QVERIFY(!probe.fileSystemType(dir.path()).isEmpty());
    QCOMPARE(probe.fileSystemType(dir.filePath(QStringLiteral("not-there"))),
             probe.fileSystemType(dir.path()));
}

void TestSystemProbe::unameFacts()
{
    const LinuxSystemProbe probe;
    QCOMPARE(probe.kernelRelease(), QSysInfo::kernelVersion());
    QProcess uname;
    uname.start(QStringLiteral("uname"), {QStringLiteral("-m")});
    if (!uname.waitForFinished(10000))
        QSKIP("uname cannot be run here");
    QCOMPARE(probe.machine(), QString::fromUtf8(uname.readAllStandardOutput().trimmed()));
}

void TestSystemProbe::environmentValues()
{
    const LinuxSystemProbe probe;
    qputenv("PELK_PROBE_TEST", "value with blanks");
    QCOMPARE(probe.environmentValue("PELK_PROBE_TEST"), QByteArray("value with blanks"));
    qunsetenv("PELK_PROBE_TEST");
    QVERIFY(probe.environmentValue("PELK_PROBE_TEST").isEmpty());
}

void TestSystemProbe::programFilePathIsThisProgram()
{
    const QString path = LinuxSystemProbe().programFilePath();
    QVERIFY(QFileInfo(path).isAbsolute());
    QCOMPARE(QFileInfo(path).canonicalFilePath(),
             QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
}

void TestSystemProbe::dnsDomainAsHostnameTellsIt()
{
    // For a short host name both ask the resolver for the canonical name.
    if (QSysInfo::machineHostName().contains(QLatin1Char('.')))
        QSKIP("the host name carries its domain");
    QProcess hostname;
    hostname.start(QStringLiteral("hostname"), {QStringLiteral("-d")});
    if (!hostname.waitForFinished(30000) || hostname.exitCode() != 0)
        QSKIP("hostname -d cannot be run here");
    QCOMPARE(LinuxSystemProbe().dnsDomain(), QString::fromUtf8(hostname.readAllStandardOutput().trimmed()));
}

QTEST_GUILESS_MAIN(TestSystemProbe)
#include "tst_SystemProbe.moc"
