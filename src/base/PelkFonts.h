#pragma once

#include <QFont>

// A font of the windows' family with the character height given in pixels: "Arial Unicode MS"
// where the system has it, else a font with Arial's widths (Arial, Liberation Sans), else the
// system's sans-serif.
QFont PelkFont(int pixelSize);
