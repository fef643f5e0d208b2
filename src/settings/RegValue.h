#pragma once

#include <QByteArray>
#include <QString>

// Registry value types by their Windows numbers, as .reg files write them ("hex(2):").
constexpr quint32 kRegSz = 1;
constexpr quint32 kRegExpandSz = 2;
constexpr quint32 kRegBinary = 3;
constexpr quint32 kRegDword = 4;
constexpr quint32 kRegMultiSz = 7;

// One value as the registry holds it: strings as UTF-16LE bytes with their terminating
// zero, a DWORD as four little-endian bytes.
struct RegValue
{
    QString name; // empty for the key's default value ("@")
    quint32 type = kRegSz;
    QByteArray data;

    static RegValue fromString(const QString &name, const QString &text, quint32 type = kRegSz);
    static RegValue fromDword(const QString &name, quint32 number);
    // The text up to its first zero character.
    QString text() const;
};

Q_DECLARE_TYPEINFO(RegValue, Q_RELOCATABLE_TYPE);
