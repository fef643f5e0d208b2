#pragma once

#include "app/CommandLine.h"
#include "check/UpdateCheck.h"
#include "check/CheckHost.h"

#include <QStringList>
#include <QWidget>
#include <memory>

class Announcer;
class Clock;
class ConnectionCost;
class HttpTransport;
class IniFile;
class LanguageComboBox;
class Languages;
class LinkLabel;
class NewMessagesNotifier;
class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;
class QtTranslations;
class QTextEdit;
class RegistryStore;
class SystemProbe;
class TFPelkUpdaterMessages;
class TFPelkUpdaterSettings;
struct InstallationData;

// The main window: banner, check link, log, language selector, settings and exit buttons.
// It owns the INI file and the language list, applies the texts of all three windows and
// is the host of every update check.
class TFPelkUpdaterMain : public QWidget, public CheckHost
{
    Q_OBJECT

public:
    // `installation` is filled by the creation steps and read by the other windows.
    TFPelkUpdaterMain(const CommandLineOptions &options, const QString &programFilePath,
                      InstallationData &installation, RegistryStore &store,
                      const SystemProbe &probe, const Clock &clock, HttpTransport &transport,
                      QWidget *parent = nullptr);
    ~TFPelkUpdaterMain() override;

    // The creation steps: installation data, updater path, current folder, INI file,
    // languages, log links. A failure shows the error box and skips the remaining steps;
    // the window then runs with the built-in English texts.
    void TntFormCreate();

    // False when no window of this run can be seen (an unattended run without a display):
    // errors and new messages then go to the log instead of a window. Set before the
    // creation steps.
    void setDisplayAvailable(bool available) { m_displayAvailable = available; }

    // Tells the user once of something found at the start: the error box, or a line on
    // standard error in a silent run.
    void reportStartNotice(const QString &message);
    // Tells the user, the first time only, that the settings store could not be written
    // (as reportStartNotice). Run after the creation steps and after each check.
    void reportUnsavedSettings();

    // What a "/AUTO" run asks of the desktop: a notification instead of the messages window,
    // and whether the connection is metered. Without them it behaves as "/SILENT".
    void setNotifier(NewMessagesNotifier *notifier) { m_notifier = notifier; }
    void setConnectionCost(const ConnectionCost *cost) { m_connectionCost = cost; }

    // The other two windows, created after this one.
    void setCompanions(TFPelkUpdaterSettings &settings, TFPelkUpdaterMessages &messages);

    // The exit status of a run.
    struct RunExitStatus
    {
        static constexpr int kDone = 0;        // checked, or nothing to check by design
        static constexpr int kCheckFailed = 1; // "/AUTO": no feed (address, connection, reply)
        static constexpr int kNotAllowed = 2;  // "/AUTO": the installation allows no online check
    };

    // The captions of all three windows in the current language; empties the log.
    void ApplyTexts();

    // A check with the silent flag; ignored while a check runs.
    CheckResult CheckForUpdates(bool silent);
    // The check of a silent run, and the run's exit status. With "/AUTO" it runs only when
    // the user wants automatic checks, no check succeeded in the last 20 hours and no wait
    // after failed checks or asked for by the service is on (a failed "/AUTO" check starts
    // one; a check that gets its feed, of any run, ends it); otherwise
    // one line on standard error says why nothing was checked. Only "/AUTO" tells a failed
    // check by its status (see RunExitStatus); "/SILENT" always ends with 0.
    int SilentCheck();
    bool isCheckRunning() const { return m_checkRunning; }

    // Null before the creation steps have run.
    const Languages *languages() const { return m_languages.get(); }
    QString logText() const;

    // CheckHost
    void ClearLog() override;
    void AddLogLine(const QString &line) override;
    void SetBusy(bool busy) override;
    bool AskShowOldMessages(const QString &caption, const QString &text) override;
    void ShowMessages(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds) override;

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    // The window at its layout size, or smaller and scrolling where the screen is smaller.
    void fitToScreen();
    // Built-in English texts when the creation steps did not get as far as the languages.
    void ensureLanguages();
    void fillLanguageSelector();
    void EnableLogLinks();
    // The error box of the start, captioned with the built-in title when no text is applied yet.
    void showStartError(const QString &message);
    // Says once why an existing INI file gives no texts: a box, or standard error in a silent run.
    void reportUnreadableIni();
    void TntFormShow();
    void TntFormDestroy();
    void LUpdateCheckClick();
    void LUpdateCheckMouseEnter();
    void LUpdateCheckMouseLeave();
    void PSettingsClick();
    void PExitClick();
    void CBLangChange(int index);
    // The application's error box, or a line on standard error when no window can be seen.
    void reportError(const QString &message);
    // Whether an automatic check succeeded less than 20 hours ago.
    bool checkedRecently() const;
    // Says on standard error until when automatic checks wait, if they do.
    bool backingOff() const;
    void recordAutomaticFailure(const QByteArray &retryAfter);
    // Whether the connection is metered and neither the user nor the administrator allows
    // automatic checks on such a connection.
    bool meteredConnectionSkips() const;
    // The new messages in one log line, left unread for a later run that shows them.
    void logNewMessages(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds);
    // Tells a screen reader what the check logged, without its progress line.
    void announceResult();

    const CommandLineOptions m_options;
    const QString m_programFilePath;
    InstallationData &m_installation;
    RegistryStore &m_store;
    const SystemProbe &m_probe;
    const Clock &m_clock;
    HttpTransport &m_transport;
    TFPelkUpdaterSettings *m_settings = nullptr;
    TFPelkUpdaterMessages *m_messages = nullptr;
    NewMessagesNotifier *m_notifier = nullptr;
    const ConnectionCost *m_connectionCost = nullptr;

    // The language list reads through the INI file, so it is declared after it.
    std::unique_ptr<IniFile> m_ini;
    std::unique_ptr<Languages> m_languages;
    // Qt's own texts follow the current language.
    std::unique_ptr<QtTranslations> m_qtTranslations;

    bool m_displayAvailable = true;
    // A "/AUTO" run whose user does not want automatic checks (or whose wish could not be
    // read) checks nothing and writes nothing but the language.
    bool m_checkSkipped = false;
    bool m_logLinks = false;
    int m_logLineCount = 0;
    QStringList m_checkLines; // the log's lines, for the announcement at the check's end
    bool m_checkRunning = false;
    int m_busyDepth = 0;

    QLabel *m_imgTop = nullptr;
    QLabel *m_image2 = nullptr;
    QScrollArea *m_scroller = nullptr;
    QFrame *m_pTitle = nullptr;
    QLabel *m_lTitle = nullptr;
    QFrame *m_pListItems = nullptr;
    QLabel *m_image1 = nullptr;
    LinkLabel *m_lUpdateCheck = nullptr;
    QTextEdit *m_edLog = nullptr;
    Announcer *m_checkResult = nullptr;
    QFrame *m_pLanguage = nullptr;
    QLabel *m_lLanguage = nullptr;
    LanguageComboBox *m_cbLang = nullptr;
    QFrame *m_pBottom = nullptr;
    QLabel *m_imgSettings = nullptr;
    QLabel *m_imgExit = nullptr;
    QPushButton *m_pSettings = nullptr;
    QPushButton *m_pExit = nullptr;
};
