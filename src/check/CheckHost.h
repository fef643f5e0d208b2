#pragma once

#include "sysinfo/XmlHelpers.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What an update check needs from the window that runs it. The main window implements it;
// tests use a recording host.
class CheckHost
{
public:
    virtual ~CheckHost() = default;

    virtual void ClearLog() = 0;
    // Appends one line to the log and lets pending events run so that it is painted.
    virtual void AddLogLine(const QString &line) = 0;
    // Hourglass cursor on or off.
    virtual void SetBusy(bool busy) = 0;
    // The "show the old messages?" question; true for Yes.
    virtual bool AskShowOldMessages(const QString &caption, const QString &text) = 0;
    // Hands the feed and a copy of the seen list to the messages window and shows it
    // modally; returns when the user has closed it.
    virtual void ShowMessages(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds) = 0;
};
