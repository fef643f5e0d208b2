#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

class RegistryStore;
class Clock;

// Every value the program keeps between runs, read and written through the store.
// Each routine opens its key, works and lets go of it before it returns.

// The updater's key and the two keys named after the catalogue's program version.
extern const QString UpdaterKeyPath; // "\Software\Orbel\PelkUpdater"
QString VersionKeyPath(const QString &progVersion);     // ...\PelkUpdater\5.2 for 5.2.1.7
QString FullVersionKeyPath(const QString &progVersion); // ...\PelkUpdater\5.2.1.7

// The stored ProxyOption numbers. A stored number that is none of them is kept as it stands
// and goes direct.
enum ProxyOption : qint32 { kUseSystemProxy = 0, kNoProxy = 1, kUseFollowingProxy = 2 };

struct ProxySettings
{
    qint32 Option = kUseSystemProxy; // a ProxyOption, or any other stored number
    QString Server;
    QString Port;
    QString User;
    QString Password; // plain
    bool Auth = false;
};

ProxySettings ReadProxySettings(RegistryStore &store);
void WriteProxySettings(RegistryStore &store, const ProxySettings &settings);

// The braced upper-case GUID of this installation, created and stored on first use;
// empty when the key cannot be opened.
QByteArray GetInstallationId(RegistryStore &store);
// The stored identifier as GetInstallationId gives it, but never made: empty when none is stored.
QByteArray ReadInstallationId(RegistryStore &store);

// Stores the program's folder (with its trailing separator) as UpdaterPath.
void WriteUpdaterPath(RegistryStore &store, const QString &programFolderWithSeparator);

bool ReadAutoUpdate(RegistryStore &store, const QString &progVersion);
void WriteAutoUpdate(RegistryStore &store, const QString &progVersion, bool autoUpdate);

// "YYYY/MM/DD hh:nn", or the date alone at exactly midnight.
QString FormatLastUpdate(const QDateTime &localTime);
void WriteLastUpdate(RegistryStore &store, const QString &progVersion, const Clock &clock);

// The time of the last check that got the service's feed, kept apart from LastUpdate, which
// records every attempt; in UTC, so that a change of time zone does not move it. Empty
// when none is stored or the stored text is no such time.
std::optional<QDateTime> ReadLastSuccessfulCheck(RegistryStore &store);
void WriteLastSuccessfulCheck(RegistryStore &store, const QDateTime &when);

// When the next automatic check may run, in UTC, and how many automatic checks failed in a
// row. Empty / 0 when missing; an empty text stored means no wait.
std::optional<QDateTime> ReadNextAutomaticCheck(RegistryStore &store);
void WriteNextAutomaticCheck(RegistryStore &store, const std::optional<QDateTime> &when);
quint32 ReadFailedAutomaticChecks(RegistryStore &store);
void WriteFailedAutomaticChecks(RegistryStore &store, quint32 count);
// Whether "/AUTO" runs check on a metered connection too (DWORD 1); by default they skip.
bool ReadAutoCheckOnMetered(RegistryStore &store);
void WriteAutoCheckOnMetered(RegistryStore &store, bool check);

// The stored seen list as one text, as stored, each identifier followed by OldMsgIdSeparator,
// for callers that look a few identifiers up in a list of any length without splitting it.
constexpr char OldMsgIdSeparator = ';';
QString ReadOldMsgIdsText(RegistryStore &store, const QString &progVersion);
// The identifiers of such a text, in stored order.
QList<QByteArray> SplitOldMsgIds(const QString &storedText);
// Appends the stored seen identifiers to `list` (which is not cleared first).
void LoadOldMsgIds(RegistryStore &store, const QString &progVersion, QList<QByteArray> &list);
void SaveOldMsgIds(RegistryStore &store, const QString &progVersion, const QList<QByteArray> &list);

// The highest serial of a signed feed accepted so far from the feed key `keyId`, per user
// ("HighestFeedSerial." + the key id); nothing when none was. A stored text that is no such
// number throws PelkError rather than letting an old feed through.
std::optional<qint64> ReadHighestFeedSerial(RegistryStore &store, const QByteArray &keyId);
void WriteHighestFeedSerial(RegistryStore &store, const QByteArray &keyId, qint64 serial);

// The language of the last run ("Language"); empty when missing.
QByteArray ReadStoredLanguage(RegistryStore &store);
void WriteStoredLanguage(RegistryStore &store, const QByteArray &languageKey);

// Size of the messages window and height of its list; missing values stay empty.
struct MessagesGeometry
{
    std::optional<qint32> Width;
    std::optional<qint32> Height;
    std::optional<qint32> Splitter;
};
MessagesGeometry ReadMessagesGeometry(RegistryStore &store);
void WriteMessagesGeometry(RegistryStore &store, qint32 width, qint32 height, qint32 splitter);

// List codecs: "a;;b;" splits into a, (empty), b; nothing is trimmed, duplicates stay.
void SplitText(const QByteArray &text, char separator, QList<QByteArray> &list);
QByteArray JoinText(const QList<QByteArray> &list, char separator);
