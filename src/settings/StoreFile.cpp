#include "settings/StoreFile.h"

#include "settings/FileLock.h"
#include "settings/UniqueFd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

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

// The document last parsed, with the bytes it came from. Every load still reads the whole
// file and compares it with these bytes, so that a change by any writer, however close in
// time or equal in size, is seen: only the parsing, by far the dearer part, is saved.
struct ParsedFile
{
    QString path;
    QByteArray bytes;
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

enum class ReadResult { Failed, SameAsKnown, Read };

// Reads the whole file into `bytes`, unless it holds exactly `known` (of the same path);
// then nothing is copied. `sizeHint` is the size the file had when opened.
ReadResult readComparing(int fd, qsizetype sizeHint, const ParsedFile &known, QByteArray &bytes)
{
    bool same = !known.path.isEmpty();
    if (!same)
        bytes.reserve(sizeHint);
    qsizetype offset = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return ReadResult::Failed;
        }
        if (same && offset + got <= known.bytes.size()
            && std::memcmp(known.bytes.constData() + offset, buffer, size_t(got)) == 0) {
            offset += got;
            continue;
        }
        if (same) {
            same = false;
            bytes.reserve(qMax(sizeHint, offset + got));
            bytes.append(known.bytes.constData(), offset);
        }
        bytes.append(buffer, got);
        offset += got;
    }
    if (same && offset == known.bytes.size())
        return ReadResult::SameAsKnown;
    if (same)
        bytes = known.bytes.left(offset); // the file is a shorter start of the known one
    return ReadResult::Read;
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
        switch (readComparing(fd.get(), qsizetype(info.st_size), known, snapshot.bytes)) {
        case ReadResult::Failed:
            snapshot.state = State::Unreadable;
            m_failure = systemError(errno);
            snapshot.bytes.clear();
            return snapshot;
        case ReadResult::SameAsKnown:
            snapshot.state = known.damaged ? State::Damaged : State::Valid;
            snapshot.bytes = known.bytes;
            snapshot.content = known.content;
            return snapshot;
        case ReadResult::Read:
            break;
        }
    }
    forgetParsed();
    RegFile::Reading reading = RegFile::read(snapshot.bytes);
    snapshot.state = reading.damaged ? State::Damaged : State::Valid;
    snapshot.content = std::move(reading.content);
    rememberParsed(ParsedFile{m_path, snapshot.bytes, snapshot.content, reading.damaged});
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
    if (current.state == State::Valid && current.ownerOnly && changed == current.bytes)
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
    rememberParsed(ParsedFile{m_path, changed, current.content, false});
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
