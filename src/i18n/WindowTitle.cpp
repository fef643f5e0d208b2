#include "i18n/WindowTitle.h"

#include "i18n/Languages.h"
#include "i18n/Mnemonics.h"

QString ComposeWindowTitle(const Languages &languages, const QByteArray &roleTextKey)
{
    // The window's text may carry the mnemonic of the button that opens the window.
    return QStringLiteral("Orbel - ") + WithoutMnemonicMarks(languages.WindowText("txtProduct"))
        + QStringLiteral(" - ") + WithoutMnemonicMarks(languages.WindowText(roleTextKey));
}
