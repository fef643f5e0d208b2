#include "settings/StoreFile.h"

#include "settings/FileLock.h"
#include "settings/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Long enough for any honest writer, short enough that a hung one cannot freeze us.
constexpr int kLockTimeoutMs = 10000;
const QString kLockSuffix = QStringLiteral(".lock");
const QString kDamagedSuffix = QStringLiteral(".damaged");
const QString kTemporaryInfix = QStringLiteral(".tmp-");

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

// mkdir -p, new folders readable by their owner only: the store holds a password.
bool ensureFolder(const QString &folder)
{
    QFileInfo info(folder);
    if (info.isDir())
        return true;
    if (info.exists())
        return false;
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath() && !ensureFolder(parent))
        return false;
    return ::mkdir(nativePath(folder).constData(), 0700) == 0 || (errno == EEXIST && QFileInfo(folder).isDir());
}

bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

void syncFolder(const QString &folder)
{
    // Makes the rename itself durable; some file systems cannot do this, and by then
    // the new file is in place either way.
    UniqueFd fd(::open(nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isValid())
        ::fsync(fd.get());
}

} // namespace

StoreFile::StoreFile(QString path) : m_path(std::move(path)) {}

StoreFile::Snapshot StoreFile::load() const
{
    Snapshot snapshot;
    UniqueFd fd(::open(nativePath(m_path).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.isValid()) {
        snapshot.state = errno == ENOENT ? State::Missing : State::Unreadable;
        return snapshot;
    }
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        snapshot.state = State::Unreadable;
        return snapshot;
    }
    snapshot.ownerOnly = (info.st_mode & 07777) == 0600;
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            snapshot.state = State::Unreadable;
            snapshot.bytes.clear();
            return snapshot;
        }
        snapshot.bytes.append(buffer, got);
    }
    std::optional<RegFile> content = RegFile::parse(snapshot.bytes);
    if (!content) {
        snapshot.state = State::Damaged;
        return snapshot;
    }
    snapshot.state = State::Valid;
    snapshot.content = std::move(*content);
    return snapshot;
}

std::optional<RegFile> StoreFile::update(const std::function<void(RegFile &)> &change) const
{
    const QFileInfo info(m_path);
    // A store file linked from elsewhere (kept with other dotfiles, say) is replaced where it
    // lies, so that the link stays.
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty() && target != m_path)
            return StoreFile(target).update(change);
    }
    if (!ensureFolder(info.absolutePath()))
        return std::nullopt;
    const FileLock lock(m_path + kLockSuffix, kLockTimeoutMs);
    if (!lock.isLocked())
        return std::nullopt;

    Snapshot current = load();
    if (current.state == State::Unreadable)
        return std::nullopt;
    change(current.content);

    const QByteArray changed = current.content.toBytes();
    // Most runs store what is already there (the language, the window's size): leave the
    // file and the disk alone then.
    if (current.state == State::Valid && current.ownerOnly && changed == current.bytes)
        return std::move(current.content);

    removeStaleTemporaries();
    if (current.state == State::Damaged) {
        const QString kept = m_path + kDamagedSuffix;
        if (!writeReplacing(kept, current.bytes))
            return std::nullopt;
        const QByteArray warning = "Warning: the settings file \"" + nativePath(m_path)
            + "\" could not be read; it is kept as \"" + nativePath(kept)
            + "\" and a new settings file is written.\n";
        std::fputs(warning.constData(), stderr);
        std::fflush(stderr);
    }
    if (!writeReplacing(m_path, changed))
        return std::nullopt;
    return std::move(current.content);
}

bool StoreFile::writeReplacing(const QString &target, const QByteArray &bytes) const
{
    QByteArray name = nativePath(temporaryPrefix()) + "XXXXXX";
    UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd.isValid())
        return false;
    const bool written = ::fchmod(fd.get(), 0600) == 0 && writeAll(fd.get(), bytes)
        && ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0
        && ::rename(name.constData(), nativePath(target).constData()) == 0;
    if (!written) {
        ::unlink(name.constData());
        return false;
    }
    syncFolder(QFileInfo(target).absolutePath());
    return true;
}

// A temporary file that is there while we hold the lock was left by a writer that died.
void StoreFile::removeStaleTemporaries() const
{
    const QFileInfo info(temporaryPrefix());
    const QDir folder = info.absoluteDir();
    const QStringList stale = folder.entryList({info.fileName() + QStringLiteral("??????")},
                                               QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : stale)
        QFile::remove(folder.filePath(name));
}

QString StoreFile::temporaryPrefix() const
{
    return m_path + kTemporaryInfix;
}
