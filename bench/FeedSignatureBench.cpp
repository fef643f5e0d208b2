// Signed feed benchmark: a feed of 1 MiB signed with a test key, its signature checked the way
// the check does before anything parses the reply (the comment found and read, the key looked
// up, Ed25519 over every byte), and the whole verification with the XML parse that every
// reply gets, signed or not, for comparison.
// Goal: the signature check of 1 MiB in at most 5 ms.
//   pelk_feedsignature_bench [runs]   (default 20; the fastest run counts, since other work
//   on the machine only ever adds time)
// Exits 1 when the goal is missed or the feed does not verify.

#include "FastestRun.h"
#include "check/FeedKeys.h"
#include "check/FeedSignature.h"
#include "check/FeedSigningKey.h"
#include "check/SignedFeed.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {
constexpr qsizetype kMebibyte = 1024 * 1024;
constexpr double kGoalMs = 5.0;

QByteArray generatedFeed(qsizetype size)
{
    QByteArray feed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<messages serial=\"42\" expires=\"2099-01-31T00:00:00Z\">\n";
    for (int i = 0; feed.size() < size - 200; ++i) {
        feed += "  <message id=\"m-" + QByteArray::number(i) + "\" date=\"20261201\" type=\"update\"><title>Service "
                "pack 5.2." + QByteArray::number(i) + " is available</title><desc><![CDATA[<p>Faster search, new "
                "pictures. <a href=\"https://www.example.com/\">Download</a></p>]]></desc></message>\n";
    }
    return feed + "</messages>\n";
}

} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const FeedSigningKey key = FeedSigningKey::fromText(QByteArray(32, 'K').toBase64());
    const FeedKeys keys(QString::fromLatin1(key.publicKey().toBase64()));
    const QByteArray feed = SignFeed(generatedFeed(kMebibyte), key);

    bool verified = true;
    const double signatureMs = fastestMs(runs, [&] { verified = verified && VerifyFeedBytes(feed, keys).id.size() == 16; });
    const double wholeMs = fastestMs(runs, [&] {
        verified = verified && VerifySignedFeed(feed, keys, QDateTime::currentDateTimeUtc()).serial == 42;
    });
    if (!verified) {
        std::fprintf(stderr, "the feed did not verify\n");
        return 1;
    }
    const bool met = signatureMs <= kGoalMs;
    std::printf("signed feed of %.2f MiB: signature %6.2f ms (goal %.0f ms) %s; with the XML parse of every reply "
                "%7.2f ms\n",
                double(feed.size()) / double(kMebibyte), signatureMs, kGoalMs, met ? "met" : "MISSED", wholeMs);
    return met ? 0 : 1;
}
