#include "base/ContextMenuKey.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QVariant>
#include <QWidget>

bool ContextMenuKey::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_F10 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier)
        return QObject::eventFilter(watched, event);

    // The Menu key's request: at the widget's cursor (an item view's current item).
    auto *widget = static_cast<QWidget *>(watched);
    const QPoint position = widget->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent request(QContextMenuEvent::Keyboard, position, widget->mapToGlobal(position),
                              key->modifiers());
    QCoreApplication::sendEvent(widget, &request);
    return true;
}
