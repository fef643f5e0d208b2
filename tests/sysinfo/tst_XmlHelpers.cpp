#include "base/PelkError.h"
#include "support/ThrowingLoaders.h"
#include "sysinfo/XmlHelpers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

class TestXmlHelpers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void loadMissingFileNamesTheFullPath();
    void loadRejectsWhatIsNotWellFormed_data();
    void loadRejectsWhatIsNotWellFormed();
    void loadRejectsAFolder();
    void loadRejectsAnUnreadableFile();
    void loadFindsAFileUnderANonAsciiName();
    void loadHonoursTheDeclaredEncoding_data();
    void loadHonoursTheDeclaredEncoding();
    void loadNeverFetchesExternalEntities();

    void selectText_data();
    void selectText();
    void selectTextKeepsWhiteSpace();
    void selectTextFromANode();
    void malformedExpressionsThrow_data();
    void malformedExpressionsThrow();

    void selectNodesInDocumentOrder();
    void attributeText_data();
    void attributeText();

    void parseXmlText_data();
    void parseXmlText();

private:
    QString writeFile(const QString &name, const QByteArray &content);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestXmlHelpers::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestXmlHelpers::writeFile(const QString &name, const QByteArray &content)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return path;
}

void TestXmlHelpers::loadMissingFileNamesTheFullPath()
{
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
    QString message;
    try {
        LoadXmlFile(QStringLiteral("missing.xml"));
    } catch (const PelkError &error) {
        message = error.message();
    }
    QDir::setCurrent(previous);
    QCOMPARE(message, QStringLiteral("Error loading ") + QDir(m_dir->path()).absoluteFilePath("missing.xml"));
}

void TestXmlHelpers::loadRejectsWhatIsNotWellFormed_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("blank") << QByteArray("  \n");
    QTest::newRow("text only") << QByteArray("Pelk");
    QTest::newRow("unclosed") << QByteArray("<Pelk><ProgVersion Value=\"5\"/>");
    QTest::newRow("crossed tags") << QByteArray("<Pelk><a></Pelk></a>");
    QTest::newRow("two roots") << QByteArray("<Pelk/><Pelk/>");
    QTest::newRow("text after the root") << QByteArray("<Pelk/>tail");
    QTest::newRow("repeated attribute") << QByteArray("<Pelk a=\"1\" a=\"2\"/>");
    QTest::newRow("undeclared entity") << QByteArray("<Pelk>&nbsp;</Pelk>");
    QTest::newRow("less-than in a value") << QByteArray("<Pelk a=\"<\"/>");
    QTest::newRow("unquoted value") << QByteArray("<Pelk a=1/>");
    QTest::newRow("NUL reference") << QByteArray("<Pelk>&#0;</Pelk>");
}

void TestXmlHelpers::loadRejectsWhatIsNotWellFormed()
{
    QFETCH(QByteArray, content);
    const QString path = writeFile(QStringLiteral("bad.xml"), content);
    QVERIFY(!path.isEmpty());
    try {
        LoadXmlFile(path);
        QFAIL("a document that is not well-formed was loaded");
    } catch (const PelkError &error) {
        QCOMPARE(error.message(), QStringLiteral("Error loading ") + path);
    }
}

void TestXmlHelpers::loadRejectsAFolder()
{
    const QString path = m_dir->filePath(QStringLiteral("folder.xml"));
    QVERIFY(QDir().mkdir(path));
    QVERIFY_THROWS_EXCEPTION(PelkError, LoadXmlFile(path));
}

void TestXmlHelpers::loadRejectsAnUnreadableFile()
{
    const QString path = writeFile(QStringLiteral("locked.xml"), "<Pelk/>");
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    QFile probe(path);
    if (probe.open(QIODevice::ReadOnly))
        QSKIP("this user reads files without read permission (root)");
    QVERIFY_THROWS_EXCEPTION(PelkError, LoadXmlFile(path));
}

