#pragma once

#include <QByteArray>
#include <QString>

class RegistryStore;
class SystemProbe;

// The short texts that describe this computer in every update request, in the forms the
// update service knows from Windows: "6.1.7601.1.Wks.x64.TS", "11", "2.0.2+4.0.F", "CLLO".

QByteArray WindowsVersionText(const SystemProbe &probe);
QByteArray ProcessorArchitectureText(quint16 architectureCode);
// The Windows architecture code of a Linux machine name (x86_64 -> 9, i686 -> 0, ...).
quint16 ArchitectureCodeOf(const QString &machine);
QByteArray IEVersionText(RegistryStore &store);
QByteArray DotNetVersionsText(RegistryStore &store);
QByteArray EnvironmentCode(const SystemProbe &probe, RegistryStore &store);
bool InCompanyDomain(const SystemProbe &probe);
bool IsRemoteSession(const SystemProbe &probe);
bool IsNetworkFileSystemType(const QString &fileSystemType);

// Form encoding of one request value: UTF-8, blank as "+", a fixed set of ASCII kept,
// everything else as %XX.
QByteArray FormEncode(const QString &text);
