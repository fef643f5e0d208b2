#include "check/UpdateRequestText.h"

#include "check/UpdateRequest.h"
#include "i18n/Languages.h"

#include <QStringList>
#include <utility>

namespace {
// What each field of the body is, by its name.
QByteArray fieldTextKey(const QByteArray &name)
{
    static const QList<std::pair<QByteArray, QByteArray>> kFields = {
        {"id", "txtSendsId"}, {"pv", "txtSendsPv"}, {"ov", "txtSendsOv"}, {"bt", "txtSendsBt"},
        {"ut", "txtSendsUt"}, {"lg", "txtSendsLg"}, {"wv", "txtSendsWv"}, {"ie", "txtSendsIe"},
        {"dn", "txtSendsDn"}, {"re", "txtSendsRe"}};
    for (const auto &[field, key] : kFields) {
        if (field == name)
            return key;
    }
    return QByteArray();
}

QString hostAndPort(const ProxyRoute &route)
{
    // An IPv6 address needs its brackets before the port.
    const QString host = route.server.contains(QLatin1Char(':')) ? QLatin1Char('[') + route.server + QLatin1Char(']')
                                                                 : route.server;
    return host + QLatin1Char(':') + QString::number(route.port);
}
} // namespace

QString DescribeProxyRoute(const ProxyRoute &route, const Languages &languages)
{
    QString text;
    switch (route.kind) {
    case ProxyRoute::Kind::System:
        text = languages.GetTextOrBuiltIn("txtSendsRouteSystem");
        break;
    case ProxyRoute::Kind::Direct:
        text = languages.GetTextOrBuiltIn("txtSendsRouteDirect");
        break;
    case ProxyRoute::Kind::Server:
        text = languages.GetTextOrBuiltIn("txtSendsRouteServer").arg(hostAndPort(route));
        break;
    }
    if (route.credentials.use)
        text = languages.GetTextOrBuiltIn("txtSendsRouteLogin").arg(text, route.credentials.user);
    return text;
}

QString DescribeUpdateRequest(const UpdateRequest &request, const Languages &languages)
{
    const QString indent = QStringLiteral("    ");
    QStringList lines;
    lines << languages.GetTextOrBuiltIn("txtSendsIntro") << QString();
    lines << languages.GetTextOrBuiltIn("txtSendsAddress") + QStringLiteral(": ")
                 + request.post.url.toDisplayString(QUrl::RemovePassword);
    lines << languages.GetTextOrBuiltIn("txtSendsRoute") + QStringLiteral(": ")
                 + DescribeProxyRoute(request.route, languages);
    lines << QString() << languages.GetTextOrBuiltIn("txtSendsBody") + QLatin1Char(':');
    // Read back from the body itself, so that nothing is shown that is not sent, or the reverse.
    for (const QByteArray &field : request.post.body.split('&')) {
        const QByteArray name = field.left(field.indexOf('='));
        lines << QString::fromLatin1(field);
        const QByteArray key = fieldTextKey(name);
        if (!key.isEmpty())
            lines << indent + languages.GetTextOrBuiltIn(key);
        if (name == "id" && request.newId)
            lines << indent + languages.GetTextOrBuiltIn("txtSendsNewId");
    }
    return lines.join(QLatin1Char('\n'));
}
