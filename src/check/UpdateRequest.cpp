#include "check/UpdateRequest.h"

#include "check/UpdateCheck.h"

#include "base/PelkError.h"
#include "check/BoundedLookupProbe.h"
#include "check/CheckHost.h"
#include "check/FeedReply.h"
#include "check/HttpTransport.h"
#include "check/ProxyRoute.h"
#include "check/ReplyFeed.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "settings/UPelkUpdaterUtils.h"
#include "sysinfo/SystemFacts.h"

#include <QUrl>

namespace {
QUrl serviceUrl(const QByteArray &address, const RequestSources &sources)
{
    const IniFile &ini = sources.ini;
    if (address.isEmpty()) {
        for (const IniFile &file : {IniFile(ini.path()), ini.overrideLayer()}) {
            const QString unreadable = file.readFailure();
            if (!unreadable.isEmpty())
                throw PelkError(QStringLiteral("No address of the update service: the file %1 cannot be read: %2")
                                    .arg(file.path(), unreadable));
        }
        // The address is the administrator's to set: the message names that file.
        const QString where = ini.overridePath().isEmpty() ? ini.path() : ini.overridePath();
        throw PelkError(sources.languages.GetTextOrBuiltIn("txtNoServiceAddress").arg(where));
    }
    const QString text = QString::fromUtf8(address);
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url.host().isEmpty())
        throw PelkError(QStringLiteral("The address of the update service is not a valid http or https address: %1")
                            .arg(text));
    return url;
}

// A header value must stay on its line: a line break in the version data would start a
// header of its own.
QByteArray headerSafe(QByteArray value)
{
    for (char &c : value) {
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7f)
            c = ' ';
    }
    return value;
}

void appendField(QByteArray &body, const char *key, const QString &value)
{
    if (!body.isEmpty())
        body += '&';
    body += key;
    body += '=';
    body += FormEncode(value);
}

// The exchange, its failures told in the user's language where the language file has
// the text: the network module knows no language.
HttpReplyData postInLanguage(const CheckContext &context, const HttpPost &post, const ProxyRoute &route,
                             const RequestLimits &limits, const QDeadlineTimer &deadline)
{
    try {
        return context.transport.Post(post, route, limits, deadline);
    } catch (const PelkError &error) {
        const QString text = error.textKey().isEmpty() ? QString() : context.languages.WindowText(error.textKey());
        if (text.isEmpty())
            throw;
        throw PelkError(FillPlaceholders(text, error.arguments()));
    }
}

} // namespace

QByteArray ServiceAddress(const IniFile &ini)
{
    return ini.readString(QStringLiteral("Config"), QStringLiteral("UpdateCheckURL"), QString()).toUtf8();
}

UpdateRequest BuildUpdateRequest(const QByteArray &address, const QByteArray &id, const RequestSources &sources)
{
    const InstallationData &installation = sources.installation;
    UpdateRequest request;
    request.route = ChooseProxyRoute(ReadProxySettings(sources.store));
    request.newId = id.isEmpty();

    HttpPost &post = request.post;
    post.url = serviceUrl(address, sources);
    post.headers = {{"Content-type", "application/x-www-form-urlencoded"},
                    {"User-Agent", QByteArray("PelkUpdater/") + headerSafe(installation.ProgVersion.toUtf8())},
                    {"Cache-Control", "no-cache"}};

    // The stored identifier without the braces around it.
    const QByteArray bareId = id.size() >= 2 ? id.mid(1, id.size() - 2) : QByteArray();
    QByteArray &body = post.body;
    appendField(body, "id", QString::fromUtf8(bareId));
    appendField(body, "pv", installation.ProgVersion);
    appendField(body, "ov", installation.OfflineVersion);
    appendField(body, "bt", installation.BuildTimeStamp);
    appendField(body, "ut", installation.UpdateTimeStamp);
    appendField(body, "lg", QString::fromUtf8(sources.languages.CurrentLanguageKey()));
    appendField(body, "wv", QString::fromUtf8(WindowsVersionText(sources.probe)));
    appendField(body, "ie", QString::fromUtf8(IEVersionText(sources.store)));
    appendField(body, "dn", QString::fromUtf8(DotNetVersionsText(sources.store)));
    appendField(body, "re", QString::fromUtf8(EnvironmentCode(sources.probe, sources.store)));
    return request;
}

UpdateRequest NextUpdateRequest(const RequestSources &sources, const RequestLimits &limits)
{
    const BoundedLookupProbe probe(sources.probe, limits.nameLookupTimeoutMs, QDeadlineTimer(limits.overallTimeoutMs));
    return BuildUpdateRequest(ServiceAddress(sources.ini), ReadInstallationId(sources.store),
                              {sources.installation, sources.ini, sources.languages, sources.store, probe});
}

XmlDocumentPtr SendUpdateRequest(const QByteArray &address, const CheckContext &context, CheckHost &host,
                                 const RequestLimits &limits, QByteArray *retryAfter)
{
    // The attempt is recorded before anything goes out, whatever comes of it.
    const QByteArray id = GetInstallationId(context.store);
    WriteLastUpdate(context.store, context.installation.ProgVersion, context.clock);

    // The check's deadline runs from here: the name lookup of the facts counts against it
    // as much as every hop of the exchange.
    const QDeadlineTimer deadline(limits.overallTimeoutMs);
    const BoundedLookupProbe probe(context.probe, limits.nameLookupTimeoutMs, deadline);
    const UpdateRequest request =
        BuildUpdateRequest(address, id, {context.installation, context.ini, context.languages, context.store, probe});
    const HttpPost &post = request.post;
    const ProxyRoute &route = request.route;

    const HttpReplyData reply = postInLanguage(context, post, route, limits, deadline);
    if (reply.status != 200) {
        host.AddLogLine(context.languages.GetText("txtError") + QStringLiteral(": ") + QString::number(reply.status)
                        + QLatin1Char(' ') + QString::fromLatin1(reply.reasonPhrase));
        // Only "too many requests" and "unavailable" ask clients to come back later.
        if (retryAfter && (reply.status == 429 || reply.status == 503))
            *retryAfter = reply.retryAfter;
        return nullptr;
    }
    return ReadReplyFeed(reply.body, context, host);
}
