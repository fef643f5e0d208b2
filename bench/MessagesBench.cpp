// List benchmark: a generated feed of 10,000 and of 100,000 messages, half of them seen, is
// counted as the check counts it and filled into the messages window (offscreen).
// Goal: 10,000 messages in at most 0.5 s, 100,000 in at most 12 times that.
//   pelk_messages_bench [runs]   (default 5; the fastest run counts, since other work on the
//   machine only ever adds time)
// Exits 1 when a goal is missed.

#include "check/UpdateCheck.h"
#include "messages/MessagePageScheme.h"
#include "messages/MessagePageView.h"
#include "messages/SeenMsgIDs.h"
#include "messages/UPelkUpdaterMessages.h"
#include "messages/UrlOpener.h"
#include "settings/RegFileStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "base/Clock.h"
#include "sysinfo/InstallationData.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
class NoBrowser : public UrlOpener
{
public:
    void openUrl(const QUrl &) override {}
};

QByteArray idOf(int i)
{
    return "msg-" + QByteArray::number(i).rightJustified(6, '0');
}

QByteArray generatedFeed(int count)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<messages>\n";
    xml.reserve(count * 200);
    for (int i = 0; i < count; ++i) {
        xml += "<message id=\"" + idOf(i) + "\" date=\"2026" + QByteArray::number(1 + i % 12).rightJustified(2, '0')
            + QByteArray::number(1 + i % 28).rightJustified(2, '0') + "\" type=\""
            + (i % 3 ? "info" : "update") + "\"" + (i % 10 == 0 ? " prio=\"high\"" : "") + "><title>Message number "
            + QByteArray::number(i) + " of the generated feed</title><desc><![CDATA[<p>Body of message "
            + QByteArray::number(i) + "</p>]]></desc></message>\n";
    }
    return xml + "</messages>\n";
}

// Every second message seen, stored in another letter case in a shuffled order.
QList<QByteArray> seenHalf(int count)
{
    QList<QByteArray> ids;
    for (int i = 0; i < count; i += 2)
        ids.append(idOf((i * 7919) % count).toUpper());
    return ids;
}

bool waitUntil(const std::function<bool()> &condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

struct Result
{
    double parseMs = 0;
    double countMs = 0;
    double fillMs = 0;
    int total = 0;
    int fresh = 0;
    int rows = 0;
};

Result runOnce(TFPelkUpdaterMessages &window, RegistryStore &store, const QString &version, int count)
{
    Result result;
    QElapsedTimer timer;
    timer.start();
    const XmlDocumentPtr feed = ParseXmlText(generatedFeed(count));
    result.parseMs = double(timer.nsecsElapsed()) / 1e6;

    // What the check does with a reply: count all and the new messages.
    timer.restart();
    const MessageCounts counts = CountMessages(*feed, store, version);
    result.total = counts.total;
    result.fresh = counts.fresh;
    result.countMs = double(timer.nsecsElapsed()) / 1e6;

    // The hand-over and the filling, until the list has been laid out and painted.
    timer.restart();
    window.setFeed(feed, SplitOldMsgIds(counts.seenText));
    window.FillMsgList();
    auto *list = window.findChild<QTreeView *>(QStringLiteral("LVMsg"));
    list->viewport()->repaint();
    QCoreApplication::processEvents();
    result.fillMs = double(timer.nsecsElapsed()) / 1e6;
    result.rows = list->model()->rowCount();
    return result;
}

Result fastest(const std::vector<Result> &results)
{
    return *std::min_element(results.begin(), results.end(), [](const Result &a, const Result &b) {
        return a.countMs + a.fillMs < b.countMs + b.fillMs;
    });
}
} // namespace

int main(int argc, char *argv[])
{
    RegisterMessagePageScheme();
    QApplication application(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 5;

    QTemporaryDir dir;
    RegFileStore store(dir.filePath(QStringLiteral("user.reg")), dir.filePath(QStringLiteral("machine.reg")));
    InstallationData installation;
    installation.ProgVersion = QStringLiteral("5.2.1.7");
    SystemClock clock;
    NoBrowser browser;
    TFPelkUpdaterMessages window(store, installation, clock, browser);
    window.setPageFactory(MessagePageView::factory());

    // The page engine starts with the first show; that start is not the list's time.
    window.setFeed(ParseXmlText(generatedFeed(3)), {});
    window.show();
    if (!waitUntil([&window] { 
            const auto *view = dynamic_cast<MessagePageView *>(window.pageDisplay());
            return view && view->isLoadFinished(); }, 30000)) {
        std::fprintf(stderr, "the page view did not load its first page\n");
        return 2;
    }

    std::vector<Result> best;
    for (const int count : {10000, 100000}) {
        SaveOldMsgIds(store, installation.ProgVersion, seenHalf(count));
        std::vector<Result> results;
        for (int run = 0; run < runs; ++run)
            results.push_back(runOnce(window, store, installation.ProgVersion, count));
        const Result result = fastest(results);
        best.push_back(result);
        std::printf("%6d messages (%d new, %d rows): count %7.1f ms + fill %7.1f ms = %7.1f ms"
                    "   (parsing the reply, not counted: %.1f ms)\n",
                    result.total, result.fresh, result.rows, result.countMs, result.fillMs,
                    result.countMs + result.fillMs, result.parseMs);
        if (result.rows != count || result.fresh != count / 2) {
            std::fprintf(stderr, "wrong result for %d messages\n", count);
            return 2;
        }
    }
    window.hide();

    const double small = best[0].countMs + best[0].fillMs;
    const double large = best[1].countMs + best[1].fillMs;
    const double ratio = large / small;
    const bool fastEnough = small <= 500.0;
    const bool scales = ratio <= 12.0;
    std::printf("10,000 within 500 ms: %s; 100,000 / 10,000 = %.1f (at most 12): %s\n", fastEnough ? "yes" : "NO",
                ratio, scales ? "yes" : "NO");
    return fastEnough && scales ? 0 : 1;
}
