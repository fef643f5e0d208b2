#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

class IniFile;
class RegistryStore;

// One language of the INI file's "Langs" section.
struct TLangInfo
{
    QByteArray Key;      // UTF-8, "de", "engb"
    QString Description; // "Deutsch"
};

// Every text key the windows and the log use, in the order of the language file.
const QList<QByteArray> &AllTextKeys();
// The English text shipped inside the program for a text key; empty for an unknown key.
QString BuiltInText(const QByteArray &textKey);

// The language list of the main window, the current language and the text lookup.
// When the INI file lists no language (or is missing), the program runs with its built-in
// English texts: the current key is empty and SaveLanguage stores nothing.
class Languages
{
public:
    Languages(const IniFile &ini, RegistryStore &store);

    // Builds the list from "Langs" and chooses the start language: the command-line code,
    // then the stored "Language", then the first language.
    void LoadLanguages(const QByteArray &commandLineLanguage);

    const std::vector<TLangInfo> &list() const { return m_list; }
    int currentIndex() const { return m_currentIndex; } // -1 when the list is empty
    void setCurrentIndex(int index);
    bool usesBuiltInTexts() const { return m_list.empty(); }
    // The INI file the texts come from, which also holds the service's address.
    const IniFile &ini() const { return m_ini; }

    QByteArray CurrentLanguageKey() const;

    // A run-time text: the key name itself when the current language lacks it.
    QString GetText(const QByteArray &textKey) const;
    // A run-time text that language files of older versions lack: the built-in English text
    // then, not the key name.
    QString GetTextOrBuiltIn(const QByteArray &textKey) const;
    // A window text: empty when the current language lacks it.
    QString WindowText(const QByteArray &textKey) const;

    // Stores the current language key as "Language"; failures are skipped silently.
    void SaveLanguage();

private:
    QString textsSection() const;

    const IniFile &m_ini;
    RegistryStore &m_store;
    std::vector<TLangInfo> m_list;
    int m_currentIndex = -1;
};
