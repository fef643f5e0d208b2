#include "i18n/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kDefault = QStringLiteral("<default>");

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}
} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void lookup_data();
    void lookup();
    void valueLengthLimit_data();
    void valueLengthLimit();
    void presence_data();
    void presence();
    void overrideFile_data();
    void overrideFile();
    void missingFileGivesDefaults();
    void changeIsSeenByNextLookup();

private:
    QString writeIni(const QByteArray &bytes, const QString &name = QStringLiteral("PelkUpdater.ini"));

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestIniFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestIniFile::writeIni(const QByteArray &bytes, const QString &name)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void TestIniFile::lookup_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");

    const QString german = QStringLiteral("Schließen € \U0001F600");
    QTest::newRow("plain") << QByteArray("[Texts_de]\ntxtClose=Close\n") << "Texts_de" << "txtClose" << "Close";
    QTest::newRow("CRLF") << QByteArray("[Texts_de]\r\ntxtA=one\r\ntxtB=two\r\n") << "Texts_de" << "txtA" << "one";
    QTest::newRow("CRLF last") << QByteArray("[Texts_de]\r\ntxtA=one\r\ntxtB=two") << "Texts_de" << "txtB" << "two";
    QTest::newRow("UTF-8 without mark") << ("[Texts_de]\ntxtClose=" + german.toUtf8() + "\n")
                                        << "Texts_de" << "txtClose" << german;
    QTest::newRow("UTF-8 with mark") << ("\xEF\xBB\xBF[Texts_de]\ntxtClose=" + german.toUtf8() + "\n")
                                     << "Texts_de" << "txtClose" << german;
    // Files of Windows tools: no mark and no valid UTF-8 means the ANSI code page 1252.
    QTest::newRow("Windows-1252 without mark") << QByteArray("[Texts_de]\ntxtClose=Schlie\xDF" "en \x80 \x81\n")
                                               << "Texts_de" << "txtClose" << QStringLiteral("Schließen € \u0081");
    QTest::newRow("Windows-1252 name") << QByteArray("[Texts_de]\nGr\xF6\xDF" "e=x\n")
                                       << "Texts_de" << QStringLiteral("größe") << "x";
    QTest::newRow("UTF-16LE with mark")
        << utf16le(QStringLiteral("[Texts_de]\r\ntxtClose=") + german + QStringLiteral("\r\n"))
        << "Texts_de" << "txtClose" << german;
    QTest::newRow("section case") << QByteArray("[TEXTS_DE]\ntxtClose=x\n") << "texts_de" << "txtClose" << "x";
    QTest::newRow("key case") << QByteArray("[Texts_de]\nTXTCLOSE=x\n") << "Texts_de" << "txtclose" << "x";
    QTest::newRow("first key wins") << QByteArray("[S]\nk=first\nK=second\n") << "S" << "k" << "first";
    QTest::newRow("first section wins") << QByteArray("[S]\nk=first\n[s]\nk=second\n") << "S" << "k" << "first";
    QTest::newRow("second section not searched") << QByteArray("[S]\na=1\n[T]\nk=t\n[S]\nk=second\n")
                                                 << "S" << "k" << kDefault;
    QTest::newRow("key in another section") << QByteArray("[S]\na=1\n[T]\nk=t\n") << "S" << "k" << kDefault;
    QTest::newRow("missing section") << QByteArray("[S]\nk=1\n") << "T" << "k" << kDefault;
    QTest::newRow("missing key") << QByteArray("[S]\nk=1\n") << "S" << "kk" << kDefault;
    QTest::newRow("before any section") << QByteArray("k=0\n[S]\na=1\n") << "S" << "k" << kDefault;
    QTest::newRow("blanks trimmed") << QByteArray("  [ S ]  \n \t k \t=  a  b \t\n") << "S" << "k" << "a  b";
    QTest::newRow("empty value") << QByteArray("[S]\nk=\n") << "S" << "k" << "";
    QTest::newRow("equals in value") << QByteArray("[S]\nk=a=b\n") << "S" << "k" << "a=b";
    QTest::newRow("double quotes") << QByteArray("[S]\nk=\" a b \"\n") << "S" << "k" << " a b ";
    QTest::newRow("single quotes") << QByteArray("[S]\nk='x'\n") << "S" << "k" << "x";
    QTest::newRow("empty quotes") << QByteArray("[S]\nk=\"\"\n") << "S" << "k" << "";
    QTest::newRow("unmatched quotes") << QByteArray("[S]\nk=\"x'\n") << "S" << "k" << "\"x'";
    QTest::newRow("one quote") << QByteArray("[S]\nk=\"\n") << "S" << "k" << "\"";
    QTest::newRow("inner quotes kept") << QByteArray("[S]\nk=a \"b\" c\n") << "S" << "k" << "a \"b\" c";
    QTest::newRow("only one pair removed") << QByteArray("[S]\nk=\"\"x\"\"\n") << "S" << "k" << "\"x\"";
    QTest::newRow("comment is no key") << QByteArray("[S]\n;k=commented\n") << "S" << ";k" << kDefault;
    QTest::newRow("line without equals") << QByteArray("[S]\nk\n") << "S" << "k" << kDefault;
    // A zero byte outside UTF-16 makes it some other kind of file: nothing of it is read.
    QTest::newRow("not a text file") << QByteArray("[S]\nk=1\n\0\x01\x02", 11) << "S" << "k" << kDefault;
}

