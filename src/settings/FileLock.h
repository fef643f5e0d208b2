#pragma once

#include "settings/UniqueFd.h"

#include <QString>

// An exclusive lock between processes, held on a lock file that is never replaced.
// The kernel drops the lock when its holder exits, also when the holder is killed.
class FileLock
{
public:
    // Creates the lock file when missing and waits at most timeoutMs for the lock.
    FileLock(const QString &lockFile, int timeoutMs);

    bool isLocked() const { return m_fd.isValid(); }
    // Why the lock was not taken: the errno of the failing call.
    int error() const { return m_error; }

private:
    UniqueFd m_fd;
    int m_error = 0;
};
