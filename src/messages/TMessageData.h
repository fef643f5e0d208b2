#pragma once

#include <QByteArray>

// One listed message: its identifier and the two states that decide how its row is drawn.
struct TMessageData
{
    QByteArray MsgID;       // the "id" attribute, UTF-8
    bool IsUnread = false;  // drawn bold
    bool IsHighPrio = false; // "prio" is exactly "high": drawn in the high-priority colour
};
