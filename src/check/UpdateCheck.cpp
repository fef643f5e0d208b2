#include "check/UpdateCheck.h"

#include "check/CheckHost.h"

// Placeholder until the request lands: keeps the program linkable.
XmlDocumentPtr SendUpdateRequest(const QByteArray &, const CheckContext &, CheckHost &)
{
    return nullptr;
}

void CheckForUpdates(bool, const CheckContext &, CheckHost &host)
{
    host.ClearLog();
}
