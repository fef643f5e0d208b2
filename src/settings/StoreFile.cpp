#include "settings/StoreFile.h"

#include "settings/FileLock.h"
#include "settings/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <vector>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Long enough for any honest writer, short enough that a hung one cannot freeze us.
constexpr int kLockTimeoutMs = 10000;
const QString kLockSuffix = QStringLiteral(".lock");
const QString kDamagedSuffix = QStringLiteral(".damaged");
const QString kTemporaryInfix = QStringLiteral(".tmp-");
// Beyond this many kept damaged files the store is left as it is rather than add another.
constexpr int kMaxDamagedFiles = 1000;

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
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

// Gives the file a second name that must not exist yet. On file systems without hard links
// the file is moved there instead, which replaces nothing either.
bool linkWithoutReplacing(const QByteArray &from, const QByteArray &to)
{
    if (::link(from.constData(), to.constData()) == 0)
        return true;
    if (errno == EEXIST)
        return false;
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0;
}

void syncFolder(const QString &folder)
{
    // Makes the rename itself durable; some file systems cannot do this, and by then
    // the new file is in place either way.
    UniqueFd fd(::open(nativePath(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isValid())
        ::fsync(fd.get());
}

constexpr qsizetype kBlock = 65536;

// The document last parsed and what tells its file's content from any other without keeping
// the content: its size and a 64-bit hash of it, taken a block at a time. Every load still
// reads the whole file and compares, so that a change by any writer, however close in time,
// is seen (a changed content that kept both would be one chance in 2^64); only the
// parsing, by far the dearer part, is saved. A damaged file's bytes are kept, to be set aside.
struct ParsedFile
{
    QString path;
    StoreFile::Fingerprint fingerprint;
    QByteArray damagedBytes;
    RegFile content;
    bool damaged = false;
};

QMutex parsedMutex;
ParsedFile parsedFile;

ParsedFile lastParsed(const QString &path)
{
    const QMutexLocker locker(&parsedMutex);
    return parsedFile.path == path ? parsedFile : ParsedFile();
}

void rememberParsed(ParsedFile parsed)
{
    const QMutexLocker locker(&parsedMutex);
    parsedFile = std::move(parsed);
}

// Frees the last document before another is parsed, so that the two are never held at once.
void forgetParsed()
{
    ParsedFile old;
    const QMutexLocker locker(&parsedMutex);
    std::swap(old, parsedFile);
}

// Reads up to a block, fewer only at the end of the file; -1 on a failure.
qsizetype readBlock(int fd, char *block)
{
    qsizetype filled = 0;
    while (filled < kBlock) {
        const ssize_t got = ::read(fd, block + filled, size_t(kBlock - filled));
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        filled += got;
    }
    return filled;
}

// Whether the rest of the file behind `fd` has the fingerprint `known`; nothing when it
// cannot be read.
std::optional<bool> hasFingerprint(int fd, const StoreFile::Fingerprint &known)
{
    std::vector<char> block(static_cast<size_t>(kBlock));
    StoreFile::Fingerprint seen{0, 0};
    for (;;) {
        const qsizetype filled = readBlock(fd, block.data());
        if (filled < 0)
            return std::nullopt;
        if (filled > 0)
            seen.hash = qHash(QByteArrayView(block.data(), filled), seen.hash);
        seen.size += filled;
        if (filled < kBlock || seen.size > known.size)
            break;
    }
    return seen == known;
}

bool readAll(int fd, qsizetype sizeHint, QByteArray &bytes)
{
    bytes.reserve(sizeHint);
    std::vector<char> block(static_cast<size_t>(kBlock));
    for (;;) {
        const qsizetype filled = readBlock(fd, block.data());
        if (filled < 0)
            return false;
        bytes.append(block.data(), filled);
        if (filled < kBlock)
            return true;
    }
}

} // namespace

bool EnsurePrivateFolder(const QString &folder)
{
    QFileInfo info(folder);
    if (info.isDir())
        return true;
    if (info.exists()) {
        errno = ENOTDIR;
        return false;
    }
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath() && !EnsurePrivateFolder(parent))
        return false;
    return ::mkdir(nativePath(folder).constData(), 0700) == 0 || (errno == EEXIST && QFileInfo(folder).isDir());
}

StoreFile::StoreFile(QString path) : m_path(std::move(path)) {}

StoreFile::Fingerprint StoreFile::fingerprintOf(QByteArrayView bytes)
{
    Fingerprint fingerprint{bytes.size(), 0};
    for (qsizetype at = 0; at < bytes.size(); at += kBlock)
        fingerprint.hash = qHash(bytes.sliced(at, qMin(kBlock, bytes.size() - at)), fingerprint.hash);
    return fingerprint;
}

