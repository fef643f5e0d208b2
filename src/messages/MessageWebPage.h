#pragma once

#include <QList>
#include <QUrl>
#include <QWebEnginePage>

class UrlOpener;
class QWebEngineNewWindowRequest;

// The page of the messages window. It loads only what the window asks for; a link the user
// clicks (http, https or mailto) goes to the default browser instead, and every other
// navigation, new window, reload or history step is refused.
class MessageWebPage : public QWebEnginePage
{
    Q_OBJECT

public:
    struct RefusedNavigation
    {
        QUrl url;
        NavigationType type;
        bool mainFrame;
    };

    MessageWebPage(QWebEngineProfile *profile, UrlOpener &urlOpener, QObject *parent = nullptr);

    // Lets the next main-frame load of exactly `url`, started by the window, through once.
    void expectLoad(const QUrl &url);

    // The latest navigations turned away, oldest first, for tests and diagnostics.
    const QList<RefusedNavigation> &refusedNavigations() const { return m_refused; }
    int newWindowRequests() const { return m_newWindowRequests; }

    static bool isExternalLinkScheme(const QUrl &url);

    void triggerAction(WebAction action, bool checked = false) override;
    // The actions the context menu and the keys may run: copying, selecting and editing.
    static bool isHarmlessAction(WebAction action);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;

private:
    void newWindowRequested(QWebEngineNewWindowRequest &request);

    UrlOpener &m_urlOpener;
    QUrl m_expectedUrl;
    QList<RefusedNavigation> m_refused;
    int m_newWindowRequests = 0;
};
