#include "i18n/Languages.h"

#include "base/PelkError.h"
#include "i18n/IniFile.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterUtils.h"

#include <iterator>

namespace {
struct BuiltInEntry
{
    const char *key;
    const char *text;
};

// The English texts the program runs with when the language file lists no language.
constexpr BuiltInEntry kBuiltInTexts[] = {
    {"txtProduct", "Catalog"},
    {"txtTitle", "Check for Updates"},
    {"txtLang", "Language"},
    {"txtExit", "Exit"},
    {"txtSettings", "Settings"},
    {"txtCheckForUpdates", "Check for updates"},
    {"txtProxyTitle", "Proxy server"},
    {"txtProxyUseIE", "Use the system's proxy settings"},
    {"txtProxyNone", "Connect directly (no proxy)"},
    {"txtProxyUseFollowing", "Use the following proxy"},
    {"txtProxyServer", "Server"},
    {"txtProxyPort", "Port"},
    {"txtProxyAuth", "The proxy requires a login"},
    {"txtProxyUser", "User name"},
    {"txtProxyPassword", "Password"},
    {"txtAutoUpdateCheck", "Check for updates automatically"},
    {"txtOK", "OK"},
    {"txtCancel", "Cancel"},
    {"txtMessages", "Messages"},
    {"txtMessagesLong", "News and updates for your catalogue"},
    {"txtClose", "Close"},
    {"txtInfo", "Information"},
    {"txtUpdate", "Update"},
    {"txtNew", "New"},
    {"txtDate", "Date"},
    {"txtType", "Type"},
    {"txtSummary", "Summary"},
    {"txtMarkAsRead", "Mark as read"},
    {"txtMarkAsUnread", "Mark as unread"},
    {"txtError", "Error"},
    {"txtOnlineUpdatesDisabled", "Online updates are not enabled for this installation."},
    {"txtCheckingForUpdates", "Checking for updates"},
    {"txtNoUpdatesAvailable", "No updates are available."},
    {"txtNumberOfMessagesTotal", "Number of messages"},
    {"txtNumberOfMessagesNew", "New messages"},
    {"txtNoNewUpdatesAvailable", "No new updates available"},
    {"txtShowOldUpdates", "Would you like to see the messages you have already read?"},
    {"txtNoServiceAddress", "No address of the update service: set UpdateCheckURL in the section Config of %1"},
    {"txtAutoChecksOff", "Automatic update checks are switched off in the settings: nothing was checked."},
    {"txtCheckedRecently", "An update check succeeded less than 20 hours ago: nothing was checked."},
    {"txtBackOffWaiting", "The update service asked to wait, or the last automatic checks failed: nothing was "
                          "checked. The next automatic check is due at %1."},
    {"txtSetByAdministrator", "Set by your administrator."},
    {"txtFeedSignatureVerified", "Messages signed by the vendor's key"},
    {"txtReplyNotWellFormed", "The reply of the update service is not a well-formed XML document (line %1, column %2): %3"},
    {"txtReplyNotText", "The reply of the update service is not text in the encoding %1 (line %2, column %3)"},
    {"txtReplyEntities", "The reply of the update service declares entities (line %1, column %2), which a message feed does not use"},
    {"txtReplyWrongRoot", "The reply of the update service is no message feed: its root element is <%1> instead of <messages>"},
    {"txtMoreNewMessages", "and %1 more"},
    {"txtNoDisplayNewMessages", "No display: the new messages stay unread until a run with a display shows them"},
    {"txtNotifySummary", "New messages: %1"},
    {"txtNotifyNewest", "Newest: %1"},
    {"txtNotifyOpen", "Show messages"},
    {"txtMeteredSkipped", "The connection is metered: automatic update checks wait for another one; nothing was checked."},
    {"txtMeteredCheck", "Check automatically on metered connections too"},
    {"txtSendsButton", "&What a check sends"},
    {"txtSendsIntro", "The next check sends exactly this to the update service, and nothing else. Changes to the settings count once they are saved with OK."},
    {"txtSendsAddress", "Address"},
    {"txtSendsRoute", "Route"},
    {"txtSendsRouteSystem", "the system's proxy settings"},
    {"txtSendsRouteDirect", "direct, without a proxy"},
    {"txtSendsRouteServer", "the proxy server %1"},
    {"txtSendsRouteLogin", "%1, with the login of the user \"%2\" when the proxy asks for one (the password is not shown)"},
    {"txtSendsBody", "The fields of the form, as sent"},
    {"txtSendsNewId", "No installation ID is stored yet: the first check makes a new one."},
    {"txtSendsId", "Installation ID, made at random for this installation"},
    {"txtSendsPv", "Program version of the catalogue"},
    {"txtSendsOv", "Version of the catalogue's offline data"},
    {"txtSendsBt", "Build time of the catalogue"},
    {"txtSendsUt", "Time of the catalogue's last update"},
    {"txtSendsLg", "Language of this program"},
    {"txtSendsWv", "Kernel version and processor architecture of the computer"},
    {"txtSendsIe", "Version of a Windows component (empty on Linux)"},
    {"txtSendsDn", "Versions of a Windows component (empty on Linux)"},
    {"txtSendsRe", "Four letters: remote session (R) or not (C), program on a network drive (R) or not (L), catalogue data kept apart (S) or not (L), computer in the Orbel domain (F) or not (O)"},
};

const QString kLangsSection = QStringLiteral("Langs");
const QString kTextsSectionPrefix = QStringLiteral("Texts_");

// Language keys match when they have the same length and equal letters A-Z without regard to
// case (Qt 6 folds ASCII only).
bool sameLanguageKey(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

int indexOfKey(const std::vector<TLangInfo> &list, const QByteArray &key)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (sameLanguageKey(list[i].Key, key))
            return static_cast<int>(i);
    }
    return -1;
}

