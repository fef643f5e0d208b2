#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Every request the page engine makes passes here, whatever element or style rule asks for
// it: a message page is the feed's own content and loads nothing from anywhere, so that
// showing it tells no server who reads it. Only the page itself and inline data: addresses
// go through; links reach the user's browser by the page's navigation check, not by a load.
class MessagePageRequestFilter : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT

public:
    explicit MessagePageRequestFilter(QObject *parent = nullptr);

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;
    static bool isAllowed(const QUrl &url);
};
