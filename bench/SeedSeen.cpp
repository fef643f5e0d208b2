// Bench helper: stores the seen message identifiers of a program version in the per-user
// store named by the environment, so that a silent run finds nothing new.
//   pelk_seed_seen <program version> <id;id;...>

#include "settings/RegFileStore.h"
#include "settings/UPelkUpdaterUtils.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: pelk_seed_seen <program version> <id;id;...>\n");
        return 2;
    }
    try {
        RegFileStore store;
        QList<QByteArray> ids;
        SplitText(QByteArray(argv[2]), ';', ids);
        SaveOldMsgIds(store, QString::fromUtf8(argv[1]), ids);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "pelk_seed_seen: %s\n", error.what());
        return 1;
    }
    return 0;
}
