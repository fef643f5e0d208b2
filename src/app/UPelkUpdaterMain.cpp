#include "app/UPelkUpdaterMain.h"

#include "app/Announcer.h"
#include "base/Clock.h"
#include "base/ErrorBox.h"
#include "base/FailureMessage.h"
#include "base/FocusFrame.h"
#include "app/LinkLabel.h"
#include "app/LogLinks.h"
#include "base/PelkError.h"
#include "base/PelkFonts.h"
#include "base/WindowParts.h"
#include "base/VisibleText.h"
#include "app/Pictures.h"
#include "app/ProgramPaths.h"
#include "check/AutomaticCheckBackOff.h"
#include "check/CheckContext.h"
#include "check/ConnectionCost.h"
#include "check/UpdateCheck.h"
#include "i18n/IniFile.h"
#include "i18n/LanguageComboBox.h"
#include "i18n/Languages.h"
#include "i18n/QtTranslations.h"
#include "i18n/WindowTitle.h"
#include "messages/NewMessagesLine.h"
#include "messages/NewMessagesNotice.h"
#include "messages/NewMessagesNotifier.h"
#include "messages/UPelkUpdaterMessages.h"
#include "settings/RegistryStore.h"
#include "settings/UPelkUpdaterSettings.h"
#include "settings/UPelkUpdaterUtils.h"
#include "sysinfo/InstallationData.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QVBoxLayout>
#include <QShowEvent>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>

namespace {
constexpr int kClientWidth = 818;
constexpr int kClientHeight = 581;
constexpr int kBottomHeight = 57;

const QColor kWindowColor(0xCC, 0xCC, 0xCC);
const QColor kLanguageColor(0xDD, 0xEA, 0xF7);
const QColor kBottomColor(0xF2, 0xF2, 0xF2);
const QColor kLinkGrey(0x80, 0x80, 0x80);
const QColor kBarButtonColor(0x00, 0x92, 0xDC);

QFrame *makePanel(QWidget *parent, const char *name, const QColor &color, const QRect &geometry)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFrameShape(QFrame::NoFrame);
    panel->setAutoFillBackground(true);
    QPalette pal = panel->palette();
    pal.setColor(QPalette::Window, color);
    panel->setPalette(pal);
    panel->setGeometry(geometry);
    return panel;
}

QLabel *makePicture(QWidget *parent, const char *name, const QPixmap &pixmap, const QRect &geometry)
{
    auto *picture = new QLabel(parent);
    picture->setObjectName(QLatin1String(name));
    // The pictures are drawn at their final size; the window never resizes them.
    picture->setPixmap(pixmap);
    picture->setGeometry(geometry);
    return picture;
}

QLabel *makeLabel(QWidget *parent, const char *name, int pixelSize, const QColor &color)
{
    QLabel *label = MakePlainLabel(parent, name, PelkFont(pixelSize));
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
    return label;
}

QPushButton *makeBarButton(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setFont(PelkFont(13));
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::StrongFocus);
    // Outside a dialog a push button ignores Enter unless it is told otherwise.
    button->setAutoDefault(true);
    button->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: %1; color: white; border: 1px solid %1; padding: 0px; }"
        "QPushButton:hover { background-color: %2; border-color: %2; }"
        "QPushButton:pressed { background-color: %3; border-color: %3; }"
        "QPushButton:focus { border: 1px dotted white; }")
                              .arg(kBarButtonColor.name(), kBarButtonColor.lighter(112).name(),
                                   kBarButtonColor.darker(125).name()));
    return button;
}

// Every log line also goes to standard error, one line each, so that unattended runs leave a trace.
void writeLogLineToStandardError(const QString &line)
{
    const QByteArray bytes = VisibleText(line).toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
} // namespace

TFPelkUpdaterMain::TFPelkUpdaterMain(const CommandLineOptions &options, const QString &programFilePath,
                                     InstallationData &installation, RegistryStore &store,
                                     const SystemProbe &probe, const Clock &clock, HttpTransport &transport,
                                     QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint),
      m_options(options),
      m_programFilePath(programFilePath),
      m_installation(installation),
      m_store(store),
      m_probe(probe),
      m_clock(clock),
      m_transport(transport),
      m_qtTranslations(std::make_unique<QtTranslations>()),
      m_checkSkipped(options.AutoRun)
{
    setObjectName(QStringLiteral("TFPelkUpdaterMain"));
    buildLayout();
}

