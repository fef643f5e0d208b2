#pragma once

#include "sysinfo/XmlHelpers.h"

#include <QByteArray>

class Languages;

// The document of a reply with status 200. An empty body is a feed without messages, as
// services answer when there is nothing to say; any other body must be a well-formed
// document whose root element is <messages>. Anything else throws PelkError with one
// sentence in the user's language that says what is wrong and where.
XmlDocumentPtr ReadFeedReply(const QByteArray &body, const Languages &texts);
