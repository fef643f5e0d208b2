#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

// Store files written as the registry editor exports them.
namespace RegFiles {

// A string value line: "Name"="text", backslash and double quote escaped.
inline QString stringValue(const QString &name, const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("\""), QLatin1String("\\\""));
    return QLatin1Char('"') + name + QLatin1String("\"=\"") + escaped + QLatin1Char('"');
}

inline QString dwordValue(const QString &name, quint32 value)
{
    return QLatin1Char('"') + name + QLatin1String("\"=dword:")
        + QString::number(value, 16).rightJustified(8, QLatin1Char('0'));
}

inline bool write(const QString &path, const QStringList &lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QString text = QLatin1String("Windows Registry Editor Version 5.00\n\n")
        + lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    return file.write(text.toUtf8()) >= 0 && file.flush();
}

} // namespace RegFiles
