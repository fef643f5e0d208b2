#include "messages/MessagePageView.h"

#include "messages/MessagePageRequestFilter.h"
#include "messages/MessagePageScheme.h"
#include "messages/MessagePageSchemeHandler.h"
#include "messages/MessageWebPage.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMenu>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {
void lockDown(QWebEngineSettings *settings)
{
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    settings->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    settings->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    settings->setAttribute(QWebEngineSettings::AutoLoadIconsForPage, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // A page that loads must not take the focus from the message list.
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    // Links the engine cannot load itself (mailto: and unknown schemes) reach the page's
    // navigation check only when the user clicked them; the check refuses every one, so the
    // engine never hands them to the desktop, and opens the mailto: links itself.
    settings->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowUnknownUrlSchemesFromUserInteraction);
}

// Reload, new window and history keys of browsers; the page never reacts to them.
bool isNavigationKey(const QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_F5 || key == Qt::Key_Refresh || key == Qt::Key_Back || key == Qt::Key_Forward
        || key == Qt::Key_Reload)
        return true;
    if ((modifiers & Qt::ControlModifier) && (key == Qt::Key_R || key == Qt::Key_N || key == Qt::Key_S
                                              || key == Qt::Key_P || key == Qt::Key_U))
        return true;
    return (modifiers & Qt::AltModifier) && (key == Qt::Key_Left || key == Qt::Key_Right);
}

void removeLooseSeparators(QMenu *menu)
{
    QAction *previous = nullptr;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator() && (!previous || previous->isSeparator()))
            menu->removeAction(action);
        else
            previous = action;
    }
    const QList<QAction *> remaining = menu->actions();
    if (!remaining.isEmpty() && remaining.constLast()->isSeparator())
        menu->removeAction(remaining.constLast());
}
} // namespace

MessagePageView::MessagePageView(UrlOpener &urlOpener, QWidget *parent) : QWebEngineView(parent)
{
    // Without a storage name the profile is off the record: nothing reaches the disk.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    m_schemeHandler = new MessagePageSchemeHandler(m_profile);
    m_profile->installUrlSchemeHandler(MessagePageSchemeName, m_schemeHandler);
    m_profile->setUrlRequestInterceptor(new MessagePageRequestFilter(m_profile));
    // The page takes its settings from the profile.
    lockDown(m_profile->settings());

    m_page = new MessageWebPage(m_profile, urlOpener, this);
    connect(m_page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo &info) { loadingChanged(info); });
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                pageProcessEnded(status, exitCode);
            });
    setPage(m_page);

    setAcceptDrops(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    installEventFilter(this);
}

namespace {
// The engine's own chatter (its context's lines, Chromium's log) would fill standard error,
// and so the journal of every automatic run. Qt's logging variables and a log level of
// Chromium's that the user gives still win.
void quietEngineLogging()
{
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext*=false"));
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("--log-level") || flags.contains("--enable-logging"))
        return;
    // Without the variable the engine reads the switches after "--webEngineArgs" instead:
    // whoever gives those chooses the engine's settings.
    if (!qEnvironmentVariableIsSet("QTWEBENGINE_CHROMIUM_FLAGS")
        && QCoreApplication::arguments().contains(QStringLiteral("--webEngineArgs")))
        return;
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", QByteArray(flags + " --log-level=3").trimmed());
}
} // namespace

MessagePageFactory MessagePageView::factory()
{
    return [](UrlOpener &urlOpener, QWidget *parent) -> MessagePageDisplay * {
        quietEngineLogging();
        // The engine shows its pages to screen readers only when told so before it starts
        // (and then only while one is listening); a choice the user made stays as it is.
        if (!qEnvironmentVariableIsSet("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY"))
            qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
        // The engine takes new schemes only before its first object exists.
        RegisterMessagePageScheme();
        return new MessagePageView(urlOpener, parent);
    };
}

MessagePageView::~MessagePageView()
{
    // Nobody is told about the page process while the window takes the view down.
    m_failureHandler = nullptr;
    // The page goes before its profile.
    delete m_page;
}

void MessagePageView::showPage(const QByteArray &html)
{
    ++m_loadCounter;
    load(QUrl(QString::fromLatin1(MessagePageSchemeName) + QStringLiteral(":page-")
              + QString::number(m_loadCounter)),
         html);
}

void MessagePageView::showBlank()
{
    load(QUrl(QStringLiteral("about:blank")), QByteArray());
}

void MessagePageView::setFailureHandler(std::function<void(const QString &message)> handler)
{
    m_failureHandler = std::move(handler);
}

