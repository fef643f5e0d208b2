#include "settings/UPelkUpdaterSettings.h"

#include "base/ErrorBox.h"
#include "base/PelkError.h"
#include "base/PelkFonts.h"
#include "base/WindowParts.h"
#include "check/UpdateRequest.h"
#include "check/UpdateRequestText.h"
#include "i18n/Languages.h"
#include "i18n/Mnemonics.h"
#include "i18n/WindowTitle.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterUtils.h"
#include "sysinfo/InstallationData.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {
constexpr int kIndent = 20;

QString labelText(const Languages &languages, const char *key)
{
    return languages.WindowText(key) + QLatin1Char(':');
}

// A modal, read-only text the user can select and copy, closed with its Close button or Esc.
void showText(QWidget *parent, const QString &title, const QString &text, const QString &closeText)
{
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TFPelkUpdaterSends"));
    SetLiteralWindowTitle(dialog, title);
    auto *view = named(new QPlainTextEdit(&dialog), "EdSends");
    view->setReadOnly(true);
    view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    view->setTabChangesFocus(true);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setAccessibleName(title);
    view->setPlainText(text);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton *close = named(buttons->button(QDialogButtonBox::Close), "BuSendsClose");
    if (!closeText.isEmpty())
        close->setText(closeText);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(buttons);
    dialog.resize(700, 540);
    view->setFocus();
    dialog.exec();
}

} // namespace

TFPelkUpdaterSettings::TFPelkUpdaterSettings(RegistryStore &store, const InstallationData &installation,
                                             QWidget *parent)
    : QDialog(parent), m_store(store), m_installation(installation)
{
    setObjectName(QStringLiteral("TFPelkUpdaterSettings"));
    setModal(true);
    buildLayout();
}

void TFPelkUpdaterSettings::buildLayout()
{
    setFont(PelkFont(13));

    m_gbProxy = named(new QGroupBox(this), "GBProxy");
    m_rbUseIEProxySettings = named(new QRadioButton(m_gbProxy), "RBUseIEProxySettings");
    m_rbNoProxy = named(new QRadioButton(m_gbProxy), "RBNoProxy");
    m_rbUseFollowingProxySettings = named(new QRadioButton(m_gbProxy), "RBUseFollowingProxySettings");
    m_proxyOptions = new QButtonGroup(this);
    m_proxyOptions->addButton(m_rbUseIEProxySettings, kUseSystemProxy);
    m_proxyOptions->addButton(m_rbNoProxy, kNoProxy);
    m_proxyOptions->addButton(m_rbUseFollowingProxySettings, kUseFollowingProxy);

    m_lProxyServer = named(new QLabel(m_gbProxy), "LProxyServer");
    m_edProxyServer = named(new QLineEdit(m_gbProxy), "EdProxyServer");
    m_lProxyPort = named(new QLabel(m_gbProxy), "LProxyPort");
    m_edProxyPort = named(new QLineEdit(m_gbProxy), "EdProxyPort");
    m_edProxyPort->setFixedWidth(70);
    m_lProxyServer->setBuddy(m_edProxyServer);
    m_lProxyPort->setBuddy(m_edProxyPort);

    m_cbProxyAuth = named(new QCheckBox(m_gbProxy), "CBProxyAuth");
    m_lProxyUser = named(new QLabel(m_gbProxy), "LProxyUser");
    m_edProxyUser = named(new QLineEdit(m_gbProxy), "EdProxyUser");
    m_lProxyPassword = named(new QLabel(m_gbProxy), "LProxyPassword");
    m_edProxyPassword = named(new QLineEdit(m_gbProxy), "EdProxyPassword");
    m_edProxyPassword->setEchoMode(QLineEdit::Password);
    // Every character of the password shows as "*".
    m_edProxyPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    m_lProxyUser->setBuddy(m_edProxyUser);
    m_lProxyPassword->setBuddy(m_edProxyPassword);

    auto *serverRow = new QHBoxLayout;
    serverRow->addSpacing(kIndent);
    serverRow->addWidget(m_lProxyServer);
    serverRow->addWidget(m_edProxyServer, 1);
    serverRow->addSpacing(8);
    serverRow->addWidget(m_lProxyPort);
    serverRow->addWidget(m_edProxyPort);

    auto *credentials = new QGridLayout;
    credentials->setColumnMinimumWidth(0, 2 * kIndent);
    credentials->addWidget(m_lProxyUser, 0, 1);
    credentials->addWidget(m_edProxyUser, 0, 2);
    credentials->addWidget(m_lProxyPassword, 1, 1);
    credentials->addWidget(m_edProxyPassword, 1, 2);
    credentials->setColumnStretch(2, 1);

    auto *authRow = new QHBoxLayout;
    authRow->addSpacing(kIndent);
    authRow->addWidget(m_cbProxyAuth);
    authRow->addStretch(1);

    auto *proxyLayout = new QVBoxLayout(m_gbProxy);
    proxyLayout->addWidget(m_rbUseIEProxySettings);
    proxyLayout->addWidget(m_rbNoProxy);
    proxyLayout->addWidget(m_rbUseFollowingProxySettings);
    proxyLayout->addLayout(serverRow);
    proxyLayout->addLayout(authRow);
    proxyLayout->addLayout(credentials);

    m_cbAutoUpdate = named(new QCheckBox(this), "CBAutoUpdate");
    m_cbAutoCheckOnMetered = named(new QCheckBox(this), "CBAutoCheckOnMetered");
    m_lSetByAdministrator = named(new QLabel(this), "LSetByAdministrator");
    m_lSetByAdministrator->setWordWrap(true);
    m_lSetByAdministrator->hide();
    // Made before OK and Cancel, so that Tab and screen readers meet it where it stands.
    QPushButton *sends = buildSendsButton();
    m_buOK = named(new QPushButton(this), "BuOK");
    m_buOK->setDefault(true);
    m_buCancel = named(new QPushButton(this), "BuCancel");
    m_buCancel->setAutoDefault(false);

    // On the button row's far side, as dialogs place a button that shows more.
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(sends);
    buttons->addStretch(1);
    buttons->addWidget(m_buOK);
    buttons->addWidget(m_buCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_gbProxy);
    layout->addWidget(m_cbAutoUpdate);
    layout->addWidget(m_cbAutoCheckOnMetered);
    layout->addWidget(m_lSetByAdministrator);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_gbProxy->setMinimumWidth(420);

    // Checking another option button and ticking the auth box both run the enabling.
    connect(m_proxyOptions, &QButtonGroup::buttonToggled, this, [this] { UpdateEnabling(); });
    connect(m_cbProxyAuth, &QCheckBox::toggled, this, [this] { UpdateEnabling(); });
    connect(m_buOK, &QPushButton::clicked, this, [this] { BuOKClick(); });
    connect(m_buCancel, &QPushButton::clicked, this, [this] { BuCancelClick(); });

    UpdateEnabling();
}

