#include "app/FocusEventRelay.h"

#include <QAccessible>
#include <QApplication>
#include <QWidget>

namespace {
QAccessible::UpdateHandler g_previous = nullptr;

void handle(QAccessibleEvent *event);

void passOn(QAccessibleEvent *event)
{
    if (g_previous) {
        g_previous(event);
        return;
    }
    // The table has taken the change already; handing it on again would apply it twice.
    if (event->type() == QAccessible::TableModelChanged)
        return;
    // Without a handler the toolkit gives the event to the platform's bridge.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(handle);
}

QAccessibleInterface *innermostFocus(QAccessibleInterface *focused)
{
    for (int depth = 0; focused && depth < 64; ++depth) {
        QAccessibleInterface *inner = focused->focusChild();
        if (!inner || inner == focused || !inner->isValid())
            break;
        focused = inner;
    }
    return focused;
}

// The widget that holds `focused`, when the object is not a widget of its own.
QWidget *holdingWidget(QAccessibleInterface *focused)
{
    if (!focused || (focused->object() && focused->object()->isWidgetType()))
        return nullptr;
    for (QAccessibleInterface *up = focused->parent(); up; up = up->parent()) {
        if (up->object() && up->object()->isWidgetType())
            return static_cast<QWidget *>(up->object());
    }
    return nullptr;
}

void keyboardFollows(QAccessibleInterface *focused)
{
    QWidget *holder = holdingWidget(focused);
    if (!holder)
        return;
    // A widget may hand its focus to another (the page view to the engine's widget).
    QWidget *taker = holder;
    while (taker->focusProxy())
        taker = taker->focusProxy();
    if (!taker->isEnabled() || !taker->isVisible() || !(taker->focusPolicy() & Qt::TabFocus)
        || !holder->isActiveWindow() || holder->window()->windowType() == Qt::Popup)
        return;
    const QWidget *keyboard = QApplication::focusWidget();
    if (keyboard && (keyboard == holder || holder->isAncestorOf(keyboard)))
        return;
    holder->setFocus(Qt::OtherFocusReason);
}

void handle(QAccessibleEvent *event)
{
    if (event->type() != QAccessible::Focus) {
        passOn(event);
        return;
    }
    QAccessibleInterface *reported = event->accessibleInterface();
    QAccessibleInterface *focused = innermostFocus(reported);
    keyboardFollows(focused);
    if (!focused || focused == reported) {
        passOn(event);
        return;
    }
    QAccessibleEvent inner(focused, QAccessible::Focus);
    passOn(&inner);
}
} // namespace

void InstallFocusEventRelay()
{
    g_previous = QAccessible::installUpdateHandler(handle);
}
