#pragma once

#include <QByteArray>
#include <QDateTime>
#include <optional>

class QRandomGenerator;
class RegistryStore;

// When automatic checks ("/AUTO") wait: until the time a service's Retry-After names, or,
// after checks that failed without one, for a growing random while. Every wait ends 24 hours
// from now at the latest. Interactive and "/SILENT" runs never wait.

// The longest wait, and the first and shortest one after a failure.
constexpr qint64 kLongestAutomaticWaitSeconds = 24 * 3600;
constexpr qint64 kShortestFailureWaitSeconds = 3600;

// The time a Retry-After value names, as delta seconds or as an HTTP date (all three forms
// HTTP allows); nothing for any other text.
std::optional<QDateTime> RetryAfterTime(const QByteArray &value, const QDateTime &now);

// The random wait after the n-th failed automatic check in a row (n >= 1), in seconds.
qint64 FailureWaitSeconds(int failuresInARow, QRandomGenerator &random);

// When the next automatic check may run after the n-th failure in a row: the time the
// service's Retry-After names, else the random wait; at most 24 hours from now.
QDateTime NextAutomaticCheckAfterFailure(int failuresInARow, const QByteArray &retryAfter, const QDateTime &now,
                                         QRandomGenerator &random);

// Counts a failed automatic check and stores when the next one may run.
void RecordFailedAutomaticCheck(RegistryStore &store, const QByteArray &retryAfter, const QDateTime &now,
                                QRandomGenerator &random);
// A check that got its feed ends the wait and the count; stores nothing when there is none.
void ResetAutomaticCheckBackOff(RegistryStore &store);

// Until when automatic checks wait, when that is later than now; a stored time more than
// 24 hours ahead (the clock was set back) and an unreadable one are no wait. Never throws.
std::optional<QDateTime> AutomaticCheckWait(RegistryStore &store, const QDateTime &now);
