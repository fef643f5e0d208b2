#include "messages/MessagePageSchemeHandler.h"

#include <QBuffer>
#include <QWebEngineUrlRequestJob>

MessagePageSchemeHandler::MessagePageSchemeHandler(QObject *parent) : QWebEngineUrlSchemeHandler(parent) {}

void MessagePageSchemeHandler::setPage(const QUrl &url, const QByteArray &html)
{
    m_url = url;
    m_html = html;
}

void MessagePageSchemeHandler::requestStarted(QWebEngineUrlRequestJob *job)
{
    if (m_url.isEmpty() || job->requestUrl() != m_url || job->requestMethod() != "GET") {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    // The engine reads the buffer on its own schedule; it goes when the job goes.
    auto *buffer = new QBuffer;
    buffer->setData(m_html);
    buffer->open(QIODevice::ReadOnly);
    connect(job, &QObject::destroyed, buffer, &QObject::deleteLater);
    job->reply(QByteArrayLiteral("text/html;charset=utf-8"), buffer);
}
