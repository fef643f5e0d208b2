#pragma once

#include "check/HttpTransport.h"
#include "check/RequestLimits.h"

#include <QByteArray>

class IniFile;
class Languages;
class RegistryStore;
class SystemProbe;
struct InstallationData;

// What an update request is made of.
struct RequestSources
{
    const InstallationData &installation;
    const IniFile &ini;
    const Languages &languages;
    RegistryStore &store;
    const SystemProbe &probe;
};

// One update request, complete: the post as it goes out and the way it takes.
struct UpdateRequest
{
    HttpPost post;
    ProxyRoute route;
    // No installation ID is stored yet: the body's id is empty, the first check makes one.
    bool newId = false;
};

// The service's address from the INI file; empty when none is set.
QByteArray ServiceAddress(const IniFile &ini);

// Builds the request to `address` with the stored installation ID `id` (braces included),
// storing nothing. The check sends exactly this, and the settings show it. Throws PelkError
// for an address or a proxy setting the check could not use.
UpdateRequest BuildUpdateRequest(const QByteArray &address, const QByteArray &id, const RequestSources &sources);

// The request the next check would send, read from the INI file and the store without
// storing anything (an ID not yet made stays empty); the DNS domain is looked up within
// the check's own time.
UpdateRequest NextUpdateRequest(const RequestSources &sources, const RequestLimits &limits = RequestLimits());
