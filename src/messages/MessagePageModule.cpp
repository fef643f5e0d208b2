#include "messages/MessagePageModule.h"

#include "app/PelkError.h"
#include "messages/PageEngineStart.h"

#include <QCoreApplication>
#include <QLibrary>

#include <cstdio>

QString MessagePageModulePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/PelkMessagePage.so");
}

MessagePageFactory MessagePageModuleFactory(const QString &modulePath)
{
    return [modulePath](UrlOpener &urlOpener, QWidget *parent) -> MessagePageDisplay * {
        // The engine would end the whole process where it cannot start; ask first.
        const QString refusal = PageEngineRefusal(CurrentPageEngineFacts());
        if (!refusal.isEmpty())
            throw PelkError(refusal);
        // Never unloaded: the engine's threads and the widgets made here outlive any scope.
        QLibrary module(modulePath);
        auto entry = reinterpret_cast<MessagePageModuleEntry>(module.resolve(MessagePageModuleEntryName));
        if (!entry) {
            // The loader's reason helps whoever installed the program; the user reads the path.
            std::fprintf(stderr, "%s\n", qPrintable(module.errorString()));
            throw PelkError(QStringLiteral("Error loading ") + modulePath);
        }
        return entry(urlOpener, parent);
    };
}
