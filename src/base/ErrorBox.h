#pragma once

#include <QString>

class QWidget;

// The application title: the main window's caption, used as the caption of the error box.
void SetApplicationTitle(const QString &title);
QString ApplicationTitle();

// The error text as the error box shows it: a full stop is appended when the last
// character sorts after the full stop ("Error loading x" gets one, "Oops!" does not).
QString ErrorBoxText(const QString &message);

// The application's error box: modal, error icon, OK, the application title as caption.
void ShowErrorBox(QWidget *parent, const QString &message);

// The error box for the exception being handled, whatever its type; call it only inside a
// catch block. Nothing leaves it, not even a failure of the box itself.
void ShowCurrentFailure(QWidget *parent) noexcept;

// Runs an event handler of a window: any failure it raises goes to the error box and the
// window stays usable. An exception must never leave a slot through Qt's event loop.
template <typename Handler> void RunHandler(QWidget *parent, Handler &&handler)
{
    try {
        handler();
    } catch (...) {
        ShowCurrentFailure(parent);
    }
}
