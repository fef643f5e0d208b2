#include "base/PelkError.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "settings/PolicyStore.h"
#include "settings/RegFileStore.h"
#include "settings/UPelkUpdaterUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Four languages; fr lacks most texts, the last key is not ASCII.
const QByteArray kIni = "; language file\r\n"
                        "[Langs]\r\n"
                        "LangKey1=de\r\nLangDesc1=Deutsch\r\n"
                        "LangKey2=engb\r\nLangDesc2=English\r\n"
                        "LangKey3=fr\r\nLangDesc3=Fran\xC3\xA7\x61is\r\n"
                        "LangKey4=\xC3\xA4\r\nLangDesc4=Umlaut\r\n"
                        "[Texts_de]\r\ntxtError=Fehler\r\ntxtClose=Schlie\xC3\x9F\x65n\r\n"
                        "[Texts_engb]\r\ntxtError=Error\r\ntxtClose=Close\r\n"
                        "[Texts_fr]\r\ntxtError=Erreur\r\n";

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<QByteArray> keysOf(const Languages &languages)
{
    QList<QByteArray> keys;
    for (const TLangInfo &info : languages.list())
        keys.append(info.Key);
    return keys;
}
} // namespace

class TestLanguages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void startLanguage_data();
    void startLanguage();
    void listFollowsTheNumbers();
    void emptyKeyUsesSectionTextsUnderscore();
    void duplicateKeysSelectTheFirst();
    void missingTexts();
    void switchingLanguage();
    void textsAreReadAtEachLookupButTheListStays();
    void saveLanguageWritesTheCurrentKey();
    void saveLanguageFailureIsSilent();
    void storedValueOfWrongType();
    void noLanguagesGiveBuiltInEnglish_data();
    void noLanguagesGiveBuiltInEnglish();
    void builtInTextsCoverEveryKey();

private:
    void writeIni(const QByteArray &bytes) const;
    void writeUserStore(const QByteArray &bytes) const;
    QString userFile() const { return m_dir->filePath(QStringLiteral("config/Orbel/user.reg")); }
    QString iniPath() const { return m_dir->filePath(QStringLiteral("PelkUpdater.ini")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegFileStore> m_store;
    std::unique_ptr<IniFile> m_ini;
    std::unique_ptr<Languages> m_languages;
};

void TestLanguages::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<RegFileStore>(userFile(), m_dir->filePath(QStringLiteral("etc/Orbel/machine.reg")));
    m_ini = std::make_unique<IniFile>(iniPath());
    m_languages = std::make_unique<Languages>(*m_ini, *m_store);
    writeIni(kIni);
}

void TestLanguages::cleanup()
{
    m_languages.reset();
    m_ini.reset();
    m_store.reset();
    m_dir.reset();
}

