#pragma once

#include <QByteArray>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

// Serves the one page the view is about to load, as UTF-8 HTML; any other request fails.
class MessagePageSchemeHandler : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT

public:
    explicit MessagePageSchemeHandler(QObject *parent = nullptr);

    void setPage(const QUrl &url, const QByteArray &html);
    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    QUrl m_url;
    QByteArray m_html;
};
