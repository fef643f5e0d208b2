#pragma once

#include <QUrl>

// Hands a URL to the user's default browser (or the handler of its scheme).
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual void openUrl(const QUrl &url) = 0;
};
