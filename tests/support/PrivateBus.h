#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>

// A D-Bus daemon of the test's own, optionally with one of python3-dbusmock's templates
// serving on it; both are killed at the end. Give its address to a program as
// DBUS_SESSION_BUS_ADDRESS or DBUS_SYSTEM_BUS_ADDRESS.
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }

    // Starts dbusmock with `dbusmockTemplate` and waits until it owns `serviceName`.
    bool startMock(const QString &dbusmockTemplate, const QString &serviceName);
    // A method call on the bus; the reply (an error reply when it failed).
    QDBusMessage call(const QString &service, const QString &path, const QString &interface,
                      const QString &method, const QVariantList &arguments = {});
    // What the mock logged so far: one line per call it received, with its arguments.
    QString mockLog();

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QProcess m_mock;
    QString m_address;
    QString m_connectionName;
    QString m_mockLog;
};
