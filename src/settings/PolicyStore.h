#pragma once

#include "settings/RegistryStore.h"

#include <QHash>
#include <QString>

class IniFile;

// The user's store under the administrator's locks: the section "Policy" of the administrator's
// file names stored settings (ProxyOption, ProxyServer, ProxyPort, ProxyAuth, ProxyUser,
// AutoUpdate, Language, AutoCheckOnMetered) with the value every user gets. Under the updater's key a locked value
// reads as the administrator's, whatever the user's store holds, and a write to it is dropped,
// so the user's own value is still there when the lock is lifted. The proxy password is never
// locked: it must not stand in a file every user can read.
class PolicyStore : public RegistryStore
{
public:
    // Locked value name folded by QString::toCaseFolded() -> the administrator's value.
    using Locks = QHash<QString, QString>;

    PolicyStore(RegistryStore &userStore, Locks locks);

    // The locks of the administrator's file (its "Policy" section); none when it is missing.
    static Locks readLocks(const IniFile &administratorFile);

    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const QString &path, bool canCreate) override;
    QString takeUnsavedNotice() override { return m_userStore.takeUnsavedNotice(); }
    bool isLocked(const QString &valueName) const override;

private:
    RegistryStore &m_userStore;
    Locks m_locks;
};
