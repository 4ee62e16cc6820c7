#pragma once

#include <QByteArray>
#include <QFile>

#include <cstddef>

namespace bench {

// Where the resident memory of this process goes, sampled at chosen moments: the split at
// the largest sample is kept, so that the peak can be told apart into memory the program
// allocated (anonymous: heap, the loop kept decoded, the window's backing store) and pages
// of the shared libraries, fonts and other mapped files.
class MemorySplit
{
public:
    // heldBytes: the decoded frames the audio layer keeps in memory right now.
    void Sample(std::size_t heldBytes)
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return;
        long long rss = -1, anon = -1, file = -1;
        for (const QByteArray &line : status.readAll().split('\n')) {
            ReadKib(line, "VmRSS:", rss);
            ReadKib(line, "RssAnon:", anon);
            ReadKib(line, "RssFile:", file);
        }
        if (rss < 0 || anon < 0 || file < 0)
            return;
        if (rss > m_rssKib) {
            m_rssKib = rss;
            m_anonKib = anon;
            m_fileKib = file;
        }
        if (heldBytes > m_heldBytes)
            m_heldBytes = heldBytes;
    }

    long long RssKib() const { return m_rssKib; }
    long long AnonKib() const { return m_anonKib; }
    long long FileKib() const { return m_fileKib; }
    std::size_t MostHeldBytes() const { return m_heldBytes; }

private:
    static void ReadKib(const QByteArray &line, const QByteArray &key, long long &value)
    {
        if (line.startsWith(key))
            value = line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }

    long long m_rssKib = -1;
    long long m_anonKib = -1;
    long long m_fileKib = -1;
    std::size_t m_heldBytes = 0;
};

} // namespace bench
