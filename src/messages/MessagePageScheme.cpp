#include "messages/MessagePageScheme.h"

#include <QWebEngineUrlScheme>

const QByteArray MessagePageSchemeName = QByteArrayLiteral("pelkmsg");

void RegisterMessagePageScheme()
{
    if (QWebEngineUrlScheme::schemeByName(MessagePageSchemeName).name() == MessagePageSchemeName)
        return;
    QWebEngineUrlScheme scheme(MessagePageSchemeName);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // A page of its own origin that may reach nothing local; links and images of the
    // message still work, navigation is the page view's business.
    scheme.setFlags(QWebEngineUrlScheme::NoAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
}
