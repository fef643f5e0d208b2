#include "RegFiles.h"

#include "base/PelkError.h"
#include "settings/RegFileStore.h"
#include "support/ThrowingLoaders.h"
#include "sysinfo/InstallationData.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using RegFiles::dwordValue;
using RegFiles::stringValue;

class TestInstallationData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void loadsEveryTextExactly();
    void onlyOneAllowsOnlineUpdate_data();
    void onlyOneAllowsOnlineUpdate();
    void missingElementsLoadEmpty();
    void loadErrorsNameTheFullPath_data();
    void loadErrorsNameTheFullPath();

    void userDataApart_data();
    void userDataApart();
    void userDataApartWithoutStoreFile();
    void userDataApartRejectsANumberAsKernelPath();

private:
    QString writeServicePack(const QByteArray &content);
    RegFileStore storeWithCatalogueKey(const QStringList &values);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestInstallationData::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestInstallationData::writeServicePack(const QByteArray &content)
{
    QFile file(m_dir->filePath(ServicePackFileName));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return m_dir->path() + QLatin1Char('/');
}

RegFileStore TestInstallationData::storeWithCatalogueKey(const QStringList &values)
{
    const QString userFile = m_dir->filePath(QStringLiteral("user.reg"));
    QStringList lines{QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orbel\\Pelk\\App]")};
    lines += values;
    if (!RegFiles::write(userFile, lines))
        qFatal("cannot write %s", qPrintable(userFile));
    return RegFileStore(userFile, m_dir->filePath(QStringLiteral("machine.reg")));
}

void TestInstallationData::loadsEveryTextExactly()
{
    const QString folder = writeServicePack(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Pelk>\n"
        "  <ProgVersion Value=\"5.2.1.7\"/>\n"
        "  <OfflineVersion Value=\" 2024-03 \"/>\n"
        "  <BuildTimeStamp Value=\"20240311 1207\"/>\n"
        "  <UpdateTimeStamp Value=\"Größe\"/>\n"
        "  <AllowOnlineUpdate Value=\"1\"/>\n"
        "  <Other Value=\"ignored\"/>\n"
        "</Pelk>\n");
    const InstallationData data = LoadInstallationData(folder);
    QCOMPARE(data.ProgVersion, QStringLiteral("5.2.1.7"));
    QCOMPARE(data.OfflineVersion, QStringLiteral(" 2024-03 "));
    QCOMPARE(data.BuildTimeStamp, QStringLiteral("20240311 1207"));
    QCOMPARE(data.UpdateTimeStamp, QStringLiteral("Größe"));
    QVERIFY(data.OnlineUpdateAllowed);
}

void TestInstallationData::onlyOneAllowsOnlineUpdate_data()
{
    QTest::addColumn<QByteArray>("element");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("1") << QByteArray("<AllowOnlineUpdate Value=\"1\"/>") << true;
    QTest::newRow("0") << QByteArray("<AllowOnlineUpdate Value=\"0\"/>") << false;
    QTest::newRow("true") << QByteArray("<AllowOnlineUpdate Value=\"true\"/>") << false;
    QTest::newRow("1 blank") << QByteArray("<AllowOnlineUpdate Value=\"1 \"/>") << false;
    QTest::newRow("blank 1") << QByteArray("<AllowOnlineUpdate Value=\" 1\"/>") << false;
    QTest::newRow("01") << QByteArray("<AllowOnlineUpdate Value=\"01\"/>") << false;
    QTest::newRow("empty") << QByteArray("<AllowOnlineUpdate Value=\"\"/>") << false;
    QTest::newRow("no attribute") << QByteArray("<AllowOnlineUpdate value=\"1\">1</AllowOnlineUpdate>") << false;
    QTest::newRow("no element") << QByteArray() << false;
}

void TestInstallationData::onlyOneAllowsOnlineUpdate()
{
    QFETCH(QByteArray, element);
    QFETCH(bool, allowed);
    const QString folder = writeServicePack("<Pelk><ProgVersion Value=\"5.2\"/>" + element + "</Pelk>");
    QCOMPARE(LoadInstallationData(folder).OnlineUpdateAllowed, allowed);
}

void TestInstallationData::missingElementsLoadEmpty()
{
    const QString folder = writeServicePack(
        "<Pelk><ProgVersion Value=\"5.2\"/><OfflineVersion/><UpdateTimeStamp Value=\"u\"/>"
        "<AllowOnlineUpdate Value=\"1\"/></Pelk>");
    const InstallationData data = LoadInstallationData(folder);
    QCOMPARE(data.ProgVersion, QStringLiteral("5.2"));
    QVERIFY(data.OfflineVersion.isEmpty());
    QVERIFY(data.BuildTimeStamp.isEmpty());
    QCOMPARE(data.UpdateTimeStamp, QStringLiteral("u"));
    QVERIFY(data.OnlineUpdateAllowed);
}

