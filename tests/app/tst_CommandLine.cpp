#include "app/CommandLine.h"

#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scan_data();
    void scan();
    void longCodeIsCutAtACharacterBoundary();
};

void TestCommandLine::scan_data()
{
    QTest::addColumn<QList<QByteArray>>("arguments");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QByteArray>("language");

    const QByteArray code120(120, 'a');
    QTest::newRow("nothing") << QList<QByteArray>{} << false << QByteArray();
    QTest::newRow("silent") << QList<QByteArray>{"/SILENT"} << true << QByteArray();
    QTest::newRow("lower-case silent") << QList<QByteArray>{"/silent"} << true << QByteArray();
    QTest::newRow("mixed-case silent") << QList<QByteArray>{"/Silent"} << true << QByteArray();
    QTest::newRow("silent going on") << QList<QByteArray>{"/SILENT:1"} << false << QByteArray();
    QTest::newRow("silent with minus") << QList<QByteArray>{"-SILENT"} << false << QByteArray();
    QTest::newRow("bare silent") << QList<QByteArray>{"SILENT"} << false << QByteArray();
    QTest::newRow("silent cut short") << QList<QByteArray>{"/SILEN"} << false << QByteArray();
    // Only a-z fold: the dotless i (UTF-8 C4 B1) is no I.
    QTest::newRow("non-ASCII letter") << QList<QByteArray>{"/S\xC4\xB1LENT"} << false << QByteArray();
    QTest::newRow("language") << QList<QByteArray>{"/LNG:de"} << false << QByteArray("de");
    QTest::newRow("lower-case prefix") << QList<QByteArray>{"/lng:engb"} << false << QByteArray("engb");
    QTest::newRow("code kept as given") << QList<QByteArray>{"/LNG:EnGb"} << false << QByteArray("EnGb");
    QTest::newRow("empty code") << QList<QByteArray>{"/LNG:"} << false << QByteArray();
    QTest::newRow("split by a blank") << QList<QByteArray>{"/LNG:", "de"} << false << QByteArray();
    QTest::newRow("shorter than the prefix") << QList<QByteArray>{"/LNG"} << false << QByteArray();
    QTest::newRow("prefix with minus") << QList<QByteArray>{"-LNG:de"} << false << QByteArray();
    QTest::newRow("last wins") << QList<QByteArray>{"/LNG:de", "/LNG:engb"} << false << QByteArray("engb");
    QTest::newRow("last empty wins") << QList<QByteArray>{"/LNG:de", "/LNG:"} << false << QByteArray();
    QTest::newRow("120 characters") << QList<QByteArray>{"/LNG:" + code120} << false << code120.left(100);
    QTest::newRow("100 characters") << QList<QByteArray>{"/LNG:" + code120.left(100)} << false
                                    << code120.left(100);
    QTest::newRow("101 characters") << QList<QByteArray>{"/LNG:" + code120.left(101)} << false
                                    << code120.left(100);
    QTest::newRow("code with blanks") << QList<QByteArray>{"/LNG:en gb"} << false << QByteArray("en gb");
    QTest::newRow("silent and language") << QList<QByteArray>{"/SILENT", "/LNG:engb"} << true
                                         << QByteArray("engb");
    QTest::newRow("others ignored") << QList<QByteArray>{"foo", "/LNG:de", "/X", "--silent"} << false
                                    << QByteArray("de");
}

void TestCommandLine::scan()
{
    QFETCH(QList<QByteArray>, arguments);
    QFETCH(bool, silent);
    QFETCH(QByteArray, language);

    const CommandLineOptions options = ScanCommandLine(arguments);
    QCOMPARE(options.SilentRun, silent);
    QCOMPARE(options.CommandLineLanguage, language);
}

void TestCommandLine::longCodeIsCutAtACharacterBoundary()
{
    // 99 ASCII bytes and then "ä" (C3 A4): the 100-byte cut would split it.
    const QByteArray code = QByteArray(99, 'a') + "\xC3\xA4" + "bc";
    const QByteArray scanned = ScanCommandLine({"/LNG:" + code}).CommandLineLanguage;
    QCOMPARE(scanned, QByteArray(99, 'a'));
    QCOMPARE(QString::fromUtf8(scanned).toUtf8(), scanned);

    const QByteArray fits = QByteArray(98, 'a') + "\xC3\xA4" + "bc";
    QCOMPARE(ScanCommandLine({"/LNG:" + fits}).CommandLineLanguage, QByteArray(98, 'a') + "\xC3\xA4");
}

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_CommandLine.moc"
