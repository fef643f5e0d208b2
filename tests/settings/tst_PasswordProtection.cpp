#include "settings/BlowfishCfb8.h"
#include "settings/PasswordProtection.h"
#include "settings/PasswordText.h"

#include <QTest>

#include <nettle/blowfish.h>

namespace {

const QByteArray kKey = "Qv72mRtx";
const QByteArray kIv = QByteArray::fromHex("9E410BD7662CF318");

// One block through the bare cipher that the feedback mode runs on, keyed as the program keys it.
QByteArray blowfishBlock(const QByteArray &key, const QByteArray &block)
{
    blowfish_ctx context;
    blowfish_set_key(&context, size_t(key.size()), reinterpret_cast<const uint8_t *>(key.constData()));
    QByteArray out(BLOWFISH_BLOCK_SIZE, '\0');
    blowfish_encrypt(&context, BLOWFISH_BLOCK_SIZE, reinterpret_cast<uint8_t *>(out.data()),
                     reinterpret_cast<const uint8_t *>(block.constData()));
    return out;
}

// Stored text whose cipher bytes decrypt to exactly `plain`, whatever the bytes are.
QByteArray storedTextFor(const QByteArray &plain)
{
    BlowfishCfb8 cipher(kKey, kIv);
    return cipher.encrypt(plain).toBase64();
}

QString fromUnits(std::initializer_list<char16_t> units)
{
    QString text;
    for (const char16_t unit : units)
        text.append(QChar(unit));
    return text;
}

} // namespace

class TestPasswordProtection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blowfishTestVectors_data();
    void blowfishTestVectors();
    void knownAnswers_data();
    void knownAnswers();
    void feedbackGoesOnAcrossCalls();
    void unicodeRoundTrips_data();
    void unicodeRoundTrips();
    void textLength_data();
    void textLength();
    void sameInputSameText();
    void utf8Encoding_data();
    void utf8Encoding();
    void utf8Decoding_data();
    void utf8Decoding();
    void badUtf8ReadsAsEmpty_data();
    void badUtf8ReadsAsEmpty();
    void base64Decoding_data();
    void base64Decoding();
    void fiveCharactersDecodeOnlyFour();
};

// Eric Young's published Blowfish vectors, through the block step that the feedback mode uses.
void TestPasswordProtection::blowfishTestVectors_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("cipher");
    const auto row = [](const char *key, const char *plain, const char *cipher) {
        QTest::newRow(key) << QByteArray::fromHex(key) << QByteArray::fromHex(plain) << QByteArray::fromHex(cipher);
    };
    row("0000000000000000", "0000000000000000", "4EF997456198DD78");
    row("FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A");
    row("3000000000000000", "1000000000000001", "7D856F9A613063F2");
    row("1111111111111111", "1111111111111111", "2466DD878B963C9D");
    row("0123456789ABCDEF", "1111111111111111", "61F9C3802281B096");
    row("1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7");
    row("FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D");
    row("7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B");
}

void TestPasswordProtection::blowfishTestVectors()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, cipher);
    QCOMPARE(blowfishBlock(key, plain).toHex(), cipher.toHex());
    // With the block as register, the first feedback byte is the block's first cipher byte.
    BlowfishCfb8 feedback(key, plain);
    QCOMPARE(feedback.encrypt(QByteArray(1, '\0')).toHex(), cipher.left(1).toHex());
}

// Computed apart from this program: Blowfish ECB by OpenSSL and Python's cryptography
// package, the 8-bit feedback by hand on top.
void TestPasswordProtection::knownAnswers_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("one byte") << "p" << QByteArray("mw==");
    QTest::newRow("two bytes") << "pw" << QByteArray("m1I=");
    QTest::newRow("six bytes") << "secret" << QByteArray("mLTK8RS/");
    QTest::newRow("twenty bytes") << "0123456789abcdef0123" << QByteArray("29C7I555jYyjijuYWIlmbDdZB3k=");
    QTest::newRow("two- and three-byte sequences") << "Pässwörd €" << QByteArray("uwxk33GgExWDvj/zwXg=");
    QTest::newRow("surrogate pair") << QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray("Bh7i9mjK");
}

void TestPasswordProtection::knownAnswers()
{
    QFETCH(QString, password);
    QFETCH(QByteArray, stored);
    QCOMPARE(ProtectPassword(password), stored);
    QCOMPARE(UnprotectPassword(stored), password);
}