TFPelkUpdaterMain::~TFPelkUpdaterMain()
{
    TntFormDestroy();
}

void TFPelkUpdaterMain::buildLayout()
{
    setFont(PelkFont(13));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kWindowColor);
    setPalette(pal);

    // The controls sit at fixed places on a surface of the designed size, which scrolls in a
    // window that the screen makes smaller (see fitToScreen).
    auto *surface = new QWidget;
    surface->setObjectName(QStringLiteral("PSurface"));
    surface->setFixedSize(kClientWidth, kClientHeight);
    m_scroller = new QScrollArea(this);
    m_scroller->setObjectName(QStringLiteral("PScroller"));
    m_scroller->setFrameShape(QFrame::NoFrame);
    // Tabbing goes from control to control; the area scrolls to the one that takes the focus.
    m_scroller->setFocusPolicy(Qt::NoFocus);
    m_scroller->setWidget(surface);
    auto *windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->addWidget(m_scroller);
    QWidget *const top = surface;

    m_imgTop = makePicture(top, "ImgTop", BannerPicture(QSize(718, 118)), QRect(0, 0, 718, 118));
    m_image2 = makePicture(top, "Image2", BannerEndPicture(QSize(100, 118)), QRect(718, 0, 100, 118));

    m_pTitle = makePanel(top, "PTitle", Qt::white, QRect(0, 118, kClientWidth, 81));
    m_lTitle = makeLabel(m_pTitle, "LTitle", 27, Qt::black);
    m_lTitle->setGeometry(80, 24, kClientWidth - 80 - 8, 40);
    m_lTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const int bottomTop = kClientHeight - kBottomHeight;
    m_pListItems = makePanel(top, "PListItems", Qt::white, QRect(0, 200, kClientWidth, bottomTop - 200));
    m_image1 = makePicture(m_pListItems, "Image1", MarkerPicture(QSize(16, 13)), QRect(50, 38, 16, 13));

    m_lUpdateCheck = new LinkLabel(m_pListItems);
    m_lUpdateCheck->setObjectName(QStringLiteral("LUpdateCheck"));
    m_lUpdateCheck->setFont(PelkFont(24));
    m_lUpdateCheck->setTextColor(kLinkGrey);
    m_lUpdateCheck->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lUpdateCheck->setGeometry(80, 28, 261, 33);
    connect(m_lUpdateCheck, &LinkLabel::clicked, this, [this] { RunHandler(this, [this] { LUpdateCheckClick(); }); });
    connect(m_lUpdateCheck, &LinkLabel::mouseEntered, this, &TFPelkUpdaterMain::LUpdateCheckMouseEnter);
    connect(m_lUpdateCheck, &LinkLabel::mouseLeft, this, &TFPelkUpdaterMain::LUpdateCheckMouseLeave);

    // A read-only text box rather than a browser: screen readers take it for text that
    // grows, and announce the lines as they come.
    m_edLog = new QTextEdit(m_pListItems);
    m_edLog->setObjectName(QStringLiteral("EdLog"));
    m_edLog->setGeometry(80, 80, 529, 193);
    m_edLog->setReadOnly(true);
    m_edLog->setFont(PelkFont(13));
    QPalette logPalette = m_edLog->palette();
    logPalette.setColor(QPalette::Text, Qt::black);
    logPalette.setColor(QPalette::Base, Qt::white);
    m_edLog->setPalette(logPalette);
    m_edLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A long line (an error with an address in it) wraps at the box's edge, so that it is
    // read whole; the horizontal bar is there only for what cannot wrap.
    m_edLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_edLog->setLineWrapMode(QTextEdit::WidgetWidth);
    m_edLog->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    // Links can be reached, but a click on one opens nothing.
    m_edLog->setTextInteractionFlags(Qt::TextBrowserInteraction | Qt::TextSelectableByKeyboard);
    m_edLog->setTabChangesFocus(true);
    m_checkResult = new Announcer(m_pListItems);
    m_checkResult->setObjectName(QStringLiteral("CheckResult"));

    m_pLanguage = makePanel(m_pListItems, "PLanguage", kLanguageColor, QRect(634, 18, 176, 84));
    m_lLanguage = makeLabel(m_pLanguage, "LLanguage", 24, kLinkGrey);
    m_lLanguage->setGeometry(9, 6, 176 - 18, 32);
    m_cbLang = new LanguageComboBox(m_pLanguage);
    m_cbLang->setObjectName(QStringLiteral("CBLang"));
    m_cbLang->setFont(PelkFont(13));
    QPalette comboPalette = m_cbLang->palette();
    comboPalette.setColor(QPalette::Text, Qt::black);
    comboPalette.setColor(QPalette::Base, Qt::white);
    m_cbLang->setPalette(comboPalette);
    m_cbLang->setGeometry(9, 84 - 9 - 24, 159, 24);
    // The label's mnemonic goes to the selector, and a screen reader reads it as its label.
    m_lLanguage->setBuddy(m_cbLang);
    connect(m_cbLang, qOverload<int>(&QComboBox::activated), this,
            [this](int index) { RunHandler(this, [this, index] { CBLangChange(index); }); });

    m_pBottom = makePanel(top, "PBottom", kBottomColor, QRect(0, bottomTop, kClientWidth, kBottomHeight));
    m_imgSettings = makePicture(m_pBottom, "ImgSettings", ButtonBackgroundPicture(QSize(142, 21)),
                                QRect(15, 20, 142, 21));
    m_imgSettings->setCursor(Qt::PointingHandCursor);
    m_imgExit = makePicture(m_pBottom, "ImgExit", ButtonBackgroundPicture(QSize(142, 21)),
                            QRect(663, 20, 142, 21));
    m_imgExit->setCursor(Qt::PointingHandCursor);
    m_pSettings = makeBarButton(m_pBottom, "PSettings", QRect(19, 21, 131, 19));
    m_pExit = makeBarButton(m_pBottom, "PExit", QRect(667, 21, 131, 19));
    connect(m_pSettings, &QPushButton::clicked, this, [this] { RunHandler(this, [this] { PSettingsClick(); }); });
    connect(m_pExit, &QPushButton::clicked, this, [this] { RunHandler(this, [this] { PExitClick(); }); });

    for (QWidget *control : std::initializer_list<QWidget *>{m_edLog, m_cbLang, m_pSettings, m_pExit})
        new FocusFrame(control);
    setTabOrder(m_lUpdateCheck, m_edLog);
    setTabOrder(m_edLog, m_cbLang);
    setTabOrder(m_cbLang, m_pSettings);
    setTabOrder(m_pSettings, m_pExit);

    fitToScreen();
}

