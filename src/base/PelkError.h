#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <stdexcept>

// "%1" to "%9" in `text` replaced by the arguments in one pass, so that an argument that
// itself holds "%2" stays as it is.
inline QString FillPlaceholders(const QString &text, const QStringList &arguments)
{
    QString filled;
    filled.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' && text[i + 1] <= u'9') {
            const qsizetype index = text[i + 1].unicode() - u'1';
            if (index < arguments.size()) {
                filled += arguments[index];
                ++i;
                continue;
            }
        }
        filled += text[i];
    }
    return filled;
}

// The one failure type of the program. Its message is the text the user reads,
// in the log line of a check or in the application's error box.
class PelkError : public std::runtime_error
{
public:
    explicit PelkError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}

    // A failure told where no language is at hand (the network module): `english` with
    // "%1", "%2", ... for the arguments. Whoever knows the language tells it with the
    // language file's text of `textKey` instead, when the file has one.
    PelkError(QByteArray textKey, const QString &english, QStringList arguments)
        : PelkError(FillPlaceholders(english, arguments))
    {
        m_textKey = std::move(textKey);
        m_arguments = std::move(arguments);
    }

    QString message() const { return m_message; }
    const QByteArray &textKey() const { return m_textKey; }
    const QStringList &arguments() const { return m_arguments; }

private:
    QString m_message;
    QByteArray m_textKey;
    QStringList m_arguments;
};
