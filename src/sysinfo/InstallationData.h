#pragma once

#include <QString>

class RegistryStore;

extern const QString ServicePackFileName; // "PelkServicePack.pelk"

// The catalogue installation's version data, read once at start.
struct InstallationData
{
    QString ProgVersion;
    QString OfflineVersion;
    QString BuildTimeStamp;
    QString UpdateTimeStamp;
    bool OnlineUpdateAllowed = false;
    // When the service pack file could not be loaded: one line naming the file and the
    // reason, which a check shows after saying that it may not run. Empty otherwise.
    QString LoadFailure;
};

// Reads the service pack file in the program's folder (given with its trailing "/"). A file
// that cannot be loaded gives data that allows no online update, with LoadFailure set.
InstallationData ReadInstallationData(const QString &programFolderWithSeparator);
// The full path of the service pack file in that folder.
QString ServicePackPath(const QString &programFolderWithSeparator);

// True when the catalogue's user data files do not all lie under its installation folder
// (from the catalogue key "\Software\Orbel\Pelk\App" of the per-user store).
bool UserDataApart(RegistryStore &store);
