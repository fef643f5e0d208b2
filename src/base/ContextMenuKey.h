#pragma once

#include <QObject>

// Shift+F10 on the watched widget asks for its context menu exactly as the Menu key does,
// for keyboards without that key.
class ContextMenuKey : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
