// The page of one message, built from a title and a description that come from the feed.
// Input: the title, a NUL byte, the description (both UTF-8).

#include "FuzzInput.h"
#include "messages/MessagePage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = FuzzBytes(data, size);
    const qsizetype split = bytes.indexOf('\0');
    const QString title = QString::fromUtf8(split < 0 ? bytes : bytes.left(split));
    const QString description = split < 0 ? QString() : QString::fromUtf8(bytes.mid(split + 1));

    const QString escaped = EscapeHtmlText(title);
    for (const QChar c : escaped)
        FUZZ_CHECK(c != QLatin1Char('<') && c != QLatin1Char('>') && c != QLatin1Char('"') && c != QLatin1Char('\''));
    const QString page = MsgPageText(title, description);
    FUZZ_CHECK(page.startsWith(QStringLiteral("<html>\r\n")) && page.endsWith(QStringLiteral("</html>\r\n")));
    FUZZ_CHECK(page.contains(QStringLiteral("<h1>") + escaped + QStringLiteral("</h1>")));
    return 0;
}
