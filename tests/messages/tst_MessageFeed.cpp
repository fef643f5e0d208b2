// The rows of the message list built from a feed: reverse document order, the read state
// from the seen list, the exact type and priority rules, the date rules, and a bad date
// that leaves its Date cell empty while every message is still listed.

#include "base/PelkError.h"
#include "messages/MessageList.h"
#include "messages/MessageTexts.h"
#include "messages/NewMessagesLine.h"
#include "messages/SeenMsgIDs.h"
#include "sysinfo/XmlHelpers.h"

#include <QDate>
#include <QLocale>
#include <QTest>

class tst_MessageFeed : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowsInReverseDocumentOrder();
    void seenIdentifierInOtherCaseIsRead();
    void typeAndPriorityExactCase_data();
    void typeAndPriorityExactCase();
    void missingTypeBetweenUpdates();
    void dateText_data();
    void dateText();
    void badDateLeavesEmptyDateAndFillingGoesOn();
    void firstBadDateInListOrderIsReported();
    void messageWithoutIdIsListed();
    void duplicateIdsShareTheReadState();
    void titleIsTheWholeElementText();
    void feedsWithoutMessages_data();
    void feedsWithoutMessages();
    void newMessagesLineStaysShort_data();
    void newMessagesLineStaysShort();

private:
    static MessageList build(const QByteArray &xml, const QList<QByteArray> &seen = {});
    static QStringList column(const MessageList &list, QString MessageRow::*cell);
};

namespace {
const MessageListTexts kTexts{QStringLiteral("Info"), QStringLiteral("Update"), QStringLiteral("New")};

QByteArray message(const QByteArray &attributes, const QByteArray &title)
{
    return "<message " + attributes + "><title>" + title + "</title><desc>d</desc></message>";
}

QByteArray feedOf(const QList<QByteArray> &messages)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><messages>" + messages.join('\n') + "</messages>";
}

// `count` new messages "m<n>" titled "T<n>", `titleSize` characters each at least.
QByteArray numberedFeed(int count, int titleSize = 0)
{
    QList<QByteArray> messages;
    for (int n = 1; n <= count; ++n)
        messages << message("id=\"m" + QByteArray::number(n) + "\" date=\"20261207\"",
                            QByteArray("T").append(QByteArray::number(n)).leftJustified(titleSize, 'x'));
    return feedOf(messages);
}

QString shortDate(int year, int month, int day)
{
    return QLocale::system().toString(QDate(year, month, day), QLocale::ShortFormat);
}
} // namespace

MessageList tst_MessageFeed::build(const QByteArray &xml, const QList<QByteArray> &seen)
{
    const XmlDocumentPtr feed = ParseXmlText(xml);
    return BuildMessageList(feed.get(), SeenMsgIDs(seen), kTexts);
}

QStringList tst_MessageFeed::column(const MessageList &list, QString MessageRow::*cell)
{
    QStringList texts;
    for (const MessageRow &row : list.Rows)
        texts.append(row.*cell);
    return texts;
}

void tst_MessageFeed::rowsInReverseDocumentOrder()
{
    const MessageList list = build(feedOf({message(R"(id="A" date="20260101" type="info")", "first"),
                                           message(R"(id="B" date="20260202" type="update" prio="high")", "second"),
                                           message(R"(id="C" date="20260303")", "third")}));
    QCOMPARE(list.Rows.size(), size_t(3));
    QCOMPARE(column(list, &MessageRow::Summary),
             QStringList({"New: third", "New: second", "New: first"}));
    QCOMPARE(column(list, &MessageRow::Date),
             QStringList({shortDate(2026, 3, 3), shortDate(2026, 2, 2), shortDate(2026, 1, 1)}));
    QCOMPARE(column(list, &MessageRow::Type), QStringList({"", "Update", "Info"}));
    QCOMPARE(column(list, &MessageRow::Prio), QStringList({"", "!", ""}));
    QCOMPARE(list.Records.size(), size_t(3));
    QCOMPARE(list.Records[list.Rows[0].Record].MsgID, QByteArray("C"));
    QCOMPARE(list.Records[list.Rows[1].Record].MsgID, QByteArray("B"));
    QVERIFY(list.Records[list.Rows[1].Record].IsHighPrio);
    QCOMPARE(list.Records[list.Rows[2].Record].MsgID, QByteArray("A"));
    QVERIFY(list.FirstError.isEmpty());
}

