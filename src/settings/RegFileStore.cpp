#include "settings/RegFileStore.h"

#include "settings/RegFile.h"
#include "settings/RegFileKey.h"
#include "settings/StoreFile.h"
#include "settings/SystemConfigFolders.h"

#include <QDir>

#include <utility>

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

} // namespace

RegFileStore::RegFileStore()
    : RegFileStore(userConfigFolder() + QLatin1Char('/') + kUserFileName, FindSystemConfigFile(kMachineFileName))
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
    // What could be read of a damaged file is seen as well; its first write replaces it.
    const bool readable = snapshot.state == StoreFile::State::Valid || snapshot.state == StoreFile::State::Damaged;
    if (readable && snapshot.content.hasKey(*keyPath))
        return std::make_unique<RegFileKey>(file, *keyPath, snapshot.content, user);
    // The machine store is only ever read.
    if (!canCreate || !user)
        return nullptr;
    const std::optional<RegFile> created = snapshot.state == StoreFile::State::Unreadable
        ? std::nullopt
        : store.update([&](RegFile &content) { content.createKey(*keyPath); });
    if (!created) {
        if (m_unsavedNotice.isEmpty() && !m_unsavedTold)
            m_unsavedNotice = QStringLiteral("The settings file \"%1\" cannot be written: %2. Nothing of this run is kept: "
                                             "the settings, and which messages have been read")
                                  .arg(QDir::toNativeSeparators(file), store.failure());
        return nullptr;
    }
    return std::make_unique<RegFileKey>(file, *keyPath, std::move(*created), true);
}

QString RegFileStore::takeUnsavedNotice()
{
    if (m_unsavedNotice.isEmpty())
        return QString();
    m_unsavedTold = true;
    return std::exchange(m_unsavedNotice, QString());
}

QString RegFileStore::setDamagedUserFileAside()
{
    if (m_userFile.isEmpty())
        return QString();
    const StoreFile store(m_userFile);
    if (store.load().state != StoreFile::State::Damaged)
        return QString();
    QString kept;
    if (!store.update([](RegFile &) {}, &kept) || kept.isEmpty())
        return QString();
    return QStringLiteral("The settings file \"%1\" was damaged. Everything that could still be read "
                          "from it is kept; the damaged file is saved as \"%2\"")
        .arg(QDir::toNativeSeparators(m_userFile), QDir::toNativeSeparators(kept));
}
