#include "support/XServer.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>

namespace {
constexpr int kStartTimeoutMs = 20000;

void stop(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}
// Waits with this thread's events running, so that a test server in it keeps answering.
void waitServing(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
} // namespace

XServer::~XServer()
{
    stop(m_windowManager);
    stop(m_server);
}

bool XServer::start(const QString &screen)
{
    // The server picks a free display itself and tells its number on standard output.
    m_server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                           QStringLiteral("-screen"), QStringLiteral("0"),
                                           screen, QStringLiteral("-nolisten"),
                                           QStringLiteral("tcp")});
    if (!m_server.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("Xvfb does not start: ") + m_server.errorString();
        return false;
    }
    QByteArray number;
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!number.contains('\n') && !deadline.hasExpired() && m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(100);
        number += m_server.readAllStandardOutput();
    }
    if (!number.contains('\n')) {
        m_error = QStringLiteral("Xvfb names no display: ") + QString::fromLocal8Bit(m_server.readAllStandardError());
        return false;
    }
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    m_windowManager.setProcessEnvironment(env);
    m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_windowManager.waitForStarted(kStartTimeoutMs)) {
        m_error = QStringLiteral("openbox does not start: ") + m_windowManager.errorString();
        return false;
    }
    // The window manager is there once it has announced itself on the root window.
    while (!deadline.hasExpired()) {
        if (tool(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")})
                .contains("window id"))
            return true;
        QThread::msleep(100);
    }
    m_error = QStringLiteral("openbox does not take over the display");
    return false;
}

QByteArray XServer::tool(const QString &program, const QStringList &arguments) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    process.waitForFinished(10000);
    return process.readAllStandardOutput();
}

QStringList XServer::windows(const QString &titlePattern) const
{
    const QByteArray found = tool(QStringLiteral("xdotool"),
                                  {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                   QStringLiteral("--name"), titlePattern});
    return QString::fromLatin1(found).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString XServer::waitForWindow(const QString &titlePattern, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    do {
        const QStringList found = windows(titlePattern);
        if (!found.isEmpty())
            return found.first();
        waitServing(100);
    } while (!deadline.hasExpired());
    return QString();
}

QPoint XServer::origin(const QString &window) const
{
    const QString info = QString::fromLatin1(tool(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window}));
    const QRegularExpression x(QStringLiteral("Absolute upper-left X:\\s*(-?\\d+)"));
    const QRegularExpression y(QStringLiteral("Absolute upper-left Y:\\s*(-?\\d+)"));
    return QPoint(x.match(info).captured(1).toInt(), y.match(info).captured(1).toInt());
}

QString XServer::property(const QString &window, const QString &name) const
{
    return QString::fromLatin1(tool(QStringLiteral("xprop"), {QStringLiteral("-id"), window, name})).trimmed();
}

void XServer::click(const QPoint &screenPoint) const
{
    tool(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--sync"),
                                     QString::number(screenPoint.x()), QString::number(screenPoint.y()),
                                     QStringLiteral("click"), QStringLiteral("1")});
}

void XServer::move(const QString &window, const QPoint &screenPoint) const
{
    tool(QStringLiteral("xdotool"), {QStringLiteral("windowmove"), QStringLiteral("--sync"), window,
                                     QString::number(screenPoint.x()), QString::number(screenPoint.y())});
}

void XServer::key(const QString &window, const QString &keyName) const
{
    tool(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"), window,
                                     QStringLiteral("key"), keyName});
}
