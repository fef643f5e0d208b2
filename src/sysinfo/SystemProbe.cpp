#include "sysinfo/SystemProbe.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <netdb.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <memory>

namespace {

// Mount points in mountinfo escape blank, tab, newline and backslash as \ooo.
QByteArray unescapeMountField(const QByteArray &field)
{
    const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    QByteArray result;
    result.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1])
            && isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            result.append(char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3)
                               | (field[i + 3] - '0')));
            i += 3;
            continue;
        }
        result.append(field[i]);
    }
    return result;
}

bool pathLiesUnder(const QByteArray &path, const QByteArray &mountPoint)
{
    if (mountPoint == "/")
        return path.startsWith('/');
    return path == mountPoint || (path.startsWith(mountPoint) && path[mountPoint.size()] == '/');
}

struct AddrInfoDeleter
{
    void operator()(addrinfo *info) const { freeaddrinfo(info); }
};

} // namespace

QString LinuxSystemProbe::kernelRelease() const
{
    return QSysInfo::kernelVersion();
}

QString LinuxSystemProbe::machine() const
{
    utsname names{};
    if (uname(&names) != 0)
        return QString();
    return QString::fromUtf8(names.machine);
}

QByteArray LinuxSystemProbe::environmentValue(const char *name) const
{
    return qgetenv(name);
}

QString LinuxSystemProbe::programFilePath() const
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString LinuxSystemProbe::fileSystemType(const QString &path) const
{
    QString canonicalPath = QFileInfo(path).canonicalFilePath();
    if (canonicalPath.isEmpty())
        canonicalPath = QFileInfo(path).absoluteFilePath();
    QFile mountInfo(QStringLiteral("/proc/self/mountinfo"));
    if (!mountInfo.open(QIODevice::ReadOnly))
        return QString();
    // A proc file has no size; read it to its end.
    return fileSystemTypeIn(mountInfo.readAll(), canonicalPath);
}

QString LinuxSystemProbe::fileSystemTypeIn(const QByteArray &mountInfo, const QString &canonicalPath)
{
    const QByteArray path = QFile::encodeName(canonicalPath);
    QByteArray bestType;
    qsizetype bestLength = -1;
    for (const QByteArray &line : mountInfo.split('\n')) {
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArray("-"), 6);
        if (fields.size() < 7 || separator < 0 || separator + 1 >= fields.size())
            continue;
        const QByteArray mountPoint = unescapeMountField(fields[4]);
        // A later mount on the same point hides the earlier one, hence >=.
        if (pathLiesUnder(path, mountPoint) && mountPoint.size() >= bestLength) {
            bestLength = mountPoint.size();
            bestType = fields[separator + 1];
        }
    }
    return QString::fromUtf8(bestType);
}

QString LinuxSystemProbe::dnsDomain() const
{
    char hostName[256] = {};
    if (gethostname(hostName, sizeof hostName - 1) != 0)
        return QString();
    QString fullName = QString::fromUtf8(hostName);
    if (!fullName.contains(QLatin1Char('.'))) {
        // The resolver consults /etc/hosts first, as `hostname -d` does.
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_CANONNAME;
        addrinfo *found = nullptr;
        if (getaddrinfo(hostName, nullptr, &hints, &found) != 0)
            return QString();
        const std::unique_ptr<addrinfo, AddrInfoDeleter> owner(found);
        if (!found || !found->ai_canonname)
            return QString();
        fullName = QString::fromUtf8(found->ai_canonname);
    }
    const qsizetype dot = fullName.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    QString domain = fullName.mid(dot + 1);
    if (domain.endsWith(QLatin1Char('.')))
        domain.chop(1);
    return domain;
}
