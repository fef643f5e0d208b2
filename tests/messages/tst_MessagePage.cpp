// The page of one message: the thirteen lines with their style sheet, the escaped title,
// the description as it stands, and the lookup of a message by its identifier.

#include "messages/MessagePage.h"
#include "sysinfo/XmlHelpers.h"

#include <QTest>

class tst_MessagePage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void escapeHtmlText_data();
    void escapeHtmlText();
    void thirteenLines();
    void pageOfAMessage();
    void findMessage_data();
    void findMessage();
    void missingMessageGivesEmptyPage();
    void messageWithoutDescShowsOnlyTheHeading();
    void pageIsUtf8();
};

namespace {
// The page as it must come out, written down line by line.
QString expectedPage(const QString &escapedTitle, const QString &description)
{
    const QStringList lines = {
        "<html>",
        "<head>",
        "<meta http-equiv=\"X-UA-Compatible\" content=\"IE=EmulateIE7\">",
        "<title>" + escapedTitle + "</title>",
        "<style type=\"text/css\">",
        "a:link,a:visited,a.default:link, a.default:visited\r\n{\r\ncolor: #000000;\r\ntext-decoration: none;\r\n"
        "font-weight : bold;\t\r\nbackground: url(data:image/gif;base64,R0lGODlhCQAIAIABAACR3P///yH5BAEAAAEALAAAAAAJ"
        "AAgAAAIPjANwi8qWWpq0RnZXPrkAADs=) no-repeat scroll 0 3px transparent;\r\npadding: 0 0 0 14px;\r\n}\r\n"
        "a:hover, a.default:hover\r\n{\r\ncolor: #0091DC;\r\ntext-decoration: underline;\r\n}\r\nbody\r\n{\r\n"
        "font-family: Arial, Geneva, Helvetica, sans-serif; \r\nfont-size:14px;\r\ncolor:#000000;\r\n}\r\nh1\r\n{\r\n"
        "font-size: 18px;\r\ncolor:#666666;\r\n}\r\n",
        "</style>",
        "</head>",
        "<body>",
        "<h1>" + escapedTitle + "</h1>",
        description,
        "</body>",
        "</html>",
    };
    QString page;
    for (const QString &line : lines)
        page += line + "\r\n";
    return page;
}

const QByteArray kFeed = R"(<?xml version="1.0" encoding="UTF-8"?>
<messages>
  <message id="plain" date="20260101"><title>Plain</title><desc>plain body</desc></message>
  <message id="say &quot;hi&quot;" date="20260101"><title>Quoted</title><desc>quoted body</desc></message>
  <message id="it's" date="20260101"><title>Apostrophe</title><desc>apostrophe body</desc></message>
  <message id="Case" date="20260101"><title>Upper</title><desc>upper body</desc></message>
  <message id="case" date="20260101"><title>Lower</title><desc>lower body</desc></message>
  <message id="twice" date="20260101"><title>First twin</title><desc>1</desc></message>
  <message id="twice" date="20260101"><title>Second twin</title><desc>2</desc></message>
  <message date="20260101"><title>No id</title><desc>anonymous</desc></message>
  <message id="" date="20260101"><title>Empty id</title><desc>empty</desc></message>
  <message id="]/x | //*[1" date="20260101"><title>Expression</title><desc>x</desc></message>
  <message id="no desc" date="20260101"><title>Heading only</title></message>
  <message id="html" date="20260101"><title>Fish &amp; Chips &lt;b&gt; don't "stop"</title><desc><![CDATA[<p>Fish & <b>Chips</b></p><a href="http://example.com/">more</a>]]></desc></message>
  <message id="ünï" date="20260101"><title>Grüße €</title><desc>Ärger</desc></message>
</messages>
)";
} // namespace

void tst_MessagePage::escapeHtmlText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("empty") << "" << "";
    QTest::newRow("plain") << "Update 5.2" << "Update 5.2";
    QTest::newRow("all five") << "&<>\"'" << "&amp;&lt;&gt;&quot;&#39;";
    QTest::newRow("already escaped") << "&amp;" << "&amp;amp;";
    QTest::newRow("line breaks kept") << "a\r\nb\tc" << "a\r\nb\tc";
    QTest::newRow("ends at NUL") << QString::fromUtf16(u"ab\0<cd", 6) << "ab";
    QTest::newRow("non-ASCII") << "Grüße <€>" << "Grüße &lt;€&gt;";
}

