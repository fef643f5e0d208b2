#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QTranslator>
#include <memory>
#include <optional>
#include <vector>

// Qt's own texts (standard buttons of message boxes, the page view's context menu) in the
// language of the INI texts: Qt's catalogues for the current language, installed for the
// whole application. A language that Qt has no catalogue for keeps Qt's English texts.
class QtTranslations
{
public:
    // `folder` holds Qt's catalogues (qtbase_de.qm, ...); by default Qt's own folder.
    explicit QtTranslations(QString folder = defaultFolder());
    ~QtTranslations();
    QtTranslations(const QtTranslations &) = delete;
    QtTranslations &operator=(const QtTranslations &) = delete;

    // Installs Qt's catalogues for the language key ("de", "engb") in place of the previous
    // language's; nothing to do when the key is the one followed already.
    void follow(const QByteArray &languageKey);

    // The locale a language key names: its first two letters are the language, two more the
    // country ("engb" is English of Great Britain); the C locale for a key that names none.
    static QLocale localeOfLanguageKey(const QByteArray &languageKey);
    static QString defaultFolder();

private:
    void removeInstalled();

    QString m_folder;
    std::vector<std::unique_ptr<QTranslator>> m_installed;
    std::optional<QByteArray> m_followedKey;
};
