#include "i18n/WindowTitle.h"

#include "i18n/Languages.h"

QString ComposeWindowTitle(const Languages &languages, const QByteArray &roleTextKey)
{
    return QStringLiteral("Orbel - ") + languages.WindowText("txtProduct") + QStringLiteral(" - ")
        + languages.WindowText(roleTextKey);
}
