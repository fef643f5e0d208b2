#include "settings/PolicyStore.h"

#include "base/PelkError.h"
#include "i18n/IniFile.h"
#include "settings/UPelkUpdaterUtils.h"

namespace {

// The settings an administrator may lock, and whether the store keeps them as numbers.
struct Lockable
{
    const char *name;
    bool isNumber;
};
constexpr Lockable kLockable[] = {
    {"ProxyOption", true}, {"ProxyServer", false}, {"ProxyPort", false}, {"ProxyAuth", true},
    {"ProxyUser", false},  {"AutoUpdate", true},   {"Language", false},
    {"AutoCheckOnMetered", true},
};

const Lockable *findLockable(const QString &name)
{
    for (const Lockable &lockable : kLockable) {
        if (name.compare(QLatin1String(lockable.name), Qt::CaseInsensitive) == 0)
            return &lockable;
    }
    return nullptr;
}

// A key of the user's store with the locked values laid over it. The user's key may be
// missing: the locked values are there all the same.
class PolicyKey : public RegistryKey
{
public:
    PolicyKey(std::unique_ptr<RegistryKey> userKey, const PolicyStore::Locks &locks)
        : m_userKey(std::move(userKey)), m_locks(locks)
    {
    }

    bool valueExists(const QString &name) const override
    {
        return lockOf(name) || (m_userKey && m_userKey->valueExists(name));
    }

    RegistryValueType valueType(const QString &name) const override
    {
        if (lockOf(name))
            return findLockable(name)->isNumber ? RegistryValueType::DWord : RegistryValueType::String;
        return m_userKey ? m_userKey->valueType(name) : RegistryValueType::Missing;
    }

    QString readString(const QString &name) const override
    {
        if (const QString *locked = lockOf(name)) {
            if (findLockable(name)->isNumber)
                throw PelkError(QStringLiteral("Invalid data type for '%1'").arg(name));
            return *locked;
        }
        return m_userKey ? m_userKey->readString(name) : QString();
    }

    quint32 readInteger(const QString &name) const override
    {
        if (const QString *locked = lockOf(name)) {
            if (!findLockable(name)->isNumber)
                throw PelkError(QStringLiteral("Invalid data type for '%1'").arg(name));
            bool isNumber = false;
            const qint64 number = locked->trimmed().toLongLong(&isNumber);
            if (!isNumber)
                throw PelkError(QStringLiteral("The administrator's setting '%1' is not a number: \"%2\"")
                                    .arg(name, locked->left(40)));
            return quint32(number);
        }
        return m_userKey ? m_userKey->readInteger(name) : 0;
    }

    // A locked value is the administrator's: the user's store keeps its own for later.
    void writeString(const QString &name, const QString &value) override
    {
        if (!lockOf(name) && m_userKey)
            m_userKey->writeString(name, value);
    }

    void writeInteger(const QString &name, quint32 value) override
    {
        if (!lockOf(name) && m_userKey)
            m_userKey->writeInteger(name, value);
    }

private:
    const QString *lockOf(const QString &name) const
    {
        const auto found = m_locks.constFind(name.toCaseFolded());
        return found == m_locks.constEnd() ? nullptr : &found.value();
    }

    std::unique_ptr<RegistryKey> m_userKey;
    const PolicyStore::Locks &m_locks;
};

bool isUpdaterKey(RegistryRoot root, const QString &path)
{
    return root == RegistryRoot::CurrentUser
        && (path.compare(UpdaterKeyPath, Qt::CaseInsensitive) == 0
            || path.startsWith(UpdaterKeyPath + QLatin1Char('\\'), Qt::CaseInsensitive));
}

} // namespace

PolicyStore::PolicyStore(RegistryStore &userStore, Locks locks) : m_userStore(userStore), m_locks(std::move(locks))
{
}

PolicyStore::Locks PolicyStore::readLocks(const IniFile &administratorFile)
{
    Locks locks;
    const auto section = administratorFile.readSection(QStringLiteral("Policy"));
    for (auto entry = section.constBegin(); entry != section.constEnd(); ++entry) {
        if (entry.value() && findLockable(entry.key()))
            locks.insert(entry.key(), *entry.value());
    }
    return locks;
}

std::unique_ptr<RegistryKey> PolicyStore::openKey(RegistryRoot root, const QString &path, bool canCreate)
{
    std::unique_ptr<RegistryKey> userKey = m_userStore.openKey(root, path, canCreate);
    // A key that cannot be created stays as missing as it was; a missing one still reads the locks.
    if (m_locks.isEmpty() || !isUpdaterKey(root, path) || (!userKey && canCreate))
        return userKey;
    return std::make_unique<PolicyKey>(std::move(userKey), m_locks);
}

bool PolicyStore::isLocked(const QString &valueName) const
{
    return m_locks.contains(valueName.toCaseFolded());
}
