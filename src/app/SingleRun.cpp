#include "app/SingleRun.h"

#include "settings/StoreFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

SingleRun::SingleRun(const QString &settingsFolder)
    : m_pipePath(settingsFolder + QStringLiteral("/PelkUpdater.raise"))
{
    if (!EnsurePrivateFolder(settingsFolder))
        return;
    m_lock = std::make_unique<FileLock>(settingsFolder + QStringLiteral("/PelkUpdater.lock"), 0);
    m_first = m_lock->isLocked() || m_lock->error() != EWOULDBLOCK;
}

SingleRun::~SingleRun() = default;

bool SingleRun::askFirstToShowItself() const
{
    // Without a reader the open fails at once (ENXIO) instead of waiting.
    UniqueFd pipe(::open(QFile::encodeName(m_pipePath).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (!pipe.isValid())
        return false;
    return ::write(pipe.get(), "1", 1) == 1;
}

void SingleRun::listenForLaterStarts(std::function<void()> show)
{
    if (!m_lock || !m_lock->isLocked())
        return;
    const QByteArray path = QFile::encodeName(m_pipePath);
    struct stat info;
    if (::lstat(path.constData(), &info) == 0 && !S_ISFIFO(info.st_mode))
        ::unlink(path.constData());
    if (::mkfifo(path.constData(), 0600) != 0 && errno != EEXIST)
        return;
    // Open for reading and writing: the pipe then never reports an end when a writer goes.
    m_pipe = UniqueFd(::open(path.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!m_pipe.isValid())
        return;
    // The application owns the notifier: it must go while the event loop's machinery is there.
    auto *notifier = new QSocketNotifier(m_pipe.get(), QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [this, show] {
        char buffer[64];
        while (::read(m_pipe.get(), buffer, sizeof buffer) > 0) {
        }
        show();
    });
}