void TestPasswordProtection::feedbackGoesOnAcrossCalls()
{
    const QByteArray plain = "the quick brown fox";
    const QByteArray whole = BlowfishCfb8(kKey, kIv).encrypt(plain);
    BlowfishCfb8 pieces(kKey, kIv);
    QByteArray joined = pieces.encrypt(plain.left(5));
    joined += pieces.encrypt(plain.mid(5));
    QCOMPARE(joined, whole);
    BlowfishCfb8 back(kKey, kIv);
    QByteArray decrypted = back.decrypt(whole.left(11));
    decrypted += back.decrypt(whole.mid(11));
    QCOMPARE(decrypted, plain);
}

void TestPasswordProtection::unicodeRoundTrips_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("ASCII") << QStringLiteral("P@ssw0rd!");
    QTest::newRow("blanks and controls") << QStringLiteral(" a\tb\nc\x01 ");
    QTest::newRow("zero character") << QString(QChar(0)) + QStringLiteral("x");
    QTest::newRow("two-byte limits") << fromUnits({0x80, 0x7FF});
    QTest::newRow("three-byte limits") << fromUnits({0x800, 0xD7FF, 0xE000, 0xFFFD, 0xFFFF});
    QTest::newRow("scripts") << QStringLiteral("Grüße Ωμέγα Привет 日本語 עברית");
    QTest::newRow("surrogate pair") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("lone surrogate") << fromUnits({0xD800, u'a'});
    QString everyPlane;
    for (char32_t unit = 1; unit <= 0xFFFF; unit += 97)
        everyPlane.append(QChar(char16_t(unit)));
    QTest::newRow("spread over the plane") << everyPlane;
}

void TestPasswordProtection::unicodeRoundTrips()
{
    QFETCH(QString, password);
    const QByteArray stored = ProtectPassword(password);
    QCOMPARE(UnprotectPassword(stored), password);
}

void TestPasswordProtection::textLength_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("bytes");
    for (int n = 0; n <= 10; ++n)
        QTest::addRow("%d ASCII", n) << QString(n, QLatin1Char('x')) << n;
    QTest::newRow("two-byte character") << QStringLiteral("é") << 2;
    QTest::newRow("three-byte character") << QStringLiteral("€") << 3;
    QTest::newRow("surrogate pair") << QString::fromUtf8("\xF0\x9F\x98\x80") << 6;
    QTest::newRow("mixed") << QStringLiteral("aé€") << 6;
}

void TestPasswordProtection::textLength()
{
    QFETCH(QString, password);
    QFETCH(int, bytes);
    const QByteArray stored = ProtectPassword(password);
    QCOMPARE(stored.size(), 4 * ((bytes + 2) / 3));
    const int padding = bytes % 3 == 1 ? 2 : bytes % 3 == 2 ? 1 : 0;
    QCOMPARE(stored.count('='), padding);
    QVERIFY(stored.endsWith(QByteArray(padding, '=')));
}

void TestPasswordProtection::sameInputSameText()
{
    const QString password = QStringLiteral("repeat me");
    QCOMPARE(ProtectPassword(password), ProtectPassword(password));
    QVERIFY(ProtectPassword(password) != ProtectPassword(QStringLiteral("repeat mf")));
    QVERIFY(ProtectPassword(password) != password.toUtf8().toBase64());
}

void TestPasswordProtection::utf8Encoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ASCII") << "Az" << QByteArray("Az");
    QTest::newRow("U+0080") << fromUnits({0x80}) << QByteArray("\xC2\x80");
    QTest::newRow("U+00E9") << fromUnits({0xE9}) << QByteArray("\xC3\xA9");
    QTest::newRow("U+07FF") << fromUnits({0x7FF}) << QByteArray("\xDF\xBF");
    QTest::newRow("U+0800") << fromUnits({0x800}) << QByteArray("\xE0\xA0\x80");
    QTest::newRow("U+20AC") << fromUnits({0x20AC}) << QByteArray("\xE2\x82\xAC");
    QTest::newRow("U+FFFF") << fromUnits({0xFFFF}) << QByteArray("\xEF\xBF\xBF");
    QTest::newRow("surrogate pair as two sequences") << fromUnits({0xD83D, 0xDE00})
                                                     << QByteArray("\xED\xA0\xBD\xED\xB8\x80");
}

