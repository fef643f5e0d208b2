// A signed feed: the signature comment read from any bytes; and any bytes signed with a test
// key, as a careless signer would, then verified, so that the XML and the serial and expiry
// behind a valid signature are fuzzed too. What the vendor's tool signs must verify.

#include "FuzzInput.h"
#include "base/PelkError.h"
#include "check/FeedKeys.h"
#include "check/FeedSignature.h"
#include "check/FeedSigningKey.h"
#include "check/SignedFeed.h"

namespace {
const FeedSigningKey &key()
{
    static const FeedSigningKey signer = FeedSigningKey::fromText(QByteArray(32, 'F').toBase64());
    return signer;
}

const FeedKeys &keys()
{
    static const FeedKeys listed(QString::fromLatin1(key().publicKey().toBase64()));
    return listed;
}

// Before every expiry the feed can name.
const QDateTime kLongAgo(QDate(-1, 1, 1), QTime(0, 0), Qt::UTC);

bool verifies(const QByteArray &feed)
{
    try {
        const SignedFeed verified = VerifySignedFeed(feed, keys(), kLongAgo);
        FUZZ_CHECK(verified.serial >= 1 && verified.document && verified.document->document_element());
        return true;
    } catch (const PelkError &) {
        return false;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = FuzzBytes(data, size);
    verifies(input);
    verifies(input + FeedSignatureComment(FeedKeyId(key().publicKey()), key().sign(input)));
    QByteArray signedFeed;
    try {
        signedFeed = SignFeed(input, key());
    } catch (const PelkError &) {
        return 0;
    }
    FUZZ_CHECK(verifies(signedFeed));
    return 0;
}
