#pragma once

#include <QFont>
#include <QString>

// The windows' font family: "Arial Unicode MS" where the system has it, else its sans-serif.
QString PelkFontFamily();

// A font of that family with the character height given in pixels.
QFont PelkFont(int pixelSize);
