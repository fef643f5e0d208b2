#pragma once

struct NewMessagesNotice;

// Tells the user of new messages without taking the focus (the desktop's notifications), and
// waits for the answer.
class NewMessagesNotifier
{
public:
    enum class Answer {
        NoService, // nothing could be posted: the run shows the messages window as "/SILENT" does
        Open,      // the user asked for the messages window
        Dismissed, // closed, expired or left alone: the messages stay unread
    };

    virtual ~NewMessagesNotifier() = default;
    virtual Answer notify(const NewMessagesNotice &notice) = 0;
};
