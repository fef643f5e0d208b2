#include "check/UpdateCheck.h"

#include "base/Clock.h"
#include "base/FailureMessage.h"
#include "check/AutomaticCheckBackOff.h"
#include "check/CheckHost.h"
#include "check/UpdateRequest.h"
#include "check/UserInputBlocker.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "messages/SeenMsgIDs.h"
#include "settings/UPelkUpdaterUtils.h"

#include <QScopeGuard>

namespace {
// Counts the messages and the new ones, logs them and shows what there is to show; the
// question and the messages window take the user's input.
void reportFeed(bool silent, const CheckContext &context, CheckHost &host, const XmlDocumentPtr &feed,
                UserInputBlocker &blocker)
{
    const Languages &texts = context.languages;
    const MessageCounts counts = CountMessages(*feed, context.store, context.installation.ProgVersion);
    if (counts.total == 0) {
        host.AddLogLine(texts.GetText("txtNoUpdatesAvailable"));
        return;
    }
    host.AddLogLine(texts.GetText("txtNumberOfMessagesTotal") + QStringLiteral(": ") + QString::number(counts.total));
    host.AddLogLine(texts.GetText("txtNumberOfMessagesNew") + QStringLiteral(": ") + QString::number(counts.fresh));

    if (counts.fresh == 0) {
        host.AddLogLine(texts.GetText("txtNoNewUpdatesAvailable"));
        if (silent)
            return;
        const UserInputBlocker::Pause asking(blocker);
        if (!host.AskShowOldMessages(texts.GetText("txtNoNewUpdatesAvailable"), texts.GetText("txtShowOldUpdates")))
            return;
    }
    const UserInputBlocker::Pause showing(blocker);
    // Split only now, for the window: counting needed no list. The window orders it itself.
    host.ShowMessages(feed, SplitOldMsgIds(counts.seenText));
}
void recordSuccess(const CheckContext &context)
{
    try {
        WriteLastSuccessfulCheck(context.store, context.clock.localNow());
    } catch (...) {
        // Without the record the next automatic run checks again: no harm done.
    }
    try {
        // Whatever run it was, the service answers again: automatic checks need not wait.
        ResetAutomaticCheckBackOff(context.store);
    } catch (...) {
        // The wait ends by itself within a day.
    }
}
} // namespace

MessageCounts CountMessages(const pugi::xml_document &feed, RegistryStore &store, const QString &version)
{
    MessageCounts counts;
    const pugi::xpath_node_set nodes = SelectNodes(feed, QStringLiteral("/messages/message"));
    counts.total = static_cast<int>(nodes.size());
    if (counts.total == 0)
        return counts;

    counts.seenText = ReadOldMsgIdsText(store, version);
    // Every node counts, duplicates included; a message without "id" has an empty one.
    // Counting needs no list: the seen text may be long, the feed is short.
    QList<QByteArray> ids;
    ids.reserve(counts.total);
    for (const pugi::xpath_node &node : nodes)
        ids.append(QByteArray(node.node().attribute("id").value()));
    const QSet<QString> seen = SeenMsgIDs::seenAmong(counts.seenText, OldMsgIdSeparator, ids);
    counts.fresh = 0;
    for (const QByteArray &id : ids) {
        if (!seen.contains(SeenMsgIDs::foldedKey(id)))
            ++counts.fresh;
    }
    return counts;
}

CheckResult CheckForUpdates(bool silent, const CheckContext &context, CheckHost &host, const RequestLimits &limits)
{
    const Languages &texts = context.languages;
    CheckResult result;
    try {
        // Clicks and keys that arrive while the check works are dropped, not kept for later.
        UserInputBlocker blocker;
        host.ClearLog();
        if (!context.installation.OnlineUpdateAllowed) {
            host.AddLogLine(texts.GetText("txtOnlineUpdatesDisabled"));
            if (!context.installation.LoadFailure.isEmpty())
                host.AddLogLine(context.installation.LoadFailure);
            result.outcome = CheckOutcome::NotAllowed;
            return result;
        }

        host.SetBusy(true);
        const auto idle = qScopeGuard([&host] { host.SetBusy(false); });
        try {
            host.AddLogLine(texts.GetText("txtCheckingForUpdates") + QStringLiteral(" ..."));
            const XmlDocumentPtr feed =
                SendUpdateRequest(ServiceAddress(context.ini), context, host, limits, &result.retryAfter);
            if (feed) {
                recordSuccess(context);
                result.outcome = CheckOutcome::Checked;
                reportFeed(silent, context, host, feed, blocker);
            }
        } catch (...) {
            // Whatever failed, out of memory or a library's exception included, the check ends
            // with one line and the program goes on.
            host.AddLogLine(texts.GetText("txtError") + QStringLiteral(": ") + CurrentFailureMessage());
        }
    } catch (...) {
        // Only the log itself can fail here; there is nowhere left to report that.
    }
    return result;
}
