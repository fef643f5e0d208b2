#include "messages/MessagePage.h"

#include <cstring>

namespace {
const QLatin1String kLineEnd("\r\n");

const QLatin1String kStyleSheet(
    "a:link,a:visited,a.default:link, a.default:visited\r\n"
    "{\r\n"
    "color: #000000;\r\n"
    "text-decoration: none;\r\n"
    "font-weight : bold;\t\r\n"
    "background: url(data:image/gif;base64,R0lGODlhCQAIAIABAACR3P///yH5BAEAAAEALAAAAAAJAAgAAAIPjANwi8qWWpq0RnZXPrkAADs=)"
    " no-repeat scroll 0 3px transparent;\r\n"
    "padding: 0 0 0 14px;\r\n"
    "}\r\n"
    "a:hover, a.default:hover\r\n"
    "{\r\n"
    "color: #0091DC;\r\n"
    "text-decoration: underline;\r\n"
    "}\r\n"
    "body\r\n"
    "{\r\n"
    "font-family: Arial, Geneva, Helvetica, sans-serif; \r\n"
    "font-size:14px;\r\n"
    "color:#000000;\r\n"
    "}\r\n"
    "h1\r\n"
    "{\r\n"
    "font-size: 18px;\r\n"
    "color:#666666;\r\n"
    "}\r\n");
} // namespace

QString EscapeHtmlText(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case 0:
            return escaped;
        case '&':
            escaped += QLatin1String("&amp;");
            break;
        case '<':
            escaped += QLatin1String("&lt;");
            break;
        case '>':
            escaped += QLatin1String("&gt;");
            break;
        case '"':
            escaped += QLatin1String("&quot;");
            break;
        case '\'':
            escaped += QLatin1String("&#39;");
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

QString MsgPageText(const QString &title, const QString &description)
{
    const QString escapedTitle = EscapeHtmlText(title);
    QString page;
    page.reserve(kStyleSheet.size() + 2 * escapedTitle.size() + description.size() + 256);
    page += QLatin1String("<html>") + kLineEnd;
    page += QLatin1String("<head>") + kLineEnd;
    page += QLatin1String("<meta http-equiv=\"X-UA-Compatible\" content=\"IE=EmulateIE7\">") + kLineEnd;
    page += QLatin1String("<title>") + escapedTitle + QLatin1String("</title>") + kLineEnd;
    page += QLatin1String("<style type=\"text/css\">") + kLineEnd;
    page += kStyleSheet + kLineEnd;
    page += QLatin1String("</style>") + kLineEnd;
    page += QLatin1String("</head>") + kLineEnd;
    page += QLatin1String("<body>") + kLineEnd;
    page += QLatin1String("<h1>") + escapedTitle + QLatin1String("</h1>") + kLineEnd;
    page += description + kLineEnd;
    page += QLatin1String("</body>") + kLineEnd;
    page += QLatin1String("</html>") + kLineEnd;
    return page;
}

pugi::xml_node FindMessage(const XmlDocument &feed, const QByteArray &id)
{
    const pugi::xml_node root = feed.document_element();
    if (std::strcmp(root.name(), "messages") != 0)
        return pugi::xml_node();
    for (const pugi::xml_node message : root.children("message")) {
        const pugi::xml_attribute attribute = message.attribute("id");
        if (attribute && id == attribute.value())
            return message;
    }
    return pugi::xml_node();
}

QByteArray MsgPageHtml(const XmlDocument &feed, const QByteArray &id)
{
    return MsgPageHtml(FindMessage(feed, id));
}

QByteArray MsgPageHtml(const pugi::xml_node &message)
{
    QString title;
    QString description;
    if (message) {
        title = SelectText(message, QStringLiteral("./title"), QString());
        description = SelectText(message, QStringLiteral("./desc"), QString());
    }
    return MsgPageText(title, description).toUtf8();
}
