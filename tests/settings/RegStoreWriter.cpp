// Second process for the store tests: writes many values, or holds the store's lock.
#include "base/PelkError.h"
#include "settings/FileLock.h"
#include "settings/RegFileStore.h"

#include <QString>
#include <QThread>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "write") == 0) {
        // write <store file> <value name prefix> <count>
        RegFileStore store(QString::fromLocal8Bit(argv[2]), QString());
        const QString prefix = QString::fromLocal8Bit(argv[3]);
        const int count = QByteArray(argv[4]).toInt();
        try {
            for (int i = 0; i < count; ++i) {
                const auto key = store.openKey(RegistryRoot::CurrentUser, QStringLiteral("\\Software\\Orbel\\PelkUpdater"), true);
                if (!key)
                    return 2;
                key->writeInteger(prefix + QString::number(i), quint32(i));
            }
        } catch (const PelkError &error) {
            std::fprintf(stderr, "%s\n", error.what());
            return 1;
        }
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0) {
        // hold <lock file>: takes the lock and keeps it until killed.
        const FileLock lock(QString::fromLocal8Bit(argv[2]), 5000);
        if (!lock.isLocked())
            return 1;
        std::puts("locked");
        std::fflush(stdout);
        QThread::sleep(120);
        return 0;
    }
    std::fputs("usage: regstore_writer write FILE PREFIX COUNT | hold LOCKFILE\n", stderr);
    return 3;
}
