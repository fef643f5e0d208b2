#include "app/LinkLabel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>

LinkLabel::LinkLabel(QWidget *parent)
    : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setTextFormat(Qt::PlainText);
    // A label takes the mnemonic of its text for its buddy; the link is its own.
    setBuddy(this);
}

bool LinkLabel::event(QEvent *event)
{
    if (event->type() != QEvent::Shortcut)
        return QLabel::event(event);
    // The label gives itself the focus; a mnemonic that no other control shares also clicks.
    const bool handled = QLabel::event(event);
    if (handled && !static_cast<QShortcutEvent *>(event)->isAmbiguous())
        Q_EMIT clicked();
    return handled;
}

void LinkLabel::setTextColor(const QColor &color)
{
    m_textColor = color;
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, color);
    setPalette(pal);
}

void LinkLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    Q_EMIT mouseEntered();
}

void LinkLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    Q_EMIT mouseLeft();
}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        event->accept();
        // Like a button: releasing outside the text cancels the click.
        if (rect().contains(event->position().toPoint()))
            Q_EMIT clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void LinkLabel::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!event->isAutoRepeat()) {
            event->accept();
            Q_EMIT clicked();
        }
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void LinkLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // Keyboard users need to see where Enter goes.
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    // Also when the focus came with the window rather than with Tab: the style would hide it.
    option.state |= QStyle::State_KeyboardFocusChange;
    option.rect = contentsRect();
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}
