#pragma once

#include <QString>
#include <stdexcept>

// The one failure type of the program. Its message is the text the user reads,
// in the log line of a check or in the application's error box.
class PelkError : public std::runtime_error
{
public:
    explicit PelkError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}

    QString message() const { return m_message; }

private:
    QString m_message;
};
