#pragma once

#include <QString>
#include <QStringList>

// The system's configuration folders as XDG names them: $XDG_CONFIG_DIRS without its relative
// entries, or /etc/xdg when none is left. Qt's own system-wide settings live there too.
QStringList SystemConfigFolders();

// `name` ("Orbel/machine.reg") in the first of those folders that has it; empty when none has.
QString FindSystemConfigFile(const QString &name);
