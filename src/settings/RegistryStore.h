#pragma once

#include <QString>
#include <memory>

// A hierarchical per-user / per-machine key-value store with the Windows registry's
// model: keys addressed by backslash paths ("\Software\Orbel\PelkUpdater"), string and
// integer values, names compared without regard to case. On Linux it is a .reg text
// file (RegFileStore); a Windows backend can sit behind the same interface.

enum class RegistryRoot { CurrentUser, LocalMachine };

enum class RegistryValueType { Missing, String, ExpandString, DWord, Other };

// One opened key. Reads see the key as it was when it was opened; every write is
// applied to the store at once (atomically, under the store's lock).
class RegistryKey
{
public:
    virtual ~RegistryKey() = default;

    virtual bool valueExists(const QString &name) const = 0;
    virtual RegistryValueType valueType(const QString &name) const = 0;

    // Throw PelkError "Invalid data type for '<name>'" when the value has another type;
    // a missing value reads as an empty text / 0 (callers test valueExists first).
    virtual QString readString(const QString &name) const = 0;
    virtual quint32 readInteger(const QString &name) const = 0;

    // Throw PelkError "Failed to set data for '<name>'" when the store cannot be written;
    // the stored file then stays as it was.
    virtual void writeString(const QString &name, const QString &value) = 0;
    virtual void writeInteger(const QString &name, quint32 value) = 0;
};

class RegistryStore
{
public:
    virtual ~RegistryStore() = default;

    // The key at `path` under `root`, or nullptr when it cannot be opened: missing while
    // canCreate is false, or not creatable / not readable. Never throws for that.
    virtual std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const QString &path,
                                                 bool canCreate) = 0;

    // A key that could not be created means that nothing of this run is kept. The first such
    // failure is told once: its notice for the user (naming the store and the system's reason)
    // is returned by the first call after it, and never again.
    virtual QString takeUnsavedNotice() { return QString(); }

    // Whether the administrator has fixed the stored setting `valueName` for every user, so
    // that the windows show it as theirs to read, not to change.
    virtual bool isLocked(const QString &) const { return false; }
};
