#pragma once

#include <QDir>
#include <QObject>
#include <QPointer>
#include <QSet>

class QWidget;

// Plays the user of PelkUpdater for the end-to-end tests and the demo. Loaded into the
// program as a Qt generic plugin (QT_QPA_GENERIC_PLUGINS=pelkdriver), so the program itself
// carries no test code. Every window it sees shown it saves as a picture (when
// PELK_DRIVER_SHOTS names a folder) and then handles as a user would:
// - the messages window: left open PELK_DRIVER_READ_MS (default 3000) so the selected message
//   counts as read, then closed with its Close button;
// - the "show old messages?" question: answered with PELK_DRIVER_ANSWER (yes / no, default no);
// - any other message box: confirmed;
// - the main window, when PELK_DRIVER_CHECK=1: the check link clicked, and after the check
//   the Exit button.
// Each step is reported on standard error as a line starting with "pelkdriver: ".
class PelkDriver : public QObject
{
    Q_OBJECT

public:
    PelkDriver();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void handle(QPointer<QWidget> window);
    void handleMainWindow(QWidget *window);
    void shoot(QWidget *window, const QString &what);
    void click(QWidget *widget);
    void report(const QString &text);

    QDir m_shots;
    bool m_takeShots = false;
    bool m_runCheck = false;
    bool m_answerYes = false;
    int m_settleMs = 1000;
    int m_readMs = 3000;
    int m_shotCount = 0;
    bool m_checkDone = false;
    QSet<QWidget *> m_pending;
};
