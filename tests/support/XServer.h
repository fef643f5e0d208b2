#pragma once

#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>

// A virtual X server (Xvfb) with a window manager (openbox), for tests whose point is what a
// user's input does: clicks and keys go in through the X server (xdotool), as real ones do,
// and the window manager's view of a window (modal, transient for whom) can be read (xprop).
// Stopped when destroyed.
class XServer
{
public:
    XServer() = default;
    ~XServer();

    // Returns false (see errorText) when the server or the window manager does not come up.
    // `screen` is Xvfb's screen, width x height x depth.
    bool start(const QString &screen = QStringLiteral("2560x1600x24"));
    QString errorText() const { return m_error; }
    // The DISPLAY value of the server, ":N".
    QString display() const { return m_display; }

    // The mapped windows whose title matches the regular expression.
    QStringList windows(const QString &titlePattern) const;
    // Waits up to `timeoutMs` for the first such window; empty when none came.
    QString waitForWindow(const QString &titlePattern, int timeoutMs = 30000) const;
    // The top-left corner of the window's client area on the screen.
    QPoint origin(const QString &window) const;
    // A property as xprop prints it ("_NET_WM_STATE(ATOM) = _NET_WM_STATE_MODAL").
    QString property(const QString &window, const QString &name) const;

    void click(const QPoint &screenPoint) const;
    void move(const QString &window, const QPoint &screenPoint) const;
    // Activates the window and types the key (an X key name such as Escape).
    void key(const QString &window, const QString &keyName) const;

private:
    QByteArray tool(const QString &program, const QStringList &arguments) const;

    QProcess m_server;
    QProcess m_windowManager;
    QString m_display;
    QString m_error;
};
