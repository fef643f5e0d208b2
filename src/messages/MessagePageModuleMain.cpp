// The message page module: the HTML engine's side of the messages window.

#include "messages/MessagePageModule.h"
#include "messages/MessagePageView.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT MessagePageDisplay *PelkCreateMessagePage(UrlOpener &urlOpener, QWidget *parent)
{
    return MessagePageView::factory()(urlOpener, parent);
}

// The entry point must keep the type the program looks it up with.
static_assert(std::is_same_v<decltype(&PelkCreateMessagePage), MessagePageModuleEntry>);
