#pragma once

#include "settings/RegFile.h"
#include "settings/RegistryStore.h"

#include <QList>
#include <QStringList>

// A key of a RegFileStore: the values as they were when it was opened, plus its own writes.
// It shares the document it was opened from; a value is decoded only when it is read.
class RegFileKey : public RegistryKey
{
public:
    RegFileKey(QString file, QStringList path, RegFile content, bool writable);

    bool valueExists(const QString &name) const override;
    RegistryValueType valueType(const QString &name) const override;
    QString readString(const QString &name) const override;
    quint32 readInteger(const QString &name) const override;
    void writeString(const QString &name, const QString &value) override;
    void writeInteger(const QString &name, quint32 value) override;

private:
    std::optional<QByteArray> find(const QString &name) const;
    void write(const RegValue &value);

    QString m_file;
    QStringList m_path;
    RegFile m_content;
    bool m_writable;
};
