// Saves that meet a failing write, a full disk or a killed predecessor: the old file stays
// byte for byte, the error names the file and the reason, nothing is left beside it.
#include "FullDisk.h"

#include "shell/AtomicSave.h"
#include "shell/Errors.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray pattern(qsizetype size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char(seed + i * 7);
    return bytes;
}

// Passes writes on to the file, except write number `failAt` (from 1), which takes only
// `acceptBytes` of its bytes (0: fails with an error).
class FailingDevice : public QIODevice
{
public:
    FailingDevice(QIODevice &file, int failAt, qint64 acceptBytes)
        : m_file(file), m_failAt(failAt), m_accept(acceptBytes)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (++m_writes != m_failAt)
            return m_file.write(data, size);
        if (m_accept == 0) {
            setErrorString(QStringLiteral("устройство отказало"));
            return -1;
        }
        return m_file.write(data, std::min(size, m_accept));
    }

private:
    QIODevice &m_file;
    int m_writes = 0;
    int m_failAt;
    qint64 m_accept;
};

} // namespace

class TestAtomicSave : public QObject
{
    Q_OBJECT

    QStringList othersThan(const QString &folder, const QString &name)
    {
        QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
        names.removeAll(name);
        names.removeAll(QStringLiteral("filler"));
        return names;
    }

private slots:
    void saveReplacesTheFileAndLeavesNothingBeside()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("lists.bin"));
        writeBytes(path, "old");
        // A leftover of a killed save is no obstacle.
        writeBytes(SaveTemporaryName(path), "half a save");
        const QByteArray content = pattern(3 * kSaveChunkBytes + 5, 'a');
        SaveFileAtomically(path, content);
        QCOMPARE(bytesOf(path), content);
        QCOMPARE(othersThan(tmp.path(), QStringLiteral("lists.bin")), QStringList());
        SaveFileAtomically(path, QByteArray());
        QCOMPARE(bytesOf(path), QByteArray());
    }

    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("failAt");
        QTest::addColumn<qint64>("acceptBytes");
        // The content takes four writes; each in turn fails, or takes only part of its bytes.
        for (int write = 1; write <= 4; ++write) {
            QTest::addRow("write %d fails", write) << write << qint64(0);
            QTest::addRow("write %d takes one byte", write) << write << qint64(1);
        }
    }

    void failedWriteKeepsTheOldFile()
    {
        QFETCH(int, failAt);
        QFETCH(qint64, acceptBytes);
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("options.bin"));
        const QByteArray old = pattern(1000, 'x');
        writeBytes(path, old);
        const QByteArray content = pattern(3 * kSaveChunkBytes + 100, 'n');
        try {
            SaveFileAtomically(path, content, [&](QIODevice &file) {
                return std::make_unique<FailingDevice>(file, failAt, acceptBytes);
            });
            QFAIL("the failed write was not reported");
        } catch (const FileError &error) {
            QVERIFY2(error.text().contains(path), qPrintable(error.text()));
            if (acceptBytes == 0)
                QVERIFY2(error.text().contains(QStringLiteral("устройство отказало")), qPrintable(error.text()));
        }
        QCOMPARE(bytesOf(path), old);
        QCOMPARE(othersThan(tmp.path(), QStringLiteral("options.bin")), QStringList());
    }

    // A real file system without room: the kernel's ENOSPC, not a fake.
    void fullDiskKeepsTheOldFile()
    {
        QTemporaryDir tmp;
        SmallTmpfs disk(tmp.path(), 256 * 1024);
        if (!disk.mounted())
            QSKIP("mounting a tmpfs is not allowed here; the file size limit test covers the real failure");
        const QString path = disk.path() + QStringLiteral("/musiclists.bin");
        const QByteArray old = pattern(20000, 'o');
        writeBytes(path, old);
        fillUp(disk.path());
        try {
            SaveFileAtomically(path, pattern(100000, 'n'));
            QFAIL("a save on a full disk was reported as done");
        } catch (const FileError &error) {
            QVERIFY2(error.text().contains(path), qPrintable(error.text()));
            QVERIFY2(error.text().contains(QStringLiteral("на диске нет места")), qPrintable(error.text()));
        }
        QCOMPARE(bytesOf(path), old);
        QCOMPARE(othersThan(disk.path(), QStringLiteral("musiclists.bin")), QStringList());
        // With room again, the same save goes through.
        QVERIFY(QFile::remove(disk.path() + QStringLiteral("/filler")));
        SaveFileAtomically(path, pattern(100000, 'n'));
        QCOMPARE(bytesOf(path), pattern(100000, 'n'));
    }

    void fileSizeLimitKeepsTheOldFile()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("options.bin"));
        const QByteArray old = pattern(61, 'o');
        writeBytes(path, old);
        const QString error = runWithFileSizeLimit(30000, [&] { SaveFileAtomically(path, pattern(100000, 'n')); });
        QVERIFY2(error.contains(path) && error.contains(QStringLiteral("больше, чем разрешено")), qPrintable(error));
        QCOMPARE(bytesOf(path), old);
        QCOMPARE(othersThan(tmp.path(), QStringLiteral("options.bin")), QStringList());
    }

    void missingFolderIsReported()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("no/such/options.bin"));
        QVERIFY_THROWS_EXCEPTION(FileError, SaveFileAtomically(path, "x"));
    }

    void startUpRemovesLeftovers()
    {
        QTemporaryDir tmp;
        const QString path = tmp.filePath(QStringLiteral("options.bin"));
        writeBytes(path, "keep");
        writeBytes(SaveTemporaryName(path), "left by a killed save");
        writeBytes(path + QStringLiteral(".bak"), "the user's copy");
        RemoveSaveLeftovers(path);
        QCOMPARE(othersThan(tmp.path(), QStringLiteral("options.bin")), QStringList{QStringLiteral("options.bin.bak")});
        QCOMPARE(bytesOf(path), QByteArray("keep"));
    }
};

QTEST_GUILESS_MAIN(TestAtomicSave)
#include "tst_atomicsave.moc"
