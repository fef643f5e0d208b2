#pragma once

#include "sysinfo/XmlHelpers.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The log line of a run that cannot show the messages window: the new messages of the feed
// (those not in `seenIds`, without regard to case), the last of the feed first as in the
// window, each as its date in the short date format and its title, so that an unattended
// run leaves a trace of what waits for the user. A date that does not convert stands as
// it is in the feed. A line names at most a screenful of messages, each title cut to a
// readable length, and then how many more there are: `moreText` with "%1" for their number
// (the English text when it has no "%1"). The line begins with `introText` (by default the
// English one) and ": ".
QString NewMessagesLine(const XmlDocument &feed, const QList<QByteArray> &seenIds, const QString &moreText,
                        const QString &introText = QString());

// A title cut to kNewMessageTitleShown characters, with an ellipsis where it was cut.
QString ShortMessageTitle(const QString &title);

constexpr int kNewMessagesNamed = 20;
constexpr int kNewMessageTitleShown = 100;
