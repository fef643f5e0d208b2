#pragma once

#include <QByteArray>

// The URL scheme under which the messages window serves its pages from memory.
// Unlike an in-memory "data:" page it has no size limit.
extern const QByteArray MessagePageSchemeName; // "pelkmsg"

// Makes the scheme known to the HTML engine. Must run once before QApplication exists.
void RegisterMessagePageScheme();
