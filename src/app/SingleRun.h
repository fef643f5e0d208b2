#pragma once

#include "settings/FileLock.h"
#include "settings/UniqueFd.h"

#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;

// One run per user at a time. Two runs at once (the timer making up a missed day while the
// autostart entry starts) would show the same new messages twice, and each would store its
// own read state over the other's. The first run holds a lock in the user's settings folder,
// which the kernel lets go of however the process ends, and listens on a pipe beside it for
// later starts that want its window.
class SingleRun
{
public:
    explicit SingleRun(const QString &settingsFolder);
    ~SingleRun();
    SingleRun(const SingleRun &) = delete;
    SingleRun &operator=(const SingleRun &) = delete;

    // True unless another run holds the lock. A lock that cannot be taken for another
    // reason (no such folder can be made) lets the run go on.
    bool isFirst() const { return m_first; }

    // For a later run: asks the first run to bring its window to the front; false when the
    // first run does not listen.
    bool askFirstToShowItself() const;

    // For the first run, once the application exists: `show` is called (in the event loop)
    // whenever a later start asks.
    void listenForLaterStarts(std::function<void()> show);

private:
    QString m_pipePath;
    std::unique_ptr<FileLock> m_lock;
    bool m_first = true;
    UniqueFd m_pipe;
};
