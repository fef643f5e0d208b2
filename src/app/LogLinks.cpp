#include "app/LogLinks.h"

#include <QRegularExpression>

namespace {
bool isTrailingPunctuation(QChar c)
{
    return c == u'.' || c == u',' || c == u';' || c == u':' || c == u'!' || c == u'?'
        || c == u'\'' || c == u'"';
}

// Cuts sentence punctuation and unbalanced closing brackets off the end of an address.
QString trimAddress(QString address)
{
    while (!address.isEmpty()) {
        const QChar last = address.back();
        if (isTrailingPunctuation(last)) {
            address.chop(1);
        } else if (last == u')' && address.count(u'(') < address.count(u')')) {
            address.chop(1);
        } else {
            break;
        }
    }
    return address;
}
} // namespace

QList<LogLineSegment> SplitLogLinks(const QString &line)
{
    static const QRegularExpression address(
        QStringLiteral(R"((?<![\w.@/])(?:https?://|www\.)[^\s<>"]+)"),
        QRegularExpression::CaseInsensitiveOption);

    QList<LogLineSegment> segments;
    qsizetype plainStart = 0;
    auto it = address.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QString found = trimAddress(match.captured());
        // "http://" or "www." alone is no address.
        if (found.compare(QLatin1String("www."), Qt::CaseInsensitive) == 0
            || found.endsWith(QLatin1String("://")))
            continue;
        if (match.capturedStart() > plainStart)
            segments.append({line.mid(plainStart, match.capturedStart() - plainStart), {}});
        const QString href = found.startsWith(QLatin1String("www."), Qt::CaseInsensitive)
            ? QStringLiteral("http://") + found
            : found;
        segments.append({found, href});
        plainStart = match.capturedStart() + found.size();
    }
    if (plainStart < line.size() || segments.isEmpty())
        segments.append({line.mid(plainStart), {}});
    return segments;
}
