#include "settings/EffectiveSettings.h"

#include "base/VisibleText.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterUtils.h"

namespace {

SettingSource sourceOf(RegistryStore &userStore, const RegistryStore &policyStore, const QString &keyPath,
                       const QString &name)
{
    if (policyStore.isLocked(name))
        return SettingSource::Administrator;
    const auto key = userStore.openKey(RegistryRoot::CurrentUser, keyPath, false);
    return key && key->valueExists(name) ? SettingSource::User : SettingSource::Default;
}

QString sourceName(SettingSource source)
{
    switch (source) {
    case SettingSource::User:
        return QStringLiteral("user");
    case SettingSource::Administrator:
        return QStringLiteral("administrator");
    case SettingSource::Default:
        break;
    }
    return QStringLiteral("default");
}

} // namespace

QList<EffectiveSetting> ReadEffectiveSettings(RegistryStore &userStore, RegistryStore &policyStore,
                                              const QString &progVersion)
{
    const ProxySettings proxy = ReadProxySettings(policyStore);
    const QString versionKey = VersionKeyPath(progVersion);
    const QList<std::pair<QString, QString>> values = {
        {QStringLiteral("ProxyOption"), QString::number(proxy.Option)},
        {QStringLiteral("ProxyServer"), proxy.Server},
        {QStringLiteral("ProxyPort"), proxy.Port},
        {QStringLiteral("ProxyAuth"), QString::number(proxy.Auth ? 1 : 0)},
        {QStringLiteral("ProxyUser"), proxy.User},
        // The secret itself is never shown.
        {QStringLiteral("ProxyPassword"), proxy.Password.isEmpty() ? QString() : QStringLiteral("(set)")},
        {QStringLiteral("AutoUpdate"), QString::number(ReadAutoUpdate(policyStore, progVersion) ? 1 : 0)},
        {QStringLiteral("Language"), QString::fromUtf8(ReadStoredLanguage(policyStore))},
        {QStringLiteral("AutoCheckOnMetered"), QString::number(ReadAutoCheckOnMetered(policyStore) ? 1 : 0)},
    };
    QList<EffectiveSetting> settings;
    for (const auto &[name, value] : values) {
        const QString keyPath = name == QLatin1String("AutoUpdate") ? versionKey : UpdaterKeyPath;
        settings.append({name, value, sourceOf(userStore, policyStore, keyPath, name)});
    }
    return settings;
}

QString FormatEffectiveSettings(const QList<EffectiveSetting> &settings)
{
    QString text;
    for (const EffectiveSetting &setting : settings)
        text += QStringLiteral("%1 = \"%2\" (%3)\n").arg(setting.Name, VisibleText(setting.Value), sourceName(setting.Source));
    return text;
}