void TestLanguages::writeIni(const QByteArray &bytes) const
{
    QFile file(iniPath());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestLanguages::writeUserStore(const QByteArray &bytes) const
{
    QVERIFY(QDir().mkpath(QFileInfo(userFile()).absolutePath()));
    QFile file(userFile());
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

void TestLanguages::startLanguage_data()
{
    QTest::addColumn<QByteArray>("commandLine");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QByteArray>("locked"); // the administrator's Language

    QTest::newRow("first language") << QByteArray() << QByteArray() << QByteArray("de") << QByteArray();
    QTest::newRow("command line") << QByteArray("engb") << QByteArray() << QByteArray("engb") << QByteArray();
    QTest::newRow("command line upper case") << QByteArray("DE") << QByteArray("engb") << QByteArray("de") << QByteArray();
    QTest::newRow("command line before stored") << QByteArray("fr") << QByteArray("engb") << QByteArray("fr") << QByteArray();
    QTest::newRow("unknown code, stored") << QByteArray("xx") << QByteArray("engb") << QByteArray("engb") << QByteArray();
    QTest::newRow("unknown code, nothing stored") << QByteArray("xx") << QByteArray() << QByteArray("de") << QByteArray();
    QTest::newRow("unknown code, unknown stored") << QByteArray("xx") << QByteArray("yy") << QByteArray("de") << QByteArray();
    QTest::newRow("stored upper case") << QByteArray() << QByteArray("ENGB") << QByteArray("engb") << QByteArray();
    QTest::newRow("prefix is no match") << QByteArray("eng") << QByteArray("f") << QByteArray("de") << QByteArray();
    QTest::newRow("longer is no match") << QByteArray("engbx") << QByteArray("frx") << QByteArray("de") << QByteArray();
    // Only A-Z fold: the upper-case umlaut is another key.
    QTest::newRow("non-ASCII not folded") << QByteArray("\xC3\x84") << QByteArray() << QByteArray("de") << QByteArray();
    QTest::newRow("non-ASCII exact") << QByteArray("\xC3\xA4") << QByteArray() << QByteArray("\xC3\xA4") << QByteArray();
    QTest::newRow("locked over stored") << QByteArray() << QByteArray("de") << QByteArray("engb") << QByteArray("engb");
    QTest::newRow("locked over command line") << QByteArray("de") << QByteArray() << QByteArray("engb") << QByteArray("engb");
}

void TestLanguages::startLanguage()
{
    QFETCH(QByteArray, commandLine);
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, expected);
    QFETCH(QByteArray, locked);

    if (!stored.isEmpty())
        WriteStoredLanguage(*m_store, stored);
    PolicyStore store(*m_store, locked.isEmpty() ? PolicyStore::Locks()
                                                 : PolicyStore::Locks{{QStringLiteral("language"), QString::fromUtf8(locked)}});
    Languages languages(*m_ini, store);
    languages.LoadLanguages(commandLine);
    QCOMPARE(languages.CurrentLanguageKey(), expected);
    QCOMPARE(languages.list()[static_cast<std::size_t>(languages.currentIndex())].Key, expected);
}

void TestLanguages::listFollowsTheNumbers()
{
    writeIni("[Langs]\nLangKey1=de\nLangDesc1=Deutsch\nLangKey2=engb\nLangKey3=\nLangDesc3=Leer\n"
             "LangKey5=fr\nLangDesc5=Francais\n");
    m_languages->LoadLanguages(QByteArray());

    // LangDesc2 is absent, LangKey3 is empty, LangKey4 is missing so fr is not listed.
    QCOMPARE(keysOf(*m_languages), (QList<QByteArray>{"de", "engb", ""}));
    QCOMPARE(m_languages->list()[0].Description, QStringLiteral("Deutsch"));
    QCOMPARE(m_languages->list()[1].Description, QString());
    QCOMPARE(m_languages->list()[2].Description, QStringLiteral("Leer"));
    QVERIFY(!m_languages->usesBuiltInTexts());

    QCOMPARE(keysOf(*m_languages).size(), 3);
    writeIni(kIni);
    Languages full(*m_ini, *m_store);
    full.LoadLanguages(QByteArray());
    QCOMPARE(full.list()[2].Description, QStringLiteral("Fran\u00E7ais"));
    QCOMPARE(full.list()[3].Key, QByteArray("\xC3\xA4"));
}

void TestLanguages::emptyKeyUsesSectionTextsUnderscore()
{
    writeIni("[Langs]\nLangKey1=de\nLangKey2=\n[Texts_de]\ntxtError=Fehler\n[Texts_]\ntxtError=Leer\n");
    m_languages->LoadLanguages(QByteArray());
    m_languages->setCurrentIndex(1);

    QCOMPARE(m_languages->CurrentLanguageKey(), QByteArray());
    QCOMPARE(m_languages->GetText("txtError"), QStringLiteral("Leer"));
    QCOMPARE(m_languages->WindowText("txtError"), QStringLiteral("Leer"));
}

void TestLanguages::duplicateKeysSelectTheFirst()
{
    writeIni("[Langs]\nLangKey1=fr\nLangKey2=de\nLangDesc2=first\nLangKey3=DE\nLangDesc3=second\n");
    m_languages->LoadLanguages("de");
    QCOMPARE(m_languages->currentIndex(), 1);

    WriteStoredLanguage(*m_store, "De");
    Languages fromStore(*m_ini, *m_store);
    fromStore.LoadLanguages(QByteArray());
    QCOMPARE(fromStore.currentIndex(), 1);
}

void TestLanguages::missingTexts()
{
    m_languages->LoadLanguages("fr");

    QCOMPARE(m_languages->GetText("txtError"), QStringLiteral("Erreur"));
    QCOMPARE(m_languages->GetText("txtClose"), QStringLiteral("txtClose"));
    QCOMPARE(m_languages->GetText("txtNoUpdatesAvailable"), QStringLiteral("txtNoUpdatesAvailable"));
    QCOMPARE(m_languages->GetTextOrBuiltIn("txtError"), QStringLiteral("Erreur"));
    QCOMPARE(m_languages->GetTextOrBuiltIn("txtClose"), QStringLiteral("Close"));
    QCOMPARE(m_languages->WindowText("txtError"), QStringLiteral("Erreur"));
    QCOMPARE(m_languages->WindowText("txtClose"), QString());
}

void TestLanguages::switchingLanguage()
{
    m_languages->LoadLanguages(QByteArray());
    QCOMPARE(m_languages->WindowText("txtClose"), QStringLiteral("Schlie\u00DF" "en"));

    m_languages->setCurrentIndex(1);
    QCOMPARE(m_languages->CurrentLanguageKey(), QByteArray("engb"));
    QCOMPARE(m_languages->WindowText("txtClose"), QStringLiteral("Close"));

    // Out of range, as a selector reports while it is refilled: the language stays.
    m_languages->setCurrentIndex(-1);
    m_languages->setCurrentIndex(4);
    QCOMPARE(m_languages->currentIndex(), 1);
    QCOMPARE(m_languages->GetText("txtError"), QStringLiteral("Error"));
}

void TestLanguages::textsAreReadAtEachLookupButTheListStays()
{
    m_languages->LoadLanguages("engb");
    QCOMPARE(m_languages->GetText("txtError"), QStringLiteral("Error"));

    writeIni("[Langs]\nLangKey1=xx\n[Texts_engb]\ntxtError=Failure\n");
    QCOMPARE(m_languages->GetText("txtError"), QStringLiteral("Failure"));
    QCOMPARE(keysOf(*m_languages), (QList<QByteArray>{"de", "engb", "fr", "\xC3\xA4"}));
    QCOMPARE(m_languages->CurrentLanguageKey(), QByteArray("engb"));
}

void TestLanguages::saveLanguageWritesTheCurrentKey()
{
    m_languages->LoadLanguages(QByteArray());
    m_languages->SaveLanguage();
    QCOMPARE(ReadStoredLanguage(*m_store), QByteArray("de")); // written also when nothing changed

    Languages chosen(*m_ini, *m_store);
    chosen.LoadLanguages("ENGB");
    chosen.SaveLanguage();
    QCOMPARE(ReadStoredLanguage(*m_store), QByteArray("engb")); // the listed key, not the code

    chosen.setCurrentIndex(3);
    chosen.SaveLanguage();
    QCOMPARE(ReadStoredLanguage(*m_store), QByteArray("\xC3\xA4"));

    Languages next(*m_ini, *m_store);
    next.LoadLanguages(QByteArray());
    QCOMPARE(next.currentIndex(), 3);
}

void TestLanguages::saveLanguageFailureIsSilent()
{
    WriteStoredLanguage(*m_store, "fr");
    const QByteArray before = readBytes(userFile());
    const QString lock = userFile() + QStringLiteral(".lock");
    QFile::remove(lock);
    QVERIFY(QDir().mkdir(lock)); // the lock cannot be taken, so the write fails

    m_languages->LoadLanguages("engb");
    m_languages->SaveLanguage();
    QCOMPARE(readBytes(userFile()), before);

    // A store whose folder cannot be made is a key that cannot be opened.
    QFile blocker(m_dir->filePath(QStringLiteral("plain")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RegFileStore unopenable(m_dir->filePath(QStringLiteral("plain/Orbel/user.reg")), QString());
    Languages elsewhere(*m_ini, unopenable);
    elsewhere.LoadLanguages("engb");
    elsewhere.SaveLanguage();
    QCOMPARE(QFileInfo(blocker.fileName()).size(), 0);
}

void TestLanguages::storedValueOfWrongType()
{
    writeUserStore("Windows Registry Editor Version 5.00\n\n"
                   "[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n"
                   "\"Language\"=dword:00000002\n");
    QString error;
    try {
        m_languages->LoadLanguages(QByteArray());
    } catch (const PelkError &e) {
        error = e.message();
    }
    QCOMPARE(error, QStringLiteral("Invalid data type for 'Language'"));
    QCOMPARE(m_languages->CurrentLanguageKey(), QByteArray("de"));

    // A command-line language that is listed never reads the stored value.
    Languages chosen(*m_ini, *m_store);
    chosen.LoadLanguages("fr");
    QCOMPARE(chosen.CurrentLanguageKey(), QByteArray("fr"));
}

void TestLanguages::noLanguagesGiveBuiltInEnglish_data()
{
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<QByteArray>("file");

    QTest::newRow("missing file") << false << QByteArray();
    QTest::newRow("no LangKey1") << true << QByteArray("[Langs]\nLangKey2=de\n[Texts_de]\ntxtError=Fehler\n");
    QTest::newRow("no Langs") << true << QByteArray("[Texts_]\ntxtError=Leer\n");
}

void TestLanguages::noLanguagesGiveBuiltInEnglish()
{
    QFETCH(bool, fileExists);
    QFETCH(QByteArray, file);

    if (fileExists)
        writeIni(file);
    else
        QVERIFY(QFile::remove(iniPath()));
    WriteStoredLanguage(*m_store, "de");
    m_languages->LoadLanguages("de");

    QVERIFY(m_languages->list().empty());
    QVERIFY(m_languages->usesBuiltInTexts());
    QCOMPARE(m_languages->currentIndex(), -1);
    QCOMPARE(m_languages->CurrentLanguageKey(), QByteArray());
    QCOMPARE(m_languages->GetText("txtError"), QStringLiteral("Error"));
    QCOMPARE(m_languages->WindowText("txtClose"), QStringLiteral("Close"));
    QCOMPARE(m_languages->GetText("txtUnknown"), QStringLiteral("txtUnknown"));
    QCOMPARE(m_languages->WindowText("txtUnknown"), QString());

    const QByteArray before = readBytes(userFile());
    m_languages->SaveLanguage();
    QCOMPARE(readBytes(userFile()), before);
    QCOMPARE(ReadStoredLanguage(*m_store), QByteArray("de"));
}

void TestLanguages::builtInTextsCoverEveryKey()
{
    const QList<QByteArray> &keys = AllTextKeys();
    QCOMPARE(keys.size(), 74);
    QCOMPARE(QSet<QByteArray>(keys.begin(), keys.end()).size(), keys.size());
    for (const QByteArray &key : keys) {
        QVERIFY2(key.startsWith("txt"), key.constData());
        QVERIFY2(!BuiltInText(key).isEmpty(), key.constData());
    }
    QVERIFY(keys.contains("txtShowOldUpdates") && keys.contains("txtProduct"));
    QCOMPARE(BuiltInText("txtProduct"), QStringLiteral("Catalog"));
    QCOMPARE(BuiltInText("txtTitle"), QStringLiteral("Check for Updates"));
    QCOMPARE(BuiltInText("txtNoSuchText"), QString());
}

QTEST_GUILESS_MAIN(TestLanguages)
#include "tst_Languages.moc"
