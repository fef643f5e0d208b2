#pragma once

#include <QByteArray>

#include <cstddef>

// One listed message: its identifier and the two states that decide how its row is drawn.
struct TMessageData
{
    QByteArray MsgID;       // the "id" attribute, UTF-8
    bool IsUnread = false;  // drawn bold
    bool IsHighPrio = false; // "prio" is exactly "high": drawn in the high-priority colour
    // Its place among the feed's "/messages/message" nodes: two messages may share an id.
    size_t FeedIndex = 0;
};
