#pragma once

#include <functional>

class QByteArray;
class QString;
class QWidget;
class UrlOpener;

// The page part of the messages window. The HTML engine behind it is large, so the program
// keeps it in a module of its own and loads that only when the window is first shown.
class MessagePageDisplay
{
public:
    // The display's widget; its parent owns it.
    virtual QWidget *widget() = 0;
    // Shows `html` (UTF-8) of any size.
    virtual void showPage(const QByteArray &html) = 0;
    // Shows the blank page.
    virtual void showBlank() = 0;
    // Called when the display can no longer show pages (its engine's page process ended),
    // with the message that says why. A display that cannot fail that way ignores it.
    virtual void setFailureHandler(std::function<void(const QString &message)> handler) { (void)handler; }

protected:
    ~MessagePageDisplay() = default;
};

// Makes the page display of a messages window, as a child of `parent`.
// Throws PelkError when it cannot, before anything could take the program down.
using MessagePageFactory = std::function<MessagePageDisplay *(UrlOpener &urlOpener, QWidget *parent)>;
