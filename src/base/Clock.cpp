#include "base/Clock.h"

#include <time.h>

quint32 SystemClock::tickCount() const
{
    // Boot time counts the time spent suspended, as the Windows tick count does.
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        clock_gettime(CLOCK_MONOTONIC, &now);
    const quint64 milliseconds = quint64(now.tv_sec) * 1000u + quint64(now.tv_nsec) / 1000000u;
    return quint32(milliseconds); // wraps like a 32-bit counter
}

QDateTime SystemClock::localNow() const
{
    return QDateTime::currentDateTime();
}
