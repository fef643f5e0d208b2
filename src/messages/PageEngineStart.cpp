#include "messages/PageEngineStart.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>

#include <cerrno>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
const QString kCannotShow = QStringLiteral("The message page cannot be shown: ");

// Splits the flags variable as the engine does: blanks separate, double quotes group.
QStringList splitFlags(const QString &flags)
{
    QStringList parts;
    QString part;
    bool quoted = false;
    bool inPart = false;
    for (const QChar c : flags) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inPart = true;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (inPart)
                parts.append(part);
            part.clear();
            inPart = false;
        } else {
            part.append(c);
            inPart = true;
        }
    }
    if (inPart)
        parts.append(part);
    return parts;
}

// A switch as Chromium reads one on this platform: "--name" or "-name", optionally "=value";
// a bare "--" ends the switches.
bool hasSwitch(const QStringList &switches, QLatin1String name)
{
    for (const QString &argument : switches) {
        if (argument == QLatin1String("--"))
            return false;
        QString rest;
        if (argument.startsWith(QLatin1String("--")))
            rest = argument.mid(2);
        else if (argument.startsWith(QLatin1Char('-')))
            rest = argument.mid(1);
        else
            continue;
        if (rest.section(QLatin1Char('='), 0, 0) == name)
            return true;
    }
    return false;
}

void writeProcFile(const char *path, const char *text, size_t length)
{
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ssize_t written = write(fd, text, length);
    (void)written;
    close(fd);
}

// As the engine tries it: a child in a new user namespace that maps its own IDs and may
// then make a namespace of its own without privileges. Only system calls run in the child.
bool canMakeUserNamespace()
{
    const QByteArray uidMap = QByteArray::number(getuid()) + ' ' + QByteArray::number(getuid()) + " 1\n";
    const QByteArray gidMap = QByteArray::number(getgid()) + ' ' + QByteArray::number(getgid()) + " 1\n";
    const long pid = syscall(SYS_clone, CLONE_NEWUSER | SIGCHLD, nullptr, nullptr, nullptr, nullptr);
    if (pid < 0)
        return false;
    if (pid == 0) {
        writeProcFile("/proc/self/setgroups", "deny", 4);
        writeProcFile("/proc/self/uid_map", uidMap.constData(), size_t(uidMap.size()));
        writeProcFile("/proc/self/gid_map", gidMap.constData(), size_t(gidMap.size()));
        _exit(unshare(CLONE_NEWUSER) == 0 ? 0 : 1);
    }
    int status = 0;
    while (waitpid(pid_t(pid), &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

QStringList helperCandidates()
{
    const QString helper = QStringLiteral("QtWebEngineProcess");
    const QString fromEnvironment = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    if (!fromEnvironment.isEmpty())
        return {fromEnvironment};
    return {QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QLatin1Char('/') + helper,
            QCoreApplication::applicationDirPath() + QLatin1Char('/') + helper};
}
} // namespace

PageEngineFacts CurrentPageEngineFacts()
{
    PageEngineFacts facts;
    facts.sandboxVariableSet = qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX");
    if (qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS"))
        facts.chromiumFlags = qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS");
    facts.arguments = QCoreApplication::arguments();
    uid_t ruid = 0, euid = 0, suid = 0;
    gid_t rgid = 0, egid = 0, sgid = 0;
    const bool known = getresuid(&ruid, &euid, &suid) == 0 && getresgid(&rgid, &egid, &sgid) == 0;
    facts.mixedIds = !known || ruid != euid || ruid != suid || rgid != egid || rgid != sgid;
    facts.rootUser = known && ruid == 0;
    facts.userNamespaces = canMakeUserNamespace;
    facts.helperCandidates = helperCandidates();
    facts.fileExists = [](const QString &path) { return QFileInfo::exists(path); };
    return facts;
}

QStringList PageEngineSwitches(const PageEngineFacts &facts)
{
    if (facts.chromiumFlags)
        return splitFlags(*facts.chromiumFlags);
    const int marker = facts.arguments.indexOf(QStringLiteral("--webEngineArgs"), 1);
    return marker < 0 ? QStringList() : facts.arguments.mid(marker + 1);
}

QString PageEngineRefusal(const PageEngineFacts &facts)
{
    bool helperFound = false;
    for (const QString &candidate : facts.helperCandidates)
        helperFound = helperFound || (facts.fileExists && facts.fileExists(candidate));
    if (!helperFound) {
        return kCannotShow + QStringLiteral("the HTML engine's helper program is missing (looked for %1)")
                                 .arg(facts.helperCandidates.join(QStringLiteral(", ")));
    }

    const QStringList switches = PageEngineSwitches(facts);
    if (facts.sandboxVariableSet || hasSwitch(switches, QLatin1String("no-sandbox")))
        return QString();
    if (facts.rootUser)
        return kCannotShow + QStringLiteral("the HTML engine does not run as root with its sandbox on");
    if (facts.mixedIds)
        return kCannotShow + QStringLiteral("the HTML engine does not run with differing real and effective user IDs");
    if (hasSwitch(switches, QLatin1String("disable-namespace-sandbox")) || !facts.userNamespaces
        || !facts.userNamespaces()) {
        return kCannotShow + QStringLiteral("the HTML engine finds no usable sandbox: "
                                            "this system does not let programs make user namespaces");
    }
    return QString();
}
