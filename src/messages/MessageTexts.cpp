#include "messages/MessageTexts.h"

#include "base/PelkError.h"

#include <QDate>
#include <QLocale>

namespace {
// One field of the date: its characters as far as the text has them, read as a decimal number.
// A short last field is still a number ("0" of "2026120"); only an empty one is not.
int dateField(const QString &date, qsizetype position, qsizetype width)
{
    const QString field = date.mid(position, width);
    bool number = !field.isEmpty();
    for (const QChar c : field)
        number = number && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!number)
        throw PelkError(QStringLiteral("'%1' is not a valid integer value").arg(field));
    return field.toInt();
}
} // namespace

QString MsgDateText(const QString &date)
{
    const int year = dateField(date, 0, 4);
    const int month = dateField(date, 4, 2);
    const int day = dateField(date, 6, 2);
    const QDate encoded(year, month, day);
    if (year < 1 || !encoded.isValid())
        throw PelkError(QStringLiteral("Invalid argument to date encode"));
    return QLocale::system().toString(encoded, QLocale::ShortFormat);
}

QString MsgTypeText(const QString &type, const QString &infoText, const QString &updateText)
{
    if (type == QLatin1String("info"))
        return infoText;
    if (type == QLatin1String("update"))
        return updateText;
    return QString();
}

QString MsgPrioText(const QString &prio)
{
    return prio == QLatin1String("high") ? QStringLiteral("!") : QString();
}
