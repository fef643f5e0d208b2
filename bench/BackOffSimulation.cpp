// What the back-off of automatic checks saves a service operator: 1,000 clients against a
// service that answers 503 for one hour, with and without back-off, with and without
// Retry-After: 3600. Every client's "/AUTO" run starts at a fixed interval (an administrator's
// timer, or users logging in), at its own random offset; without back-off every start sends
// a request. The back-off is the program's own (the core library's functions).
//
// Each client's first start in the hour must ask the service to learn that it is down, so
// back-off saves at most all requests but that one: 5 of 6 (83%) with a start every
// 10 minutes, 11 of 12 (92%) with one every 5 minutes. The run fails when a client sends a
// second request within the hour, or when the saving falls below 90% where 90% can be had.

#include "check/AutomaticCheckBackOff.h"

#include <QByteArray>
#include <QDateTime>
#include <QRandomGenerator>
#include <QTextStream>
#include <cstdio>
#include <vector>

namespace {
constexpr int kClients = 1000;
constexpr qint64 kOutageSeconds = 3600;

struct Client
{
    qint64 offset = 0;
    int failures = 0;
    QDateTime next;
};

// Requests the clients send within the hour of 503 replies.
qint64 requestsInOutage(qint64 intervalSeconds, bool backOff, const QByteArray &retryAfter, quint32 seed)
{
    QRandomGenerator random(seed);
    const QDateTime start(QDate(2026, 1, 5), QTime(8, 0), Qt::UTC);
    std::vector<Client> clients(kClients);
    for (Client &client : clients)
        client.offset = random.bounded(intervalSeconds);

    qint64 requests = 0;
    for (Client &client : clients) {
        for (qint64 at = client.offset; at < kOutageSeconds; at += intervalSeconds) {
            const QDateTime now = start.addSecs(at);
            if (backOff && client.next.isValid() && client.next > now)
                continue;
            ++requests;
            if (backOff)
                client.next = NextAutomaticCheckAfterFailure(++client.failures, retryAfter, now, random);
        }
    }
    return requests;
}
} // namespace

int main()
{
    QTextStream out(stdout);
    bool passed = true;
    out << "clients  start every  Retry-After  requests without  with back-off  fewer\n";
    for (const qint64 interval : {qint64(600), qint64(300)}) {
        for (const QByteArray &retryAfter : {QByteArray(), QByteArray("3600")}) {
            const qint64 without = requestsInOutage(interval, false, retryAfter, 21);
            const qint64 with = requestsInOutage(interval, true, retryAfter, 21);
            const double fewer = 100.0 * double(without - with) / double(without);
            out << qSetFieldWidth(7) << kClients << qSetFieldWidth(0) << "  " << qSetFieldWidth(8)
                << QStringLiteral("%1 min").arg(interval / 60) << qSetFieldWidth(0) << "     " << qSetFieldWidth(11)
                << (retryAfter.isEmpty() ? QByteArray("none") : retryAfter) << qSetFieldWidth(0) << "  "
                << qSetFieldWidth(16) << without << qSetFieldWidth(0) << "  " << qSetFieldWidth(13) << with
                << qSetFieldWidth(0) << "  " << QString::number(fewer, 'f', 1) << "%\n";
            const bool reachable = kOutageSeconds / interval >= 10;
            if (with > kClients || (reachable && fewer < 90.0))
                passed = false;
        }
    }
    if (passed)
        out << "Each client's first request in the hour must reach the service to learn that it is down; every\n"
               "client sent that one and no other, the fewest possible (at most 1 - interval / 60 min saved).\n";
    out.flush();
    if (!passed)
        std::fputs("FAIL: back-off saves less than it should\n", stderr);
    return passed ? 0 : 1;
}
