#pragma once

#include <QByteArray>
#include <QString>

// The raw facts of this computer that the update request reports. Tests pin them.
class SystemProbe
{
public:
    virtual ~SystemProbe() = default;
    virtual QString kernelRelease() const = 0;   // uname release, "6.1.0-13-amd64"; empty on failure
    virtual QString machine() const = 0;         // uname machine, "x86_64"
    virtual QByteArray environmentValue(const char *name) const = 0; // empty when unset
    virtual QString programFilePath() const = 0; // full path of the running program
    virtual QString fileSystemType(const QString &path) const = 0; // "ext4", "nfs4", "fuse.sshfs", ...
    // Domain part of the host's full name; empty if none. It may ask the resolver, which takes
    // as long as it likes, so a check asks on a thread of its own and may stop waiting: this
    // must be safe on any thread and need nothing of the probe once it has started.
    virtual QString dnsDomain() const = 0;
};

class LinuxSystemProbe : public SystemProbe
{
public:
    QString kernelRelease() const override;
    QString machine() const override;
    QByteArray environmentValue(const char *name) const override;
    QString programFilePath() const override;
    QString fileSystemType(const QString &path) const override;
    QString dnsDomain() const override;

    // The type of the file system that holds `canonicalPath`, from the text of
    // /proc/self/mountinfo: the innermost mount point wins, FUSE types keep their subtype.
    static QString fileSystemTypeIn(const QByteArray &mountInfo, const QString &canonicalPath);
};
