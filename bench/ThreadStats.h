#pragma once

// What each thread of this process has done so far, read from /proc/self/task: its name,
// its wake-ups (voluntary and involuntary context switches: every time it left the
// processor) and its CPU time (utime + stime). Threads come and go (Qt's pool, SDL's
// audio thread), so nothing here assumes how many there are or what they are called.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMap>
#include <QString>

#include <unistd.h>

namespace bench {

struct ThreadSample
{
    QString name;
    long long wakeups = 0;
    double cpuSeconds = 0;
};

inline QByteArray ReadProcFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline long long StatusValue(const QByteArray &status, const QByteArray &key)
{
    for (const QByteArray &line : status.split('\n'))
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().toLongLong();
    return 0;
}

// utime and stime are the 14th and 15th fields; the name before them may hold spaces and
// parentheses, so the fields are counted from the last ')'.
inline double StatCpuSeconds(const QByteArray &stat)
{
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return 0;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / ticks;
}

// Every thread alive now, by thread id.
inline QMap<long long, ThreadSample> SampleThreads()
{
    QMap<long long, ThreadSample> threads;
    const QString tasks = QStringLiteral("/proc/self/task");
    for (const QString &tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString task = tasks + QLatin1Char('/') + tid + QLatin1Char('/');
        const QByteArray status = ReadProcFile(task + QStringLiteral("status"));
        if (status.isEmpty())
            continue; // ended meanwhile
        ThreadSample sample;
        sample.name = QString::fromUtf8(ReadProcFile(task + QStringLiteral("comm")).trimmed());
        sample.wakeups = StatusValue(status, "voluntary_ctxt_switches:")
                         + StatusValue(status, "nonvoluntary_ctxt_switches:");
        sample.cpuSeconds = StatCpuSeconds(ReadProcFile(task + QStringLiteral("stat")));
        threads.insert(tid.toLongLong(), sample);
    }
    return threads;
}

// Sums what every thread did between two samples; a thread born in between counts from 0,
// one that ended in between keeps what the earlier sample saw.
class ThreadTotals
{
public:
    struct Totals
    {
        QString name;
        long long wakeups = 0;
        double cpuSeconds = 0;
    };

    void Add(const QMap<long long, ThreadSample> &before, const QMap<long long, ThreadSample> &after)
    {
        for (auto it = after.begin(); it != after.end(); ++it) {
            const ThreadSample earlier = before.value(it.key());
            Totals &totals = m_threads[it.key()];
            totals.name = it->name;
            totals.wakeups += it->wakeups - earlier.wakeups;
            totals.cpuSeconds += it->cpuSeconds - earlier.cpuSeconds;
        }
    }
    const QMap<long long, Totals> &Threads() const { return m_threads; }

private:
    QMap<long long, Totals> m_threads;
};

} // namespace bench
