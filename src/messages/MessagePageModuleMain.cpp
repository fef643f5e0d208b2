// The message page module: the HTML engine's side of the messages window.

#include "messages/MessagePageModule.h"
#include "messages/MessagePageScheme.h"
#include "messages/MessagePageView.h"

extern "C" Q_DECL_EXPORT MessagePageDisplay *PelkCreateMessagePage(UrlOpener &urlOpener, QWidget *parent)
{
    // The engine takes new schemes only before its first object exists.
    RegisterMessagePageScheme();
    return new MessagePageView(urlOpener, parent);
}

// The entry point must keep the type the program looks it up with.
static_assert(std::is_same_v<decltype(&PelkCreateMessagePage), MessagePageModuleEntry>);
