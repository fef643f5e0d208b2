#include "messages/MessageWebPage.h"

#include "messages/UrlOpener.h"

#include <QWebEngineNewWindowRequest>

MessageWebPage::MessageWebPage(QWebEngineProfile *profile, UrlOpener &urlOpener, QObject *parent)
    : QWebEnginePage(profile, parent), m_urlOpener(urlOpener)
{
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest &request) { newWindowRequested(request); });
}

void MessageWebPage::expectLoad(const QUrl &url)
{
    m_expectedUrl = url;
}

bool MessageWebPage::isExternalLinkScheme(const QUrl &url)
{
    const QString scheme = url.scheme();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https")
        || scheme == QLatin1String("mailto");
}

bool MessageWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (isMainFrame && type == NavigationTypeTyped && !m_expectedUrl.isEmpty() && url == m_expectedUrl) {
        m_expectedUrl.clear();
        return true;
    }
    constexpr qsizetype kRefusedKept = 100;
    if (m_refused.size() == kRefusedKept)
        m_refused.removeFirst();
    m_refused.append({url, type, isMainFrame});
    if (isMainFrame && type == NavigationTypeLinkClicked && isExternalLinkScheme(url))
        m_urlOpener.openUrl(url);
    return false;
}

void MessageWebPage::newWindowRequested(QWebEngineNewWindowRequest &request)
{
    // A link meant for another window ("target") that the user clicked opens in the
    // browser like any other link; nothing ever opens inside the program.
    ++m_newWindowRequests;
    if (request.isUserInitiated() && isExternalLinkScheme(request.requestedUrl()))
        m_urlOpener.openUrl(request.requestedUrl());
}

QWebEnginePage *MessageWebPage::createWindow(WebWindowType)
{
    return nullptr;
}

bool MessageWebPage::isHarmlessAction(WebAction action)
{
    switch (action) {
    case Cut:
    case Copy:
    case Paste:
    case Undo:
    case Redo:
    case SelectAll:
    case PasteAndMatchStyle:
    case Unselect:
    case CopyLinkToClipboard:
    case CopyImageToClipboard:
    case CopyImageUrlToClipboard:
    case CopyMediaUrlToClipboard:
    case ToggleBold:
    case ToggleItalic:
    case ToggleUnderline:
    case ToggleStrikethrough:
    case AlignLeft:
    case AlignCenter:
    case AlignRight:
    case AlignJustified:
    case Indent:
    case Outdent:
    case InsertOrderedList:
    case InsertUnorderedList:
        return true;
    default:
        return false;
    }
}

void MessageWebPage::triggerAction(WebAction action, bool checked)
{
    // The page exists only in memory: no reload, history, saving, source view or new windows.
    if (isHarmlessAction(action))
        QWebEnginePage::triggerAction(action, checked);
}

void MessageWebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int, const QString &)
{
    // Scripts are off; whatever the engine reports about the page stays out of the program's output.
}
