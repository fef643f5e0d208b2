#include "settings/FileLock.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>

FileLock::FileLock(const QString &lockFile, int timeoutMs)
{
    UniqueFd fd(::open(QFile::encodeName(lockFile).constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600));
    if (!fd.isValid()) {
        m_error = errno;
        return;
    }
    // Polling instead of a blocking flock() so that a holder that hangs cannot
    // freeze the program; the pause grows so that waiting costs little.
    QElapsedTimer waited;
    waited.start();
    unsigned long pauseMs = 1;
    for (;;) {
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0) {
            m_fd = std::move(fd);
            return;
        }
        m_error = errno;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return;
        if (waited.elapsed() >= timeoutMs)
            return;
        QThread::msleep(pauseMs);
        pauseMs = qMin<unsigned long>(pauseMs * 2, 20);
    }
}
