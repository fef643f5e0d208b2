#include "check/UserInputBlocker.h"

#include <QCoreApplication>
#include <QEvent>

namespace {
bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::NonClientAreaMouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}
} // namespace

UserInputBlocker::UserInputBlocker()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->installEventFilter(this);
}

UserInputBlocker::~UserInputBlocker()
{
    if (QCoreApplication *application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool UserInputBlocker::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_blocking)
        return QObject::eventFilter(watched, event);
    if (isUserInput(event->type()))
        return true;
    // The close box: the program's own closing of a window is not a request from the user.
    if (event->type() == QEvent::Close && event->spontaneous()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

UserInputBlocker::Pause::Pause(UserInputBlocker &blocker)
    : m_blocker(blocker),
      m_wasBlocking(blocker.m_blocking)
{
    m_blocker.m_blocking = false;
}

UserInputBlocker::Pause::~Pause()
{
    m_blocker.m_blocking = m_wasBlocking;
}