void TFPelkUpdaterMain::fitToScreen()
{
    const QSize designed(kClientWidth, kClientHeight);
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize fitted = screen ? FittedClientSize(*screen, designed) : designed;
    if (fitted == designed) {
        setFixedSize(designed);
    } else {
        // Smaller than its layout: the user may make it as large as the layout and its scroll
        // bars, as far as the screen lets the window system do so.
        const int bar = m_scroller->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroller);
        setMinimumSize(QSize(200, 150).boundedTo(fitted));
        setMaximumSize(designed + QSize(bar, bar));
        QSize size = fitted;
        if (fitted.height() < designed.height())
            size.setWidth(qMin(fitted.width() + bar, designed.width() + bar));
        if (fitted.width() < designed.width())
            size.setHeight(qMin(fitted.height() + bar, designed.height() + bar));
        resize(size.boundedTo(screen->availableGeometry().size() - WindowFrameAllowance()));
    }
    // Centred on the screen that the window will appear on.
    if (screen)
        CentreOnScreen(*this, *screen, size() + WindowFrameAllowance());
}

void TFPelkUpdaterMain::TntFormCreate()
{
    try {
        const QString folder = ProgramFolderWithSeparator(m_programFilePath);
        // Kept with its reason for a check, which says later why it may not run.
        m_installation = ReadInstallationData(folder);
        if (!m_installation.LoadFailure.isEmpty())
            throw PelkError(QStringLiteral("Error loading ") + ServicePackPath(folder));
        try {
            m_checkSkipped = m_options.AutoRun && !ReadAutoUpdate(m_store, m_installation.ProgVersion);
        } catch (const PelkError &) {
            // A wish that cannot be read is no wish; the start goes on.
        }
        try {
            if (!m_checkSkipped)
                WriteUpdaterPath(m_store, folder);
        } catch (const PelkError &) {
            // A store that cannot be written costs only the record of our folder.
        }
        QDir::setCurrent(ProgramFolderWithoutSeparator(m_programFilePath));
        m_ini = std::make_unique<IniFile>(IniPathFor(m_programFilePath), AdministratorIniPath());
        m_languages = std::make_unique<Languages>(*m_ini, m_store);
        m_languages->LoadLanguages(m_options.CommandLineLanguage);
        fillLanguageSelector();
        EnableLogLinks();
        reportUnreadableIni();
    } catch (...) {
        // Go on with whatever was built; without a language list the built-in English
        // texts apply, starting with the caption of this very message.
        ensureLanguages();
        fillLanguageSelector();
        showStartError(CurrentFailureMessage());
    }
}

