#pragma once

#include <QString>

class QFont;
class QLabel;
class QScreen;
class QSize;
class QWidget;

// Small pieces that the program's windows build themselves from.

// The widget, carrying the object name that tests and the accessibility bus know it by.
template <typename Widget> Widget *named(Widget *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A named label that shows its text as plain text, never as markup, in the given font.
QLabel *MakePlainLabel(QWidget *parent, const char *name, const QFont &font);

// Sets the title as it is: Qt would read "[*]" in a title as the modified marker.
void SetLiteralWindowTitle(QWidget &window, const QString &title);

// Moves a window whose outer size (frame included) is `outerSize` to the middle of the screen's
// available area; one larger than the area keeps its top left corner, and so its title bar, on it.
void CentreOnScreen(QWidget &window, const QScreen &screen, const QSize &outerSize);

// What the window system's frame adds around a window's client area, allowed for before the
// window is shown and its real frame is known.
QSize WindowFrameAllowance();

// The client size, at most `designed`, whose window with its frame fits the screen's
// available area. Large text (a high font DPI) scales every window, so a layout drawn for a
// common screen may be larger than a small one.
QSize FittedClientSize(const QScreen &screen, const QSize &designed);
