#include "check/ReplyFeed.h"

#include "base/Clock.h"
#include "base/PelkError.h"
#include "check/CheckContext.h"
#include "check/CheckHost.h"
#include "check/FeedKeys.h"
#include "check/FeedReply.h"
#include "check/FeedSignature.h"
#include "check/SignedFeed.h"
#include "i18n/IniFile.h"
#include "i18n/Languages.h"
#include "settings/UPelkUpdaterUtils.h"

namespace {
const QString kConfigSection = QStringLiteral("Config");
const QString kFeedKeys = QStringLiteral("FeedKeys");

// An entry that is no key is named in the log and left out; with none left, no feed can be
// trusted, and an unsigned one must not pass for the vendor's.
FeedKeys listedKeys(const CheckContext &context, CheckHost &host)
{
    const FeedKeys keys(context.ini.readString(kConfigSection, kFeedKeys, QString()));
    const QString error = context.languages.GetText("txtError") + QStringLiteral(": ");
    for (const QString &entry : keys.invalid())
        host.AddLogLine(error + QStringLiteral("FeedKeys in the section Config of %1: \"%2\" is not a public key (the "
                                               "Base64 of 32 bytes) and is ignored")
                                    .arg(context.ini.path(), entry));
    if (!keys.isEmpty() && keys.usable().isEmpty())
        throw PelkError(QStringLiteral("FeedKeys in the section Config of %1 lists no usable key, so no feed can be "
                                       "trusted")
                            .arg(context.ini.path()));
    return keys;
}
} // namespace

XmlDocumentPtr ReadReplyFeed(const QByteArray &body, const CheckContext &context, CheckHost &host)
{
    const FeedKeys keys = listedKeys(context, host);
    if (keys.isEmpty())
        return ReadFeedReply(body, context.languages);

    // Nothing reaches a parser before its signature has been checked; then the reply is read
    // once, strictly, and what the vendor signed must be a message feed before anything of it
    // is kept.
    const FeedKey &key = VerifyFeedBytes(body, keys);
    const SignedFeed feed = AcceptSignedDocument(ReadFeedReply(body, context.languages), key, context.clock.localNow());
    const std::optional<qint64> highest = ReadHighestFeedSerial(context.store, feed.keyId);
    if (highest && feed.serial < *highest)
        throw PelkError(QStringLiteral("The signed feed's serial %1 is lower than the serial %2 accepted before from the "
                                       "key %3: it is an old feed sent again")
                            .arg(feed.serial)
                            .arg(*highest)
                            .arg(QLatin1String(feed.keyId)));
    // The same feed fetched again keeps its serial; nothing to write.
    if (!highest || feed.serial > *highest)
        WriteHighestFeedSerial(context.store, feed.keyId, feed.serial);
    host.AddLogLine(context.languages.GetText("txtFeedSignatureVerified") + QStringLiteral(": ")
                    + QLatin1String(feed.keyId));
    return feed.document;
}
