#pragma once

#include "app/WindowAccessible.h"

class QMessageBox;

// A message box as assistive technology sees it: an alert named with its caption, its text
// as value, and modal while it takes all input (the toolkit's own leaves out the modal state).
class MessageBoxAccessible : public WindowAccessible
{
public:
    explicit MessageBoxAccessible(QMessageBox *box);

    QString text(QAccessible::Text t) const override;
};
