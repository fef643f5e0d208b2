#include "PelkDriver.h"

#include <QGenericPlugin>

// The generic-plugin entry through which Qt loads the driver into the program.
class PelkDriverPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "pelkdriver.json")

public:
    QObject *create(const QString &key, const QString &) override
    {
        return key.compare(QLatin1String("pelkdriver"), Qt::CaseInsensitive) == 0 ? new PelkDriver : nullptr;
    }
};

#include "PelkDriverPlugin.moc"