void TestXmlHelpers::loadFindsAFileUnderANonAsciiName()
{
    const QString folder = m_dir->filePath(QStringLiteral("Katalog Ünïcødé ß 目录"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/Pelk äöü.xml");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<Pelk><ProgVersion Value=\"5.2\"/></Pelk>");
    file.close();

    const XmlDocumentPtr document = LoadXmlFile(path);
    QCOMPARE(SelectText(*document, QStringLiteral("/Pelk/ProgVersion/@Value"), QString()),
             QStringLiteral("5.2"));
}

void TestXmlHelpers::loadHonoursTheDeclaredEncoding_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("value");       // empty: the document cannot be read
    QTest::addColumn<QString>("unknownName"); // the encoding named in the error, if any
    const QString text = QStringLiteral("<Pelk Value=\"Größe\"/>");
    const QString size = QStringLiteral("Größe");
    QByteArray utf16("\xFF\xFE");
    utf16 += QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    QByteArray utf16be("\xFE\xFF");
    const QString declaredUtf16 = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>") + text;
    for (const QChar c : declaredUtf16)
        utf16be += QByteArray(1, char(c.unicode() >> 8)) + QByteArray(1, char(c.unicode() & 0xFF));
    const auto declared = [](const char *encoding, const QByteArray &value) -> QByteArray {
        return "<?xml version=\"1.0\" encoding=\"" + QByteArray(encoding) + "\"?><Pelk Value=\"" + value + "\"/>";
    };
    QTest::newRow("UTF-8 without mark") << text.toUtf8() << size << "";
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << size << "";
    QTest::newRow("UTF-16LE with mark") << utf16 << size << "";
    QTest::newRow("UTF-16BE with mark, declared") << utf16be << size << "";
    QTest::newRow("ISO-8859-1 declared") << declared("ISO-8859-1", "Gr\xF6\xDF" "e") << size << "";
    QTest::newRow("windows-1252 declared") << declared("windows-1252", "x\xE4 \x80 \x93q\x94") << "xä € “q”" << "";
    QTest::newRow("ISO-8859-15 declared") << declared("ISO-8859-15", "\xA4 \xBD") << "€ œ" << "";
    QTest::newRow("Shift_JIS declared") << declared("Shift_JIS", "\x93\xFA\x96\x7B") << "日本" << "";
    QTest::newRow("single quotes, blanks, other case")
        << QByteArray("<?xml version='1.0' encoding = 'WINDOWS-1252' ?>\n<Pelk Value=\"\xFC\"/>") << "ü" << "";
    QTest::newRow("unknown encoding") << declared("x-pelk-unknown", "x") << "" << "x-pelk-unknown";
    QTest::newRow("converter options are no name") << declared("UTF-8//IGNORE", "x") << "" << "UTF-8//IGNORE";
    QTest::newRow("bytes not of the declared encoding") << declared("US-ASCII", "Gr\xF6\xDF" "e") << "" << "";
}

// Files and reply bodies are read alike.
void TestXmlHelpers::loadHonoursTheDeclaredEncoding()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, value);
    QFETCH(QString, unknownName);
    const QString path = writeFile(QStringLiteral("enc.xml"), content);
    const auto errorOf = [](const std::function<void()> &action) {
        try {
            action();
        } catch (const PelkError &error) {
            return error.message();
        }
        return QString();
    };
    XmlDocumentPtr file;
    XmlDocumentPtr reply;
    const QString fileError = errorOf([&] { file = LoadXmlFile(path); });
    const QString replyError = errorOf([&] { reply = ParseXmlText(content); });
    QString reason;
    const bool read = bool(ReadXmlFile(path, reason));
    if (!value.isEmpty()) {
        QCOMPARE(fileError, QString());
        QVERIFY(read);
        QCOMPARE(SelectText(*file, QStringLiteral("/Pelk/@Value"), QString()), value);
        QCOMPARE(SelectText(*reply, QStringLiteral("/Pelk/@Value"), QString()), value);
        return;
    }
    QCOMPARE(fileError, QStringLiteral("Error loading ") + path);
    QVERIFY(!read);
    if (!unknownName.isEmpty()) {
        QCOMPARE(reason, QStringLiteral("unknown encoding \"%1\"").arg(unknownName));
        QCOMPARE(replyError, QStringLiteral("The reply is in an unknown encoding \"%1\"").arg(unknownName));
    } else {
        QCOMPARE(reason, QStringLiteral("it is not text in the encoding \"US-ASCII\""));
        QCOMPARE(replyError, QString());
        QVERIFY(!reply->first_child());
    }
}

