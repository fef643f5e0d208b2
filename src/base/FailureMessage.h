#pragma once

#include <QString>

// The message of the exception being handled, for the log line of a check or the error box:
// the program's own failures carry their text; anything else (out of memory, a library's
// std::exception, something unknown) is named as well as it can be, so that no failure ends
// the program. Call it only inside a catch block.
QString CurrentFailureMessage();
