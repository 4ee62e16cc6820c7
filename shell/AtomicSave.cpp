#include "shell/AtomicSave.h"

#include "shell/Errors.h"
#include "shell/SystemErrorText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

QString shownName(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName);
}

[[noreturn]] void failSave(const QString &fileName, const QString &reason)
{
    QString text = QStringLiteral("Не удалось сохранить файл \"%1\": %2.").arg(shownName(fileName), reason);
    if (QFileInfo::exists(fileName))
        text += QStringLiteral("\nПрежний файл не изменён.");
    throw FileError(text);
}

// The new content's file, open for writing; an unnamed one where the file system allows it,
// so that a save killed while writing leaves nothing behind. Unbuffered: every write reaches
// the system at once and its result is the system's.
class TemporaryFile : public QIODevice
{
public:
    explicit TemporaryFile(const QString &target) : m_target(target), m_temporary(SaveTemporaryName(target))
    {
        const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
#ifdef O_TMPFILE
        m_fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
        m_unnamed = m_fd >= 0;
#endif
        if (m_fd < 0) {
            ::unlink(QFile::encodeName(m_temporary).constData());
            m_fd = ::open(QFile::encodeName(m_temporary).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        }
        if (m_fd < 0)
            failSave(m_target, SystemErrorText(errno));
        QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

    ~TemporaryFile() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_renamed && (!m_unnamed || m_linked))
            ::unlink(QFile::encodeName(m_temporary).constData());
    }

    // Flushes to disk, names the file and renames it over the target.
    void commit()
    {
        if (::fsync(m_fd) != 0)
            failSave(m_target, SystemErrorText(errno));
        const QByteArray temporary = QFile::encodeName(m_temporary);
        if (m_unnamed)
            linkUnnamed(temporary);
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            failSave(m_target, SystemErrorText(errno));
        if (::rename(temporary.constData(), QFile::encodeName(m_target).constData()) != 0)
            failSave(m_target, SystemErrorText(errno));
        m_renamed = true;
        syncFolder();
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }

    qint64 writeData(const char *data, qint64 size) override
    {
        qint64 done = 0;
        while (done < size) {
            const ssize_t written = ::write(m_fd, data + done, size_t(size - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                // A write that takes nothing without an error would repeat forever.
                setErrorString(SystemErrorText(written < 0 ? errno : ENOSPC));
                return -1;
            }
            done += written;
        }
        return done;
    }

private:
    // Gives the unnamed file its temporary name; one left by a killed save is replaced.
    void linkUnnamed(const QByteArray &temporary)
    {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary.constData(), AT_SYMLINK_FOLLOW) == 0) {
                m_linked = true;
                return;
            }
            if (errno != EEXIST || attempt > 0)
                break;
            ::unlink(temporary.constData());
        }
        failSave(m_target, SystemErrorText(errno));
    }

    void syncFolder() const
    {
        // The rename is done; a folder that cannot be synced (some file systems refuse)
        // changes nothing about the result.
        const int folder = ::open(QFile::encodeName(QFileInfo(m_target).absolutePath()).constData(),
                                  O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            (void)::fsync(folder);
            ::close(folder);
        }
    }

    QString m_target;
    QString m_temporary;
    int m_fd = -1;
    bool m_unnamed = false;
    bool m_linked = false;
    bool m_renamed = false;
};

} // namespace

QString SaveTemporaryName(const QString &fileName)
{
    return fileName + QStringLiteral(".saving");
}

void SaveFileAtomically(const QString &fileName, const QByteArray &content)
{
    SaveFileAtomically(fileName, content, nullptr);
}

void SaveFileAtomically(const QString &fileName, const QByteArray &content,
                        const SaveDeviceFilter &through)
{
    TemporaryFile file(fileName);
    const std::unique_ptr<QIODevice> filter = through ? through(file) : nullptr;
    QIODevice &device = filter ? *filter : static_cast<QIODevice &>(file);
    for (qint64 at = 0; at < content.size(); at += kSaveChunkBytes) {
        const qint64 size = std::min(kSaveChunkBytes, content.size() - at);
        if (device.write(content.constData() + at, size) != size)
            failSave(fileName, device.errorString().isEmpty() ? SystemErrorText(EIO) : device.errorString());
    }
    file.commit();
}

void RemoveSaveLeftovers(const QString &fileName)
{
    const QString leftover = SaveTemporaryName(fileName);
    const QFileInfo info(leftover);
    if (info.isFile() && !info.isSymLink())
        QFile::remove(leftover);
}