void tst_MessageFeed::seenIdentifierInOtherCaseIsRead()
{
    const MessageList list = build(feedOf({message(R"(id="News-Ä1" date="20260101")", "old"),
                                           message(R"(id="news-2" date="20260101")", "fresh")}),
                                   {"NEWS-ä1", "other"});
    QCOMPARE(column(list, &MessageRow::Summary), QStringList({"New: fresh", "old"}));
    QVERIFY(list.Records[list.Rows[0].Record].IsUnread);
    QVERIFY(!list.Records[list.Rows[1].Record].IsUnread);
    // The identifier is kept as the feed spells it.
    QCOMPARE(list.Records[list.Rows[1].Record].MsgID, QByteArray("News-Ä1"));
}

void tst_MessageFeed::typeAndPriorityExactCase_data()
{
    QTest::addColumn<QByteArray>("attributes");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("prio");
    QTest::newRow("info") << QByteArray(R"(type="info")") << "Info" << "";
    QTest::newRow("update") << QByteArray(R"(type="update")") << "Update" << "";
    QTest::newRow("Info") << QByteArray(R"(type="Info")") << "" << "";
    QTest::newRow("UPDATE") << QByteArray(R"(type="UPDATE")") << "" << "";
    QTest::newRow("info with space") << QByteArray(R"(type="info ")") << "" << "";
    QTest::newRow("high") << QByteArray(R"(prio="high")") << "" << "!";
    QTest::newRow("High") << QByteArray(R"(prio="High")") << "" << "";
    QTest::newRow("low") << QByteArray(R"(prio="low")") << "" << "";
    QTest::newRow("type element is not the attribute") << QByteArray() << "" << "";
}

void tst_MessageFeed::typeAndPriorityExactCase()
{
    QFETCH(QByteArray, attributes);
    QFETCH(QString, type);
    QFETCH(QString, prio);
    const MessageList list = build(feedOf({"<message id=\"x\" date=\"20260101\" " + attributes
                                           + "><type>info</type><title>t</title></message>"}));
    QCOMPARE(list.Rows.size(), size_t(1));
    QCOMPARE(list.Rows[0].Type, type);
    QCOMPARE(list.Rows[0].Prio, prio);
    QCOMPARE(list.Records[0].IsHighPrio, prio == QLatin1String("!"));
}

void tst_MessageFeed::missingTypeBetweenUpdates()
{
    const MessageList list = build(feedOf({message(R"(id="1" date="20260101" type="update")", "a"),
                                           message(R"(id="2" date="20260101")", "b"),
                                           message(R"(id="3" date="20260101" type="update")", "c")}));
    QCOMPARE(column(list, &MessageRow::Type), QStringList({"Update", "", "Update"}));
}

