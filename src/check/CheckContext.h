#pragma once

#include "sysinfo/InstallationData.h"

class Clock;
class HttpTransport;
class IniFile;
class Languages;
class RegistryStore;
class SystemProbe;

// The collaborators of an update check, wired once at start-up.
struct CheckContext
{
    const InstallationData &installation;
    const IniFile &ini;
    const Languages &languages;
    RegistryStore &store;
    const SystemProbe &probe;
    const Clock &clock;
    HttpTransport &transport;
};
