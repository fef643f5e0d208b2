#pragma once

#include "messages/UrlOpener.h"

// Opens URLs with the desktop's default handler of their scheme; failures are not reported.
class DesktopUrlOpener : public UrlOpener
{
public:
    void openUrl(const QUrl &url) override;
};