void TestXmlHelpers::loadNeverFetchesExternalEntities()
{
    const QString secret = writeFile(QStringLiteral("secret.txt"), "top-secret-content");
    const QByteArray content = "<?xml version=\"1.0\"?>\n<!DOCTYPE Pelk [<!ENTITY leak SYSTEM \"file://"
        + QFile::encodeName(secret) + "\">]>\n<Pelk><ProgVersion Value=\"5\">&leak;</ProgVersion></Pelk>";
    const QString path = writeFile(QStringLiteral("entity.xml"), content);
    try {
        const XmlDocumentPtr document = LoadXmlFile(path);
        QVERIFY(!SelectText(*document, QStringLiteral("/Pelk"), QString()).contains(QLatin1String("top-secret")));
        QCOMPARE(SelectText(*document, QStringLiteral("/Pelk/ProgVersion/@Value"), QString()),
                 QStringLiteral("5"));
    } catch (const PelkError &) {
        // Refusing the document is as safe as leaving the entity unresolved.
    }
}

static const char kSample[] =
    "<feed version=\"2\">"
    "<message id=\"m1\" prio=\"\"><title>First</title><text>Hello <b>bold</b> <![CDATA[<raw>]]> end</text></message>"
    "<message id=\"m2\"><title>Second</title></message>"
    
    "</feed>";

void TestXmlHelpers::selectText_data()
{
    QTest::addColumn<QString>("xpath");
    QTest::addColumn<QString>("expected");
    QTest::newRow("attribute") << "/feed/@version" << "2";
    QTest::newRow("empty attribute is no default") << "/feed/message/@prio" << "";
    QTest::newRow("element text") << "/feed/message/title" << "First";
    QTest::newRow("all text below, CDATA too") << "/feed/message/text" << "Hello bold <raw> end";
    QTest::newRow("element with children") << "/feed/message[2]" << "Second";
    QTest::newRow("first in document order") << "/feed/message[2]/title | /feed/message[1]/title" << "First";
    QTest::newRow("predicate on attribute") << "/feed/message[@id='m2']/title" << "Second";
    QTest::newRow("text node") << "/feed/message/title/text()" << "First";
    QTest::newRow("no match gives the default") << "/feed/missing" << "DEFAULT";
    QTest::newRow("missing attribute gives the default") << "/feed/@nothing" << "DEFAULT";
    QTest::newRow("names are case-sensitive") << "/Feed/@version" << "DEFAULT";
}

void TestXmlHelpers::selectText()
{
    QFETCH(QString, xpath);
    QFETCH(QString, expected);
    const XmlDocumentPtr document = ParseXmlText(kSample);
    QCOMPARE(SelectText(*document, xpath, QStringLiteral("DEFAULT")), expected);
}

void TestXmlHelpers::selectTextKeepsWhiteSpace()
{
    const QString path = writeFile(QStringLiteral("ws.xml"),
                                   "<Pelk>\n  <V Value=\" 1 \">  x  </V>\n  <E>   </E>\n</Pelk>");
    const XmlDocumentPtr document = LoadXmlFile(path);
    QCOMPARE(SelectText(*document, QStringLiteral("/Pelk/V/@Value"), QString()), QStringLiteral(" 1 "));
    QCOMPARE(SelectText(*document, QStringLiteral("/Pelk/V"), QString()), QStringLiteral("  x  "));
    QCOMPARE(SelectText(*document, QStringLiteral("/Pelk/E"), QStringLiteral("DEFAULT")), QStringLiteral("   "));
    QCOMPARE(SelectText(*document, QStringLiteral("/Pelk"), QString()), QStringLiteral("\n    x  \n     \n"));
}

