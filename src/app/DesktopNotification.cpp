#include "app/DesktopNotification.h"

#include "messages/NewMessagesNotice.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QEventLoop>
#include <QTimer>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The installed desktop entry and icon carry the application's id.
const QString kApplicationId = QStringLiteral("com.orbel.PelkUpdater");
constexpr int kCallTimeoutMs = 5000;
constexpr uchar kUrgencyNormal = 1;
constexpr uchar kUrgencyCritical = 2;

QDBusMessage methodCall(const char *method, const QVariantList &arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QLatin1String(method));
    call.setArguments(arguments);
    return call;
}
} // namespace

DesktopNotification::DesktopNotification(const QDBusConnection &bus, std::chrono::milliseconds waitLimit)
    : m_bus(bus), m_waitLimit(waitLimit)
{
}

NewMessagesNotifier::Answer DesktopNotification::notify(const NewMessagesNotice &notice)
{
    if (!serviceRuns())
        return Answer::NoService;
    // Listening before the notification exists, so that a quick answer is not missed.
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onNotificationClosed(uint, uint)));
    // A service that reads markup would obey tags in the feed's title.
    const QString body = acceptsMarkup() ? notice.Body.toHtmlEscaped() : notice.Body;
    const QVariantMap hints{
        {QStringLiteral("urgency"), QVariant::fromValue(notice.Urgent ? kUrgencyCritical : kUrgencyNormal)},
        {QStringLiteral("desktop-entry"), kApplicationId},
    };
    const QStringList actions{QStringLiteral("default"), notice.OpenText, QStringLiteral("open"), notice.OpenText};
    const QDBusReply<uint> reply = m_bus.call(
        methodCall("Notify", {QStringLiteral("PelkUpdater"), 0u, kApplicationId, notice.Summary, body, actions,
                              hints, -1}),
        QDBus::Block, kCallTimeoutMs);
    if (!reply.isValid())
        return Answer::NoService;
    m_id = reply.value();
    return waitForAnswer();
}

bool DesktopNotification::serviceRuns() const
{
    if (!m_bus.isConnected() || !m_bus.interface())
        return false;
    const QDBusReply<bool> owned = m_bus.interface()->isServiceRegistered(kService);
    return owned.isValid() && owned.value();
}

bool DesktopNotification::acceptsMarkup() const
{
    const QDBusReply<QStringList> capabilities = m_bus.call(methodCall("GetCapabilities"), QDBus::Block, kCallTimeoutMs);
    // Unknown capabilities: escaped all the same, a literal "&lt;" is better than an obeyed tag.
    return !capabilities.isValid() || capabilities.value().contains(QLatin1String("body-markup"));
}

NewMessagesNotifier::Answer DesktopNotification::waitForAnswer()
{
    QEventLoop loop;
    QTimer::singleShot(m_waitLimit, &loop, &QEventLoop::quit);
    m_waiting = &loop;
    if (!m_answered)
        loop.exec();
    m_waiting = nullptr;
    if (!m_answered) {
        // Nobody would answer the action any more.
        close();
        return Answer::Dismissed;
    }
    return m_answer;
}

void DesktopNotification::close()
{
    m_bus.call(methodCall("CloseNotification", {m_id}), QDBus::Block, kCallTimeoutMs);
}

void DesktopNotification::onActionInvoked(uint id, const QString &actionKey)
{
    if (id != m_id || m_answered)
        return;
    if (actionKey == QLatin1String("default") || actionKey == QLatin1String("open")) {
        answer(Answer::Open);
    }
}

void DesktopNotification::onNotificationClosed(uint id, uint)
{
    if (id != m_id || m_answered)
        return;
    answer(Answer::Dismissed);
}

void DesktopNotification::answer(Answer answer)
{
    m_answered = true;
    m_answer = answer;
    if (m_waiting)
        m_waiting->quit();
}
