#include "settings/UPelkUpdaterUtils.h"

#include "settings/PasswordProtection.h"
#include "settings/RegistryStore.h"
#include "base/Clock.h"
#include "base/PelkError.h"

#include <QUuid>

const QString UpdaterKeyPath = QStringLiteral("\\Software\\Orbel\\PelkUpdater");

namespace {

const QString kProxyOption = QStringLiteral("ProxyOption");
const QString kProxyServer = QStringLiteral("ProxyServer");
const QString kProxyPort = QStringLiteral("ProxyPort");
const QString kProxyAuth = QStringLiteral("ProxyAuth");
const QString kProxyUser = QStringLiteral("ProxyUser");
const QString kProxyPassword = QStringLiteral("ProxyPassword");
const QString kUpdaterPath = QStringLiteral("UpdaterPath");
const QString kId = QStringLiteral("ID");
const QString kLanguage = QStringLiteral("Language");
const QString kMsgWidth = QStringLiteral("Msg.Width");
const QString kMsgHeight = QStringLiteral("Msg.Height");
const QString kMsgSplitter = QStringLiteral("Msg.Splitter");
const QString kAutoUpdate = QStringLiteral("AutoUpdate");
const QString kLastUpdate = QStringLiteral("LastUpdate");
const QString kLastSuccessfulCheck = QStringLiteral("LastSuccessfulCheck");
const QString kNextAutomaticCheck = QStringLiteral("NextAutomaticCheck");
const QString kFailedAutomaticChecks = QStringLiteral("FailedAutomaticChecks");
const QString kAutoCheckOnMetered = QStringLiteral("AutoCheckOnMetered");
const QString kOldMsgIds = QStringLiteral("OldMsgIDs");
const QString kHighestFeedSerialPrefix = QStringLiteral("HighestFeedSerial.");

// Leading and trailing characters up to the blank (controls included) go; other Unicode
// blanks are part of the text.
QString trimmedText(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 32)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 32)
        --end;
    return text.mid(begin, end - begin);
}

std::unique_ptr<RegistryKey> openUserKey(RegistryStore &store, const QString &path, bool canCreate)
{
    return store.openKey(RegistryRoot::CurrentUser, path, canCreate);
}

std::optional<qint32> readOptionalInteger(const RegistryKey &key, const QString &name)
{
    if (!key.valueExists(name))
        return std::nullopt;
    return qint32(key.readInteger(name));
}

// A moment kept under the updater's key as UTC ISO 8601 text; an empty or unreadable text is none.
std::optional<QDateTime> readStoredTime(RegistryStore &store, const QString &name)
{
    const auto key = openUserKey(store, UpdaterKeyPath, false);
    if (!key || !key->valueExists(name))
        return std::nullopt;
    QDateTime when = QDateTime::fromString(key->readString(name), Qt::ISODate);
    if (!when.isValid())
        return std::nullopt;
    return when;
}

// The store cannot delete a value: no moment is kept as an empty text.
void writeStoredTime(RegistryStore &store, const QString &name, const std::optional<QDateTime> &when)
{
    const auto key = openUserKey(store, UpdaterKeyPath, true);
    if (key)
        key->writeString(name, when ? when->toUTC().toString(Qt::ISODate) : QString());
}

} // namespace

QString VersionKeyPath(const QString &progVersion)
{
    // The text before the second full stop, or nothing without one.
    QString part;
    const qsizetype first = progVersion.indexOf(u'.');
    if (first >= 0) {
        const qsizetype second = progVersion.indexOf(u'.', first + 1);
        if (second >= 0)
            part = progVersion.left(second);
    }
    return UpdaterKeyPath + QLatin1Char('\\') + part;
}

QString FullVersionKeyPath(const QString &progVersion)
{
    return UpdaterKeyPath + QLatin1Char('\\') + progVersion;
}

ProxySettings ReadProxySettings(RegistryStore &store)
{
    ProxySettings settings;
    const auto key = openUserKey(store, UpdaterKeyPath, false);
    if (!key)
        return settings;
    if (key->valueExists(kProxyOption))
        settings.Option = qMax<qint32>(0, qint32(key->readInteger(kProxyOption)));
    if (key->valueExists(kProxyServer))
        settings.Server = trimmedText(key->readString(kProxyServer));
    if (key->valueExists(kProxyPort))
        settings.Port = trimmedText(key->readString(kProxyPort));
    if (key->valueExists(kProxyUser))
        settings.User = trimmedText(key->readString(kProxyUser));
    if (key->valueExists(kProxyPassword))
        settings.Password = trimmedText(UnprotectPassword(key->readString(kProxyPassword).toUtf8()));
    if (key->valueExists(kProxyAuth))
        settings.Auth = key->readInteger(kProxyAuth) != 0;
    return settings;
}

