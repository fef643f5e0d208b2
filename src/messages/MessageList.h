#pragma once

#include "messages/TMessageData.h"
#include "sysinfo/XmlHelpers.h"

#include <QString>
#include <vector>

class SeenMsgIDs;

// The texts of one row of the message list, in column order, and the record it stands for.
struct MessageRow
{
    QString Date;
    QString Prio;
    QString Type;
    QString Summary;
    size_t Record = 0; // index into MessageList::Records
};

// Everything the message list shows for one feed.
struct MessageList
{
    std::vector<TMessageData> Records;
    std::vector<MessageRow> Rows; // the last message of the feed first
    // The first date that did not convert, with its message's title. Such a row is listed all
    // the same, with an empty Date cell, and the filling goes on with the next message.
    QString FirstError;
};

// The stored texts of the messages window that the rows use.
struct MessageListTexts
{
    QString InfoText;
    QString UpdateText;
    QString NewText;
};

// Builds the rows of the feed's "/messages/message" nodes in reverse document order; a row
// is new when its identifier is not in `seen`. A missing feed gives no rows. Errors of the
// XML services throw PelkError.
MessageList BuildMessageList(const XmlDocument *feed, const SeenMsgIDs &seen, const MessageListTexts &texts);
