#pragma once

#include <QObject>

// Tells assistive technology when a window's title changes (a language switch re-titles
// every window), which the toolkit does not do by itself.
class WindowTitleAnnouncer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