void WriteProxySettings(RegistryStore &store, const ProxySettings &settings)
{
    const auto key = openUserKey(store, UpdaterKeyPath, true);
    if (!key)
        return;
    key->writeInteger(kProxyOption, quint32(settings.Option));
    key->writeString(kProxyServer, trimmedText(settings.Server));
    key->writeString(kProxyPort, trimmedText(settings.Port));
    key->writeInteger(kProxyAuth, settings.Auth ? 1 : 0);
    key->writeString(kProxyUser, trimmedText(settings.User));
    key->writeString(kProxyPassword, QString::fromLatin1(ProtectPassword(trimmedText(settings.Password))));
}

QByteArray GetInstallationId(RegistryStore &store)
{
    const auto key = openUserKey(store, UpdaterKeyPath, true);
    if (!key)
        return QByteArray();
    if (key->valueExists(kId))
        return key->readString(kId).toUtf8();
    const QString id = QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
    key->writeString(kId, id);
    return id.toUtf8();
}

QByteArray ReadInstallationId(RegistryStore &store)
{
    const auto key = openUserKey(store, UpdaterKeyPath, false);
    return key && key->valueExists(kId) ? key->readString(kId).toUtf8() : QByteArray();
}

void WriteUpdaterPath(RegistryStore &store, const QString &programFolderWithSeparator)
{
    const auto key = openUserKey(store, UpdaterKeyPath, true);
    if (key)
        key->writeString(kUpdaterPath, programFolderWithSeparator);
}

bool ReadAutoUpdate(RegistryStore &store, const QString &progVersion)
{
    const auto key = openUserKey(store, VersionKeyPath(progVersion), false);
    return key && key->valueExists(kAutoUpdate) && key->readInteger(kAutoUpdate) != 0;
}

void WriteAutoUpdate(RegistryStore &store, const QString &progVersion, bool autoUpdate)
{
    const auto key = openUserKey(store, VersionKeyPath(progVersion), true);
    if (key)
        key->writeInteger(kAutoUpdate, autoUpdate ? 1 : 0);
}

QString FormatLastUpdate(const QDateTime &localTime)
{
    // Fixed digits, not the locale's formats: the catalogue application parses this text.
    const QDate date = localTime.date();
    const QTime time = localTime.time();
    const QChar zero = QLatin1Char('0');
    QString text = QStringLiteral("%1/%2/%3")
                       .arg(date.year(), 4, 10, zero)
                       .arg(date.month(), 2, 10, zero)
                       .arg(date.day(), 2, 10, zero);
    if (time.hour() != 0 || time.minute() != 0 || time.second() != 0)
        text += QStringLiteral(" %1:%2").arg(time.hour(), 2, 10, zero).arg(time.minute(), 2, 10, zero);
    return text;
}

void WriteLastUpdate(RegistryStore &store, const QString &progVersion, const Clock &clock)
{
    const auto key = openUserKey(store, VersionKeyPath(progVersion), true);
    if (key)
        key->writeString(kLastUpdate, FormatLastUpdate(clock.localNow()));
}

std::optional<QDateTime> ReadLastSuccessfulCheck(RegistryStore &store)
{
    return readStoredTime(store, kLastSuccessfulCheck);
}

void WriteLastSuccessfulCheck(RegistryStore &store, const QDateTime &when)
{
    writeStoredTime(store, kLastSuccessfulCheck, when);
}

std::optional<QDateTime> ReadNextAutomaticCheck(RegistryStore &store)
{
    return readStoredTime(store, kNextAutomaticCheck);
}

void WriteNextAutomaticCheck(RegistryStore &store, const std::optional<QDateTime> &when)
{
    writeStoredTime(store, kNextAutomaticCheck, when);
}

quint32 ReadFailedAutomaticChecks(RegistryStore &store)
{
    const auto key = openUserKey(store, UpdaterKeyPath, false);
    return key ? quint32(readOptionalInteger(*key, kFailedAutomaticChecks).value_or(0)) : 0;
}

void WriteFailedAutomaticChecks(RegistryStore &store, quint32 count)
{
    const auto key = openUserKey(store, UpdaterKeyPath, true);
    if (key)
        key->writeInteger(kFailedAutomaticChecks, count);
}