void TFPelkUpdaterMain::showStartError(const QString &message)
{
    if (ApplicationTitle().isEmpty())
        SetApplicationTitle(QStringLiteral("Orbel - ") + BuiltInText("txtProduct")
                            + QStringLiteral(" - ") + BuiltInText("txtTitle"));
    reportError(message);
}

void TFPelkUpdaterMain::reportError(const QString &message)
{
    // A modal box that nobody can see would keep an unattended run waiting for ever.
    if (m_displayAvailable)
        ShowErrorBox(this, message);
    else
        writeLogLineToStandardError(ErrorBoxText(message));
}

void TFPelkUpdaterMain::reportUnreadableIni()
{
    // An INI file that exists but cannot be read would otherwise pass for a missing one:
    // English texts and no address, without a word why.
    for (const IniFile &file : {IniFile(m_ini->path()), m_ini->overrideLayer()}) {
        const QString failure = file.readFailure();
        if (!failure.isEmpty())
            reportStartNotice(QStringLiteral("The file %1 cannot be read: %2").arg(file.path(), failure));
    }
}

void TFPelkUpdaterMain::reportStartNotice(const QString &message)
{
    if (m_options.SilentRun)
        writeLogLineToStandardError(message);
    else
        showStartError(message);
}

void TFPelkUpdaterMain::reportUnsavedSettings()
{
    const QString notice = m_store.takeUnsavedNotice();
    if (!notice.isEmpty())
        reportStartNotice(notice);
}

void TFPelkUpdaterMain::ensureLanguages()
{
    if (!m_ini)
        m_ini = std::make_unique<IniFile>(QString());
    if (!m_languages)
        m_languages = std::make_unique<Languages>(*m_ini, m_store);
}

void TFPelkUpdaterMain::setCompanions(TFPelkUpdaterSettings &settings, TFPelkUpdaterMessages &messages)
{
    m_settings = &settings;
    m_messages = &messages;
    settings.setProbe(m_probe);
}

void TFPelkUpdaterMain::fillLanguageSelector()
{
    m_cbLang->setLanguages(m_languages->list());
    const QSignalBlocker blocker(m_cbLang);
    m_cbLang->setCurrentIndex(m_languages->currentIndex());
    // The language the administrator has fixed is shown, not offered.
    const bool locked = m_store.isLocked(QStringLiteral("Language"));
    m_cbLang->setEnabled(!locked);
    m_cbLang->setToolTip(locked ? m_languages->GetTextOrBuiltIn("txtSetByAdministrator") : QString());
}

void TFPelkUpdaterMain::EnableLogLinks()
{
    m_logLinks = true;
}

void TFPelkUpdaterMain::ApplyTexts()
{
    ensureLanguages();
    const Languages &texts = *m_languages;
    // First, so that Qt's texts made from here on are in the same language.
    m_qtTranslations->follow(texts.CurrentLanguageKey());

    const QString caption = ComposeWindowTitle(texts, "txtTitle");
    SetLiteralWindowTitle(*this, caption);
    m_lTitle->setText(caption);
    SetApplicationTitle(caption);
    m_edLog->setAccessibleName(caption);
    m_lLanguage->setText(texts.WindowText("txtLang"));
    m_pExit->setText(texts.WindowText("txtExit"));
    m_pSettings->setText(texts.WindowText("txtSettings"));
    m_lUpdateCheck->setText(texts.WindowText("txtCheckForUpdates"));
    // The link's clickable area follows its text, but never shrinks below its designed size.
    m_lUpdateCheck->resize(qMax(261, m_lUpdateCheck->sizeHint().width()), 33);

    if (m_settings)
        m_settings->applyTexts(texts);
    if (m_messages)
        m_messages->applyTexts(texts);

    ClearLog();
}

