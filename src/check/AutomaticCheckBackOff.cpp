#include "check/AutomaticCheckBackOff.h"

#include "settings/UPelkUpdaterUtils.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <limits>

namespace {
int monthNumber(const QString &name)
{
    static const QStringList kMonths{QStringLiteral("Jan"), QStringLiteral("Feb"), QStringLiteral("Mar"),
                                     QStringLiteral("Apr"), QStringLiteral("May"), QStringLiteral("Jun"),
                                     QStringLiteral("Jul"), QStringLiteral("Aug"), QStringLiteral("Sep"),
                                     QStringLiteral("Oct"), QStringLiteral("Nov"), QStringLiteral("Dec")};
    return int(kMonths.indexOf(name)) + 1;
}

// The preferred form "Sun, 06 Nov 1994 08:49:37 GMT" and the two obsolete ones that HTTP
// still asks recipients to read: "Sunday, 06-Nov-94 08:49:37 GMT" and "Sun Nov  6 08:49:37 1994".
std::optional<QDateTime> httpDate(const QString &text, const QDateTime &now)
{
    static const QString kDay = QStringLiteral("(?:Mon|Tue|Wed|Thu|Fri|Sat|Sun)");
    static const QString kMonth = QStringLiteral("(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)");
    static const QString kTime = QStringLiteral("(\\d\\d):(\\d\\d):(\\d\\d)");
    static const QRegularExpression kFixDate(QStringLiteral("^%1, (\\d\\d) %2 (\\d{4}) %3 GMT$").arg(kDay, kMonth, kTime));
    static const QRegularExpression kRfc850(
        QStringLiteral("^(?:Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday), (\\d\\d)-%1-(\\d\\d) %2 GMT$")
            .arg(kMonth, kTime));
    static const QRegularExpression kAsctime(QStringLiteral("^%1 %2 ([ \\d]\\d) %3 (\\d{4})$").arg(kDay, kMonth, kTime));

    int day = 0, month = 0, year = 0, timeAt = 0;
    QRegularExpressionMatch m;
    if ((m = kFixDate.match(text)).hasMatch()) {
        day = m.captured(1).toInt();
        month = monthNumber(m.captured(2));
        year = m.captured(3).toInt();
        timeAt = 4;
    } else if ((m = kRfc850.match(text)).hasMatch()) {
        day = m.captured(1).toInt();
        month = monthNumber(m.captured(2));
        // A two-digit year more than 50 years ahead means the century before.
        year = now.date().year() / 100 * 100 + m.captured(3).toInt();
        if (year > now.date().year() + 50)
            year -= 100;
        timeAt = 4;
    } else if ((m = kAsctime.match(text)).hasMatch()) {
        month = monthNumber(m.captured(1));
        day = m.captured(2).trimmed().toInt();
        year = m.captured(6).toInt();
        timeAt = 3;
    } else {
        return std::nullopt;
    }
    const QDate date(year, month, day);
    const QTime time(m.captured(timeAt).toInt(), m.captured(timeAt + 1).toInt(), m.captured(timeAt + 2).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time, Qt::UTC);
}

QDateTime latestAllowed(const QDateTime &now)
{
    return now.toUTC().addSecs(kLongestAutomaticWaitSeconds);
}
} // namespace

std::optional<QDateTime> RetryAfterTime(const QByteArray &value, const QDateTime &now)
{
    const QString text = QString::fromLatin1(value.trimmed());
    static const QRegularExpression kSeconds(QStringLiteral("^\\d+$"));
    if (kSeconds.match(text).hasMatch()) {
        // More than a day is a day: the number needs no more digits than that.
        const qint64 seconds = text.size() > 9 ? kLongestAutomaticWaitSeconds : text.toLongLong();
        return now.toUTC().addSecs(std::min(seconds, kLongestAutomaticWaitSeconds));
    }
    return httpDate(text, now);
}

// "Full jitter" (every wait in the range equally likely) keeps clients that failed together
// from coming back together. Its floor is one hour rather than zero: a service that failed
// is not asked again at once. The n-th failure in a row waits uniformly in
// [1 h, min(24 h, 2^n h)]: 1-2 h, 1-4 h, 1-8 h, 1-16 h, then 1-24 h.
qint64 FailureWaitSeconds(int failuresInARow, QRandomGenerator &random)
{
    const int doublings = std::clamp(failuresInARow, 1, 5);
    const qint64 longest = std::min(kLongestAutomaticWaitSeconds, kShortestFailureWaitSeconds << doublings);
    return random.bounded(kShortestFailureWaitSeconds, longest + 1);
}

QDateTime NextAutomaticCheckAfterFailure(int failuresInARow, const QByteArray &retryAfter, const QDateTime &now,
                                         QRandomGenerator &random)
{
    const std::optional<QDateTime> asked = RetryAfterTime(retryAfter, now);
    const QDateTime next = asked ? *asked : now.toUTC().addSecs(FailureWaitSeconds(failuresInARow, random));
    return std::min(next, latestAllowed(now));
}

void RecordFailedAutomaticCheck(RegistryStore &store, const QByteArray &retryAfter, const QDateTime &now,
                                QRandomGenerator &random)
{
    quint32 failures = 0;
    try {
        failures = ReadFailedAutomaticChecks(store);
    } catch (...) {
        // A count that cannot be read starts again.
    }
    if (failures < std::numeric_limits<quint32>::max())
        ++failures;
    WriteFailedAutomaticChecks(store, failures);
    WriteNextAutomaticCheck(store, NextAutomaticCheckAfterFailure(int(std::min<quint32>(failures, 64)), retryAfter,
                                                                  now, random));
}

void ResetAutomaticCheckBackOff(RegistryStore &store)
{
    bool waiting = false;
    try {
        waiting = ReadFailedAutomaticChecks(store) != 0 || ReadNextAutomaticCheck(store).has_value();
    } catch (...) {
        waiting = true; // a value of the wrong type is replaced
    }
    if (!waiting)
        return;
    WriteFailedAutomaticChecks(store, 0);
    WriteNextAutomaticCheck(store, std::nullopt);
}

std::optional<QDateTime> AutomaticCheckWait(RegistryStore &store, const QDateTime &now)
{
    std::optional<QDateTime> next;
    try {
        next = ReadNextAutomaticCheck(store);
    } catch (...) {
        return std::nullopt;
    }
    // A record further ahead than any wait was written by a clock that has since been set
    // back; honouring it, even capped, would pause checks for as long as the clock was off.
    if (!next || *next <= now || *next > latestAllowed(now))
        return std::nullopt;
    return next->toUTC();
}
