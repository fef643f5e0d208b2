#pragma once

#include "messages/MessagePageDisplay.h"

#include <QByteArray>
#include <QUrl>
#include <QWebEngineView>

class MessagePageSchemeHandler;
class MessageWebPage;
class QWebEngineLoadingInfo;
class QWebEngineProfile;
class UrlOpener;

// The message page view of the messages window, locked down for HTML that comes from the
// network: no scripts, plugins, storage or local files, a private in-memory profile, no
// dropping, no reload and only the window's own loads. Every load gets a fresh address, so
// the page asked for last is the one that ends up shown.
class MessagePageView : public QWebEngineView, public MessagePageDisplay
{
    Q_OBJECT

public:
    MessagePageView(UrlOpener &urlOpener, QWidget *parent = nullptr);
    ~MessagePageView() override;

    // Makes the view directly, for callers that link the engine themselves.
    static MessagePageFactory factory();

    QWidget *widget() override { return this; }
    void showPage(const QByteArray &html) override;
    void showBlank() override;
    void setFailureHandler(std::function<void(const QString &message)> handler) override;

    // The page asked for last (empty for the blank page), and whether it has finished loading.
    const QByteArray &currentHtml() const { return m_currentHtml; }
    QUrl currentUrl() const { return m_currentUrl; }
    bool isLoadFinished() const { return m_loadFinished; }
    int loadsStarted() const { return m_loadsStarted; }
    MessageWebPage *messagePage() const { return m_page; }

Q_SIGNALS:
    // The page asked for last has finished loading.
    void pageLoadFinished(bool ok);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void childEvent(QChildEvent *event) override;

private:
    void load(const QUrl &url, const QByteArray &html);
    void loadingChanged(const QWebEngineLoadingInfo &info);
    void lockDownChild(QObject *child);
    void applyTabStop(QWidget *widget) const;
    void renameMenuEntriesAfterLanguageChange();
    void pageProcessEnded(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);

    QWebEngineProfile *m_profile = nullptr;
    MessagePageSchemeHandler *m_schemeHandler = nullptr;
    MessageWebPage *m_page = nullptr;
    quint64 m_loadCounter = 0;
    int m_loadsStarted = 0;
    QUrl m_currentUrl;
    QByteArray m_currentHtml;
    bool m_loadFinished = true;
    bool m_blank = true;
    bool m_menuEntriesNamedInOldLanguage = false;
    std::function<void(const QString &message)> m_failureHandler;
};