void MessagePageView::pageProcessEnded(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode)
{
    if (status == QWebEnginePage::NormalTerminationStatus || !m_failureHandler)
        return;
    const QString how = status == QWebEnginePage::KilledTerminationStatus ? QStringLiteral("was killed")
        : status == QWebEnginePage::CrashedTerminationStatus             ? QStringLiteral("crashed")
                                                                         : QStringLiteral("ended");
    m_failureHandler(QStringLiteral("The message page cannot be shown: the HTML engine's page process %1 "
                                    "(exit status %2)")
                         .arg(how)
                         .arg(exitCode));
}

void MessagePageView::load(const QUrl &url, const QByteArray &html)
{
    m_currentUrl = url;
    m_currentHtml = html;
    m_loadFinished = false;
    m_blank = html.isEmpty();
    applyTabStop(this);
    for (QWidget *widget : findChildren<QWidget *>())
        applyTabStop(widget);
    ++m_loadsStarted;
    m_schemeHandler->setPage(url, html);
    m_page->expectLoad(url);
    m_page->load(url);
}

void MessagePageView::loadingChanged(const QWebEngineLoadingInfo &info)
{
    if (info.url() != m_currentUrl || m_loadFinished)
        return;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        m_loadFinished = true;
        // The engine's widgets exist by now; they must not take drops or keys either.
        for (QObject *child : children())
            lockDownChild(child);
        Q_EMIT pageLoadFinished(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
        break;
    default:
        break;
    }
}

void MessagePageView::childEvent(QChildEvent *event)
{
    QWebEngineView::childEvent(event);
    if (event->type() == QEvent::ChildPolished)
        lockDownChild(event->child());
}

void MessagePageView::lockDownChild(QObject *child)
{
    if (auto *widget = qobject_cast<QWidget *>(child)) {
        widget->setAcceptDrops(false);
        widget->installEventFilter(this);
        applyTabStop(widget);
    }
}

void MessagePageView::applyTabStop(QWidget *widget) const
{
    // A blank page has nothing to read: Tab passes it by instead of stopping on an empty,
    // unnamed document. Each widget gets back its own policy (the engine's takes Tab and
    // clicks) with the next page.
    static constexpr char kOwnPolicy[] = "pelkOwnFocusPolicy";
    if (!widget->property(kOwnPolicy).isValid())
        widget->setProperty(kOwnPolicy, int(widget->focusPolicy()));
    widget->setFocusPolicy(m_blank ? Qt::NoFocus : Qt::FocusPolicy(widget->property(kOwnPolicy).toInt()));
}

bool MessagePageView::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (isNavigationKey(static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        event->ignore();
        return true;
    default:
        break;
    }
    return QWebEngineView::eventFilter(watched, event);
}

void MessagePageView::contextMenuEvent(QContextMenuEvent *event)
{
    // Only the engine's own requests say what was clicked.
    if (!lastContextMenuRequest())
        return;
    renameMenuEntriesAfterLanguageChange();
    QMenu *menu = createStandardContextMenu();
    if (!menu)
        return;
    for (QAction *action : menu->actions()) {
        if (action->isSeparator())
            continue;
        bool harmless = false;
        for (int webAction = 0; webAction < QWebEnginePage::WebActionCount && !harmless; ++webAction) {
            const auto candidate = QWebEnginePage::WebAction(webAction);
            harmless = MessageWebPage::isHarmlessAction(candidate) && m_page->action(candidate) == action;
        }
        if (!harmless)
            menu->removeAction(action);
    }
    removeLooseSeparators(menu);
    // On the page background nothing is left: no menu at all.
    if (menu->actions().isEmpty()) {
        menu->deleteLater();
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setObjectName(QStringLiteral("WBMsgContextMenu"));
    menu->popup(event->globalPos());
}

void MessagePageView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        m_menuEntriesNamedInOldLanguage = true;
    QWebEngineView::changeEvent(event);
}

void MessagePageView::renameMenuEntriesAfterLanguageChange()
{
    if (!m_menuEntriesNamedInOldLanguage)
        return;
    m_menuEntriesNamedInOldLanguage = false;
    // The engine names a page's menu entries once, when they are first asked for; a page made
    // now, never shown, names them in the current language.
    const QWebEnginePage namer(m_profile);
    for (int webAction = 0; webAction < QWebEnginePage::WebActionCount; ++webAction) {
        const auto action = QWebEnginePage::WebAction(webAction);
        if (!MessageWebPage::isHarmlessAction(action))
            continue;
        QAction *entry = m_page->action(action);
        const QAction *named = namer.action(action);
        if (entry && named)
            entry->setText(named->text());
    }
}
