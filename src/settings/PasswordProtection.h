#pragma once

#include <QByteArray>
#include <QString>

// Obscures the stored proxy password: Blowfish with a fixed key and IV in CFB-8, then
// Base64. Anyone with the program can reverse it; it only keeps the password out of
// plain sight in the settings file.
QByteArray ProtectPassword(const QString &password);
QString UnprotectPassword(const QByteArray &storedText);
