#include "shell/FileEnumeration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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
        QCOMPARE(GetDirsInDir(root, true), (QStringList{root + QStringLiteral("/x/up"), root + QStringLiteral("/x")}));
    }
};

QTEST_GUILESS_MAIN(TestFileEnumeration)
#include "tst_fileenumeration.moc"
