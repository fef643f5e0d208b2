#include "app/WindowTitleAnnouncer.h"

#include <QAccessible>
#include <QEvent>
#include <QWidget>

bool WindowTitleAnnouncer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowTitleChange && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->isWindow()) {
        QAccessibleEvent nameChanged(watched, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&nameChanged);
    }
    return QObject::eventFilter(watched, event);
}
