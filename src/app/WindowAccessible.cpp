#include "app/WindowAccessible.h"

#include <QWidget>

WindowAccessible::WindowAccessible(QWidget *window, QAccessible::Role role) : QAccessibleWidget(window, role) {}

QAccessible::State WindowAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.modal = widget()->isModal();
    return state;
}
