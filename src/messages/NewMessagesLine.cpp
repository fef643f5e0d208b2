#include "messages/NewMessagesLine.h"

#include "base/PelkError.h"
#include "i18n/Languages.h"
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

QString ShortMessageTitle(const QString &title)
{
    if (title.size() <= kNewMessageTitleShown)
        return title;
    qsizetype cut = kNewMessageTitleShown - 1;
    if (title.at(cut).isLowSurrogate())
        --cut;
    return title.left(cut) + QChar(0x2026);
}

QString NewMessagesLine(const XmlDocument &feed, const QList<QByteArray> &seenIds, const QString &moreText,
                        const QString &introText)
{
    const pugi::xpath_node_set nodes = SelectNodes(feed, QStringLiteral("/messages/message"));
    QList<QByteArray> ids;
    ids.reserve(qsizetype(nodes.size()));
    for (const pugi::xpath_node &node : nodes)
        ids.append(AttributeText(node.node(), QStringLiteral("id"), QString()).toUtf8());
    const QSet<QString> seen = SeenMsgIDs::seenAmong(seenIds, ids);
    QStringList named;
    qsizetype more = 0;
    for (size_t i = nodes.size(); i-- > 0;) {
        const pugi::xml_node message = nodes[i].node();
        if (seen.contains(SeenMsgIDs::foldedKey(ids.at(qsizetype(i)))))
            continue;
        if (named.size() == kNewMessagesNamed) {
            ++more;
            continue;
        }
        named << dateOf(message) + QLatin1Char(' ')
                + ShortMessageTitle(SelectText(message, QStringLiteral("./title"), QString()));
    }
    if (more > 0) {
        const QString text = moreText.contains(QLatin1String("%1")) ? moreText : BuiltInText("txtMoreNewMessages");
        named << text.arg(more);
    }
    const QString intro = introText.isEmpty() ? BuiltInText("txtNoDisplayNewMessages") : introText;
    return intro + QStringLiteral(": ") + named.join(QStringLiteral("; "));
}
