#include "app/NetworkManagerConnectionCost.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>

namespace {
// NetworkManager answers at once when it runs; a bus that hangs must not hold up the run.
constexpr int kCallTimeoutMs = 1000;
// NMMetered: 1 yes, 3 guessed yes; 0 unknown, 2 no, 4 guessed no.
constexpr uint kMeteredYes = 1;
constexpr uint kMeteredGuessYes = 3;
} // namespace

bool NetworkManagerConnectionCost::isMetered() const
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("/org/freedesktop/NetworkManager"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call.setArguments({QStringLiteral("org.freedesktop.NetworkManager"), QStringLiteral("Metered")});
    // No activation: a NetworkManager that does not run has nothing to say.
    call.setAutoStartService(false);
    const QDBusReply<QDBusVariant> reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (!reply.isValid())
        return false;
    bool isNumber = false;
    const uint metered = reply.value().variant().toUInt(&isNumber);
    return isNumber && (metered == kMeteredYes || metered == kMeteredGuessYes);
}
