#include "messages/NewMessagesNotice.h"

#include "base/PelkError.h"
#include "base/VisibleText.h"
#include "i18n/Languages.h"
#include "messages/MessageList.h"
#include "messages/MessageTexts.h"
#include "messages/NewMessagesLine.h"
#include "messages/SeenMsgIDs.h"

namespace {
// The feed's date ("YYYYMMDD") when it converts; an empty one sorts before every date.
QString sortableDate(const pugi::xml_node &message)
{
    const QString date = SelectText(message, QStringLiteral("./@date"), QString());
    try {
        MsgDateText(date);
        return date.left(8);
    } catch (const PelkError &) {
        return QString();
    }
}

QString textWithNumber(const QString &text, const char *key, const QString &value)
{
    return (text.contains(QLatin1String("%1")) ? text : BuiltInText(key)).arg(value);
}
} // namespace

NewMessagesNotice MakeNewMessagesNotice(const XmlDocument &feed, const QList<QByteArray> &seenIds,
                                        const Languages &languages)
{
    const MessageList list = BuildMessageList(&feed, SeenMsgIDs(seenIds), MessageListTexts());
    const pugi::xpath_node_set nodes = SelectNodes(feed, QStringLiteral("/messages/message"));
    NewMessagesNotice notice;
    QString newestDate;
    QString newestTitle;
    // The records come last message of the feed first, so the first of the newest date wins.
    for (const TMessageData &record : list.Records) {
        if (!record.IsUnread)
            continue;
        ++notice.NewCount;
        notice.Urgent = notice.Urgent || record.IsHighPrio;
        const pugi::xml_node message = nodes[record.FeedIndex].node();
        const QString date = sortableDate(message);
        if (notice.NewCount == 1 || date > newestDate) {
            newestDate = date;
            newestTitle = SelectText(message, QStringLiteral("./title"), QString());
        }
    }
    notice.Summary = textWithNumber(languages.GetTextOrBuiltIn("txtNotifySummary"), "txtNotifySummary",
                                    QString::number(notice.NewCount));
    notice.Body = textWithNumber(languages.GetTextOrBuiltIn("txtNotifyNewest"), "txtNotifyNewest",
                                 VisibleText(ShortMessageTitle(newestTitle)));
    notice.OpenText = languages.GetTextOrBuiltIn("txtNotifyOpen");
    return notice;
}