CheckResult TFPelkUpdaterMain::CheckForUpdates(bool silent)
{
    // A click that arrives while a log line is painted must not start a check inside the check.
    if (m_checkRunning)
        return CheckResult{CheckOutcome::Checked, {}};
    ensureLanguages();
    m_checkRunning = true;
    const auto done = qScopeGuard([this] { m_checkRunning = false; });
    const CheckContext context{m_installation, *m_ini, *m_languages, m_store, m_probe, m_clock, m_transport};
    const CheckResult result = ::CheckForUpdates(silent, context, *this);
    reportUnsavedSettings();
    announceResult();
    return result;
}

void TFPelkUpdaterMain::announceResult()
{
    // The log grows where the focus is not, and a screen reader speaks new text only where the
    // focus is: the outcome (the counts, nothing new, the error) is told once, at the end.
    const QString progress = m_languages->GetText("txtCheckingForUpdates");
    QStringList result;
    for (const QString &line : std::as_const(m_checkLines)) {
        if (!line.startsWith(progress))
            result.append(line);
    }
    if (!result.isEmpty())
        m_checkResult->announce(result.join(QLatin1Char('\n')));
}

int TFPelkUpdaterMain::SilentCheck()
{
    ensureLanguages();
    if (m_checkSkipped) {
        writeLogLineToStandardError(m_languages->GetTextOrBuiltIn("txtAutoChecksOff"));
        return RunExitStatus::kDone;
    }
    if (m_options.AutoRun && checkedRecently()) {
        writeLogLineToStandardError(m_languages->GetTextOrBuiltIn("txtCheckedRecently"));
        return RunExitStatus::kDone;
    }
    if (m_options.AutoRun && backingOff())
        return RunExitStatus::kDone;
    if (m_options.AutoRun && meteredConnectionSkips()) {
        writeLogLineToStandardError(m_languages->GetTextOrBuiltIn("txtMeteredSkipped"));
        return RunExitStatus::kDone;
    }
    const CheckResult result = CheckForUpdates(true);
    if (!m_options.AutoRun)
        return RunExitStatus::kDone;
    if (result.outcome == CheckOutcome::Failed)
        recordAutomaticFailure(result.retryAfter);
    switch (result.outcome) {
    case CheckOutcome::Checked:
        return RunExitStatus::kDone;
    case CheckOutcome::NotAllowed:
        return RunExitStatus::kNotAllowed;
    case CheckOutcome::Failed:
        break;
    }
    return RunExitStatus::kCheckFailed;
}

bool TFPelkUpdaterMain::checkedRecently() const
{
    // The timer and the autostart entry may both start a run on the same morning.
    constexpr qint64 kAutomaticCheckIntervalSeconds = 20 * 60 * 60;
    try {
        const std::optional<QDateTime> last = ReadLastSuccessfulCheck(m_store);
        const QDateTime now = m_clock.localNow();
        // A time ahead of the clock says nothing: the clock or the record is wrong.
        return last && *last <= now && last->secsTo(now) < kAutomaticCheckIntervalSeconds;
    } catch (...) {
        return false; // a record that cannot be read is no record
    }
}

bool TFPelkUpdaterMain::backingOff() const
{
    const std::optional<QDateTime> until = AutomaticCheckWait(m_store, m_clock.localNow());
    if (until) {
        const QString when = until->toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        writeLogLineToStandardError(m_languages->GetTextOrBuiltIn("txtBackOffWaiting").arg(when));
    }
    return until.has_value();
}

void TFPelkUpdaterMain::recordAutomaticFailure(const QByteArray &retryAfter)
{
    // Only unattended runs wait: a user who asks for a check gets one, and a failure that
    // the user saw says nothing about the next morning's timer.
    try {
        RecordFailedAutomaticCheck(m_store, retryAfter, m_clock.localNow(), *QRandomGenerator::global());
    } catch (...) {
        // Without the record the next automatic run checks again: no harm done.
    }
}

bool TFPelkUpdaterMain::meteredConnectionSkips() const
{
    try {
        if (ReadAutoCheckOnMetered(m_store))
            return false;
    } catch (...) {
        // A wish that cannot be read is no wish.
    }
    return m_connectionCost && m_connectionCost->isMetered();
}

QString TFPelkUpdaterMain::logText() const
{
    return m_edLog->toPlainText();
}

void TFPelkUpdaterMain::ClearLog()
{
    m_edLog->clear();
    m_logLineCount = 0;
    m_checkLines.clear();
}

