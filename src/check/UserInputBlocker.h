#pragma once

#include <QObject>

// While it lives, every click, key press, wheel turn, touch and context-menu request, and every
// close request from the window system, is dropped on arrival, in every window of the program.
// Waiting with an event loop that merely excludes user input would only postpone that input:
// it would be delivered after the wait, to whatever lies under the pointer then. Windows keep
// painting and timers keep running.
class UserInputBlocker : public QObject
{
public:
    UserInputBlocker();
    ~UserInputBlocker() override;

    UserInputBlocker(const UserInputBlocker &) = delete;
    UserInputBlocker &operator=(const UserInputBlocker &) = delete;

    // Lets input through while it lives: for a window that asks the user something.
    class Pause
    {
    public:
        explicit Pause(UserInputBlocker &blocker);
        ~Pause();
        Pause(const Pause &) = delete;
        Pause &operator=(const Pause &) = delete;

    private:
        UserInputBlocker &m_blocker;
        bool m_wasBlocking;
    };

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool m_blocking = true;
};