void TFPelkUpdaterSettings::applyTexts(const Languages &languages)
{
    SetLiteralWindowTitle(*this, ComposeWindowTitle(languages, "txtSettings"));
    m_gbProxy->setTitle(languages.WindowText("txtProxyTitle"));
    m_rbUseIEProxySettings->setText(languages.WindowText("txtProxyUseIE"));
    m_rbNoProxy->setText(languages.WindowText("txtProxyNone"));
    m_rbUseFollowingProxySettings->setText(labelText(languages, "txtProxyUseFollowing"));
    m_lProxyServer->setText(labelText(languages, "txtProxyServer"));
    m_lProxyPort->setText(labelText(languages, "txtProxyPort"));
    m_cbProxyAuth->setText(labelText(languages, "txtProxyAuth"));
    m_lProxyUser->setText(labelText(languages, "txtProxyUser"));
    m_lProxyPassword->setText(labelText(languages, "txtProxyPassword"));
    m_cbAutoUpdate->setText(languages.WindowText("txtAutoUpdateCheck"));
    m_cbAutoCheckOnMetered->setText(languages.GetTextOrBuiltIn("txtMeteredCheck"));
    m_buOK->setText(languages.WindowText("txtOK"));
    m_buCancel->setText(languages.WindowText("txtCancel"));
    m_setByAdministrator = languages.GetTextOrBuiltIn("txtSetByAdministrator");
    m_buSends->setText(languages.GetTextOrBuiltIn("txtSendsButton"));
    m_languages = &languages;
    m_lSetByAdministrator->setText(m_setByAdministrator);
    UpdateEnabling();
}

void TFPelkUpdaterSettings::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFPelkUpdaterSettings::FormShow()
{
    try {
        LoadSettings();
    } catch (...) {
        ShowCurrentFailure(this);
    }
    m_gbProxy->setFocus();
}

void TFPelkUpdaterSettings::LoadSettings()
{
    const ProxySettings settings = ReadProxySettings(m_store);
    if (QAbstractButton *button = m_proxyOptions->button(settings.Option)) {
        button->setChecked(true);
    } else {
        // An option this dialog does not know: no button stands for it, and OK stores 0.
        m_proxyOptions->setExclusive(false);
        for (QAbstractButton *option : m_proxyOptions->buttons())
            option->setChecked(false);
        m_proxyOptions->setExclusive(true);
    }
    m_edProxyServer->setText(settings.Server);
    m_edProxyPort->setText(settings.Port);
    m_edProxyUser->setText(settings.User);
    m_edProxyPassword->setText(settings.Password);
    m_cbProxyAuth->setChecked(settings.Auth);
    m_cbAutoUpdate->setChecked(ReadAutoUpdate(m_store, m_installation.ProgVersion));
    m_cbAutoCheckOnMetered->setChecked(ReadAutoCheckOnMetered(m_store));
    UpdateEnabling();
}

