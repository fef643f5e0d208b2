#include "sysinfo/SystemFacts.h"

#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "sysinfo/InstallationData.h"
#include "sysinfo/SystemProbe.h"

#include <QList>
#include <QRegularExpression>

namespace {

constexpr quint16 kArchitectureIntel = 0;
constexpr quint16 kArchitectureArm = 5;
constexpr quint16 kArchitectureIa64 = 6;
constexpr quint16 kArchitectureAmd64 = 9;
constexpr quint16 kArchitectureArm64 = 12;
constexpr quint16 kArchitectureUnknown = 0xFFFF;

const QString kNdpKeyPath = QStringLiteral("\\Software\\Microsoft\\NET Framework Setup\\NDP\\");

bool isSet(const SystemProbe &probe, const char *name)
{
    return !probe.environmentValue(name).isEmpty();
}

// A run of decimal digits as its number in decimal, without leading zeros and without overflow.
QByteArray decimalNumber(const QString &digits)
{
    qsizetype first = 0;
    while (first + 1 < digits.size() && digits[first] == QLatin1Char('0'))
        ++first;
    return digits.isEmpty() ? QByteArray("0") : digits.mid(first).toLatin1();
}

// The key opened read-only, if it holds Install = 1.
std::unique_ptr<RegistryKey> installedKey(RegistryStore &store, const QString &version)
{
    std::unique_ptr<RegistryKey> key = store.openKey(RegistryRoot::LocalMachine,
                                                     kNdpKeyPath + version, false);
    if (!key || !key->valueExists(QStringLiteral("Install"))
        || key->readInteger(QStringLiteral("Install")) != 1)
        return nullptr;
    return key;
}

void addServicePackEntry(RegistryStore &store, const QString &version, const QByteArray &entry,
                         QList<QByteArray> &list)
{
    const std::unique_ptr<RegistryKey> key = installedKey(store, version);
    if (!key)
        return;
    QByteArray text = entry;
    if (key->valueExists(QStringLiteral("SP")))
        text += '.' + QByteArray::number(key->readInteger(QStringLiteral("SP")));
    list.append(text);
}

// The version up to its second full stop, then the profile suffix; a version with fewer
// than two full stops gives the suffix alone.
void addVersion4Entry(RegistryStore &store, const QString &profile, const QByteArray &suffix,
                      QList<QByteArray> &list)
{
    const std::unique_ptr<RegistryKey> key = installedKey(store, QStringLiteral("v4\\") + profile);
    if (!key || !key->valueExists(QStringLiteral("Version")))
        return;
    const QString version = key->readString(QStringLiteral("Version"));
    const qsizetype firstDot = version.indexOf(QLatin1Char('.'));
    const qsizetype secondDot = firstDot < 0 ? -1 : version.indexOf(QLatin1Char('.'), firstDot + 1);
    const QByteArray head = secondDot < 0 ? QByteArray() : version.left(secondDot).toUtf8();
    list.append(head + suffix);
}

} // namespace

QByteArray WindowsVersionText(const SystemProbe &probe)
{
    const QString release = probe.kernelRelease();
    if (release.isEmpty())
        return QByteArray();
    // "6.1.0-13-amd64" -> 6, 1, 0; numbers that are not there count as 0.
    static const QRegularExpression kLeadingNumbers(
        QStringLiteral("^(\\d+)(?:\\.(\\d+)(?:\\.(\\d+))?)?"));
    const QRegularExpressionMatch match = kLeadingNumbers.match(release);
    QByteArray text;
    for (int part = 1; part <= 3; ++part)
        text += decimalNumber(match.captured(part)) + '.';
    text += '0'; // no service packs here
    text += (isSet(probe, "DISPLAY") || isSet(probe, "WAYLAND_DISPLAY")) ? ".Wks" : ".Svr";
    text += '.' + ProcessorArchitectureText(ArchitectureCodeOf(probe.machine()));
    if (IsRemoteSession(probe))
        text += ".TS";
    return text;
}

QByteArray ProcessorArchitectureText(quint16 architectureCode)
{
    switch (architectureCode) {
    case kArchitectureIntel:
        return "x86";
    case kArchitectureIa64:
        return "IA64";
    case kArchitectureAmd64:
        return "x64";
    default:
        return '$' + QByteArray::number(architectureCode, 16).toUpper().rightJustified(4, '0');
    }
}

quint16 ArchitectureCodeOf(const QString &machine)
{
    const QString name = machine.toLower();
    static const QRegularExpression kIntel32(QStringLiteral("^i[3-6]86$"));
    if (name == QLatin1String("x86_64") || name == QLatin1String("amd64"))
        return kArchitectureAmd64;
    if (kIntel32.match(name).hasMatch())
        return kArchitectureIntel;
    if (name == QLatin1String("ia64"))
        return kArchitectureIa64;
    if (name == QLatin1String("aarch64") || name == QLatin1String("arm64"))
        return kArchitectureArm64;
    if (name.startsWith(QLatin1String("arm")))
        return kArchitectureArm;
    return kArchitectureUnknown;
}

