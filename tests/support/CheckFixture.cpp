#include "support/CheckFixture.h"

#include "base/PelkError.h"
#include "settings/RegistryStore.h"

#include <QFile>

void RecordingHost::ClearLog()
{
    events.append(QStringLiteral("clear"));
}

void RecordingHost::AddLogLine(const QString &line)
{
    events.append(QStringLiteral("log:") + line);
}

void RecordingHost::SetBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
    events.append(busy ? QStringLiteral("busy:1") : QStringLiteral("busy:0"));
}

bool RecordingHost::AskShowOldMessages(const QString &caption, const QString &text)
{
    events.append(QStringLiteral("ask:") + caption + QLatin1Char('|') + text);
    return answer;
}

void RecordingHost::ShowMessages(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds)
{
    events.append(QStringLiteral("show"));
    shownFeed = feed;
    shownSeenIds = seenIds;
    if (duringShow)
        duringShow();
}

QStringList RecordingHost::logLines() const
{
    QStringList lines;
    for (const QString &event : events) {
        if (event.startsWith(QLatin1String("log:")))
            lines.append(event.mid(4));
    }
    return lines;
}

bool RecordingHost::asked() const
{
    for (const QString &event : events) {
        if (event.startsWith(QLatin1String("ask:")))
            return true;
    }
    return false;
}

QByteArray CheckFixture::germanTexts()
{
    return "txtError=Fehler\n"
           "txtOnlineUpdatesDisabled=Online-Updates sind nicht freigegeben.\n"
           "txtCheckingForUpdates=Suche nach Updates\n"
           "txtNoUpdatesAvailable=Es sind keine Updates verfügbar.\n"
           "txtNumberOfMessagesTotal=Anzahl der Meldungen\n"
           "txtNumberOfMessagesNew=Davon neu\n"
           "txtNoNewUpdatesAvailable=Keine neuen Updates verfügbar\n"
           "txtShowOldUpdates=Gelesene Meldungen trotzdem ansehen?\n"
           "txtReplyWrongRoot=Kein Meldungs-Feed, sondern <%1>\n";
}

CheckFixture::CheckFixture()
    : store(dir.filePath(QStringLiteral("config/Orbel/user.reg")), dir.filePath(QStringLiteral("etc/Orbel/machine.reg"))),
      ini(dir.filePath(QStringLiteral("PelkUpdater.ini")), dir.filePath(QStringLiteral("etc/Orbel/PelkUpdater.ini")))
{
    installation.ProgVersion = QStringLiteral("5.2.1.7");
    installation.OfflineVersion = QStringLiteral("5.2.1");
    installation.BuildTimeStamp = QStringLiteral("2024-03-05 14:07");
    installation.UpdateTimeStamp = QStringLiteral("2024-04-11 09:30");
    installation.OnlineUpdateAllowed = true;
    writeIni(QByteArray(), germanTexts());
    languages = std::make_unique<Languages>(ini, store);
    languages->LoadLanguages(QByteArray());
}

CheckContext CheckFixture::context()
{
    return CheckContext{installation, ini, *languages, store, probe, clock, transport};
}

void CheckFixture::writeIni(const QByteArray &url, const QByteArray &texts, const QByteArray &config)
{
    QFile file(ini.path());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(ini.path()));
    file.write("[Langs]\nLangKey1=de\nLangDesc1=Deutsch\n\n[Config]\nUpdateCheckURL=" + url + "\n" + config
               + "\n[Texts_de]\n" + texts);
}

void CheckFixture::setServiceUrl(const QByteArray &url)
{
    writeIni(url, germanTexts());
}

void CheckFixture::setProxy(const ProxySettings &settings)
{
    WriteProxySettings(store, settings);
}

void CheckFixture::setInstallationId(const QString &id)
{
    const auto key = store.openKey(RegistryRoot::CurrentUser, UpdaterKeyPath, true);
    if (!key)
        qFatal("cannot open the updater key");
    key->writeString(QStringLiteral("ID"), id);
}

QString CheckFixture::storedString(const QString &keyPath, const QString &name)
{
    const auto key = store.openKey(RegistryRoot::CurrentUser, keyPath, false);
    return key && key->valueExists(name) ? key->readString(name) : QString();
}

QString FailureOf(const std::function<void()> &request)
{
    try {
        request();
    } catch (const PelkError &error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}
