// The questions asked before the HTML engine starts: with the facts of a process pinned, the
// engine is refused exactly where its Chromium would end the whole process.

#include "messages/PageEngineStart.h"

#include <QTest>

class tst_PageEngineStart : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusal_data();
    void refusal();
};

void tst_PageEngineStart::refusal_data()
{
    QTest::addColumn<bool>("variable");
    QTest::addColumn<QString>("flags"); // a null string: QTWEBENGINE_CHROMIUM_FLAGS unset
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("root");
    QTest::addColumn<bool>("mixedIds");
    QTest::addColumn<bool>("userNamespaces");
    QTest::addColumn<bool>("helper");
    QTest::addColumn<QString>("refusal"); // the end of the message, empty when the engine may start

    const QStringList program{QStringLiteral("PelkUpdater")};
    const QString asRoot = QStringLiteral("does not run as root with its sandbox on");
    QTest::newRow("user with namespaces") << false << QString() << program << false << false << true << true << QString();
    QTest::newRow("root") << false << QString() << program << true << false << true << true << asRoot;
    QTest::newRow("root, variable set") << true << QString() << program << true << false << true << true << QString();
    QTest::newRow("root, flags --no-sandbox") << false << QStringLiteral("--disable-gpu --no-sandbox") << program
                                              << true << false << true << true << QString();
    QTest::newRow("root, flags -no-sandbox=1") << false << QStringLiteral("\"-no-sandbox=1\"") << program << true
                                               << false << true << true << QString();
    QTest::newRow("root, flags after --") << false << QStringLiteral("-- --no-sandbox") << program << true << false
                                          << true << true << asRoot;
    QTest::newRow("root, engine arguments --no-sandbox")
        << false << QString() << (program + QStringList{"/SILENT", "--webEngineArgs", "--no-sandbox"}) << true
        << false << true << true << QString();
    QTest::newRow("root, --no-sandbox before --webEngineArgs")
        << false << QString() << (program + QStringList{"--no-sandbox", "--webEngineArgs"}) << true << false << true
        << true << asRoot;
    QTest::newRow("root, flags set hide the arguments")
        << false << QStringLiteral("--disable-gpu") << (program + QStringList{"--webEngineArgs", "--no-sandbox"})
        << true << false << true << true << asRoot;
    QTest::newRow("set-ID program") << false << QString() << program << false << true << true << true
                                    << QStringLiteral("does not run with differing real and effective user IDs");
    QTest::newRow("no user namespaces") << false << QString() << program << false << false << false << true
                                        << QStringLiteral("this system does not let programs make user namespaces");
    QTest::newRow("namespace sandbox switched off")
        << false << QStringLiteral("--disable-namespace-sandbox") << program << false << false << true << true
        << QStringLiteral("this system does not let programs make user namespaces");
    QTest::newRow("helper missing, sandbox off") << true << QString() << program << false << false << true << false
                                                 << QStringLiteral("helper program is missing (looked for /h)");
}

void tst_PageEngineStart::refusal()
{
    QFETCH(bool, variable);
    QFETCH(QString, flags);
    QFETCH(QStringList, arguments);
    QFETCH(bool, root);
    QFETCH(bool, mixedIds);
    QFETCH(bool, userNamespaces);
    QFETCH(bool, helper);
    QFETCH(QString, refusal);

    PageEngineFacts facts;
    facts.sandboxVariableSet = variable;
    if (!flags.isNull())
        facts.chromiumFlags = flags;
    facts.arguments = arguments;
    facts.rootUser = root;
    facts.mixedIds = mixedIds;
    facts.userNamespaces = [userNamespaces] { return userNamespaces; };
    facts.helperCandidates = {QStringLiteral("/h")};
    facts.fileExists = [helper](const QString &path) { return helper && path == QLatin1String("/h"); };

    const QString message = PageEngineRefusal(facts);
    if (refusal.isEmpty()) {
        QCOMPARE(message, QString());
    } else {
        QVERIFY2(message.startsWith(QStringLiteral("The message page cannot be shown: ")), qPrintable(message));
        QVERIFY2(message.endsWith(refusal), qPrintable(message));
    }
}

QTEST_GUILESS_MAIN(tst_PageEngineStart)
#include "tst_PageEngineStart.moc"
