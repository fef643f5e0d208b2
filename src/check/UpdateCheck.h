#pragma once

#include "check/CheckContext.h"
#include "check/RequestLimits.h"
#include "sysinfo/XmlHelpers.h"

#include <QByteArray>
#include <QList>
#include <QString>

class CheckHost;
class RegistryStore;

// The messages of a reply document and the new ones among them (those whose identifier is
// not in the seen list, without regard to case), with the seen list they were compared
// with, as stored (one text; see ReadOldMsgIdsText). The seen list is read only when there
// are messages.
struct MessageCounts
{
    int total = 0;
    int fresh = 0;
    QString seenText;
};
MessageCounts CountMessages(const pugi::xml_document &feed, RegistryStore &store, const QString &version);

// Sends the update request to `address` and returns the reply document; nullptr when the
// service answered with another status than 200 (that line is already in the log), and then
// `retryAfter` gets the Retry-After of a 429 or 503 reply.
// Throws PelkError on a failure of the exchange (address, connection, time-out, TLS, size).
XmlDocumentPtr SendUpdateRequest(const QByteArray &address, const CheckContext &context,
                                 CheckHost &host, const RequestLimits &limits = RequestLimits(),
                                 QByteArray *retryAfter = nullptr);

// How a check ended, for the exit status of unattended runs.
enum class CheckOutcome {
    Checked,    // the service answered with a feed; its messages were counted and shown
    NotAllowed, // the installation allows no online update (or its data could not be read)
    Failed,     // no feed: no address, no connection, an error reply, a refused feed
};

// How a check ended, and the service's Retry-After when it answered 429 or 503 with one.
struct CheckResult
{
    CheckOutcome outcome = CheckOutcome::Failed;
    QByteArray retryAfter;
};

// One complete check, from the permission test to the messages window. Never throws:
// every failure becomes one "txtError" log line. A check that got its feed stores the time
// as the last successful check and ends any wait of automatic checks.
CheckResult CheckForUpdates(bool silent, const CheckContext &context, CheckHost &host,
                             const RequestLimits &limits = RequestLimits());