void TFPelkUpdaterSettings::UpdateEnabling()
{
    const bool following = m_rbUseFollowingProxySettings->isChecked();
    m_lProxyServer->setEnabled(following);
    m_edProxyServer->setEnabled(following);
    m_lProxyPort->setEnabled(following);
    m_edProxyPort->setEnabled(following);

    m_cbProxyAuth->setEnabled(following || m_rbUseIEProxySettings->isChecked());
    const bool credentials = m_cbProxyAuth->isEnabled() && m_cbProxyAuth->isChecked();
    m_lProxyUser->setEnabled(credentials);
    m_edProxyUser->setEnabled(credentials);
    m_lProxyPassword->setEnabled(credentials);
    m_edProxyPassword->setEnabled(credentials);
    applyLocks();
}

void TFPelkUpdaterSettings::applyLocks()
{
    const QList<std::pair<const char *, QList<QWidget *>>> controls = {
        {"ProxyOption", {m_rbUseIEProxySettings, m_rbNoProxy, m_rbUseFollowingProxySettings}},
        {"ProxyServer", {m_lProxyServer, m_edProxyServer}},
        {"ProxyPort", {m_lProxyPort, m_edProxyPort}},
        {"ProxyAuth", {m_cbProxyAuth}},
        {"ProxyUser", {m_lProxyUser, m_edProxyUser}},
        {"AutoUpdate", {m_cbAutoUpdate}},
        {"AutoCheckOnMetered", {m_cbAutoCheckOnMetered}},
    };
    bool anyLocked = false;
    for (const auto &[name, widgets] : controls) {
        const bool locked = m_store.isLocked(QLatin1String(name));
        anyLocked = anyLocked || locked;
        for (QWidget *widget : widgets) {
            if (locked)
                widget->setEnabled(false);
            widget->setToolTip(locked ? m_setByAdministrator : QString());
        }
    }
    m_lSetByAdministrator->setVisible(anyLocked);
}

void TFPelkUpdaterSettings::SaveSettings()
{
    ProxySettings settings;
    if (m_rbNoProxy->isChecked())
        settings.Option = kNoProxy;
    else if (m_rbUseFollowingProxySettings->isChecked())
        settings.Option = kUseFollowingProxy;
    else
        settings.Option = kUseSystemProxy;
    settings.Server = m_edProxyServer->text();
    settings.Port = m_edProxyPort->text();
    settings.Auth = m_cbProxyAuth->isChecked();
    settings.Password = m_edProxyPassword->text();
    settings.User = m_edProxyUser->text();
    WriteProxySettings(m_store, settings);
    WriteAutoUpdate(m_store, m_installation.ProgVersion, m_cbAutoUpdate->isChecked());
    WriteAutoCheckOnMetered(m_store, m_cbAutoCheckOnMetered->isChecked());
}

void TFPelkUpdaterSettings::BuOKClick()
{
    try {
        SaveSettings();
    } catch (...) {
        // The dialog stays open so that nothing the user typed is lost.
        ShowCurrentFailure(this);
        return;
    }
    accept();
}

void TFPelkUpdaterSettings::BuCancelClick()
{
    reject();
}

QPushButton *TFPelkUpdaterSettings::buildSendsButton()
{
    m_buSends = named(new QPushButton(this), "BuSends");
    m_buSends->setAutoDefault(false);
    m_buSends->hide();
    connect(m_buSends, &QPushButton::clicked, this, [this] { BuSendsClick(); });
    return m_buSends;
}

void TFPelkUpdaterSettings::setProbe(const SystemProbe &probe)
{
    m_probe = &probe;
    m_buSends->show();
}

void TFPelkUpdaterSettings::BuSendsClick()
{
    if (!m_languages || !m_probe)
        return;
    const Languages &texts = *m_languages;
    QString text;
    try {
        // The computer's domain may take the resolver a moment.
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
        // The settings as stored are the ones the next check reads.
        const UpdateRequest request = NextUpdateRequest({m_installation, texts.ini(), texts, m_store, *m_probe});
        text = DescribeUpdateRequest(request, texts);
        // Shown all the same: the administrator may allow it, and the user may want to know.
        if (!m_installation.OnlineUpdateAllowed)
            text.prepend(texts.GetTextOrBuiltIn("txtOnlineUpdatesDisabled") + QStringLiteral("\n\n"));
    } catch (...) {
        ShowCurrentFailure(this);
        return;
    }
    const QString title = QStringLiteral("Orbel - ") + WithoutMnemonicMarks(texts.WindowText("txtProduct"))
                          + QStringLiteral(" - ") + WithoutMnemonicMarks(texts.GetTextOrBuiltIn("txtSendsButton"));
    showText(this, title, text, texts.WindowText("txtClose"));
}
