#pragma once

#include <QAccessibleWidget>

// One of the program's windows as assistive technology sees it: a frame or a dialog,
// named with its title and, while the window takes all input, modal.
class WindowAccessible : public QAccessibleWidget
{
public:
    WindowAccessible(QWidget *window, QAccessible::Role role);

    QAccessible::State state() const override;
};
