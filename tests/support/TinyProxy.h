#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// A real tinyproxy on a free loopback port, started in the foreground with a generated
// configuration, optionally demanding basic authentication. Stopped when destroyed.
class TinyProxy
{
public:
    TinyProxy() = default;
    ~TinyProxy();

    // Empty user: no authentication. Returns false (see errorText) when it does not come up.
    bool start(const QByteArray &user = QByteArray(), const QByteArray &password = QByteArray());
    quint16 port() const { return m_port; }
    QString errorText() const { return m_error; }
    // Everything tinyproxy has logged so far.
    QByteArray log();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QByteArray m_log;
    QString m_error;
    quint16 m_port = 0;
};

// A loopback port that nothing listens on right now.
quint16 FreeLoopbackPort();