void TestIniFile::lookup()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);

    const IniFile ini(writeIni(file));
    QCOMPARE(ini.readString(section, key, kDefault), expected);
    QCOMPARE(ini.readFailure(), QString(QTest::currentDataTag() == QByteArray("not a text file")
                                             ? QStringLiteral("it is not a text file") : QString()));
}

void TestIniFile::valueLengthLimit_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("expected");

    const QString x(2048, QLatin1Char('x'));
    QTest::newRow("2046") << x.left(2046) << x.left(2046);
    QTest::newRow("2047") << x.left(2047) << x.left(2047);
    QTest::newRow("2048") << x << x.left(2047);
    QTest::newRow("quotes removed before the cut")
        << QStringLiteral("\"") + x + QStringLiteral("\"") << x.left(2047);
    // A character outside the basic plane takes two UTF-16 units; it is not cut in half.
    const QString smiley = QStringLiteral("\U0001F600");
    QTest::newRow("pair across the limit") << x.left(2046) + smiley << x.left(2046);
    QTest::newRow("pair inside the limit") << x.left(2045) + smiley + QStringLiteral("y")
                                           << x.left(2045) + smiley;
}

void TestIniFile::valueLengthLimit()
{
    QFETCH(QString, value);
    QFETCH(QString, expected);

    const IniFile ini(writeIni("[S]\nk=" + value.toUtf8() + "\n"));
    QCOMPARE(ini.readString(QStringLiteral("S"), QStringLiteral("k"), kDefault), expected);
}

void TestIniFile::presence_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("present");

    QTest::newRow("value") << QByteArray("[Langs]\nLangKey1=de\n") << true;
    QTest::newRow("empty value") << QByteArray("[Langs]\nLangKey1=\n") << true;
    QTest::newRow("other case") << QByteArray("[LANGS]\nlangkey1=de\n") << true;
    QTest::newRow("absent") << QByteArray("[Langs]\nLangKey2=de\n") << false;
    QTest::newRow("longer name") << QByteArray("[Langs]\nLangKey10=de\n") << false;
    QTest::newRow("comment") << QByteArray("[Langs]\n;LangKey1=de\n") << false;
    QTest::newRow("other section") << QByteArray("[Texts]\nLangKey1=de\n") << false;
}

void TestIniFile::presence()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, present);

    const IniFile ini(writeIni(file));
    QCOMPARE(ini.hasKey(QStringLiteral("Langs"), QStringLiteral("LangKey1")), present);
}

