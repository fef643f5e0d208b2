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
    QTest::addColumn<bool>("automatic");

    const QByteArray code120(120, 'a');
    QTest::newRow("nothing") << QList<QByteArray>{} << false << QByteArray() << false;
    QTest::newRow("silent") << QList<QByteArray>{"/SILENT"} << true << QByteArray() << false;
    QTest::newRow("lower-case silent") << QList<QByteArray>{"/silent"} << true << QByteArray() << false;
    QTest::newRow("mixed-case silent") << QList<QByteArray>{"/Silent"} << true << QByteArray() << false;
    QTest::newRow("silent going on") << QList<QByteArray>{"/SILENT:1"} << false << QByteArray() << false;
    QTest::newRow("silent with minus") << QList<QByteArray>{"-SILENT"} << false << QByteArray() << false;
    QTest::newRow("bare silent") << QList<QByteArray>{"SILENT"} << false << QByteArray() << false;
    QTest::newRow("silent cut short") << QList<QByteArray>{"/SILEN"} << false << QByteArray() << false;
    QTest::newRow("last letter differs") << QList<QByteArray>{"/SILENX"} << false << QByteArray() << false;
    // Only a-z fold: the dotless i (UTF-8 C4 B1) is no I.
    QTest::newRow("non-ASCII letter") << QList<QByteArray>{"/S\xC4\xB1LENT"} << false << QByteArray() << false;
    QTest::newRow("language") << QList<QByteArray>{"/LNG:de"} << false << QByteArray("de") << false;
    QTest::newRow("lower-case prefix") << QList<QByteArray>{"/lng:engb"} << false << QByteArray("engb") << false;
    QTest::newRow("code kept as given") << QList<QByteArray>{"/LNG:EnGb"} << false << QByteArray("EnGb") << false;
    QTest::newRow("empty code") << QList<QByteArray>{"/LNG:"} << false << QByteArray() << false;
    QTest::newRow("split by a blank") << QList<QByteArray>{"/LNG:", "de"} << false << QByteArray() << false;
    QTest::newRow("shorter than the prefix") << QList<QByteArray>{"/LNG"} << false << QByteArray() << false;
    QTest::newRow("prefix with minus") << QList<QByteArray>{"-LNG:de"} << false << QByteArray() << false;
    QTest::newRow("last wins") << QList<QByteArray>{"/LNG:de", "/LNG:engb"} << false << QByteArray("engb") << false;
    QTest::newRow("last empty wins") << QList<QByteArray>{"/LNG:de", "/LNG:"} << false << QByteArray() << false;
    QTest::newRow("120 characters") << QList<QByteArray>{"/LNG:" + code120} << false << code120.left(100) << false;
    QTest::newRow("100 characters") << QList<QByteArray>{"/LNG:" + code120.left(100)} << false
                                    << code120.left(100) << false;
    QTest::newRow("101 characters") << QList<QByteArray>{"/LNG:" + code120.left(101)} << false
                                    << code120.left(100) << false;
    QTest::newRow("code with blanks") << QList<QByteArray>{"/LNG:en gb"} << false << QByteArray("en gb") << false;
    QTest::newRow("silent and language") << QList<QByteArray>{"/SILENT", "/LNG:engb"} << true
                                         << QByteArray("engb") << false;
    QTest::newRow("auto") << QList<QByteArray>{"/AUTO"} << true << QByteArray() << true;
    QTest::newRow("lower-case auto") << QList<QByteArray>{"/auto"} << true << QByteArray() << true;
    QTest::newRow("auto going on") << QList<QByteArray>{"/AUTOMATIC"} << false << QByteArray() << false;
    QTest::newRow("auto with minus") << QList<QByteArray>{"-AUTO"} << false << QByteArray() << false;
    QTest::newRow("auto, silent and language") << QList<QByteArray>{"/SILENT", "/Auto", "/LNG:de"} << true
                                               << QByteArray("de") << true;
    QTest::newRow("others ignored") << QList<QByteArray>{"foo", "/LNG:de", "/X", "--silent"} << false
                                    << QByteArray("de") << false;
}

void TestCommandLine::scan()
{
    QFETCH(QList<QByteArray>, arguments);
    QFETCH(bool, silent);
    QFETCH(QByteArray, language);
    QFETCH(bool, automatic);

    const CommandLineOptions options = ScanCommandLine(arguments);
    QCOMPARE(options.SilentRun, silent);
    QCOMPARE(options.AutoRun, automatic);
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