void TestInstallationData::loadErrorsNameTheFullPath_data()
{
    QTest::addColumn<bool>("writeFile");
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << false << QByteArray();
    QTest::newRow("empty") << true << QByteArray();
    QTest::newRow("not well-formed") << true << QByteArray("<Pelk><ProgVersion Value=\"5.2\"></Pelk>");
}

void TestInstallationData::loadErrorsNameTheFullPath()
{
    QFETCH(bool, writeFile);
    QFETCH(QByteArray, content);
    if (writeFile)
        QVERIFY(!writeServicePack(content).isEmpty());

    // A relative folder is reported as the full path.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    QString message;
    try {
        LoadInstallationData(QStringLiteral("./"));
    } catch (const PelkError &error) {
        message = error.message();
    }
    QDir::setCurrent(previous);
    QCOMPARE(message, QStringLiteral("Error loading ") + QDir(m_dir->path()).filePath(ServicePackFileName));
}

void TestInstallationData::userDataApart_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("apart");

    const QString kernel = QStringLiteral("D:\\Catalog\\kernel\\PelkKernel_2K.mdb");
    const auto all = [](const QString &kernelPath, const QString &baskets, const QString &prices,
                        const QString &parts, const QString &groups) {
        return QStringList{stringValue(QStringLiteral("KernelMDB"), kernelPath),
                           stringValue(QStringLiteral("UserBasketsMDB"), baskets),
                           stringValue(QStringLiteral("UserPricesMDB"), prices),
                           stringValue(QStringLiteral("UserPartsMDB"), parts),
                           stringValue(QStringLiteral("UserGroupsXML"), groups)};
    };

    QTest::newRow("key without values") << QStringList() << false;
    QTest::newRow("no KernelMDB")
        << QStringList{stringValue(QStringLiteral("UserBasketsMDB"), QStringLiteral("E:\\b.mdb"))} << false;
    QTest::newRow("all inside") << all(kernel, "D:\\Catalog\\user\\b.mdb", "D:\\Catalog\\p.mdb",
                                       "D:\\Catalog\\user\\parts.mdb", "D:\\Catalog\\g.xml")
                                << false;
    QTest::newRow("groups outside") << all(kernel, "D:\\Catalog\\b.mdb", "D:\\Catalog\\p.mdb",
                                           "D:\\Catalog\\parts.mdb", "E:\\Data\\g.xml")
                                    << true;
    QTest::newRow("baskets outside") << all(kernel, "C:\\Users\\me\\b.mdb", "D:\\Catalog\\p.mdb",
                                            "D:\\Catalog\\parts.mdb", "D:\\Catalog\\g.xml")
                                     << true;
    QTest::newRow("kernel in other letter case")
        << all("D:\\Catalog\\KERNEL\\pelkkernel_2k.MDB", "D:\\Catalog\\b.mdb", "D:\\Catalog\\p.mdb",
               "D:\\Catalog\\parts.mdb", "D:\\Catalog\\g.xml")
        << false;
    QTest::newRow("root ends before the kernel folder")
        << all("D:\\Catalog\\KERNEL\\pelkkernel_2k.mdb", "D:\\Catalo\\b.mdb", "D:\\Catalog\\p.mdb",
               "D:\\Catalog\\parts.mdb", "D:\\Catalog\\g.xml")
        << true;
    QTest::newRow("value equal to the root")
        << all(kernel, "D:\\Catalog", "D:\\Catalog", "D:\\Catalog", "D:\\Catalog") << false;
    QTest::newRow("value shorter than the root")
        << all(kernel, "D:\\Cat", "D:\\Catalog\\p.mdb", "D:\\Catalog\\parts.mdb", "D:\\Catalog\\g.xml")
        << true;
    QTest::newRow("user paths in other letter case")
        << all(kernel, "d:\\CATALOG\\b.mdb", "d:\\catalog\\p.mdb", "D:\\cAtAlOg\\parts.mdb",
               "D:\\CATALOG\\g.xml")
        << false;
    QTest::newRow("non-ASCII root in other letter case")
        << all("D:\\Kätalog\\kernel\\PelkKernel_2K.mdb", "D:\\KÄTALOG\\b.mdb", "d:\\kätalog\\p.mdb",
               "D:\\Kätalog\\parts.mdb", "D:\\Kätalog\\g.xml")
        << false;
    QTest::newRow("characters only, no folder boundary")
        << all("D:\\Cat\\kernel\\PelkKernel_2K.mdb", "D:\\Catalog\\b.mdb", "D:\\Cat\\p.mdb",
               "D:\\Cat\\parts.mdb", "D:\\Catalogue\\g.xml")
        << false;
    QTest::newRow("kernel file of another name")
        << all("D:\\Catalog\\kernel\\PelkKernel.mdb", "E:\\b.mdb", "E:\\p.mdb", "E:\\parts.mdb",
               "E:\\g.xml")
        << false;
    QTest::newRow("kernel path shorter than the suffix")
        << all("kernel\\PelkKernel_2K.mdb", "E:\\b.mdb", "E:\\p.mdb", "E:\\parts.mdb", "E:\\g.xml")
        << false;
    QTest::newRow("kernel path is only the suffix")
        << all("\\kernel\\PelkKernel_2K.mdb", "E:\\b.mdb", "E:\\p.mdb", "E:\\parts.mdb", "E:\\g.xml")
        << false;
    QTest::newRow("Linux paths inside")
        << all("/opt/catalog/kernel/PelkKernel_2K.mdb", "/opt/catalog/user/b.mdb", "/opt/catalog/p.mdb",
               "/opt/catalog/parts.mdb", "/opt/catalog/g.xml")
        << false;
    QTest::newRow("Linux paths, prices outside")
        << all("/opt/catalog/kernel/PelkKernel_2K.mdb", "/opt/catalog/b.mdb", "/home/me/p.mdb",
               "/opt/catalog/parts.mdb", "/opt/catalog/g.xml")
        << true;
    QTest::newRow("mixed separators in the suffix")
        << all("/opt/catalog\\Kernel/pelkkernel_2K.mdb", "/opt/catalog/b.mdb", "/opt/catalog/p.mdb",
               "/opt/catalog/parts.mdb", "/srv/g.xml")
        << true;

    // The walk stops at the first missing or outside value: a later value of the wrong type,
    // which would raise an error if it were read, is never reached.
    QTest::newRow("prices missing stops with false")
        << QStringList{stringValue(QStringLiteral("KernelMDB"), kernel),
                       stringValue(QStringLiteral("UserBasketsMDB"), QStringLiteral("D:\\Catalog\\b.mdb")),
                       dwordValue(QStringLiteral("UserPartsMDB"), 1),
                       stringValue(QStringLiteral("UserGroupsXML"), QStringLiteral("E:\\g.xml"))}
        << false;
    QTest::newRow("prices outside stops with true")
        << QStringList{stringValue(QStringLiteral("KernelMDB"), kernel),
                       stringValue(QStringLiteral("UserBasketsMDB"), QStringLiteral("D:\\Catalog\\b.mdb")),
                       stringValue(QStringLiteral("UserPricesMDB"), QStringLiteral("E:\\p.mdb")),
                       dwordValue(QStringLiteral("UserPartsMDB"), 1)}
        << true;
    QTest::newRow("baskets missing, the rest outside")
        << QStringList{stringValue(QStringLiteral("KernelMDB"), kernel),
                       stringValue(QStringLiteral("UserPricesMDB"), QStringLiteral("E:\\p.mdb")),
                       stringValue(QStringLiteral("UserPartsMDB"), QStringLiteral("E:\\parts.mdb")),
                       stringValue(QStringLiteral("UserGroupsXML"), QStringLiteral("E:\\g.xml"))}
        << false;
    QTest::newRow("value names in other letter case")
        << QStringList{stringValue(QStringLiteral("kernelmdb"), kernel),
                       stringValue(QStringLiteral("USERBASKETSMDB"), QStringLiteral("D:\\Catalog\\b.mdb")),
                       stringValue(QStringLiteral("userpricesmdb"), QStringLiteral("D:\\Catalog\\p.mdb")),
                       stringValue(QStringLiteral("UserPartsMdb"), QStringLiteral("D:\\Catalog\\parts.mdb")),
                       stringValue(QStringLiteral("usergroupsxml"), QStringLiteral("F:\\g.xml"))}
        << true;
}

