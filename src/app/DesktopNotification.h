#pragma once

#include "messages/NewMessagesNotifier.h"

#include <QDBusConnection>
#include <QObject>

#include <chrono>

class QEventLoop;

// The new messages as one notification of the desktop's notification service
// (org.freedesktop.Notifications on the session bus), with an action that opens the messages
// window. notify() waits for the user's answer, at most `waitLimit`.
class DesktopNotification : public QObject, public NewMessagesNotifier
{
    Q_OBJECT

public:
    DesktopNotification(const QDBusConnection &bus, std::chrono::milliseconds waitLimit);

    Answer notify(const NewMessagesNotice &notice) override;

private Q_SLOTS:
    void onActionInvoked(uint id, const QString &actionKey);
    void onNotificationClosed(uint id, uint reason);

private:
    bool serviceRuns() const;
    bool acceptsMarkup() const;
    Answer waitForAnswer();
    void close();
    void answer(Answer answer);

    QDBusConnection m_bus;
    const std::chrono::milliseconds m_waitLimit;
    uint m_id = 0;
    bool m_answered = false;
    Answer m_answer = Answer::Dismissed;
    QEventLoop *m_waiting = nullptr;
};