void TestPasswordProtection::utf8Encoding()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(PasswordText::encodeUtf8(text).toHex(), bytes.toHex());
}

void TestPasswordProtection::utf8Decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ASCII") << QByteArray("Az") << "Az";
    QTest::newRow("two bytes") << QByteArray("\xC3\xA9") << fromUnits({0xE9});
    QTest::newRow("three bytes") << QByteArray("\xE2\x82\xAC") << fromUnits({0x20AC});
    QTest::newRow("surrogates as two sequences") << QByteArray("\xED\xA0\xBD\xED\xB8\x80") << fromUnits({0xD83D, 0xDE00});
    // Only the shape is checked, as the stored forms were only ever written by the encoder.
    QTest::newRow("overlong zero") << QByteArray("\xC0\x80", 2) << fromUnits({0});
    QTest::newRow("continuation byte as lead") << QByteArray("\x81\x81") << fromUnits({0x41});
    QTest::newRow("cut two-byte") << QByteArray("a\xC3") << QString();
    QTest::newRow("cut three-byte") << QByteArray("ab\xE2\x82") << QString();
    QTest::newRow("bad continuation") << QByteArray("\xC3\x28") << QString();
    QTest::newRow("bad second continuation") << QByteArray("x\xE2\x82\x28y") << QString();
    QTest::newRow("continuation above 0xBF") << QByteArray("\xC3\xC3") << QString();
    QTest::newRow("four-byte form") << QByteArray("\xF0\x9F\x98\x80") << QString();
}

void TestPasswordProtection::utf8Decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(PasswordText::decodeUtf8(bytes), text);
}

void TestPasswordProtection::badUtf8ReadsAsEmpty_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QString>("password");
    QTest::newRow("valid, as a check of the helper") << QByteArray("ok\xC3\xA9") << QStringLiteral("oké");
    QTest::newRow("cut sequence") << QByteArray("abc\xC3") << QString();
    QTest::newRow("bad continuation") << QByteArray("\xE2\x28\xA1") << QString();
    QTest::newRow("four-byte form") << QByteArray("\xF0\x9F\x98\x80") << QString();
}

void TestPasswordProtection::badUtf8ReadsAsEmpty()
{
    QFETCH(QByteArray, plain);
    QFETCH(QString, password);
    QCOMPARE(UnprotectPassword(storedTextFor(plain)), password);
}

void TestPasswordProtection::base64Decoding_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("full group") << QByteArray("TWFu") << QByteArray("Man");
    QTest::newRow("fourth is padding") << QByteArray("TWE=") << QByteArray("Ma");
    QTest::newRow("third and fourth are padding") << QByteArray("TQ==") << QByteArray("M");
    QTest::newRow("third only is padding") << QByteArray("TQ=x") << QByteArray("M");
    QTest::newRow("padding first counts as zero") << QByteArray("=WFu") << QByteArray("\x01" "an");
    QTest::newRow("goes on after padding") << QByteArray("TQ==TWE=TWFu") << QByteArray("MMaMan");
    QTest::newRow("partial group ignored") << QByteArray("TWFuTW") << QByteArray("Man");
    QTest::newRow("shorter than a group") << QByteArray("TWF") << QByteArray();
    QTest::newRow("whole alphabet") << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
                                    << QByteArray::fromHex("00108310518720928b30d38f41149351559761969b71d79f8218a39259a7a29aabb2dbafc31cb3d35db7e39ebbf3dfbf");
    QTest::newRow("line breaks and blanks removed") << QByteArray(" TW\r\nF u\t") << QByteArray("Man");
    QTest::newRow("foreign characters removed") << QByteArray("T*W-F_u!") << QByteArray("Man");
    QTest::newRow("removed before grouping") << QByteArray("TQ?==TWFu") << QByteArray("MMan");
}

void TestPasswordProtection::base64Decoding()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(PasswordText::decodeBase64(text).toHex(), bytes.toHex());
}

void TestPasswordProtection::fiveCharactersDecodeOnlyFour()
{
    // "mLTK8RS/" is "secret"; its first group carries "sec".
    QCOMPARE(UnprotectPassword("mLTK8"), QStringLiteral("sec"));
    QCOMPARE(UnprotectPassword("mLTK8RS"), QStringLiteral("sec"));
    QCOMPARE(UnprotectPassword("mLT"), QString());
}

QTEST_GUILESS_MAIN(TestPasswordProtection)
#include "tst_PasswordProtection.moc"
