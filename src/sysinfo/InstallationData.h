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
};

// Reads the service pack file in the program's folder (given with its trailing "/").
// Throws PelkError "Error loading <full path>" when it cannot be loaded.
InstallationData LoadInstallationData(const QString &programFolderWithSeparator);

// True when the catalogue's user data files do not all lie under its installation folder
// (from the catalogue key "\Software\Orbel\Pelk\App" of the per-user store).
bool UserDataApart(RegistryStore &store);