QByteArray IEVersionText(RegistryStore &store)
{
    const std::unique_ptr<RegistryKey> key = store.openKey(
        RegistryRoot::LocalMachine, QStringLiteral("\\Software\\Microsoft\\Internet Explorer"), false);
    if (!key)
        return QByteArray();
    QString version;
    if (key->valueExists(QStringLiteral("svcVersion")))
        version = key->readString(QStringLiteral("svcVersion"));
    else if (key->valueExists(QStringLiteral("Version")))
        version = key->readString(QStringLiteral("Version"));
    return version.section(QLatin1Char('.'), 0, 0).toUtf8();
}

QByteArray DotNetVersionsText(RegistryStore &store)
{
    QList<QByteArray> list;
    addServicePackEntry(store, QStringLiteral("v1.1.4322"), "1.1", list);
    addServicePackEntry(store, QStringLiteral("v2.0.50727"), "2.0", list);
    addServicePackEntry(store, QStringLiteral("v3.0"), "3.0", list);
    addServicePackEntry(store, QStringLiteral("v3.5"), "3.5", list);
    addVersion4Entry(store, QStringLiteral("Client"), ".C", list);
    addVersion4Entry(store, QStringLiteral("Full"), ".F", list);
    return JoinText(list, '+');
}

QByteArray EnvironmentCode(const SystemProbe &probe, RegistryStore &store)
{
    QByteArray code;
    code += IsRemoteSession(probe) ? 'R' : 'C';
    code += IsNetworkFileSystemType(probe.fileSystemType(probe.programFilePath())) ? 'R' : 'L';
    code += UserDataApart(store) ? 'S' : 'L';
    code += InCompanyDomain(probe) ? 'F' : 'O';
    return code;
}

bool InCompanyDomain(const SystemProbe &probe)
{
    // Only A-Z are folded (Qt 6 folds ASCII only), so no other letter turns into "orbel".
    return probe.dnsDomain().toUtf8().toLower().contains("orbel");
}

bool IsRemoteSession(const SystemProbe &probe)
{
    return isSet(probe, "SSH_CONNECTION") || isSet(probe, "SSH_CLIENT") || isSet(probe, "XRDP_SESSION");
}

bool IsNetworkFileSystemType(const QString &fileSystemType)
{
    // Network and cluster file systems, FUSE file systems that reach another machine, and
    // folders shared into a virtual machine by its host (network drives on Windows too).
    static const QStringList kNetworkTypes = {
        QStringLiteral("nfs"), QStringLiteral("nfs4"), QStringLiteral("cifs"),
        QStringLiteral("smb3"), QStringLiteral("smbfs"), QStringLiteral("smb2"),
        QStringLiteral("ncpfs"), QStringLiteral("ncp"), QStringLiteral("afs"),
        QStringLiteral("coda"), QStringLiteral("ceph"), QStringLiteral("glusterfs"),
        QStringLiteral("lustre"), QStringLiteral("gpfs"), QStringLiteral("beegfs"),
        QStringLiteral("orangefs"), QStringLiteral("pvfs2"), QStringLiteral("davfs"),
        QStringLiteral("9p"), QStringLiteral("vboxsf"), QStringLiteral("vmhgfs"),
        QStringLiteral("fuse.sshfs"), QStringLiteral("fuse.rclone"), QStringLiteral("fuse.s3fs"),
        QStringLiteral("fuse.glusterfs"), QStringLiteral("fuse.davfs"), QStringLiteral("fuse.davfs2"),
        QStringLiteral("fuse.curlftpfs"), QStringLiteral("fuse.ceph-fuse"), QStringLiteral("fuse.cephfs"),
        QStringLiteral("fuse.gcsfuse"), QStringLiteral("fuse.goofys"), QStringLiteral("fuse.s3ql"),
        QStringLiteral("fuse.mfs"), QStringLiteral("fuse.lizardfs"), QStringLiteral("fuse.juicefs"),
        QStringLiteral("fuse.blobfuse"), QStringLiteral("fuse.blobfuse2"),
        QStringLiteral("fuse.vmhgfs-fuse"),
    };
    return kNetworkTypes.contains(fileSystemType.toLower());
}

QByteArray FormEncode(const QString &text)
{
    // Beside letters, digits and "-._~", which are never escaped, these stand as they are.
    static const QByteArray kKept = QByteArrayLiteral("!$'()*,/:;=?@`\x7F");
    QByteArray utf8 = text.toUtf8();
    const qsizetype nul = utf8.indexOf('\0');
    if (nul >= 0)
        utf8.truncate(nul); // the request texts end at a NUL
    // A "%20" can only come from a blank: a percent sign itself is escaped.
    return utf8.toPercentEncoding(kKept).replace("%20", "+");
}
