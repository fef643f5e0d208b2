#include "base/VisibleText.h"

#include <algorithm>

namespace {
bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}
} // namespace

QString VisibleText(const QString &text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return isControl(c.unicode()); }))
        return text;
    QString visible;
    visible.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\r' || code == u'\n' || code == u'\t')
            visible += QLatin1Char(' ');
        else if (code < 0x20)
            visible += QChar(char16_t(0x2400 + code));
        else if (code == 0x7F)
            visible += QChar(char16_t(0x2421));
        else if (code <= 0x9F && code >= 0x80)
            visible += QStringLiteral("[U+%1]").arg(unsigned(code), 4, 16, QLatin1Char('0')).toUpper();
        else
            visible += c;
    }
    return visible;
}
