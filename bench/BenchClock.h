#pragma once

// Small measuring helpers shared by the benchmark programs. Every program prints its
// figures as "name=value" lines on stdout; bench/run.sh collects them.

#include <QFile>
#include <QString>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <vector>

namespace bench {

inline double MonotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
}

// How many times the calling thread has given up the processor of its own will: each
// blocking wait that really slept counts once.
inline long long ThreadVoluntarySwitches()
{
    QFile status(QStringLiteral("/proc/thread-self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key("voluntary_ctxt_switches:");
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().toLongLong();
    }
    return -1;
}

inline void PrintFigure(const QByteArray &name, double value)
{
    QTextStream(stdout) << name << '=' << QString::number(value, 'f', 6) << '\n';
}

} // namespace bench
