#pragma once

#include <QDateTime>

// Time as the program sees it; tests drive their own.
class Clock
{
public:
    virtual ~Clock() = default;
    // Milliseconds since system start, 32 bits, wrapping after about 49.7 days.
    virtual quint32 tickCount() const = 0;
    virtual QDateTime localNow() const = 0;
};

class SystemClock : public Clock
{
public:
    quint32 tickCount() const override;
    QDateTime localNow() const override;
};
