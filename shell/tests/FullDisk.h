#pragma once

// Real file systems that refuse writes, for save tests: a small tmpfs that the test can fill
// (where mounting is allowed), and a child process whose file size is limited.
#include "shell/Errors.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <functional>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// A tmpfs of `bytes` mounted on a fresh folder below `parent`, unmounted when it goes.
class SmallTmpfs
{
public:
    SmallTmpfs(const QString &parent, qint64 bytes) : m_path(parent + QStringLiteral("/small"))
    {
        QDir().mkpath(m_path);
        const QByteArray options = "size=" + QByteArray::number(bytes);
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_path).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallTmpfs()
    {
        if (m_mounted)
            ::umount(QFile::encodeName(m_path).constData());
    }
    bool mounted() const { return m_mounted; }
    QString path() const { return m_path; }

private:
    QString m_path;
    bool m_mounted = false;
};

// Fills the file system holding `folder` with a file of zeros until a write fails, leaving
// at most `keepFree` bytes' worth of blocks.
inline void fillUp(const QString &folder)
{
    QFile filler(folder + QStringLiteral("/filler"));
    filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    const QByteArray block(4096, '\0');
    while (filler.write(block) == block.size()) {
    }
}

// Runs `save` in a child process that may write files of at most `limitBytes` (SIGXFSZ
// ignored, so a write past it fails with EFBIG). Returns the text of the error it threw,
// or "" when it returned normally.
inline QString runWithFileSizeLimit(qint64 limitBytes, const std::function<void()> &save)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return QStringLiteral("pipe failed");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(limitBytes), rlim_t(limitBytes)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QByteArray report;
        try {
            save();
        } catch (const NesvaraError &error) {
            report = error.text().toUtf8();
            if (report.isEmpty())
                report = "?";
        }
        (void)!::write(pipeEnds[1], report.constData(), size_t(report.size()));
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    QByteArray report;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, got);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status))
        return QStringLiteral("the child did not end normally");
    return QString::fromUtf8(report);
}
