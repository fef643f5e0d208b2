#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Whether the HTML engine of the message page can start in this process. The engine's
// Chromium ends the whole process when it cannot start its sandbox (exit(1) as root,
// an abort when no sandbox is usable) and when its helper program is missing; the end-of-run
// writes would be lost with it. So the program asks the same questions first and shows the
// messages window without its page instead. The engine's sandbox is never switched off here.
struct PageEngineFacts
{
    bool sandboxVariableSet = false;          // QTWEBENGINE_DISABLE_SANDBOX
    std::optional<QString> chromiumFlags;     // QTWEBENGINE_CHROMIUM_FLAGS, when set
    QStringList arguments;                    // the program's arguments, its own path first
    bool rootUser = false;                    // the user ID is 0
    bool mixedIds = false;                    // real, effective and saved user or group IDs differ
    std::function<bool()> userNamespaces;     // whether a process may make a user namespace
    QStringList helperCandidates;             // where the engine looks for its helper program
    std::function<bool(const QString &)> fileExists;
};

// The facts of this process.
PageEngineFacts CurrentPageEngineFacts();

// Empty when the engine can start; otherwise the message that says why the page cannot be shown.
QString PageEngineRefusal(const PageEngineFacts &facts);

// The switches the engine reads: QTWEBENGINE_CHROMIUM_FLAGS when it is set, otherwise the
// program's arguments after "--webEngineArgs"; nothing else.
QStringList PageEngineSwitches(const PageEngineFacts &facts);
