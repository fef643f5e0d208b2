#include "settings/RegFileKey.h"

#include "base/PelkError.h"
#include "settings/RegFile.h"
#include "settings/StoreFile.h"

#include <QtEndian>

namespace {

PelkError invalidType(const QString &name)
{
    return PelkError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

} // namespace

RegFileKey::RegFileKey(QString file, QStringList path, RegFile content, bool writable)
    : m_file(std::move(file)), m_path(std::move(path)), m_content(std::move(content)), m_writable(writable)
{
}

bool RegFileKey::valueExists(const QString &name) const
{
    return find(name).has_value();
}

RegistryValueType RegFileKey::valueType(const QString &name) const
{
    const std::optional<QByteArray> line = find(name);
    if (!line)
        return RegistryValueType::Missing;
    switch (RegFile::lineType(*line)) {
    case kRegSz:
        return RegistryValueType::String;
    case kRegExpandSz:
        return RegistryValueType::ExpandString;
    case kRegDword:
        return RegistryValueType::DWord;
    default:
        return RegistryValueType::Other;
    }
}

QString RegFileKey::readString(const QString &name) const
{
    const std::optional<QByteArray> line = find(name);
    if (!line)
        return QString();
    if (std::optional<QString> text = RegFile::lineText(*line))
        return std::move(*text);
    const RegValue value = RegFile::lineValue(*line);
    if (value.type != kRegSz && value.type != kRegExpandSz)
        throw invalidType(name);
    return value.text();
}

quint32 RegFileKey::readInteger(const QString &name) const
{
    const std::optional<QByteArray> line = find(name);
    if (!line)
        return 0;
    const RegValue value = RegFile::lineValue(*line);
    if (value.type != kRegDword)
        throw invalidType(name);
    if (value.data.size() != 4)
        throw PelkError(QStringLiteral("Failed to get data for '%1'").arg(name));
    return qFromLittleEndian<quint32>(value.data.constData());
}

void RegFileKey::writeString(const QString &name, const QString &value)
{
    write(RegValue::fromString(name, value));
}

void RegFileKey::writeInteger(const QString &name, quint32 value)
{
    write(RegValue::fromDword(name, value));
}

std::optional<QByteArray> RegFileKey::find(const QString &name) const
{
    return m_content.valueLine(m_path, name);
}

void RegFileKey::write(const RegValue &value)
{
    const QString failed = QStringLiteral("Failed to set data for '%1'").arg(value.name);
    if (!m_writable || !RegFile::isStorableName(value.name))
        throw PelkError(failed);
    // The key is listed again in case another program removed it meanwhile.
    const StoreFile file(m_file);
    const std::optional<RegFile> stored = file.update([&](RegFile &content) {
        content.createKey(m_path);
        content.setValue(m_path, value);
    });
    if (!stored)
        throw PelkError(failed + QStringLiteral(": the settings file \"%1\" cannot be written: %2").arg(m_file, file.failure()));
    m_content = *stored;
}
