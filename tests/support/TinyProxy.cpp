#include "support/TinyProxy.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <unistd.h>

quint16 FreeLoopbackPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

TinyProxy::~TinyProxy()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool TinyProxy::start(const QByteArray &user, const QByteArray &password)
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        m_port = FreeLoopbackPort();
        QByteArray config = "Port " + QByteArray::number(m_port) + "\n"
                            "Listen 127.0.0.1\n"
                            "Allow 127.0.0.1\n"
                            "Timeout 30\n"
                            "MaxClients 20\n"
                            "LogLevel Info\n";
        // As root it would keep the caller's identity anyway; say so to keep its log quiet.
        if (::geteuid() == 0)
            config += "User root\nGroup root\n";
        if (!user.isEmpty())
            config += "BasicAuth " + user + ' ' + password + "\n";
        const QString file = m_dir.filePath(QStringLiteral("tinyproxy.conf"));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(config) != config.size()) {
            m_error = QStringLiteral("cannot write %1").arg(file);
            return false;
        }
        out.close();

        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(QStringLiteral("tinyproxy"), {QStringLiteral("-d"), QStringLiteral("-c"), file});
        if (!m_process.waitForStarted(5000)) {
            m_error = QStringLiteral("tinyproxy does not start: %1").arg(m_process.errorString());
            return false;
        }
        const QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        m_log += m_process.readAll();
        m_process.kill();
        m_process.waitForFinished(3000);
    }
    m_error = QStringLiteral("tinyproxy did not listen: %1").arg(QString::fromLocal8Bit(m_log));
    return false;
}

QByteArray TinyProxy::log()
{
    m_process.waitForReadyRead(100);
    m_log += m_process.readAll();
    return m_log;
}
