#include "i18n/Mnemonics.h"

QString WithoutMnemonicMarks(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&')) {
            ++i;
            if (i == text.size())
                break;
        }
        plain.append(text.at(i));
    }
    return plain;
}
