#include "shell/FileEnumeration.h"
#include "shell/FileKinds.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

} // namespace

class TestFileEnumeration : public QObject
{
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_root;  // D holding A (with A1, A2) and B, one matching file in each folder

    QString d(const QString &relative = QString()) const
    {
        return relative.isEmpty() ? m_root : m_root + QLatin1Char('/') + relative;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_tmp.isValid());
        m_root = m_tmp.path() + QStringLiteral("/D");
        for (const char *folder : {"A/A1", "A/A2", "B"})
            QVERIFY(QDir().mkpath(d(QString::fromLatin1(folder))));
        for (const char *file : {"A/A1/a1.mp3", "A/A2/a2.mp3", "A/a.mp3", "B/b.mp3", "d.mp3"})
            touch(d(QString::fromLatin1(file)));
    }

    void filesComeDepthFirstWithEachFolderAfterItsSubfolders()
    {
        const QStringList expected{d(QStringLiteral("A/A1/a1.mp3")), d(QStringLiteral("A/A2/a2.mp3")),
                                   d(QStringLiteral("A/a.mp3")), d(QStringLiteral("B/b.mp3")),
                                   d(QStringLiteral("d.mp3"))};
        QCOMPARE(GetFilesInDir(d(), QStringLiteral("*.mp3"), true), expected);
        QCOMPARE(GetFilesInDir(d(), QStringLiteral("*.mp3"), false), QStringList{d(QStringLiteral("d.mp3"))});
    }

    void foldersComeDepthFirst()
    {
        const QStringList expected{d(QStringLiteral("A/A1")), d(QStringLiteral("A/A2")), d(QStringLiteral("A")),
                                   d(QStringLiteral("B"))};
        QCOMPARE(GetDirsInDir(d(), true), expected);
        QCOMPARE(GetDirsInDir(d(), false), (QStringList{d(QStringLiteral("A")), d(QStringLiteral("B"))}));
    }

    void trailingSeparatorRule()
    {
        const QStringList plain = GetFilesInDir(d(), QStringLiteral("*.mp3"), false);
        QCOMPARE(GetFilesInDir(d() + QLatin1Char('/'), QStringLiteral("*.mp3"), false), plain);
        QCOMPARE(GetFilesInDir(d() + QLatin1Char('\\'), QStringLiteral("*.mp3"), false), plain);
        // Only one separator is dropped; the other stays in every entry.
        QCOMPARE(GetFilesInDir(d() + QStringLiteral("//"), QStringLiteral("*.mp3"), false),
                 QStringList{d() + QStringLiteral("//d.mp3")});
    }

    void nothingToSearch_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::newRow("empty path") << QString();
        QTest::newRow("missing folder") << m_tmp.path() + QStringLiteral("/nowhere");
        QTest::newRow("a file, not a folder") << d(QStringLiteral("d.mp3"));
    }

    void nothingToSearch()
    {
        QFETCH(QString, dir);
        QVERIFY(GetFilesInDir(dir, QStringLiteral("*.mp3"), true).isEmpty());
        QVERIFY(GetDirsInDir(dir, true).isEmpty());
    }

    void maskIgnoresCaseAndOrderIsByName()
    {
        QTemporaryDir tmp;
        for (const char *name : {"b.mp3", "a.MP3", "A.mp3", "c.mp3.txt", "c.txt"})
            touch(tmp.path() + QLatin1Char('/') + QString::fromLatin1(name));
        const QString root = tmp.path();
        QCOMPARE(GetFilesInDir(root, QStringLiteral("*.mp3"), false),
                 (QStringList{root + QStringLiteral("/A.mp3"), root + QStringLiteral("/a.MP3"),
                              root + QStringLiteral("/b.mp3")}));
    }

    void hiddenFoldersAreSkippedButHiddenFilesAreListed()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path();
        QVERIFY(QDir().mkpath(root + QStringLiteral("/.hidden")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/old.mp3")));
        touch(root + QStringLiteral("/.hidden/inside.mp3"));
        touch(root + QStringLiteral("/old.mp3/inside.mp3"));
        touch(root + QStringLiteral("/.quiet.mp3"));
        QCOMPARE(GetFilesInDir(root, QStringLiteral("*.mp3"), true),
                 (QStringList{root + QStringLiteral("/old.mp3/inside.mp3"), root + QStringLiteral("/.quiet.mp3")}));
        QCOMPARE(GetFilesInDir(root, QStringLiteral("*.mp3"), false),
                 QStringList{root + QStringLiteral("/.quiet.mp3")});
        QCOMPARE(GetDirsInDir(root, true), QStringList{root + QStringLiteral("/old.mp3")});
    }

    void linkCycleEnds()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path();
        QVERIFY(QDir().mkpath(root + QStringLiteral("/x")));
        touch(root + QStringLiteral("/x/f.mp3"));
        QVERIFY(QFile::link(root, root + QStringLiteral("/x/up")));
        const QStringList files = GetFilesInDir(root, QStringLiteral("*.mp3"), true);
        QCOMPARE(files, QStringList{root + QStringLiteral("/x/f.mp3")});
        // x/up is the root itself, walked already.
        QCOMPARE(GetDirsInDir(root, true), QStringList{root + QStringLiteral("/x")});
    }

    // Each of 15 levels links twice to the next: 2^15 paths, 16 real folders. Every real
    // folder is walked once, by whichever path comes first.
    void linkFarmWalksEachRealFolderOnce()
    {
        QTemporaryDir tmp;
        constexpr int kLevels = 15;
        const auto level = [&](int n) { return tmp.filePath(QStringLiteral("level%1").arg(n)); };
        for (int n = 0; n <= kLevels; ++n) {
            QVERIFY(QDir().mkpath(level(n)));
            touch(level(n) + QStringLiteral("/f%1.mp3").arg(n));
            if (n > 0) {
                QVERIFY(QFile::link(level(n), level(n - 1) + QStringLiteral("/a")));
                QVERIFY(QFile::link(level(n), level(n - 1) + QStringLiteral("/b")));
            }
        }
        const QStringList files = GetFilesInDir(level(0), QStringLiteral("*.mp3"), true);
        QCOMPARE(files.size(), kLevels + 1);
        QCOMPARE(files.first(), level(0) + QString(QStringLiteral("/a")).repeated(kLevels) + QStringLiteral("/f15.mp3"));
        QCOMPARE(GetDirsInDir(level(0), true).size(), kLevels);
    }

    void bigFolderListsEveryFile()
    {
        QTemporaryDir tmp;
        for (int i = 0; i < 5000; ++i)
            touch(tmp.filePath(QStringLiteral("%1.mp3").arg(i, 4, 10, QLatin1Char('0'))));
        const QStringList files = GetFilesInDir(tmp.path(), QStringLiteral("*.mp3"), false);
        QCOMPARE(files.size(), 5000);
        QCOMPARE(files.last(), tmp.filePath(QStringLiteral("4999.mp3")));
    }

    // Names are bytes: a line break, an emoji and bytes that are no UTF-8 come back as paths
    // that name the same files.
    void unusualNamesNameTheirFiles_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("line break") << QByteArray("two\nlines.mp3");
        QTest::newRow("emoji") << QByteArray("\xF0\x9F\x8E\xB5 Ноты.mp3");
        QTest::newRow("invalid UTF-8") << QByteArray("bad\xFF\xFE\xC3(.mp3");
        QTest::newRow("encoded surrogate") << QByteArray("s\xED\xB3\x80.mp3");
        QTest::newRow("cut sequence") << QByteArray("cut\xE2\x82.mp3");
    }

    void unusualNamesNameTheirFiles()
    {
        QFETCH(QByteArray, name);
        QTemporaryDir tmp;
        const QByteArray path = QFile::encodeName(tmp.path()) + '/' + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0);
        ::close(fd);
        const QStringList files = GetFilesInDir(tmp.path(), QStringLiteral("*.mp3"), false);
        QCOMPARE(files.size(), 1);
        QCOMPARE(NativePath(files.first()), path);
        QVERIFY(IsRegularFile(files.first()));
        QCOMPARE(::unlink(path.constData()), 0);
    }

    // A FIFO, a socket and a device named like recordings are passed over without being
    // opened (opening a FIFO would wait for a writer), and reported.
    void specialFilesAreSkippedAndReported()
    {
        QTemporaryDir tmp;
        touch(tmp.filePath(QStringLiteral("real.mp3")));
        QCOMPARE(::mkfifo(QFile::encodeName(tmp.filePath(QStringLiteral("fifo.mp3"))).constData(), 0644), 0);
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), tmp.filePath(QStringLiteral("device.mp3"))));
        const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = QFile::encodeName(tmp.filePath(QStringLiteral("socket.mp3")));
        std::strncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path - 1);
        QCOMPARE(::bind(sock, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        const TFolderFiles listing = ListFilesInDir(tmp.path(), QStringLiteral("*.mp3"), true);
        ::close(sock);
        QCOMPARE(listing.files, QStringList{tmp.filePath(QStringLiteral("real.mp3"))});
        QCOMPARE(listing.skipped, (QStringList{tmp.filePath(QStringLiteral("device.mp3")),
                                               tmp.filePath(QStringLiteral("fifo.mp3")),
                                               tmp.filePath(QStringLiteral("socket.mp3"))}));
        QCOMPARE(FileKindOf(tmp.filePath(QStringLiteral("fifo.mp3"))), TFileKind::Other);
        QVERIFY(!IsRegularFile(tmp.filePath(QStringLiteral("fifo.mp3"))));
        QVERIFY(!IsRegularFile(tmp.filePath(QStringLiteral("missing.mp3"))));
        QVERIFY(SkippedFilesText(listing.skipped).contains(tmp.filePath(QStringLiteral("fifo.mp3"))));
    }
};

QTEST_GUILESS_MAIN(TestFileEnumeration)
#include "tst_fileenumeration.moc"
