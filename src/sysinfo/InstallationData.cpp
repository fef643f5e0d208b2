#include "sysinfo/InstallationData.h"

#include "settings/RegistryStore.h"
#include "sysinfo/XmlHelpers.h"

#include <QFileInfo>

const QString ServicePackFileName = QStringLiteral("PelkServicePack.pelk");

namespace {

const QString kCatalogueKeyPath = QStringLiteral("\\Software\\Orbel\\Pelk\\App");
const QString kKernelSuffix = QStringLiteral("\\kernel\\PelkKernel_2K.mdb");

// Either separator may stand where the catalogue writes a backslash.
bool endsWithKernelSuffix(const QString &kernelPath)
{
    if (kernelPath.size() < kKernelSuffix.size())
        return false;
    QString tail = kernelPath.right(kKernelSuffix.size());
    tail.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return tail.compare(kKernelSuffix, Qt::CaseInsensitive) == 0;
}

} // namespace

QString ServicePackPath(const QString &programFolderWithSeparator)
{
    return QFileInfo(programFolderWithSeparator + ServicePackFileName).absoluteFilePath();
}

InstallationData ReadInstallationData(const QString &programFolderWithSeparator)
{
    InstallationData data;
    const QString path = ServicePackPath(programFolderWithSeparator);
    QString reason;
    const XmlDocumentPtr document = ReadXmlFile(path, reason);
    if (!document) {
        data.LoadFailure = QStringLiteral("The service pack file %1 could not be loaded: %2").arg(path, reason);
        return data;
    }
    data.ProgVersion = SelectText(*document, QStringLiteral("/Pelk/ProgVersion/@Value"), QString());
    data.OfflineVersion = SelectText(*document, QStringLiteral("/Pelk/OfflineVersion/@Value"), QString());
    data.BuildTimeStamp = SelectText(*document, QStringLiteral("/Pelk/BuildTimeStamp/@Value"), QString());
    data.UpdateTimeStamp = SelectText(*document, QStringLiteral("/Pelk/UpdateTimeStamp/@Value"), QString());
    data.OnlineUpdateAllowed =
        SelectText(*document, QStringLiteral("/Pelk/AllowOnlineUpdate/@Value"), QString())
        == QLatin1String("1");
    return data;
}

bool UserDataApart(RegistryStore &store)
{
    const std::unique_ptr<RegistryKey> key =
        store.openKey(RegistryRoot::CurrentUser, kCatalogueKeyPath, false);
    if (!key || !key->valueExists(QStringLiteral("KernelMDB")))
        return false;
    const QString kernelPath = key->readString(QStringLiteral("KernelMDB"));
    if (!endsWithKernelSuffix(kernelPath))
        return false;
    const QString root = kernelPath.left(kernelPath.size() - kKernelSuffix.size());

    // Only the leading characters are compared, not folder boundaries: the catalogue does the same.
    static const char *const kUserDataNames[] = {"UserBasketsMDB", "UserPricesMDB", "UserPartsMDB",
                                                 "UserGroupsXML"};
    for (const char *name : kUserDataNames) {
        const QString valueName = QString::fromLatin1(name);
        if (!key->valueExists(valueName))
            return false;
        const QString path = key->readString(valueName);
        if (path.left(root.size()).compare(root, Qt::CaseInsensitive) != 0)
            return true;
    }
    return false;
}
