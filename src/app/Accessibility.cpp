#include "app/Accessibility.h"

#include "app/Announcer.h"
#include "app/FocusEventRelay.h"
#include "app/LinkLabel.h"
#include "app/LinkLabelAccessible.h"
#include "app/MessageBoxAccessible.h"
#include "app/UPelkUpdaterMain.h"
#include "app/WindowAccessible.h"
#include "app/WindowTitleAnnouncer.h"
#include "i18n/LanguageComboBox.h"
#include "i18n/LanguageComboBoxAccessible.h"
#include "messages/UPelkUpdaterMessages.h"
#include "settings/UPelkUpdaterSettings.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QMessageBox>

QAccessibleInterface *PelkAccessibleFactory(const QString &className, QObject *object)
{
    // Asked once per class of the object's ancestry, most derived first.
    if (className == QLatin1String("LinkLabel"))
        return new LinkLabelAccessible(static_cast<LinkLabel *>(object));
    if (className == QLatin1String("LanguageComboBox"))
        return new LanguageComboBoxAccessible(static_cast<LanguageComboBox *>(object));
    if (className == QLatin1String("Announcer"))
        return new QAccessibleWidget(static_cast<Announcer *>(object), QAccessible::Notification);
    if (className == QLatin1String("QMessageBox"))
        return new MessageBoxAccessible(static_cast<QMessageBox *>(object));
    if (className == QLatin1String("TFPelkUpdaterMain"))
        return new WindowAccessible(static_cast<TFPelkUpdaterMain *>(object), QAccessible::Window);
    if (className == QLatin1String("TFPelkUpdaterSettings"))
        return new WindowAccessible(static_cast<TFPelkUpdaterSettings *>(object), QAccessible::Dialog);
    if (className == QLatin1String("TFPelkUpdaterMessages"))
        return new WindowAccessible(static_cast<TFPelkUpdaterMessages *>(object), QAccessible::Dialog);
    return nullptr;
}

void InstallAccessibility()
{
    static bool installed = false;
    if (installed || !QCoreApplication::instance())
        return;
    installed = true;
    QAccessible::installFactory(PelkAccessibleFactory);
    InstallFocusEventRelay();
    QCoreApplication::instance()->installEventFilter(new WindowTitleAnnouncer(QCoreApplication::instance()));
}
