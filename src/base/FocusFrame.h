#pragma once

#include <QFocusFrame>

// A clear frame over the edge of a control while it has the keyboard focus, for controls
// whose own drawing hides where the focus is (the log box, the bar buttons, the language
// selector, the message list). Screen readers do not see it.
class FocusFrame : public QFocusFrame
{
    Q_OBJECT

public:
    // Watches `control` from now on; the frame belongs to it.
    explicit FocusFrame(QWidget *control);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *m_control;
};
