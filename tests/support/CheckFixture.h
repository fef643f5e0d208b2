#pragma once

#include "check/CheckContext.h"
#include "check/CheckHost.h"
#include "check/HttpExchange.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "settings/RegFileStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "base/Clock.h"
#include "sysinfo/InstallationData.h"
#include "sysinfo/SystemProbe.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>

// A computer whose facts the test pins.
class PinnedProbe : public SystemProbe
{
public:
    QString kernelRelease() const override { return QStringLiteral("6.1.0-13-amd64"); }
    QString machine() const override { return QStringLiteral("x86_64"); }
    QByteArray environmentValue(const char *) const override { return QByteArray(); }
    QString programFilePath() const override { return QStringLiteral("/opt/pelk/PelkUpdater"); }
    QString fileSystemType(const QString &) const override { return QStringLiteral("ext4"); }
    QString dnsDomain() const override { return QString(); }
};

class FixedClock : public Clock
{
public:
    QDateTime now = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 31));
    quint32 tickCount() const override { return 1000; }
    QDateTime localNow() const override { return now; }
};

// Records every call of the check in one list of events: "clear", "log:<line>",
// "busy:1", "busy:0", "ask:<caption>|<text>", "show".
class RecordingHost : public CheckHost
{
public:
    void ClearLog() override;
    void AddLogLine(const QString &line) override;
    void SetBusy(bool busy) override;
    bool AskShowOldMessages(const QString &caption, const QString &text) override;
    void ShowMessages(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds) override;

    QStringList logLines() const;
    bool asked() const;

    QStringList events;
    bool answer = false;                 // the user's answer to the question
    std::function<void()> duringShow;    // runs inside ShowMessages (may throw)
    XmlDocumentPtr shownFeed;
    QList<QByteArray> shownSeenIds;
    int busyDepth = 0;
};

// A fresh store, INI file (German texts, language "de"; no administrator's file), installation data 5.2.1.7 and the
// pinned probe and clock and the network code, wired into a CheckContext.
class CheckFixture
{
public:
    CheckFixture();

    CheckContext context();
    void setServiceUrl(const QByteArray &url);
    // Rewrites the INI file; `texts` lines go into the section Texts_de, `config` lines into
    // the section Config after UpdateCheckURL.
    void writeIni(const QByteArray &url, const QByteArray &texts, const QByteArray &config = QByteArray());
    void setProxy(const ProxySettings &settings);
    void setInstallationId(const QString &id);
    // A string value of the per-user store; empty when missing.
    QString storedString(const QString &keyPath, const QString &name);

    static QByteArray germanTexts();

    QTemporaryDir dir;
    RegFileStore store;
    IniFile ini;
    InstallationData installation;
    PinnedProbe probe;
    FixedClock clock;
    QtHttpTransport transport;
    std::unique_ptr<Languages> languages;
};

// The error message of a request that must fail, or "(no error)" when it did not.
QString FailureOf(const std::function<void()> &request);