void tst_MessageFeed::dateText_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("error");
    QTest::newRow("plain") << "20261207" << shortDate(2026, 12, 7) << "";
    QTest::newRow("trailing characters ignored") << "20261207xyz" << shortDate(2026, 12, 7) << "";
    QTest::newRow("time after the date") << "20240229T10:00" << shortDate(2024, 2, 29) << "";
    QTest::newRow("first day") << "00010101" << shortDate(1, 1, 1) << "";
    QTest::newRow("last day") << "99991231" << shortDate(9999, 12, 31) << "";
    QTest::newRow("seven characters, day 0") << "2026120" << "" << "Invalid argument to date encode";
    QTest::newRow("seven characters, day 1") << "2026121" << shortDate(2026, 12, 1) << "";
    QTest::newRow("five characters") << "20261" << "" << "'' is not a valid integer value";
    QTest::newRow("six characters") << "202612" << "" << "'' is not a valid integer value";
    QTest::newRow("missing") << "" << "" << "'' is not a valid integer value";
    QTest::newRow("letters in the year") << "2O261207" << "" << "'2O26' is not a valid integer value";
    QTest::newRow("dashes") << "2026-12-07" << "" << "'-1' is not a valid integer value";
    QTest::newRow("sign in the day") << "202612+7" << "" << "'+7' is not a valid integer value";
    QTest::newRow("space in the month") << "2026 212" << "" << "' 2' is not a valid integer value";
    QTest::newRow("month 13") << "20261307" << "" << "Invalid argument to date encode";
    QTest::newRow("month 0") << "20260007" << "" << "Invalid argument to date encode";
    QTest::newRow("day 0") << "20261200" << "" << "Invalid argument to date encode";
    QTest::newRow("31 November") << "20261131" << "" << "Invalid argument to date encode";
    QTest::newRow("29 February 2023") << "20230229" << "" << "Invalid argument to date encode";
    QTest::newRow("year 0") << "00001207" << "" << "Invalid argument to date encode";
}

void tst_MessageFeed::dateText()
{
    QFETCH(QString, date);
    QFETCH(QString, expected);
    QFETCH(QString, error);
    QVERIFY(!shortDate(2026, 12, 7).isEmpty());
    try {
        const QString text = MsgDateText(date);
        QVERIFY2(error.isEmpty(), qPrintable(QStringLiteral("no error for ") + date));
        QCOMPARE(text, expected);
    } catch (const PelkError &failure) {
        QCOMPARE(failure.message(), error);
    }
}

void tst_MessageFeed::badDateLeavesEmptyDateAndFillingGoesOn()
{
    const MessageList list = build(feedOf({message(R"(id="old" date="20250101" type="info")", "oldest"),
                                           message(R"(id="bad" date="2026120" type="update" prio="high")", "faulty"),
                                           message(R"(id="new" date="20260301")", "newest")}),
                                   {"old"});
    QCOMPARE(list.FirstError, QStringLiteral("The date of the message \"faulty\" cannot be read: Invalid argument to date encode"));
    QCOMPARE(list.Rows.size(), size_t(3));
    QCOMPARE(column(list, &MessageRow::Date), QStringList({shortDate(2026, 3, 1), "", shortDate(2025, 1, 1)}));
    QCOMPARE(column(list, &MessageRow::Summary), QStringList({"New: newest", "New: faulty", "oldest"}));
    QCOMPARE(column(list, &MessageRow::Type), QStringList({"", "Update", "Info"}));
    QCOMPARE(column(list, &MessageRow::Prio), QStringList({"", "!", ""}));
    QCOMPARE(list.Records[list.Rows[1].Record].MsgID, QByteArray("bad"));
}

void tst_MessageFeed::firstBadDateInListOrderIsReported()
{
    const MessageList list = build(feedOf({message(R"(id="1" date="20261399")", "a"),
                                           message(R"(id="2")", "b"),
                                           message(R"(id="3" date="20260101")", "c")}));
    // The list starts with the last message: the missing date of message 2 comes first.
    QCOMPARE(list.FirstError, QStringLiteral("The date of the message \"b\" cannot be read: '' is not a valid integer value"));
    QCOMPARE(column(list, &MessageRow::Date), QStringList({shortDate(2026, 1, 1), "", ""}));
    QCOMPARE(column(list, &MessageRow::Summary), QStringList({"New: c", "New: b", "New: a"}));
}

