#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

// Loaders read files by name, so every input goes through a file in a folder of this
// process's own.
inline QString TempPath(const char *name)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    return dir.filePath(QLatin1String(name));
}

inline QString WriteInputFile(const char *name, const uint8_t *data, size_t size)
{
    const QString path = TempPath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    return path;
}

// A broken invariant is a finding: abort so that libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                      \
    do {                                                                           \
        if (!(condition)) {                                                        \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition,    \
                         __FILE__, __LINE__);                                      \
            std::abort();                                                          \
        }                                                                          \
    } while (false)
