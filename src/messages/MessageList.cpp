#include "messages/MessageList.h"

#include "base/PelkError.h"
#include "messages/MessageTexts.h"
#include "messages/SeenMsgIDs.h"

MessageList BuildMessageList(const XmlDocument *feed, const SeenMsgIDs &seen, const MessageListTexts &texts)
{
    MessageList list;
    if (!feed)
        return list;

    const pugi::xpath_node_set nodes = SelectNodes(*feed, QStringLiteral("/messages/message"));
    const size_t count = nodes.size();
    list.Records.reserve(count);
    list.Rows.reserve(count);
    const QString newPrefix = texts.NewText + QStringLiteral(": ");

    for (size_t i = count; i-- > 0;) {
        const pugi::xml_node message = nodes[i].node();
        const QString prio = AttributeText(message, QStringLiteral("prio"), QString());

        TMessageData record;
        record.MsgID = AttributeText(message, QStringLiteral("id"), QString()).toUtf8();
        record.FeedIndex = i;
        record.IsUnread = !seen.contains(record.MsgID);
        record.IsHighPrio = prio == QLatin1String("high");

        MessageRow row;
        row.Record = list.Records.size();
        const QString title = SelectText(message, QStringLiteral("./title"), QString());
        try {
            row.Date = MsgDateText(SelectText(message, QStringLiteral("./@date"), QString()));
        } catch (const PelkError &error) {
            if (list.FirstError.isEmpty())
                list.FirstError = QStringLiteral("The date of the message \"%1\" cannot be read: %2").arg(title, error.message());
        }
        row.Prio = MsgPrioText(prio);
        row.Type = MsgTypeText(SelectText(message, QStringLiteral("./@type"), QString()), texts.InfoText,
                               texts.UpdateText);
        row.Summary = record.IsUnread ? newPrefix + title : title;

        list.Records.push_back(std::move(record));
        list.Rows.push_back(std::move(row));
    }
    return list;
}
