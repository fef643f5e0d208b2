#include "app/ProgramPaths.h"

#include "settings/SystemConfigFolders.h"

namespace {
// Only "/" separates folders here; ":" is an ordinary character of a file name.
bool isSeparator(QChar c)
{
    return c == QLatin1Char('/');
}

// Index of the last "/", -1 when there is none.
qsizetype lastSeparator(const QString &path)
{
    return path.lastIndexOf(QLatin1Char('/'));
}
} // namespace

QString ProgramFolderWithSeparator(const QString &programFilePath)
{
    return programFilePath.left(lastSeparator(programFilePath) + 1);
}

QString ProgramFolderWithoutSeparator(const QString &programFilePath)
{
    const qsizetype last = lastSeparator(programFilePath);
    // A separator right after the root (or another separator) belongs to the folder name.
    const bool dropSeparator = last > 0 && !isSeparator(programFilePath[last - 1]);
    return programFilePath.left(dropSeparator ? last : last + 1);
}

QString IniPathFor(const QString &programFilePath)
{
    const qsizetype dot = programFilePath.lastIndexOf(QLatin1Char('.'));
    const bool hasExtension = dot >= 0 && dot > lastSeparator(programFilePath);
    return (hasExtension ? programFilePath.left(dot) : programFilePath) + QStringLiteral(".ini");
}

QString AdministratorIniPath()
{
    const QString name = QStringLiteral("Orbel/PelkUpdater.ini");
    const QString found = FindSystemConfigFile(name);
    return found.isEmpty() ? SystemConfigFolders().constFirst() + QLatin1Char('/') + name : found;
}
