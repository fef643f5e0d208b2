#include "settings/RegFileStore.h"

#include "settings/RegFile.h"
#include "settings/RegFileKey.h"
#include "settings/StoreFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kUserRoot = QStringLiteral("HKEY_CURRENT_USER");
const QString kMachineRoot = QStringLiteral("HKEY_LOCAL_MACHINE");
const QString kUserFileName = QStringLiteral("Orbel/user.reg");
const QString kMachineFileName = QStringLiteral("Orbel/machine.reg");

// Relative paths in the XDG variables are to be ignored.
QString userConfigFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome))
        return configHome;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString machineStoreFile()
{
    QStringList folders;
    for (const QString &folder : qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder))
            folders.append(folder);
    }
    if (folders.isEmpty())
        folders.append(QStringLiteral("/etc/xdg"));
    for (const QString &folder : folders) {
        const QString file = folder + QLatin1Char('/') + kMachineFileName;
        if (QFileInfo::exists(file))
            return file;
    }
    return QString();
}

} // namespace

RegFileStore::RegFileStore()
    : RegFileStore(userConfigFolder() + QLatin1Char('/') + kUserFileName, machineStoreFile())
{
}

RegFileStore::RegFileStore(QString userFile, QString machineFile)
    : m_userFile(std::move(userFile)), m_machineFile(std::move(machineFile))
{
}

std::unique_ptr<RegistryKey> RegFileStore::openKey(RegistryRoot root, const QString &path, bool canCreate)
{
    const bool user = root == RegistryRoot::CurrentUser;
    const QString file = user ? m_userFile : m_machineFile;
    const std::optional<QStringList> keyPath = RegFile::keyPath(user ? kUserRoot : kMachineRoot, path);
    if (file.isEmpty() || !keyPath)
        return nullptr;

    const StoreFile store(file);
    const StoreFile::Snapshot snapshot = store.load();
    if (snapshot.state == StoreFile::State::Valid && snapshot.content.hasKey(*keyPath))
        return std::make_unique<RegFileKey>(file, *keyPath, snapshot.content.values(*keyPath), user);
    // The machine store is only ever read.
    if (!canCreate || !user || snapshot.state == StoreFile::State::Unreadable)
        return nullptr;

    const std::optional<RegFile> created = store.update([&](RegFile &content) { content.createKey(*keyPath); });
    if (!created)
        return nullptr;
    return std::make_unique<RegFileKey>(file, *keyPath, created->values(*keyPath), true);
}
