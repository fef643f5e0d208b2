#pragma once

#include <QFont>
#include <QString>

// The windows' font family: "Arial Unicode MS" where the system has it, else a font with
// Arial's widths (Arial, Liberation Sans), else the system's sans-serif.
QString PelkFontFamily();

// A font of that family with the character height given in pixels.
QFont PelkFont(int pixelSize);
