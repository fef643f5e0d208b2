#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <functional>

// The fastest of `runs` runs of `action`, in milliseconds: the run least disturbed by the
// rest of the machine.
inline double fastestMs(int runs, const std::function<void()> &action)
{
    double best = 1e12;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        action();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}
