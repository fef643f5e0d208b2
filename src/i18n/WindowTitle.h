#pragma once

#include <QByteArray>
#include <QString>

class Languages;

// "Orbel - " + product + " - " + the window's own text, both read as window texts
// (a missing text leaves its place empty; the fixed parts stay), without mnemonic marks.
QString ComposeWindowTitle(const Languages &languages, const QByteArray &roleTextKey);
