#pragma once

#include "settings/RegFile.h"

#include <QString>
#include <functional>
#include <optional>

// One .reg store file on disk. Readers take a consistent snapshot without locking, since
// writers never change the file in place: each write runs under the lock file beside it
// ("user.reg.lock"), re-reads the file, applies its change, writes a new file with a unique
// temporary name in the same folder, flushes it and renames it over the old one.
// mkdir -p; new folders are readable by their owner only, as the store holds a password.
// False (with errno set) when the folder cannot be made.
bool EnsurePrivateFolder(const QString &folder);

class StoreFile
{
public:
    enum class State { Missing, Unreadable, Damaged, Valid };

    // The size of a content and a hash of it.
    struct Fingerprint
    {
        qsizetype size = -1;
        size_t hash = 0;
        bool operator==(const Fingerprint &other) const { return size == other.size && hash == other.hash; }
    };
    static Fingerprint fingerprintOf(QByteArrayView bytes);

    struct Snapshot
    {
        State state = State::Missing;
        RegFile content;  // when Damaged, everything in the file that could still be read
        QByteArray bytes; // the file as read, when Damaged
        Fingerprint fingerprint;
        bool ownerOnly = false; // readable and writable by its owner alone
    };

    explicit StoreFile(QString path);

    Snapshot load() const;

    // Applies `change` to the current contents and stores the result, creating the folder
    // when needed. Returns the stored contents, or nothing when the file could not be
    // written; the old file is then left as it was. A change that leaves the file's bytes as
    // they are writes nothing.
    // A damaged file is first kept beside under a name that no earlier one has
    // ("<name>.damaged", "<name>.damaged.1", ...); what could be read of it is kept in the new
    // file. Its name goes to `keptAs` when given, for the caller to tell the user; without
    // `keptAs` a warning goes to standard error.
    std::optional<RegFile> update(const std::function<void(RegFile &)> &change, QString *keptAs = nullptr) const;

    QString path() const { return m_path; }
    // Why the last load found the file unreadable or the last update wrote nothing, in the
    // system's words ("No space left on device", "the folder "/x" cannot be created: ...").
    QString failure() const { return m_failure; }

private:
    std::nullopt_t fail(const QString &reason) const;

    bool writeReplacing(const QString &target, const QByteArray &bytes) const;
    // The name the bytes were kept under, or empty when they could not be written.
    QString keepDamaged(const QByteArray &bytes) const;
    void removeStaleTemporaries() const;
    QString temporaryPrefix() const;

    QString m_path;
    mutable QString m_failure;
};
