#include "settings/SystemConfigFolders.h"

#include <QDir>
#include <QFileInfo>

QStringList SystemConfigFolders()
{
    QStringList folders;
    // Relative paths in the XDG variables are to be ignored.
    for (const QString &folder : qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder))
            folders.append(folder);
    }
    if (folders.isEmpty())
        folders.append(QStringLiteral("/etc/xdg"));
    return folders;
}

QString FindSystemConfigFile(const QString &name)
{
    for (const QString &folder : SystemConfigFolders()) {
        const QString file = folder + QLatin1Char('/') + name;
        if (QFileInfo::exists(file))
            return file;
    }
    return QString();
}
