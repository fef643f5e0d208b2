#include "base/FocusFrame.h"

#include <QEvent>
#include <QPainter>

namespace {
constexpr int kLineWidth = 2;
}

FocusFrame::FocusFrame(QWidget *control) : QFocusFrame(control), m_control(control)
{
    // A child over the control's own edge, so that no parent's edge cuts it off.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    control->installEventFilter(this);
}

bool FocusFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_control) {
        switch (event->type()) {
        case QEvent::FocusIn:
            setGeometry(m_control->rect());
            raise();
            show();
            break;
        case QEvent::FocusOut:
            hide();
            break;
        case QEvent::Resize:
            setGeometry(m_control->rect());
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void FocusFrame::paintEvent(QPaintEvent *)
{
    const QRect edge = rect();
    QPainter painter(this);
    painter.setPen(QPen(Qt::black, kLineWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(edge.adjusted(kLineWidth / 2, kLineWidth / 2, -kLineWidth / 2, -kLineWidth / 2));
}
