#include "messages/NewMessagesLine.h"

#include "base/PelkError.h"
#include "messages/MessageTexts.h"
#include "messages/SeenMsgIDs.h"

#include <QStringList>

namespace {
QString dateOf(const pugi::xml_node &message)
{
    const QString date = SelectText(message, QStringLiteral("./@date"), QString());
    try {
        return MsgDateText(date);
    } catch (const PelkError &) {
        return date;
    }
}
} // namespace

QString NewMessagesLine(const XmlDocument &feed, const QList<QByteArray> &seenIds)
{
    const SeenMsgIDs seen(seenIds);
    const pugi::xpath_node_set nodes = SelectNodes(feed, QStringLiteral("/messages/message"));
    QStringList named;
    for (size_t i = nodes.size(); i-- > 0;) {
        const pugi::xml_node message = nodes[i].node();
        if (seen.contains(AttributeText(message, QStringLiteral("id"), QString()).toUtf8()))
            continue;
        named << dateOf(message) + QLatin1Char(' ') + SelectText(message, QStringLiteral("./title"), QString());
    }
    return QStringLiteral("No display: the new messages stay unread until a run with a display shows them: ")
        + named.join(QStringLiteral("; "));
}
