#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// The fuzzer's bytes as a byte array of their own (copied: the parsers may keep them).
inline QByteArray FuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// A folder of this fuzzing process for parsers that read files; removed at exit. In memory
// where the system offers it: rewriting a file on a disk file system costs milliseconds a run.
inline const QTemporaryDir &FuzzFolder()
{
    static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm")
                                                                                  : QDir::tempPath();
    static const QTemporaryDir folder(base + QStringLiteral("/pelk-fuzz-XXXXXX"));
    return folder;
}

// Replaces the file `name` in the fuzz folder with `bytes`; returns its path.
inline QString WriteFuzzFile(const QString &name, const QByteArray &bytes)
{
    const QString path = FuzzFolder().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::abort();
    }
    return path;
}

// A broken promise of the code under test: report it as the crash it is.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
