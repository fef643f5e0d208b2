#pragma once

#include <QString>

// Text from outside (a service's status line, a feed's titles, a file's name) as it may be
// written to a terminal, the log or a box: line breaks and tabs become blanks, every other
// control character (C0, DEL, C1) a visible stand-in, so that nothing in it can move the
// cursor, set a terminal's title or colour, or start a line of its own. C0 characters and DEL
// show as their control pictures (ESC as U+241B), C1 characters as "[U+009B]".
QString VisibleText(const QString &text);
