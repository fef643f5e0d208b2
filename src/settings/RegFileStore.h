#pragma once

#include "settings/RegistryStore.h"

#include <QString>

// The Linux store: HKEY_CURRENT_USER is "Orbel/user.reg" in $XDG_CONFIG_HOME (default
// ~/.config); HKEY_LOCAL_MACHINE, read-only, is "Orbel/machine.reg" in the first folder
// of $XDG_CONFIG_DIRS (default /etc/xdg) that has one. Files are in the registry editor's
// .reg export format, written as UTF-8, replaced atomically under a cross-process lock.
class RegFileStore : public RegistryStore
{
public:
    // Paths taken from the environment at construction.
    RegFileStore();
    // Explicit files, for tests and tools.
    RegFileStore(QString userFile, QString machineFile);

    std::unique_ptr<RegistryKey> openKey(RegistryRoot root, const QString &path,
                                         bool canCreate) override;

    // Called at start: a damaged user file is replaced by everything still readable in it
    // and kept beside under a name of its own. Returns the notice for the user then,
    // otherwise empty. (Without this call the first write does the same, with a warning on
    // standard error.)
    QString setDamagedUserFileAside();

    QString takeUnsavedNotice() override;

    QString userFile() const { return m_userFile; }
    QString machineFile() const { return m_machineFile; }

private:
    QString m_userFile;
    QString m_machineFile;
    QString m_unsavedNotice;
    bool m_unsavedTold = false;
};
