#include "check/BoundedLookupProbe.h"

#include "check/EventLoopWait.h"

#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <future>
#include <system_error>
#include <thread>

namespace {
// How often the wait looks for the answer. The lookup thread may outlive the wait, so it
// holds nothing of the wait that it could signal; a short poll keeps the two apart.
constexpr int kPollMs = 10;

bool ready(const std::future<QString> &answer)
{
    return answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}
} // namespace

BoundedLookupProbe::BoundedLookupProbe(const SystemProbe &probe, int timeoutMs, const QDeadlineTimer &deadline)
    : m_probe(probe), m_timeoutMs(timeoutMs), m_deadline(deadline)
{
}

QString BoundedLookupProbe::dnsDomain() const
{
    std::promise<QString> promise;
    std::future<QString> answer = promise.get_future();
    try {
        // A resolver call cannot be cancelled: a lookup that outlasts the wait finishes on
        // its own thread, and its answer goes to the promise that thread owns.
        std::thread([&probe = m_probe, promise = std::move(promise)]() mutable {
            try {
                promise.set_value(probe.dnsDomain());
            } catch (...) {
                promise.set_exception(std::current_exception());
            }
        }).detach();
    } catch (const std::system_error &) {
        return QString(); // no thread to spare: no domain, as when the lookup fails
    }

    const qint64 left = m_deadline.remainingTime();
    const int waitMs = left < 0 ? m_timeoutMs : static_cast<int>(qMin<qint64>(m_timeoutMs, left));
    if (!ready(answer) && waitMs > 0) {
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(kPollMs);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (ready(answer))
                loop.quit();
        });
        QTimer limit;
        limit.setSingleShot(true);
        limit.setTimerType(Qt::PreciseTimer); // a coarse one may end the wait early
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        poll.start();
        limit.start(waitMs);
        WaitInEventLoop(loop);
    }
    if (!ready(answer))
        return QString();
    try {
        return answer.get();
    } catch (...) {
        return QString(); // a failed lookup is no domain
    }
}
