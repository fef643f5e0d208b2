#pragma once

#include <QDialog>

class Languages;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class RegistryStore;
class SystemProbe;
struct InstallationData;

// The settings dialog: how the update request reaches the service (system proxy, none,
// or the proxy given here, with or without credentials) and the automatic-check wish.
// It loads the stored values at every show and stores them only when OK is pressed.
class TFPelkUpdaterSettings : public QDialog
{
    Q_OBJECT

public:
    // `installation` gives the program version under which the automatic-check wish is kept.
    TFPelkUpdaterSettings(RegistryStore &store, const InstallationData &installation,
                          QWidget *parent = nullptr);

    // The dialog's captions in the current language, which is also the one a check sends.
    void applyTexts(const Languages &languages);
    // The computer's facts, for showing what a check sends; without them that control is hidden.
    void setProbe(const SystemProbe &probe);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildLayout();
    void FormShow();
    void LoadSettings();
    void SaveSettings();
    void UpdateEnabling();
    // The controls of settings the administrator has locked are disabled, with a note why.
    void applyLocks();
    void BuOKClick();
    void BuCancelClick();
    // What the next check sends, shown before anything goes out.
    QPushButton *buildSendsButton();
    void BuSendsClick();

    RegistryStore &m_store;
    const InstallationData &m_installation;

    QGroupBox *m_gbProxy = nullptr;
    QButtonGroup *m_proxyOptions = nullptr;
    QRadioButton *m_rbUseIEProxySettings = nullptr;
    QRadioButton *m_rbNoProxy = nullptr;
    QRadioButton *m_rbUseFollowingProxySettings = nullptr;
    QLabel *m_lProxyServer = nullptr;
    QLineEdit *m_edProxyServer = nullptr;
    QLabel *m_lProxyPort = nullptr;
    QLineEdit *m_edProxyPort = nullptr;
    QCheckBox *m_cbProxyAuth = nullptr;
    QLabel *m_lProxyUser = nullptr;
    QLineEdit *m_edProxyUser = nullptr;
    QLabel *m_lProxyPassword = nullptr;
    QLineEdit *m_edProxyPassword = nullptr;
    QCheckBox *m_cbAutoUpdate = nullptr;
    QCheckBox *m_cbAutoCheckOnMetered = nullptr;
    QLabel *m_lSetByAdministrator = nullptr;
    QString m_setByAdministrator;
    QPushButton *m_buOK = nullptr;
    QPushButton *m_buCancel = nullptr;
    QPushButton *m_buSends = nullptr;
    const Languages *m_languages = nullptr;
    const SystemProbe *m_probe = nullptr;
};