bool ReadAutoCheckOnMetered(RegistryStore &store)
{
    const auto key = openUserKey(store, UpdaterKeyPath, false);
    return key && key->valueExists(kAutoCheckOnMetered) && key->readInteger(kAutoCheckOnMetered) != 0;
}

void WriteAutoCheckOnMetered(RegistryStore &store, bool check)
{
    const auto key = openUserKey(store, UpdaterKeyPath, true);
    if (key)
        key->writeInteger(kAutoCheckOnMetered, check ? 1 : 0);
}

QString ReadOldMsgIdsText(RegistryStore &store, const QString &progVersion)
{
    const auto key = openUserKey(store, FullVersionKeyPath(progVersion), false);
    if (!key || !key->valueExists(kOldMsgIds))
        return QString();
    return key->readString(kOldMsgIds);
}

QList<QByteArray> SplitOldMsgIds(const QString &storedText)
{
    QList<QByteArray> ids;
    SplitText(storedText.toUtf8(), OldMsgIdSeparator, ids);
    return ids;
}

void LoadOldMsgIds(RegistryStore &store, const QString &progVersion, QList<QByteArray> &list)
{
    list.append(SplitOldMsgIds(ReadOldMsgIdsText(store, progVersion)));
}

void SaveOldMsgIds(RegistryStore &store, const QString &progVersion, const QList<QByteArray> &list)
{
    const auto key = openUserKey(store, FullVersionKeyPath(progVersion), true);
    if (key)
        key->writeString(kOldMsgIds, QString::fromUtf8(JoinText(list, OldMsgIdSeparator)));
}

std::optional<qint64> ReadHighestFeedSerial(RegistryStore &store, const QByteArray &keyId)
{
    const QString name = kHighestFeedSerialPrefix + QString::fromLatin1(keyId);
    const auto key = openUserKey(store, UpdaterKeyPath, false);
    if (!key || !key->valueExists(name))
        return std::nullopt;
    const QString text = key->readString(name);
    bool isNumber = false;
    const qint64 serial = text.toLongLong(&isNumber);
    if (!isNumber || serial < 1)
        throw PelkError(QStringLiteral("The stored value '%1' is not a serial: \"%2\"").arg(name, text.left(40)));
    return serial;
}

void WriteHighestFeedSerial(RegistryStore &store, const QByteArray &keyId, qint64 serial)
{
    const auto key = openUserKey(store, UpdaterKeyPath, true);
    if (key)
        key->writeString(kHighestFeedSerialPrefix + QString::fromLatin1(keyId), QString::number(serial));
}

QByteArray ReadStoredLanguage(RegistryStore &store)
{
    const auto key = openUserKey(store, UpdaterKeyPath, false);
    if (!key || !key->valueExists(kLanguage))
        return QByteArray();
    return key->readString(kLanguage).toUtf8();
}

void WriteStoredLanguage(RegistryStore &store, const QByteArray &languageKey)
{
    const auto key = openUserKey(store, UpdaterKeyPath, true);
    if (key)
        key->writeString(kLanguage, QString::fromUtf8(languageKey));
}

MessagesGeometry ReadMessagesGeometry(RegistryStore &store)
{
    MessagesGeometry geometry;
    const auto key = openUserKey(store, UpdaterKeyPath, false);
    if (!key)
        return geometry;
    geometry.Width = readOptionalInteger(*key, kMsgWidth);
    geometry.Height = readOptionalInteger(*key, kMsgHeight);
    geometry.Splitter = readOptionalInteger(*key, kMsgSplitter);
    return geometry;
}

void WriteMessagesGeometry(RegistryStore &store, qint32 width, qint32 height, qint32 splitter)
{
    const auto key = openUserKey(store, UpdaterKeyPath, true);
    if (!key)
        return;
    key->writeInteger(kMsgWidth, quint32(width));
    key->writeInteger(kMsgHeight, quint32(height));
    key->writeInteger(kMsgSplitter, quint32(splitter));
}

void SplitText(const QByteArray &text, char separator, QList<QByteArray> &list)
{
    if (text.isEmpty())
        return;
    QList<QByteArray> pieces = text.split(separator);
    // A separator at the end closes the last piece; it does not open an empty one.
    if (pieces.constLast().isEmpty())
        pieces.removeLast();
    list.append(std::move(pieces));
}

QByteArray JoinText(const QList<QByteArray> &list, char separator)
{
    return list.join(separator);
}
