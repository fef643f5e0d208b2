#pragma once

#include "base/PelkError.h"
#include "settings/RegistryStore.h"

#include <QByteArray>
#include <new>
#include <stdexcept>

// Throws the failure a test row names: "own" (the program's PelkError), "out of memory"
// (std::bad_alloc), "library" (a std::exception from the standard library) or "unknown"
// (something that is no std::exception at all).
[[noreturn]] inline void ThrowFailure(const QByteArray &kind)
{
    if (kind == "own")
        throw PelkError(QStringLiteral("Failed to set data for 'OldMsgIDs'"));
    if (kind == "out of memory")
        throw std::bad_alloc();
    if (kind == "library")
        throw std::length_error("basic_string::_M_create");
    throw 42;
}

// A store whose every key fails with the failure of the row.
class FailingStore : public RegistryStore
{
public:
    explicit FailingStore(QByteArray kind) : m_kind(std::move(kind)) {}
    std::unique_ptr<RegistryKey> openKey(RegistryRoot, const QString &, bool) override { ThrowFailure(m_kind); }

private:
    QByteArray m_kind;
};
