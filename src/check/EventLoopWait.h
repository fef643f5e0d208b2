#pragma once

#include <QEventLoop>

// Runs `loop` until something quits it. Every wait of a check goes through here: windows
// repaint meanwhile, but no click or key can start anything, because the check drops the
// user's input (UserInputBlocker); input merely excluded here would be held back and
// delivered after the wait.
inline void WaitInEventLoop(QEventLoop &loop)
{
    loop.exec();
}
