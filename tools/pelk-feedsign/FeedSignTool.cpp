// pelk-feedsign: the vendor's side of signed feeds. Makes a key pair, signs a feed and
// verifies one with the same code as PelkUpdater's check.
//   pelk-feedsign keygen SECRET-KEY-FILE
//   pelk-feedsign pubkey SECRET-KEY-FILE
//   pelk-feedsign sign SECRET-KEY-FILE FEED [OUTPUT]
//   pelk-feedsign verify PUBLIC-KEYS FEED
// Exit code 0 on success, 1 on a failure, 2 on a wrong command line.

#include "base/PelkError.h"
#include "check/FeedKeys.h"
#include "check/FeedSigningKey.h"
#include "check/SignedFeed.h"

#include <QFile>
#include <QSaveFile>
#include <QScopeGuard>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kUsage[] =
    "usage: pelk-feedsign keygen SECRET-KEY-FILE\n"
    "           write a new secret key (readable by you alone; an existing file is never\n"
    "           overwritten) and print its public key for FeedKeys\n"
    "       pelk-feedsign pubkey SECRET-KEY-FILE\n"
    "           print the public key of a secret key for FeedKeys\n"
    "       pelk-feedsign sign SECRET-KEY-FILE FEED [OUTPUT]\n"
    "           sign FEED, replacing a signature it has; into OUTPUT (- for standard output)\n"
    "           or, without it, into FEED itself\n"
    "       pelk-feedsign verify PUBLIC-KEYS FEED\n"
    "           check FEED as PelkUpdater does; PUBLIC-KEYS as in FeedKeys (\"key1; key2\")\n";

QString systemError()
{
    return QString::fromLocal8Bit(strerror(errno));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PelkError(QStringLiteral("%1: %2").arg(path, file.errorString()));
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw PelkError(QStringLiteral("%1: %2").arg(path, file.errorString()));
    return content;
}

void writeFile(const QString &path, const QByteArray &content)
{
    if (path == QLatin1String("-")) {
        if (fwrite(content.constData(), 1, size_t(content.size()), stdout) != size_t(content.size()) || fflush(stdout) != 0)
            throw PelkError(QStringLiteral("standard output: ") + systemError());
        return;
    }
    // Whole or not at all: a failed write leaves the old file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw PelkError(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

FeedSigningKey readSecretKey(const QString &path)
{
    QByteArray text = readFile(path);
    const auto wipe = qScopeGuard([&text] { WipeBytes(text); });
    try {
        return FeedSigningKey::fromText(text);
    } catch (const PelkError &error) {
        throw PelkError(QStringLiteral("%1: %2").arg(path, error.message()));
    }
}

void printPublicKey(const FeedSigningKey &key)
{
    const QByteArray publicKey = key.publicKey();
    printf("%s\n", publicKey.toBase64().constData());
    fprintf(stderr, "key id %s\n", FeedKeyId(publicKey).constData());
}

void generate(const QString &path)
{
    const FeedSigningKey key = FeedSigningKey::generate();
    QByteArray text = key.secretText() + '\n';
    const auto wipe = qScopeGuard([&text] { WipeBytes(text); });
    const QByteArray name = QFile::encodeName(path);
    // Created for the owner alone, and never over a key that is already there.
    const int fd = open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw PelkError(QStringLiteral("%1: %2").arg(path, systemError()));
    const bool written = fchmod(fd, 0600) == 0 && write(fd, text.constData(), size_t(text.size())) == text.size()
        && fsync(fd) == 0;
    const QString failure = systemError();
    if (close(fd) != 0 || !written) {
        unlink(name.constData());
        throw PelkError(QStringLiteral("%1: %2").arg(path, failure));
    }
    printPublicKey(key);
}

void sign(const QString &keyPath, const QString &feedPath, const QString &outputPath)
{
    const FeedSigningKey key = readSecretKey(keyPath);
    const QByteArray feed = readFile(feedPath);
    try {
        writeFile(outputPath, SignFeed(feed, key));
    } catch (const PelkError &error) {
        throw PelkError(QStringLiteral("%1: %2").arg(feedPath, error.message()));
    }
}

void verify(const QString &publicKeys, const QString &feedPath)
{
    const FeedKeys keys(publicKeys);
    for (const QString &entry : keys.invalid())
        throw PelkError(QStringLiteral("\"%1\" is not a public key (the Base64 of 32 bytes)").arg(entry));
    if (keys.usable().isEmpty())
        throw PelkError(QStringLiteral("no public key given"));
    try {
        const SignedFeed feed = VerifySignedFeed(readFile(feedPath), keys, QDateTime::currentDateTimeUtc());
        printf("verified: key %s, serial %lld, expires %s\n", feed.keyId.constData(), feed.serial,
               qPrintable(FeedTimeText(feed.expires)));
    } catch (const PelkError &error) {
        throw PelkError(QStringLiteral("%1: %2").arg(feedPath, error.message()));
    }
}

int run(const QStringList &args)
{
    const QString command = args.value(0);
    if (command == QLatin1String("keygen") && args.size() == 2)
        generate(args[1]);
    else if (command == QLatin1String("pubkey") && args.size() == 2)
        printPublicKey(readSecretKey(args[1]));
    else if (command == QLatin1String("sign") && (args.size() == 3 || args.size() == 4))
        sign(args[1], args[2], args.value(3, args[2]));
    else if (command == QLatin1String("verify") && args.size() == 3)
        verify(args[1], args[2]);
    else {
        fputs(kUsage, stderr);
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args.append(QFile::decodeName(argv[i]));
    try {
        return run(args);
    } catch (const PelkError &error) {
        fprintf(stderr, "pelk-feedsign: %s\n", qPrintable(error.message()));
    } catch (const std::exception &error) {
        fprintf(stderr, "pelk-feedsign: %s\n", error.what());
    }
    return 1;
}