void tst_MessagePage::escapeHtmlText()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(EscapeHtmlText(text), escaped);
}

void tst_MessagePage::thirteenLines()
{
    const QString page = MsgPageText(QStringLiteral("A & B"), QStringLiteral("<p>x</p>"));
    QCOMPARE(page, expectedPage(QStringLiteral("A &amp; B"), QStringLiteral("<p>x</p>")));
    QVERIFY(page.endsWith(QLatin1String("</html>\r\n")));
    QVERIFY(!page.contains(QLatin1String("charset")));
}

void tst_MessagePage::pageOfAMessage()
{
    const XmlDocumentPtr feed = ParseXmlText(kFeed);
    const QString page = QString::fromUtf8(MsgPageHtml(*feed, "html"));
    const QString title = QStringLiteral("Fish &amp; Chips &lt;b&gt; don&#39;t &quot;stop&quot;");
    QCOMPARE(page, expectedPage(title, QStringLiteral(
                                           "<p>Fish & <b>Chips</b></p><a href=\"http://example.com/\">more</a>")));
}

void tst_MessagePage::findMessage_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<QString>("title");
    QTest::newRow("plain") << QByteArray("plain") << "Plain";
    QTest::newRow("double quotes") << QByteArray("say \"hi\"") << "Quoted";
    QTest::newRow("apostrophe") << QByteArray("it's") << "Apostrophe";
    QTest::newRow("upper case exactly") << QByteArray("Case") << "Upper";
    QTest::newRow("lower case exactly") << QByteArray("case") << "Lower";
    QTest::newRow("other case not found") << QByteArray("CASE") << "";
    QTest::newRow("first of two") << QByteArray("twice") << "First twin";
    QTest::newRow("expression characters") << QByteArray("]/x | //*[1") << "Expression";
    QTest::newRow("empty finds the empty id only") << QByteArray() << "Empty id";
    QTest::newRow("prefix is not enough") << QByteArray("plai") << "";
    QTest::newRow("non-ASCII") << QByteArray("ünï") << "Grüße €";
}

void tst_MessagePage::findMessage()
{
    QFETCH(QByteArray, id);
    QFETCH(QString, title);
    const XmlDocumentPtr feed = ParseXmlText(kFeed);
    const pugi::xml_node message = FindMessage(*feed, id);
    QCOMPARE(bool(message), !title.isEmpty());
    if (message)
        QCOMPARE(QString::fromUtf8(message.child("title").text().get()), title);
}

void tst_MessagePage::missingMessageGivesEmptyPage()
{
    const XmlDocumentPtr feed = ParseXmlText(kFeed);
    QCOMPARE(QString::fromUtf8(MsgPageHtml(*feed, "nowhere")), expectedPage(QString(), QString()));
    const XmlDocumentPtr other = ParseXmlText(R"(<feed><message id="plain"><title>x</title></message></feed>)");
    QCOMPARE(QString::fromUtf8(MsgPageHtml(*other, "plain")), expectedPage(QString(), QString()));
}

void tst_MessagePage::messageWithoutDescShowsOnlyTheHeading()
{
    const XmlDocumentPtr feed = ParseXmlText(kFeed);
    QCOMPARE(QString::fromUtf8(MsgPageHtml(*feed, "no desc")), expectedPage("Heading only", QString()));
}

void tst_MessagePage::pageIsUtf8()
{
    const XmlDocumentPtr feed = ParseXmlText(kFeed);
    const QByteArray page = MsgPageHtml(*feed, "ünï");
    QVERIFY(page.contains("<title>Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC</title>"));
    QVERIFY(page.contains("\r\n\xC3\x84rger\r\n"));
    QVERIFY(!page.startsWith("\xEF\xBB\xBF"));
}

QTEST_APPLESS_MAIN(tst_MessagePage)
#include "tst_MessagePage.moc"
