// The INI file beside the program: the profile reader, the language list and every text lookup.

#include "FuzzInput.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "settings/RegFileStore.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const IniFile ini(WriteFuzzFile(QStringLiteral("PelkUpdater.ini"), FuzzBytes(data, size)));
    // A store that stays empty: the language list reads "Language" from it.
    RegFileStore store(FuzzFolder().filePath(QStringLiteral("user.reg")),
                       FuzzFolder().filePath(QStringLiteral("machine.reg")));

    const QString url = ini.readString(QStringLiteral("Config"), QStringLiteral("UpdateCheckURL"), QString());
    FUZZ_CHECK(url.size() <= 2047);
    ini.hasKey(QStringLiteral("Langs"), QStringLiteral("LangKey1"));
    ini.readSection(QStringLiteral("Texts_de"));
    ini.readFailure();

    Languages languages(ini, store);
    languages.LoadLanguages(QByteArray("engb"));
    FUZZ_CHECK(languages.usesBuiltInTexts() == (languages.currentIndex() < 0));
    // Every lookup reads the file afresh: a few languages and texts are enough to cover it.
    for (int index = 0; index < std::min(3, int(languages.list().size())); ++index) {
        languages.setCurrentIndex(index);
        for (const char *key : {"txtTitle", "txtError", "txtNoSuchText"}) {
            languages.GetText(key);
            languages.WindowText(key);
        }
    }
    return 0;
}
