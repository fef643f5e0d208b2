// Store and language list benchmark: a settings store of about 1 MB and 8 MB, laid out three
// ways (many keys, many values in one key, and both), read the way the program opens a key and
// written once; the store work of one silent check (installation id, last-check time, proxy
// settings, the seen list counted against a feed of four messages) on a store of many values
// and on one long seen list, each of 4 MB and 32 MB, in time and peak memory per megabyte;
// and a language file of 2,000, 16,000 and 128,000 languages turned into the language list.
// Goals: the 1 MB store read in at most 250 ms, one write into it in at most 500 ms,
// 2,000 languages in at most 100 ms; and eight times the size in at most 16 times the time
// (growth with the square of the size would take 64 times). The silent check's store work:
// at most 100 ms and 4 MiB of memory per megabyte of store, at both sizes, beside 4 MiB that
// any check takes whatever the size (the process's own small allocations).
//   pelk_store_bench [runs]   (default 5; the fastest run counts, since other work on the
//   machine only ever adds time)
// Exits 1 when a goal is missed.

#include "FastestRun.h"
#include "support/ResidentPeak.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "base/Clock.h"
#include "check/UpdateCheck.h"
#include "settings/RegFileStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "sysinfo/XmlHelpers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <malloc.h>
#include <string>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
const QString kBenchKey = QStringLiteral("\\Software\\Orbel\\Bench");
constexpr qsizetype kMegabyte = 1024 * 1024;

enum class Shape { ManyKeys, ManyValues, Mixed };

// A store of at least `size` bytes in the registry editor's format.
QByteArray generatedStore(Shape shape, qsizetype size)
{
    QByteArray file = "Windows Registry Editor Version 5.00\n";
    file.reserve(size + 4096);
    for (int i = 0; file.size() < size; ++i) {
        const QByteArray number = QByteArray::number(i).rightJustified(6, '0');
        const bool newKey = shape == Shape::ManyKeys || (shape == Shape::Mixed && i % 8 == 0) || i == 0;
        if (newKey) {
            file += "\n[HKEY_CURRENT_USER\\Software\\Orbel\\Bench";
            if (shape != Shape::ManyValues)
                file += "\\Key" + number;
            file += "]\n";
        }
        file += "\"Text" + number + "\"=\"Some text, Gr\xC3\xBC\xC3\x9F" "e " + number + "\"\n";
        file += "\"Number" + number + "\"=dword:" + QByteArray::number(i, 16).rightJustified(8, '0') + "\n";
    }
    return file + "\n";
}

QByteArray generatedLanguages(int count)
{
    QByteArray ini = "[Langs]\n";
    for (int n = 1; n <= count; ++n)
        ini += "LangKey" + QByteArray::number(n) + "=l" + QByteArray::number(n) + "\nLangDesc"
            + QByteArray::number(n) + "=Language " + QByteArray::number(n) + "\n";
    for (int n = 1; n <= count; ++n)
        ini += "[Texts_l" + QByteArray::number(n) + "]\ntxtTitle=Title " + QByteArray::number(n) + "\n";
    return ini;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}


struct StoreTimes
{
    double readMs = 0;
    double writeMs = 0;
};

// The store of a user who has read `size` bytes' worth of messages (one seen list), or whose
// store holds `size` bytes of other values beside the program's own.
enum class CheckStore { ManyValues, LongSeenList };
const QString kVersion = QStringLiteral("5.2.1.7");

QByteArray generatedCheckStore(CheckStore shape, qsizetype size)
{
    QByteArray file = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater]\n"
                      "\"ID\"=\"{00000000-0000-0000-0000-000000000000}\"\n";
    file.reserve(size + 4096);
    if (shape == CheckStore::ManyValues) {
        for (int i = 0; file.size() < size; ++i)
            file += "\"Value" + QByteArray::number(i) + "\"=\"Some text of a value, number " + QByteArray::number(i) + "\"\n";
        return file + "\n";
    }
    file += "\n[HKEY_CURRENT_USER\\Software\\Orbel\\PelkUpdater\\5.2.1.7]\n\"OldMsgIDs\"=\"";
    for (int i = 0; file.size() < size; ++i)
        file += "message-" + QByteArray::number(i) + ';';
    return file + "sp-5.2.2\"\n\n";
}

struct CheckCost
{
    double ms = 0;
    qint64 peakKiB = 0; // above the memory in use before
};

CheckCost measureCheckStore(const QString &file, const QByteArray &bytes, int fresh, int runs, bool &correct)
{
    const XmlDocumentPtr feed = ParseXmlText(
        "<messages><message id=\"welcome-2026\"/><message id=\"SP-5.2.2\"/><message id=\"a\"/>"
        "<message id=\"b\"/></messages>");
    const SystemClock clock;
    correct = true;
    CheckCost cost;
    // Each run starts from the store as it was, so that each writes the last-check time.
    cost.ms = fastestMs(runs, [&] {
        correct = correct && writeFile(file, bytes);
        resetResidentPeak();
        const qint64 before = residentPeakKiB();
        RegFileStore store(file, QString());
        correct = correct && GetInstallationId(store) == "{00000000-0000-0000-0000-000000000000}";
        WriteLastUpdate(store, kVersion, clock);
        correct = correct && ReadProxySettings(store).Option == 0;
        const MessageCounts counts = CountMessages(*feed, store, kVersion);
        correct = correct && counts.fresh == fresh;
        cost.peakKiB = qMax(cost.peakKiB, residentPeakKiB() - before);
    });
    return cost;
}