void TestIniFile::overrideFile_data()
{
    QTest::addColumn<QByteArray>("vendor"); // a null array: no such file
    QTest::addColumn<QByteArray>("administrator");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("administratorAlone");

    const QByteArray vendor("[Config]\nUpdateCheckURL=http://vendor\n[Texts_de]\ntxtError=Fehler\n");
    const QByteArray admin("[Config]\nUpdateCheckURL=http://admin\n");
    QTest::newRow("override wins") << vendor << admin << "Config" << "UpdateCheckURL" << "http://admin" << "http://admin";
    QTest::newRow("any section, any case") << vendor << QByteArray("[TEXTS_de]\nTXTERROR=Panne\n")
                                           << "Texts_de" << "txtError" << "Panne" << "Panne";
    QTest::newRow("key it lacks") << vendor << admin << "Texts_de" << "txtError" << "Fehler" << kDefault;
    QTest::newRow("no override file") << vendor << QByteArray() << "Config" << "UpdateCheckURL" << "http://vendor"
                                      << kDefault;
    QTest::newRow("comments only") << vendor << QByteArray("; [Config]\n; UpdateCheckURL=http://admin\n")
                                   << "Config" << "UpdateCheckURL" << "http://vendor" << kDefault;
    QTest::newRow("empty value overrides") << vendor << QByteArray("[Config]\nUpdateCheckURL=\n")
                                           << "Config" << "UpdateCheckURL" << "" << "";
    QTest::newRow("unreadable override") << vendor << QByteArray("[Config]\nUpdateCheckURL=x\n\0", 27)
                                         << "Config" << "UpdateCheckURL" << "http://vendor" << kDefault;
    QTest::newRow("no vendor file") << QByteArray() << admin << "Config" << "UpdateCheckURL" << "http://admin"
                                    << "http://admin";
}

void TestIniFile::overrideFile()
{
    QFETCH(QByteArray, vendor);
    QFETCH(QByteArray, administrator);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QFETCH(QString, administratorAlone);

    const QString vendorPath = m_dir->filePath(QStringLiteral("vendor.ini"));
    const QString adminPath = m_dir->filePath(QStringLiteral("admin.ini"));
    if (!vendor.isNull())
        writeIni(vendor, QStringLiteral("vendor.ini"));
    if (!administrator.isNull())
        writeIni(administrator, QStringLiteral("admin.ini"));

    const IniFile ini(vendorPath, adminPath);
    QCOMPARE(ini.readString(section, key, kDefault), expected);
    QCOMPARE(ini.readSection(section).value(key.toCaseFolded()).value_or(kDefault), expected);
    QCOMPARE(ini.hasKey(section, key), expected != kDefault);
    QCOMPARE(ini.overrideLayer().readString(section, key, kDefault), administratorAlone);
}

void TestIniFile::missingFileGivesDefaults()
{
    const IniFile ini(m_dir->filePath(QStringLiteral("missing.ini")));
    QCOMPARE(ini.readString(QStringLiteral("Langs"), QStringLiteral("LangKey1"), kDefault), kDefault);
    QVERIFY(!ini.hasKey(QStringLiteral("Langs"), QStringLiteral("LangKey1")));

    const IniFile unnamed{QString()};
    QCOMPARE(unnamed.readString(QStringLiteral("Langs"), QStringLiteral("LangKey1"), kDefault), kDefault);
}

void TestIniFile::changeIsSeenByNextLookup()
{
    const IniFile ini(writeIni("[Texts_de]\ntxtClose=Alt\n"));
    QCOMPARE(ini.readString(QStringLiteral("Texts_de"), QStringLiteral("txtClose"), kDefault), QStringLiteral("Alt"));

    writeIni("[Texts_de]\ntxtClose=Neu\n");
    QCOMPARE(ini.readString(QStringLiteral("Texts_de"), QStringLiteral("txtClose"), kDefault), QStringLiteral("Neu"));

    QVERIFY(QFile::remove(ini.path()));
    QCOMPARE(ini.readString(QStringLiteral("Texts_de"), QStringLiteral("txtClose"), kDefault), kDefault);
}

QTEST_APPLESS_MAIN(TestIniFile)
#include "tst_IniFile.moc"
