#pragma once

#include <QString>
#include <QtGlobal>

// The program's modules (PelkMessagePage.so, PelkNetwork.so) lie beside it.
QString ProgramModulePath(const char *fileName);

// Loads the module at `modulePath` and returns its entry point `entryName`. The module stays
// loaded for the rest of the run: what it made (threads, widgets, objects the program holds)
// outlives any scope. A module that is missing or has no such entry raises "Error loading "
// + the path; the loader's reason goes to standard error, for whoever installed the program.
QFunctionPointer ResolveModuleEntry(const QString &modulePath, const char *entryName);
