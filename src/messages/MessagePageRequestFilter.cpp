#include "messages/MessagePageRequestFilter.h"

#include "messages/MessagePageScheme.h"

MessagePageRequestFilter::MessagePageRequestFilter(QObject *parent) : QWebEngineUrlRequestInterceptor(parent) {}

bool MessagePageRequestFilter::isAllowed(const QUrl &url)
{
    const QString scheme = url.scheme();
    return scheme == QLatin1String(MessagePageSchemeName) || scheme == QLatin1String("data");
}

void MessagePageRequestFilter::interceptRequest(QWebEngineUrlRequestInfo &info)
{
    if (!isAllowed(info.requestUrl()))
        info.block(true);
}
