#pragma once

class QAccessibleInterface;
class QObject;
class QString;

// Makes the program's own controls readable to assistive technology (screen readers):
// the check link as a link with a press action, the language selector by its descriptions,
// the windows as frame and dialogs and the message boxes as alerts, with their modal state
// and title changes, a check's result as a notification, and focus events that name the
// innermost focused object and that the keyboard follows.
// Runs once, after the application object exists; later calls do nothing.
void InstallAccessibility();

// The accessible interface of one of the program's own controls, or null for any other.
QAccessibleInterface *PelkAccessibleFactory(const QString &className, QObject *object);
