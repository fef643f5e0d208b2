#include "base/ProgramModule.h"

#include "base/PelkError.h"
#include "base/VisibleText.h"

#include <QCoreApplication>
#include <QLibrary>

#include <cstdio>

QString ProgramModulePath(const char *fileName)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(fileName);
}

QFunctionPointer ResolveModuleEntry(const QString &modulePath, const char *entryName)
{
    QLibrary module(modulePath);
    const QFunctionPointer entry = module.resolve(entryName);
    if (!entry) {
        std::fprintf(stderr, "%s\n", VisibleText(module.errorString()).toUtf8().constData());
        throw PelkError(QStringLiteral("Error loading ") + modulePath);
    }
    return entry;
}