void TestXmlHelpers::selectTextFromANode()
{
    const XmlDocumentPtr document = ParseXmlText(kSample);
    const pugi::xpath_node_set messages = SelectNodes(*document, QStringLiteral("/feed/message"));
    QCOMPARE(int(messages.size()), 2);
    const pugi::xml_node second = messages[1].node();
    QCOMPARE(SelectText(second, QStringLiteral("title"), QString()), QStringLiteral("Second"));
    QCOMPARE(SelectText(second, QStringLiteral("text"), QStringLiteral("none")), QStringLiteral("none"));
    QCOMPARE(SelectText(second, QStringLiteral("../@version"), QString()), QStringLiteral("2"));
}

void TestXmlHelpers::malformedExpressionsThrow_data()
{
    QTest::addColumn<QString>("xpath");
    QTest::newRow("empty") << "";
    QTest::newRow("open bracket") << "/feed/message[";
    QTest::newRow("step after slash missing") << "/feed/";
    QTest::newRow("unknown function") << "nosuch(/feed)";
    QTest::newRow("unclosed call") << "count(/feed";
    QTest::newRow("not a node set") << "count(/feed/message)";
    QTest::newRow("unclosed literal") << "/feed[@id='x]";
}

void TestXmlHelpers::malformedExpressionsThrow()
{
    QFETCH(QString, xpath);
    const XmlDocumentPtr document = ParseXmlText(kSample);
    try {
        SelectText(*document, xpath, QString());
        QFAIL("SelectText accepted a bad expression");
    } catch (const PelkError &error) {
        QVERIFY(!error.message().isEmpty());
    }
    QVERIFY_THROWS_EXCEPTION(PelkError, SelectNodes(*document, xpath));
}

void TestXmlHelpers::selectNodesInDocumentOrder()
{
    const XmlDocumentPtr document = ParseXmlText(kSample);
    const pugi::xpath_node_set nodes =
        SelectNodes(*document, QStringLiteral("/feed/message[2] | /feed/message[1]"));
    QCOMPARE(int(nodes.size()), 2);
    QCOMPARE(AttributeText(nodes[0].node(), QStringLiteral("id"), QString()), QStringLiteral("m1"));
    QCOMPARE(AttributeText(nodes[1].node(), QStringLiteral("id"), QString()), QStringLiteral("m2"));
    QVERIFY(SelectNodes(*document, QStringLiteral("/feed/none")).empty());
}

void TestXmlHelpers::attributeText_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("present") << "id" << "m1";
    QTest::newRow("present and empty") << "prio" << "";
    QTest::newRow("missing") << "date" << "DEFAULT";
    QTest::newRow("other letter case") << "ID" << "DEFAULT";
}

void TestXmlHelpers::attributeText()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    const XmlDocumentPtr document = ParseXmlText(kSample);
    const pugi::xml_node message = document->child("feed").child("message");
    QCOMPARE(AttributeText(message, name, QStringLiteral("DEFAULT")), expected);
}

void TestXmlHelpers::parseXmlText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("wellFormed");
    QTest::newRow("feed") << QByteArray(kSample) << true;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("HTML error page") << QByteArray("<html><body><p>Oops<br></body></html>") << false;
    QTest::newRow("cut short") << QByteArray(kSample).left(40) << false;
    QTest::newRow("two roots") << QByteArray("<messages/><messages/>") << false;
}

void TestXmlHelpers::parseXmlText()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, wellFormed);
    const XmlDocumentPtr document = ParseXmlText(text);
    QVERIFY(document);
    QCOMPARE(bool(document->first_child()), wellFormed);
    QCOMPARE(SelectNodes(*document, QStringLiteral("//*")).empty(), !wellFormed);
}

QTEST_GUILESS_MAIN(TestXmlHelpers)
#include "tst_XmlHelpers.moc"
