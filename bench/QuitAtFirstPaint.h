#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QWidget>

// A yardstick window of the start-up benchmark: like PelkUpdater with
// PELK_QUIT_AFTER_FIRST_PAINT=1, the program quits once the window has been painted.
class QuitAtFirstPaint : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        if (m_quitting)
            return;
        m_quitting = true;
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }

private:
    bool m_quitting = false;
};
