#pragma once

#include "sysinfo/SystemProbe.h"

#include <QHash>

// Every fact pinned by the test. The file system type is only known for the program's
// own path, so that asking about another path shows up as a local drive.
class FakeSystemProbe : public SystemProbe
{
public:
    QString release = QStringLiteral("6.1.0-13-amd64");
    QString machineName = QStringLiteral("x86_64");
    QHash<QByteArray, QByteArray> environment;
    QString programPath = QStringLiteral("/opt/pelk/PelkUpdater");
    QString programFileSystem = QStringLiteral("ext4");
    QString domain;

    QString kernelRelease() const override { return release; }
    QString machine() const override { return machineName; }
    QByteArray environmentValue(const char *name) const override
    {
        return environment.value(QByteArray(name));
    }
    QString programFilePath() const override { return programPath; }
    QString fileSystemType(const QString &path) const override
    {
        return path == programPath ? programFileSystem : QStringLiteral("ext4");
    }
    QString dnsDomain() const override { return domain; }
};
