#include "settings/RegValue.h"

#include <QtEndian>

RegValue RegValue::fromString(const QString &name, const QString &text, quint32 type)
{
    RegValue value{name, type, QByteArray()};
    value.data.resize((text.size() + 1) * 2);
    char *out = value.data.data();
    for (const QChar c : text) {
        qToLittleEndian<quint16>(c.unicode(), out);
        out += 2;
    }
    qToLittleEndian<quint16>(0, out);
    return value;
}

RegValue RegValue::fromDword(const QString &name, quint32 number)
{
    RegValue value{name, kRegDword, QByteArray(4, '\0')};
    qToLittleEndian<quint32>(number, value.data.data());
    return value;
}

QString RegValue::text() const
{
    QString result;
    result.reserve(data.size() / 2);
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        const char16_t unit = qFromLittleEndian<quint16>(data.constData() + i);
        if (unit == 0)
            break;
        result.append(QChar(unit));
    }
    return result;
}
