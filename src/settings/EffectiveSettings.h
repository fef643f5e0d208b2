#pragma once

#include <QList>
#include <QString>

class RegistryStore;

// Where a setting in effect comes from.
enum class SettingSource { Default, User, Administrator };

struct EffectiveSetting
{
    QString Name;  // the stored value's name
    QString Value; // as the program uses it; the proxy password only as "(set)" or nothing
    SettingSource Source = SettingSource::Default;
};

// Every stored setting as this run would use it: the built-in default, under the user's
// stored value, under the administrator's lock. `policyStore` is `userStore` with the
// administrator's locks laid over it (a PolicyStore). Reads only: nothing is created or stored.
QList<EffectiveSetting> ReadEffectiveSettings(RegistryStore &userStore, RegistryStore &policyStore,
                                              const QString &progVersion);

// One line a setting: ProxyOption = "1" (administrator); control characters made visible.
QString FormatEffectiveSettings(const QList<EffectiveSetting> &settings);