void TFPelkUpdaterMain::AddLogLine(const QString &text)
{
    writeLogLineToStandardError(text);
    const QString line = VisibleText(text);
    m_checkLines.append(line);

    QTextCursor cursor(m_edLog->document());
    cursor.movePosition(QTextCursor::End);
    if (m_logLineCount > 0)
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    ++m_logLineCount;

    const QTextCharFormat plain;
    if (!m_logLinks) {
        cursor.insertText(line, plain);
    } else {
        for (const LogLineSegment &segment : SplitLogLinks(line)) {
            if (segment.href.isEmpty()) {
                cursor.insertText(segment.text, plain);
            } else {
                QTextCharFormat link;
                link.setAnchor(true);
                link.setAnchorHref(segment.href);
                link.setForeground(m_edLog->palette().link());
                link.setFontUnderline(true);
                cursor.insertText(segment.text, link);
            }
        }
    }

    QScrollBar *bar = m_edLog->verticalScrollBar();
    bar->setValue(bar->maximum());
    // The layout may still grow the document; the posted request scrolls to its final end.
    QTimer::singleShot(0, m_edLog, [bar] { bar->setValue(bar->maximum()); });
    // Paint the line now. The running check drops the user's input meanwhile; excluding it
    // here would only hold it back until later.
    QCoreApplication::processEvents();
}

void TFPelkUpdaterMain::SetBusy(bool busy)
{
    if (busy) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_busyDepth;
    } else if (m_busyDepth > 0) {
        QGuiApplication::restoreOverrideCursor();
        --m_busyDepth;
    }
}

bool TFPelkUpdaterMain::AskShowOldMessages(const QString &caption, const QString &text)
{
    QMessageBox box(QMessageBox::Question, caption, VisibleText(text), QMessageBox::Yes | QMessageBox::No, this);
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(QStringLiteral("AskShowOldMessages"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void TFPelkUpdaterMain::ShowMessages(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds)
{
    // Without a display the messages stay unseen, so that the next run with one shows them.
    if (!m_displayAvailable) {
        logNewMessages(feed, seenIds);
        return;
    }
    // An automatic run does not take the focus: the desktop tells of the messages, and the
    // window opens only when the user asks for it there. Without a notification service it
    // opens as in any silent run, or the messages would never be seen.
    if (m_options.AutoRun && m_notifier) {
        switch (m_notifier->notify(MakeNewMessagesNotice(*feed, seenIds, *m_languages))) {
        case NewMessagesNotifier::Answer::Dismissed:
            return;
        case NewMessagesNotifier::Answer::NoService:
        case NewMessagesNotifier::Answer::Open:
            break;
        }
    }
    if (m_messages)
        m_messages->ShowFeed(feed, seenIds);
}

void TFPelkUpdaterMain::logNewMessages(const XmlDocumentPtr &feed, const QList<QByteArray> &seenIds)
{
    AddLogLine(NewMessagesLine(*feed, seenIds, m_languages->GetText("txtMoreNewMessages"),
                               m_languages->GetTextOrBuiltIn("txtNoDisplayNewMessages")));
}

void TFPelkUpdaterMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Only when the program shows the window, not when it comes back from the task bar.
    if (!event->spontaneous())
        RunHandler(this, [this] { TntFormShow(); });
}

void TFPelkUpdaterMain::closeEvent(QCloseEvent *event)
{
    // Ending the program inside a check would also end the check's wait for the reply.
    if (m_checkRunning) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void TFPelkUpdaterMain::TntFormShow()
{
    ApplyTexts();
}

void TFPelkUpdaterMain::TntFormDestroy()
{
    try {
        if (m_languages)
            m_languages->SaveLanguage();
    } catch (...) {
        // The language is only a convenience for the next run.
    }
}

void TFPelkUpdaterMain::LUpdateCheckClick()
{
    CheckForUpdates(false);
}

void TFPelkUpdaterMain::LUpdateCheckMouseEnter()
{
    m_lUpdateCheck->setTextColor(Qt::black);
}

void TFPelkUpdaterMain::LUpdateCheckMouseLeave()
{
    m_lUpdateCheck->setTextColor(kLinkGrey);
}

void TFPelkUpdaterMain::PSettingsClick()
{
    if (m_settings)
        m_settings->exec();
}

void TFPelkUpdaterMain::PExitClick()
{
    close();
}

void TFPelkUpdaterMain::CBLangChange(int index)
{
    if (index == m_languages->currentIndex())
        return;
    m_languages->setCurrentIndex(index);
    ApplyTexts();
}
