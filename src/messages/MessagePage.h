#pragma once

#include "sysinfo/XmlHelpers.h"

#include <QByteArray>
#include <QString>

// The page shown for one message: a small HTML document built from its title and description.

// "&", "<", ">", the double quote and the apostrophe as character references; every other
// character as it is. The text ends at its first NUL character.
QString EscapeHtmlText(const QString &text);

// The thirteen lines of the page, each followed by CR LF: the escaped title in the title
// element and the heading, the description (an HTML fragment) unchanged in the body.
QString MsgPageText(const QString &title, const QString &description);

// The first "/messages/message" whose "id" attribute equals `id` exactly (letter case counts),
// or a null node. The identifier is compared, never placed into an expression.
pugi::xml_node FindMessage(const XmlDocument &feed, const QByteArray &id);

// The page of the message with identifier `id`, UTF-8; empty title and body when the feed
// has no such message.
QByteArray MsgPageHtml(const XmlDocument &feed, const QByteArray &id);
// The page of one "/messages/message" node (null: empty title and body).
QByteArray MsgPageHtml(const pugi::xml_node &message);
