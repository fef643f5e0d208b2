#pragma once

#include "sysinfo/XmlHelpers.h"

#include <QByteArray>
#include <QList>
#include <QString>

class Languages;

// What an automatic run tells the desktop about the new messages of a feed, as plain text:
// how many are new, the title of the newest of them (by its date; the later in the feed
// when dates tie or do not convert) and whether one of them is urgent (prio "high", as the
// message list draws it).
struct NewMessagesNotice
{
    int NewCount = 0;
    QString Summary;
    QString Body;
    QString OpenText; // the caption of the action that opens the messages window
    bool Urgent = false;
};

NewMessagesNotice MakeNewMessagesNotice(const XmlDocument &feed, const QList<QByteArray> &seenIds,
                                        const Languages &languages);
