#include "PelkDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>

PelkDriver::PelkDriver()
{
    const QString shots = qEnvironmentVariable("PELK_DRIVER_SHOTS");
    if (!shots.isEmpty()) {
        m_takeShots = QDir().mkpath(shots);
        m_shots = QDir(shots);
    }
    m_runCheck = qEnvironmentVariableIntValue("PELK_DRIVER_CHECK") == 1;
    m_answerYes = qEnvironmentVariable("PELK_DRIVER_ANSWER").compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
    bool ok = false;
    const int settle = qEnvironmentVariableIntValue("PELK_DRIVER_SETTLE_MS", &ok);
    if (ok)
        m_settleMs = settle;
    const int read = qEnvironmentVariableIntValue("PELK_DRIVER_READ_MS", &ok);
    if (ok)
        m_readMs = read;
    qApp->installEventFilter(this);
    report(QStringLiteral("loaded"));
}

bool PelkDriver::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen
            && !m_pending.contains(widget)) {
            m_pending.insert(widget);
            const int delay = widget->inherits("TFPelkUpdaterMessages") ? m_readMs : m_settleMs;
            QPointer<QWidget> window(widget);
            QTimer::singleShot(delay, this, [this, window] { handle(window); });
        }
    }
    return QObject::eventFilter(watched, event);
}

void PelkDriver::handle(QPointer<QWidget> window)
{
    m_pending.remove(window.data());
    if (!window || !window->isVisible())
        return;
    const QString name = window->objectName().isEmpty() ? QString::fromLatin1(window->metaObject()->className())
                                                        : window->objectName();
    shoot(window, name);

    if (window->inherits("TFPelkUpdaterMain")) {
        handleMainWindow(window);
    } else if (window->inherits("TFPelkUpdaterMessages")) {
        auto *close = window->findChild<QAbstractButton *>(QStringLiteral("BuClose"));
        report(QStringLiteral("closing %1").arg(name));
        if (close)
            click(close);
        else
            window->close();
    } else if (auto *box = qobject_cast<QMessageBox *>(window.data())) {
        const bool isQuestion = box->objectName() == QLatin1String("AskShowOldMessages");
        QAbstractButton *button = isQuestion ? box->button(m_answerYes ? QMessageBox::Yes : QMessageBox::No)
                                             : static_cast<QAbstractButton *>(box->defaultButton());
        report(QStringLiteral("%1 says: %2").arg(name, box->text()));
        report(QStringLiteral("answering %1: %2").arg(name, button ? button->text() : QStringLiteral("close")));
        if (button)
            click(button);
        else
            box->close();
    } else if (auto *dialog = qobject_cast<QDialog *>(window.data())) {
        report(QStringLiteral("closing %1").arg(name));
        dialog->close();
    }
}

void PelkDriver::handleMainWindow(QWidget *window)
{
    if (!m_runCheck || m_checkDone)
        return;
    m_checkDone = true;
    if (QWidget *link = window->findChild<QWidget *>(QStringLiteral("LUpdateCheck"))) {
        report(QStringLiteral("clicking LUpdateCheck"));
        click(link); // returns when the check, with any window it opened, is over
    }
    // Let the window repaint where the closed windows were before it is pictured.
    QPointer<QWidget> main(window);
    QTimer::singleShot(m_settleMs, this, [this, main] {
        if (!main)
            return;
        shoot(main, QStringLiteral("TFPelkUpdaterMain-after-check"));
        auto *exit = main->findChild<QAbstractButton *>(QStringLiteral("PExit"));
        report(QStringLiteral("clicking PExit"));
        if (exit)
            click(exit);
        else
            main->close();
    });
}

void PelkDriver::shoot(QWidget *window, const QString &what)
{
    if (!m_takeShots)
        return;
    // A web page is drawn outside the widget tree: on a real X server take it from the screen.
    // Everything else renders itself, unaffected by windows that cover it.
    QPixmap picture;
    const QList<QWidget *> children = window->findChildren<QWidget *>();
    const bool showsWebPage = std::any_of(children.cbegin(), children.cend(),
                                          [window](const QWidget *child) {
                                              // Owned windows (the messages window of the main
                                              // window) are children too, but not part of the picture.
                                              return child->inherits("QWebEngineView") && child->window() == window;
                                          });
    if (showsWebPage)
        report(QStringLiteral("%1 shows a web page view").arg(what));
    if (showsWebPage && QGuiApplication::platformName() == QLatin1String("xcb") && window->windowHandle()) {
        if (QScreen *screen = window->windowHandle()->screen())
            picture = screen->grabWindow(window->winId());
    }
    if (picture.isNull())
        picture = window->grab();
    const QString file = m_shots.filePath(QStringLiteral("%1-%2.png").arg(++m_shotCount, 2, 10, QLatin1Char('0')).arg(what));
    report(picture.save(file) ? QStringLiteral("saved %1").arg(file) : QStringLiteral("could not save %1").arg(file));
}

void PelkDriver::click(QWidget *widget)
{
    if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        button->click();
        return;
    }
    const QPointF local(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

void PelkDriver::report(const QString &text)
{
    std::fprintf(stderr, "pelkdriver: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}