void TestInstallationData::userDataApart()
{
    QFETCH(QStringList, values);
    QFETCH(bool, apart);
    RegFileStore store = storeWithCatalogueKey(values);
    QCOMPARE(UserDataApart(store), apart);
}

void TestInstallationData::userDataApartWithoutStoreFile()
{
    RegFileStore store(m_dir->filePath(QStringLiteral("user.reg")),
                       m_dir->filePath(QStringLiteral("machine.reg")));
    QVERIFY(!UserDataApart(store));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("user.reg"))));

    // Another key of the user does not count.
    QVERIFY(RegFiles::write(store.userFile(),
                            {QStringLiteral("[HKEY_CURRENT_USER\\Software\\Orbel\\Pelk]"),
                             stringValue(QStringLiteral("KernelMDB"),
                                         QStringLiteral("D:\\Catalog\\kernel\\PelkKernel_2K.mdb")),
                             stringValue(QStringLiteral("UserBasketsMDB"), QStringLiteral("E:\\b.mdb"))}));
    QVERIFY(!UserDataApart(store));
}

void TestInstallationData::userDataApartRejectsANumberAsKernelPath()
{
    RegFileStore store = storeWithCatalogueKey({dwordValue(QStringLiteral("KernelMDB"), 7)});
    try {
        UserDataApart(store);
        QFAIL("a number was read as the kernel path");
    } catch (const PelkError &error) {
        QCOMPARE(error.message(), QStringLiteral("Invalid data type for 'KernelMDB'"));
    }
}

QTEST_GUILESS_MAIN(TestInstallationData)
#include "tst_InstallationData.moc"
