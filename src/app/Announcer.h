#pragma once

#include <QWidget>

// A line that a screen reader speaks at once, wherever the keyboard focus is: a notification
// that comes to show anew with each text. It takes no room and no focus, and draws nothing.
class Announcer : public QWidget
{
    Q_OBJECT

public:
    explicit Announcer(QWidget *parent);

    void announce(const QString &text);
};