StoreFile::Snapshot StoreFile::load() const
{
    // Read through one descriptor, not with the program's common file reader: the mode that
    // decides whether the file is the user's alone must be that of the file whose bytes are read.
    Snapshot snapshot;
    UniqueFd fd(::open(nativePath(m_path).constData(), O_RDONLY | O_CLOEXEC));
    if (!fd.isValid()) {
        snapshot.state = errno == ENOENT ? State::Missing : State::Unreadable;
        m_failure = systemError(errno);
        return snapshot;
    }
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        snapshot.state = State::Unreadable;
        m_failure = QStringLiteral("it is no plain file");
        return snapshot;
    }
    snapshot.ownerOnly = (info.st_mode & 07777) == 0600;
    {
        const ParsedFile known = lastParsed(m_path);
        if (!known.path.isEmpty() && known.fingerprint.size == qsizetype(info.st_size)) {
            const std::optional<bool> same = hasFingerprint(fd.get(), known.fingerprint);
            if (same && *same) {
                snapshot.state = known.damaged ? State::Damaged : State::Valid;
                snapshot.fingerprint = known.fingerprint;
                snapshot.bytes = known.damagedBytes;
                snapshot.content = known.content;
                return snapshot;
            }
            if (!same || ::lseek(fd.get(), 0, SEEK_SET) != 0) {
                snapshot.state = State::Unreadable;
                m_failure = systemError(errno);
                return snapshot;
            }
        }
    }
    forgetParsed();
    if (!readAll(fd.get(), qsizetype(info.st_size), snapshot.bytes)) {
        snapshot.state = State::Unreadable;
        m_failure = systemError(errno);
        snapshot.bytes.clear();
        return snapshot;
    }
    snapshot.fingerprint = fingerprintOf(snapshot.bytes);
    RegFile::Reading reading = RegFile::read(snapshot.bytes);
    snapshot.state = reading.damaged ? State::Damaged : State::Valid;
    snapshot.content = std::move(reading.content);
    if (!reading.damaged)
        snapshot.bytes.clear();
    rememberParsed(ParsedFile{m_path, snapshot.fingerprint, snapshot.bytes, snapshot.content, reading.damaged});
    return snapshot;
}

std::optional<RegFile> StoreFile::update(const std::function<void(RegFile &)> &change, QString *keptAs) const
{
    const QFileInfo info(m_path);
    // A store file linked from elsewhere (kept with other dotfiles, say) is replaced where it
    // lies, so that the link stays.
    if (info.isSymLink()) {
        const QString target = info.canonicalFilePath();
        if (!target.isEmpty() && target != m_path)
            return StoreFile(target).update(change, keptAs);
    }
    m_failure.clear();
    if (!EnsurePrivateFolder(info.absolutePath()))
        return fail(QStringLiteral("the folder \"%1\" cannot be created: %2").arg(info.absolutePath(), systemError(errno)));
    const FileLock lock(m_path + kLockSuffix, kLockTimeoutMs);
    if (!lock.isLocked())
        return fail(QStringLiteral("its lock file \"%1\" cannot be used: %2").arg(m_path + kLockSuffix, systemError(lock.error())));

    Snapshot current = load();
    if (current.state == State::Unreadable)
        return fail(m_failure);
    change(current.content);

    const QByteArray changed = current.content.toBytes();
    // Most runs store what is already there (the language, the window's size): leave the
    // file and the disk alone then.
    const Fingerprint written = fingerprintOf(changed);
    if (current.state == State::Valid && current.ownerOnly && written == current.fingerprint)
        return std::move(current.content);

    removeStaleTemporaries();
    QString kept;
    if (current.state == State::Damaged) {
        kept = keepDamaged(current.bytes);
        if (kept.isEmpty())
            return fail(QStringLiteral("its damaged copy cannot be kept: %1").arg(systemError(errno)));
    }
    if (!writeReplacing(m_path, changed)) {
        const int error = errno;
        // The damaged file is still in place, so its copy would only pile up.
        if (!kept.isEmpty())
            ::unlink(nativePath(kept).constData());
        return fail(systemError(error));
    }
    rememberParsed(ParsedFile{m_path, written, QByteArray(), current.content, false});
    if (!kept.isEmpty()) {
        if (keptAs) {
            *keptAs = kept;
        } else {
            const QByteArray warning = "Warning: the settings file \"" + nativePath(m_path)
                + "\" was damaged; what could be read of it is kept, the damaged file as \""
                + nativePath(kept) + "\".\n";
            std::fputs(warning.constData(), stderr);
            std::fflush(stderr);
        }
    }
    return std::move(current.content);
}

std::nullopt_t StoreFile::fail(const QString &reason) const
{
    m_failure = reason;
    return std::nullopt;
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
        const int error = errno;
        ::unlink(name.constData());
        errno = error;
        return false;
    }
    syncFolder(QFileInfo(target).absolutePath());
    return true;
}

QString StoreFile::keepDamaged(const QByteArray &bytes) const
{
    QByteArray name = nativePath(temporaryPrefix()) + "XXXXXX";
    UniqueFd fd(::mkostemp(name.data(), O_CLOEXEC));
    if (!fd.isValid())
        return QString();
    const bool written = ::fchmod(fd.get(), 0600) == 0 && writeAll(fd.get(), bytes)
        && ::fsync(fd.get()) == 0 && ::close(fd.release()) == 0;
    QString kept;
    // A new link never replaces a file of that name, so no earlier damaged file is lost.
    for (int number = 0; written && kept.isEmpty() && number < kMaxDamagedFiles; ++number) {
        const QString candidate = m_path + kDamagedSuffix
            + (number == 0 ? QString() : QStringLiteral(".%1").arg(number));
        if (linkWithoutReplacing(name, nativePath(candidate)))
            kept = candidate;
        else if (errno != EEXIST)
            break;
    }
    ::unlink(name.constData());
    if (!kept.isEmpty())
        syncFolder(QFileInfo(kept).absolutePath());
    return kept;
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