QString numbered(const char *name, int n)
{
    return QLatin1String(name) + QString::number(n);
}

// The section is read once: a lookup per key would read the whole file again each time.
std::vector<TLangInfo> readLanguageList(const IniFile &ini)
{
    const QHash<QString, std::optional<QString>> langs = ini.readSection(kLangsSection);
    std::vector<TLangInfo> list;
    // The first missing number ends the list; a key with an empty value still counts.
    for (int n = 1;; ++n) {
        const auto key = langs.constFind(numbered("LangKey", n).toCaseFolded());
        if (key == langs.cend())
            break;
        TLangInfo info;
        info.Key = key->value_or(QString()).toUtf8();
        info.Description = langs.value(numbered("LangDesc", n).toCaseFolded()).value_or(QString());
        list.push_back(std::move(info));
    }
    return list;
}

} // namespace

const QList<QByteArray> &AllTextKeys()
{
    static const QList<QByteArray> keys = [] {
        QList<QByteArray> list;
        for (const BuiltInEntry &entry : kBuiltInTexts)
            list.append(QByteArray(entry.key));
        return list;
    }();
    return keys;
}

QString BuiltInText(const QByteArray &textKey)
{
    for (const BuiltInEntry &entry : kBuiltInTexts) {
        if (sameLanguageKey(textKey, QByteArray(entry.key)))
            return QString::fromUtf8(entry.text);
    }
    return QString();
}

Languages::Languages(const IniFile &ini, RegistryStore &store)
    : m_ini(ini), m_store(store)
{
}

void Languages::LoadLanguages(const QByteArray &commandLineLanguage)
{
    m_list = readLanguageList(m_ini);
    m_currentIndex = m_list.empty() ? -1 : 0;
    // A language the administrator has fixed is not the command line's to change.
    if (!commandLineLanguage.isEmpty() && !m_store.isLocked(QStringLiteral("Language"))) {
        const int index = indexOfKey(m_list, commandLineLanguage);
        if (index >= 0) {
            m_currentIndex = index;
            return;
        }
    }
    // A stored value of the wrong type raises its error with the first language selected.
    const QByteArray stored = ReadStoredLanguage(m_store);
    const int index = stored.isEmpty() ? -1 : indexOfKey(m_list, stored);
    if (index >= 0)
        m_currentIndex = index;
}

void Languages::setCurrentIndex(int index)
{
    // The selector reports -1 while it is being refilled; the current language stays then.
    if (index >= 0 && index < static_cast<int>(m_list.size()))
        m_currentIndex = index;
}

QByteArray Languages::CurrentLanguageKey() const
{
    if (m_currentIndex < 0)
        return QByteArray();
    return m_list[static_cast<std::size_t>(m_currentIndex)].Key;
}

QString Languages::GetText(const QByteArray &textKey) const
{
    const QString keyName = QString::fromUtf8(textKey);
    if (usesBuiltInTexts()) {
        const QString text = BuiltInText(textKey);
        return text.isEmpty() ? keyName : text;
    }
    return m_ini.readString(textsSection(), keyName, keyName);
}

QString Languages::GetTextOrBuiltIn(const QByteArray &textKey) const
{
    const QString builtIn = BuiltInText(textKey);
    if (usesBuiltInTexts())
        return builtIn;
    return m_ini.readString(textsSection(), QString::fromUtf8(textKey), builtIn);
}

QString Languages::WindowText(const QByteArray &textKey) const
{
    if (usesBuiltInTexts())
        return BuiltInText(textKey);
    return m_ini.readString(textsSection(), QString::fromUtf8(textKey), QString());
}

void Languages::SaveLanguage()
{
    if (usesBuiltInTexts())
        return;
    try {
        WriteStoredLanguage(m_store, CurrentLanguageKey());
    } catch (const PelkError &) {
        // The language is written on the way out; a store that refuses it costs only the choice.
    }
}

QString Languages::textsSection() const
{
    return kTextsSectionPrefix + QString::fromUtf8(CurrentLanguageKey());
}
