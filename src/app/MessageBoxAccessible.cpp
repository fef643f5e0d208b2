#include "app/MessageBoxAccessible.h"

#include <QMessageBox>

MessageBoxAccessible::MessageBoxAccessible(QMessageBox *box) : WindowAccessible(box, QAccessible::AlertMessage) {}

QString MessageBoxAccessible::text(QAccessible::Text t) const
{
    const auto *box = static_cast<const QMessageBox *>(widget());
    switch (t) {
    case QAccessible::Value:
        return box->text();
    case QAccessible::Help:
        return box->informativeText();
    default:
        return WindowAccessible::text(t);
    }
}
