#include "app/ProgramPaths.h"

#include <QTest>

class TestProgramPaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folders_data();
    void folders();
    void iniPath_data();
    void iniPath();
};

void TestProgramPaths::folders_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("withSeparator");
    QTest::addColumn<QString>("withoutSeparator");

    QTest::newRow("usual") << "/opt/pelk/PelkUpdater" << "/opt/pelk/" << "/opt/pelk";
    QTest::newRow("root") << "/PelkUpdater" << "/" << "/";
    QTest::newRow("double slash") << "/opt//PelkUpdater" << "/opt//" << "/opt//";
    // A colon is part of a name, never a drive separator.
    QTest::newRow("colon in the name") << "/opt/pelk/Pelk:Updater" << "/opt/pelk/" << "/opt/pelk";
    QTest::newRow("colon in a folder") << "/opt/a:b/PelkUpdater" << "/opt/a:b/" << "/opt/a:b";
    QTest::newRow("colon without folder") << "c:PelkUpdater" << "" << "";
    QTest::newRow("slash after colon") << "c:/PelkUpdater" << "c:/" << "c:";
    QTest::newRow("no folder") << "PelkUpdater" << "" << "";
    QTest::newRow("dots in folder") << "/a.b/c.d/Pelk.bin" << "/a.b/c.d/" << "/a.b/c.d";
}

void TestProgramPaths::folders()
{
    QFETCH(QString, program);
    QFETCH(QString, withSeparator);
    QFETCH(QString, withoutSeparator);

    QCOMPARE(ProgramFolderWithSeparator(program), withSeparator);
    QCOMPARE(ProgramFolderWithoutSeparator(program), withoutSeparator);
}

void TestProgramPaths::iniPath_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("ini");

    QTest::newRow("no extension") << "/opt/pelk/PelkUpdater" << "/opt/pelk/PelkUpdater.ini";
    QTest::newRow("extension") << "/opt/pelk/PelkUpdater.exe" << "/opt/pelk/PelkUpdater.ini";
    QTest::newRow("last dot only") << "/opt/pelk/Pelk.Updater.bin" << "/opt/pelk/Pelk.Updater.ini";
    QTest::newRow("dot in folder only") << "/opt/pelk.d/PelkUpdater" << "/opt/pelk.d/PelkUpdater.ini";
    QTest::newRow("colon in the name") << "/opt/Pelk:Updater" << "/opt/Pelk:Updater.ini";
    QTest::newRow("dot before colon") << "/opt/a.b:PelkUpdater" << "/opt/a.ini";
    QTest::newRow("trailing dot") << "/opt/PelkUpdater." << "/opt/PelkUpdater.ini";
    QTest::newRow("leading dot") << "/opt/.PelkUpdater" << "/opt/.ini";
    QTest::newRow("bare name") << "PelkUpdater" << "PelkUpdater.ini";
}

void TestProgramPaths::iniPath()
{
    QFETCH(QString, program);
    QFETCH(QString, ini);

    QCOMPARE(IniPathFor(program), ini);
}

QTEST_APPLESS_MAIN(TestProgramPaths)
#include "tst_ProgramPaths.moc"
