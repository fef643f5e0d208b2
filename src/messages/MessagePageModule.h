#pragma once

#include "messages/MessagePageDisplay.h"

#include <QString>

// The page module's entry point, looked up by this name.
using MessagePageModuleEntry = MessagePageDisplay *(*)(UrlOpener &urlOpener, QWidget *parent);
inline constexpr char MessagePageModuleEntryName[] = "PelkCreateMessagePage";

// The module beside the program: PelkMessagePage.so in the program's folder.
QString MessagePageModulePath();

// A factory that loads the module at `modulePath` at its first call and keeps it loaded.
// An engine that cannot start here raises a message that says why (see PageEngineStart.h);
// a module that is missing or has no entry point raises "Error loading " + the path.
MessagePageFactory MessagePageModuleFactory(const QString &modulePath);
