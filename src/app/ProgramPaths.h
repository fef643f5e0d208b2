#pragma once

#include <QString>

// Path rules of the program file: "/" is the only separator; ":" belongs to file names.

// The folder part of the program's full path, up to and including the last "/".
QString ProgramFolderWithSeparator(const QString &programFilePath);

// The folder part without the trailing separator, except for the root "/" itself.
QString ProgramFolderWithoutSeparator(const QString &programFilePath);

// The program's path with its extension replaced by ".ini"; a name without an extension
// (no "." after the last "/") gets ".ini" appended.
QString IniPathFor(const QString &programFilePath);

// The administrator's INI file, "Orbel/PelkUpdater.ini" in the system's configuration folders
// (beside the machine-wide store): the first folder's that exists, otherwise the place in the
// first folder where an administrator would create it.
QString AdministratorIniPath();
