// The seen-identifier list: sorted without regard to letter case in the locale's order,
// no duplicates, bisection that finds every spelling, and an order that stays consistent.

#include "messages/SeenMsgIDs.h"

#include <QLocale>
#include <QTest>

#include <algorithm>
#include <random>

class tst_SeenMsgIDs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void constructionSortsAndDropsDuplicates();
    void followsTheLocalesOrder();
    void containsIgnoresLetterCase_data();
    void containsIgnoresLetterCase();
    void addKeepsOrderAndIgnoresPresent();
    void removeFindsOtherSpelling();
    void manyAtOnceMatchOneByOne();
    void orderIsStrictAndWeak();
    void everyItemIsFoundInABigList();
};

namespace {
QList<QByteArray> trickyIds()
{
    return {"", "a", "A", "b", "B", "ä", "Ä", "ae", "z", "ß", "ss", "SS", "é", "É", "e\xCC\x81", "E\xCC\x81",
            "-a", "a-", "a b", "ab", "a1", "a10", "a2", "A10", "\xF0\x9F\x98\x80", "\xC4\xB0", "i", "I",
            "\xCE\xA3", "\xCF\x83", "\xCF\x82", "x\xE2\x80\x8By", "xy", "msg-1", "MSG-1", "Msg-01"};
}
} // namespace

void tst_SeenMsgIDs::initTestCase()
{
    // A locale whose collation differs from the order of the code points.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void tst_SeenMsgIDs::cleanupTestCase()
{
    QLocale::setDefault(QLocale::system());
}

void tst_SeenMsgIDs::constructionSortsAndDropsDuplicates()
{
    const SeenMsgIDs seen({"b", "A", "c", "a", "B", "C", "A"});
    // Of several spellings the first one given stays.
    QCOMPARE(seen.items(), QList<QByteArray>({"A", "b", "c"}));
    QCOMPARE(seen.size(), 3);
}

void tst_SeenMsgIDs::followsTheLocalesOrder()
{
    const SeenMsgIDs seen({"zebra", "Äpfel", "apfel2", "Banane", "Zucker"});
    QCOMPARE(seen.items(), QList<QByteArray>({"Äpfel", "apfel2", "Banane", "zebra", "Zucker"}));
}

void tst_SeenMsgIDs::containsIgnoresLetterCase_data()
{
    QTest::addColumn<QByteArray>("id");
    QTest::addColumn<bool>("found");
    QTest::newRow("same") << QByteArray("Msg-7") << true;
    QTest::newRow("lower") << QByteArray("msg-7") << true;
    QTest::newRow("upper") << QByteArray("MSG-7") << true;
    QTest::newRow("umlaut other case") << QByteArray("ÜBER") << true;
    QTest::newRow("other") << QByteArray("msg-8") << false;
    QTest::newRow("prefix") << QByteArray("msg-") << false;
    QTest::newRow("longer") << QByteArray("msg-77") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void tst_SeenMsgIDs::containsIgnoresLetterCase()
{
    QFETCH(QByteArray, id);
    QFETCH(bool, found);
    const SeenMsgIDs seen({"a", "Msg-7", "über", "zz"});
    QCOMPARE(seen.contains(id), found);
}

void tst_SeenMsgIDs::addKeepsOrderAndIgnoresPresent()
{
    SeenMsgIDs seen({"b", "d"});
    seen.add("C");
    seen.add("a");
    seen.add("E");
    QCOMPARE(seen.items(), QList<QByteArray>({"a", "b", "C", "d", "E"}));
    seen.add("B");
    seen.add("c");
    QCOMPARE(seen.items(), QList<QByteArray>({"a", "b", "C", "d", "E"}));
    seen.add(QByteArray());
    QCOMPARE(seen.items().first(), QByteArray());
    QVERIFY(seen.contains(QByteArray()));
}

void tst_SeenMsgIDs::removeFindsOtherSpelling()
{
    SeenMsgIDs seen({"alpha", "Beta", "gamma"});
    seen.remove("BETA");
    QCOMPARE(seen.items(), QList<QByteArray>({"alpha", "gamma"}));
    seen.remove("delta");
    seen.remove("bet");
    QCOMPARE(seen.items(), QList<QByteArray>({"alpha", "gamma"}));
    QVERIFY(!seen.contains("beta"));
    QVERIFY(seen.contains("GAMMA"));
}

void tst_SeenMsgIDs::manyAtOnceMatchOneByOne()
{
    QList<QByteArray> start;
    QList<QByteArray> more;
    for (int i = 0; i < 60; ++i) {
        start.append("id-" + QByteArray::number(i * 2));
        more.append("ID-" + QByteArray::number(i * 3));
    }
    SeenMsgIDs oneByOne(start);
    SeenMsgIDs atOnce(start);
    for (const QByteArray &id : more)
        oneByOne.add(id);
    atOnce.addAll(more);
    QCOMPARE(atOnce.items(), oneByOne.items());

    const QList<QByteArray> gone = more.mid(0, 40);
    for (const QByteArray &id : gone)
        oneByOne.remove(id.toLower());
    QList<QByteArray> goneLower;
    for (const QByteArray &id : gone)
        goneLower.append(id.toLower());
    atOnce.removeAll(goneLower);
    QCOMPARE(atOnce.items(), oneByOne.items());
    QVERIFY(!atOnce.contains("id-0"));
    QVERIFY(atOnce.contains("id-2"));
}

void tst_SeenMsgIDs::orderIsStrictAndWeak()
{
    const QList<QByteArray> ids = trickyIds();
    const auto sign = [](int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); };
    for (const QByteArray &a : ids) {
        QCOMPARE(SeenMsgIDs::compare(a, a), 0);
        for (const QByteArray &b : ids) {
            const int ab = sign(SeenMsgIDs::compare(a, b));
            QCOMPARE(sign(SeenMsgIDs::compare(b, a)), -ab);
            // Equal exactly when the texts differ in letter case only.
            const bool sameText = QString::fromUtf8(a).toCaseFolded() == QString::fromUtf8(b).toCaseFolded();
            QCOMPARE(ab == 0, sameText);
            for (const QByteArray &c : ids) {
                if (ab < 0 && SeenMsgIDs::compare(b, c) < 0)
                    QVERIFY2(SeenMsgIDs::compare(a, c) < 0, QByteArray(a + " < " + b + " < " + c).constData());
                if (ab == 0)
                    QCOMPARE(sign(SeenMsgIDs::compare(a, c)), sign(SeenMsgIDs::compare(b, c)));
            }
        }
    }
}

void tst_SeenMsgIDs::everyItemIsFoundInABigList()
{
    QList<QByteArray> ids = trickyIds();
    for (int i = 0; i < 500; ++i)
        ids.append("Message-" + QByteArray::number(i * 7919 % 1000));
    std::mt19937 random(4);
    std::shuffle(ids.begin(), ids.end(), random);
    const SeenMsgIDs seen(ids);

    for (qsizetype i = 1; i < seen.size(); ++i)
        QVERIFY(SeenMsgIDs::compare(seen.items().at(i - 1), seen.items().at(i)) < 0);
    for (const QByteArray &id : ids) {
        QVERIFY2(seen.contains(id), id.constData());
        QVERIFY2(seen.contains(QString::fromUtf8(id).toUpper().toUtf8()), id.constData());
    }
    QVERIFY(!seen.contains("Message-1000"));
}

QTEST_APPLESS_MAIN(tst_SeenMsgIDs)
#include "tst_SeenMsgIDs.moc"
