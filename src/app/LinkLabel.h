#pragma once

#include <QColor>
#include <QLabel>

// A text that acts as a link: grey, black while the mouse is over it, hand cursor.
// It takes the keyboard focus with Tab, and Enter or Space activate it like a click, as does
// the mnemonic of an "&" in its text.
class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(QWidget *parent = nullptr);

    void setTextColor(const QColor &color);
    QColor textColor() const { return m_textColor; }

Q_SIGNALS:
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    bool event(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_textColor;
    bool m_pressed = false;
};
