#include "support/PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <QUuid>

namespace {
constexpr int kStartMs = 20000;

// A bus that starts no services of its own: only what the test puts on it answers.
const char kConfig[] =
    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
    "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>\n"
    "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
    "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(5000);
}
} // namespace

PrivateBus::PrivateBus()
{
    QFile config(m_folder.filePath(QStringLiteral("bus.conf")));
    if (!config.open(QIODevice::WriteOnly) || config.write(kConfig) < 0)
        return;
    config.close();
    m_daemon.setProgram(QStringLiteral("dbus-daemon"));
    m_daemon.setArguments({QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--print-address"),
                           QStringLiteral("--nofork")});
    m_daemon.start();
    if (!m_daemon.waitForStarted(kStartMs))
        return;
    QByteArray printed;
    const QDeadlineTimer deadline(kStartMs);
    while (!printed.contains('\n') && !deadline.hasExpired() && m_daemon.waitForReadyRead(int(deadline.remainingTime())))
        printed += m_daemon.readAllStandardOutput();
    m_address = QString::fromUtf8(printed.trimmed());
    m_connectionName = QStringLiteral("PrivateBus-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

PrivateBus::~PrivateBus()
{
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
    stop(m_mock);
    stop(m_daemon);
}

bool PrivateBus::startMock(const QString &dbusmockTemplate, const QString &serviceName)
{
    if (!isRunning())
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_address);
    m_mock.setProcessEnvironment(env);
    // Debian's Python, where python3-dbusmock is installed, whatever python3 comes first.
    m_mock.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"), dbusmockTemplate});
    QDBusConnection bus = QDBusConnection::connectToBus(m_address, m_connectionName);
    const QDeadlineTimer deadline(kStartMs);
    while (!deadline.hasExpired() && m_mock.state() != QProcess::NotRunning) {
        if (bus.interface() && bus.interface()->isServiceRegistered(serviceName).value())
            return true;
        QTest::qWait(50);
    }
    return false;
}

QDBusMessage PrivateBus::call(const QString &service, const QString &path, const QString &interface,
                              const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::connectToBus(m_address, m_connectionName).call(message, QDBus::Block, kStartMs);
}

QString PrivateBus::mockLog()
{
    if (m_mock.program().isEmpty())
        return m_mockLog; // no mock was started
    m_mockLog += QString::fromUtf8(m_mock.readAllStandardOutput());
    return m_mockLog;
}