void tst_MessageFeed::messageWithoutIdIsListed()
{
    const QByteArray xml = feedOf({message(R"(date="20260101")", "anonymous"), message(R"(id="k" date="20260101")", "k")});
    MessageList list = build(xml, {"k"});
    QCOMPARE(column(list, &MessageRow::Summary), QStringList({"k", "New: anonymous"}));
    QCOMPARE(list.Records[list.Rows[1].Record].MsgID, QByteArray());
    list = build(xml, {QByteArray()});
    QCOMPARE(column(list, &MessageRow::Summary), QStringList({"New: k", "anonymous"}));
}

void tst_MessageFeed::duplicateIdsShareTheReadState()
{
    const QByteArray xml = feedOf({message(R"(id="same" date="20260101")", "one"),
                                   message(R"(id="SAME" date="20260102")", "two")});
    QCOMPARE(column(build(xml), &MessageRow::Summary), QStringList({"New: two", "New: one"}));
    QCOMPARE(column(build(xml, {"Same"}), &MessageRow::Summary), QStringList({"two", "one"}));
}

void tst_MessageFeed::titleIsTheWholeElementText()
{
    const MessageList list = build(feedOf({R"(<message id="1" date="20260101"><title>A <b>bold</b> &amp; <![CDATA[<raw>]]></title></message>)"}));
    QCOMPARE(list.Rows[0].Summary, QStringLiteral("New: A bold & <raw>"));
}

void tst_MessageFeed::feedsWithoutMessages_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::newRow("empty messages") << QByteArray("<messages/>");
    QTest::newRow("other root") << QByteArray(R"(<feed><message id="1" date="20260101"/></feed>)");
    QTest::newRow("nested deeper") << QByteArray(R"(<messages><group><message id="1" date="20260101"/></group></messages>)");
    QTest::newRow("not XML") << QByteArray("<html><body>Service down");
}

void tst_MessageFeed::feedsWithoutMessages()
{
    QFETCH(QByteArray, xml);
    const MessageList list = build(xml);
    QVERIFY(list.Rows.empty());
    QVERIFY(list.Records.empty());
    QVERIFY(BuildMessageList(nullptr, SeenMsgIDs(), kTexts).Rows.empty());
}


void tst_MessageFeed::newMessagesLineStaysShort_data()
{
    QTest::addColumn<QByteArray>("feed");
    QTest::addColumn<QString>("moreText");
    QTest::addColumn<QString>("ending");   // how the line ends
    QTest::addColumn<int>("longestLine"); // in characters
    const QString date = shortDate(2026, 12, 7);
    QTest::newRow("twenty: all named") << numberedFeed(20) << "and %1 more" << date + " T1" << 1000;
    QTest::newRow("twenty-one: one more") << numberedFeed(21) << "and %1 more" << date + " T2; and 1 more" << 1000;
    QTest::newRow("100,000") << numberedFeed(100000) << "und %1 weitere" << date + " T99981; und 99980 weitere"
                             << 1000;
    QTest::newRow("text without a number") << numberedFeed(22) << "txtMoreNewMessages" << " T3; and 2 more" << 1000;
    QTest::newRow("title of 1 MiB") << numberedFeed(1, 1024 * 1024) << "" << QString(97, u'x') + QChar(0x2026)
                                    << 300;
    QTest::newRow("title of 100 characters") << numberedFeed(1, 100) << "" << "T1" + QString(98, u'x') << 300;
}

void tst_MessageFeed::newMessagesLineStaysShort()
{
    QFETCH(QByteArray, feed);
    QFETCH(QString, moreText);
    QFETCH(QString, ending);
    QFETCH(int, longestLine);
    const QString line = NewMessagesLine(*ParseXmlText(feed), {}, moreText);
    QVERIFY2(line.endsWith(ending), qPrintable(line.right(200)));
    QVERIFY2(line.size() <= longestLine, qPrintable(QString::number(line.size())));
}

QTEST_APPLESS_MAIN(tst_MessageFeed)
#include "tst_MessageFeed.moc"
