#include "app/Announcer.h"

Announcer::Announcer(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
    hide();
}

void Announcer::announce(const QString &text)
{
    setAccessibleName(text);
    // Screen readers present a notification when it shows, also the same text again.
    hide();
    show();
}
