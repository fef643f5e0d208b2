#pragma once

#include "sysinfo/SystemProbe.h"

#include <QDeadlineTimer>

// The facts of `probe` for one request, except that the DNS domain, which asks the resolver,
// is looked up on a thread of its own and waited for at most `timeoutMs` and never past
// `deadline`, windows painting meanwhile. No answer in time counts as no domain.
class BoundedLookupProbe : public SystemProbe
{
public:
    BoundedLookupProbe(const SystemProbe &probe, int timeoutMs, const QDeadlineTimer &deadline);

    QString kernelRelease() const override { return m_probe.kernelRelease(); }
    QString machine() const override { return m_probe.machine(); }
    QByteArray environmentValue(const char *name) const override { return m_probe.environmentValue(name); }
    QString programFilePath() const override { return m_probe.programFilePath(); }
    QString fileSystemType(const QString &path) const override { return m_probe.fileSystemType(path); }
    QString dnsDomain() const override;

private:
    const SystemProbe &m_probe;
    int m_timeoutMs;
    QDeadlineTimer m_deadline;
};
