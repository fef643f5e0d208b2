#pragma once

#include <QString>

// The cell texts of a message row.

// The date of a feed message in the system locale's short date format. The first eight
// characters are year (4), month (2) and day (2); the rest is ignored. Each field is the
// characters the text has at its place, at least one and all decimal digits, else PelkError
// "'<field>' is not a valid integer value";
// a date that does not exist (year 1 to 9999) gives PelkError "Invalid argument to date encode".
QString MsgDateText(const QString &date);

// `infoText` for exactly "info", `updateText` for exactly "update", otherwise empty.
QString MsgTypeText(const QString &type, const QString &infoText, const QString &updateText);

// "!" for exactly "high", otherwise empty.
QString MsgPrioText(const QString &prio);
