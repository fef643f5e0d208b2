#include "messages/MessagePageModule.h"

#include "base/PelkError.h"
#include "base/ProgramModule.h"
#include "messages/PageEngineStart.h"

QString MessagePageModulePath()
{
    return ProgramModulePath("PelkMessagePage.so");
}

MessagePageFactory MessagePageModuleFactory(const QString &modulePath)
{
    return [modulePath](UrlOpener &urlOpener, QWidget *parent) -> MessagePageDisplay * {
        // The engine would end the whole process where it cannot start; ask first.
        const QString refusal = PageEngineRefusal(CurrentPageEngineFacts());
        if (!refusal.isEmpty())
            throw PelkError(refusal);
        const auto entry = reinterpret_cast<MessagePageModuleEntry>(
            ResolveModuleEntry(modulePath, MessagePageModuleEntryName));
        return entry(urlOpener, parent);
    };
}