StoreTimes measureStore(const QString &file, const QByteArray &bytes, int runs, bool &correct)
{
    RegFileStore store(file, QString());
    StoreTimes times;
    // Two equal files take turns, so that every open reads and parses its file: the store
    // parses again only a file that is not the one it parsed last.
    const QString twin = file + QStringLiteral(".twin");
    RegFileStore twinStore(twin, QString());
    correct = writeFile(file, bytes) && writeFile(twin, bytes);
    int turn = 0;
    times.readMs = fastestMs(runs, [&] {
        const auto key = (turn++ % 2 == 0 ? twinStore : store).openKey(RegistryRoot::CurrentUser, kBenchKey, false);
        correct = correct && key;
    });
    times.writeMs = fastestMs(runs, [&] {
        const auto key = store.openKey(RegistryRoot::CurrentUser, kBenchKey, true);
        correct = correct && key;
        if (key)
            key->writeInteger(QStringLiteral("Written"), 1);
        correct = correct && key && key->readInteger(QStringLiteral("Written")) == 1;
        correct = correct && writeFile(file, bytes);
    });
    return times;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("user.reg"));
    bool allMet = true;

    struct NamedShape
    {
        const char *name;
        Shape shape;
    };
    for (const NamedShape &named : {NamedShape{"many keys", Shape::ManyKeys},
                                    NamedShape{"many values in one key", Shape::ManyValues},
                                    NamedShape{"keys of 8 values each", Shape::Mixed}}) {
        StoreTimes times[2];
        qsizetype sizes[2];
        for (int i = 0; i < 2; ++i) {
            const QByteArray bytes = generatedStore(named.shape, kMegabyte * (i == 0 ? 1 : 8));
            sizes[i] = bytes.size();
            bool correct = false;
            times[i] = measureStore(file, bytes, runs, correct);
            if (!correct) {
                std::fprintf(stderr, "the store of %s was not read or written correctly\n", named.name);
                return 2;
            }
        }
        const double ratio = times[1].readMs / times[0].readMs;
        const bool met = times[0].readMs <= 250.0 && times[0].writeMs <= 500.0 && ratio <= 16.0;
        allMet = allMet && met;
        std::printf("store, %-24s %5.2f MB: read %7.1f ms, write %7.1f ms; %5.2f MB: read %7.1f ms, write %7.1f ms;"
                    " read x%.2f  %s\n",
                    named.name, double(sizes[0]) / kMegabyte, times[0].readMs, times[0].writeMs,
                    double(sizes[1]) / kMegabyte, times[1].readMs, times[1].writeMs, ratio, met ? "ok" : "GOAL MISSED");
    }

    for (const auto &[name, shape] : {std::pair{"many values", CheckStore::ManyValues},
                                      std::pair{"one long seen list", CheckStore::LongSeenList}}) {
        CheckCost costs[2];
        qsizetype sizes[2];
        bool met = true;
        for (int i = 0; i < 2; ++i) {
            const QByteArray bytes = generatedCheckStore(shape, kMegabyte * (i == 0 ? 4 : 32));
            sizes[i] = bytes.size();
            bool correct = false;
            costs[i] = measureCheckStore(file, bytes, shape == CheckStore::LongSeenList ? 3 : 4, runs, correct);
            if (!correct) {
                std::fprintf(stderr, "the silent check's store work on %s went wrong\n", name);
                return 2;
            }
            const double megabytes = double(sizes[i]) / kMegabyte;
            met = met && costs[i].ms / megabytes <= 100.0 && costs[i].peakKiB / 1024.0 <= 4.0 * megabytes + 4.0;
        }
        allMet = allMet && met;
        std::printf("silent check, %-19s", name);
        for (int i = 0; i < 2; ++i) {
            const double megabytes = double(sizes[i]) / kMegabyte;
            std::printf(" %5.1f MB: %8.1f ms, peak +%5.1f MiB (%5.1f ms, %4.1f MiB per MB);", megabytes, costs[i].ms,
                        costs[i].peakKiB / 1024.0, costs[i].ms / megabytes, costs[i].peakKiB / 1024.0 / megabytes);
        }
        std::printf("  %s\n", met ? "ok" : "GOAL MISSED");
    }

    const QString iniPath = dir.filePath(QStringLiteral("PelkUpdater.ini"));
    RegFileStore store(dir.filePath(QStringLiteral("languages.reg")), QString());
    // The small list shows the time a user meets; the two large ones, too large for the
    // processor's caches, show how the time grows.
    const int languageCounts[3] = {2000, 16000, 128000};
    double languageMs[3];
    for (int i = 0; i < 3; ++i) {
        if (!writeFile(iniPath, generatedLanguages(languageCounts[i])))
            return 2;
        const IniFile ini(iniPath);
        Languages languages(ini, store);
        languageMs[i] = fastestMs(runs, [&] { languages.LoadLanguages(QByteArray()); });
        if (int(languages.list().size()) != languageCounts[i]) {
            std::fprintf(stderr, "wrong language list for %d languages\n", languageCounts[i]);
            return 2;
        }
    }
    const double languageRatio = languageMs[2] / languageMs[1];
    const bool languagesMet = languageMs[0] <= 100.0 && languageRatio <= 16.0;
    allMet = allMet && languagesMet;
    std::printf("language list, 2,000 languages: %7.1f ms; 16,000: %7.1f ms; 128,000: %7.1f ms; x%.2f  %s\n",
                languageMs[0], languageMs[1], languageMs[2], languageRatio, languagesMet ? "ok" : "GOAL MISSED");
    return allMet ? 0 : 1;
}
