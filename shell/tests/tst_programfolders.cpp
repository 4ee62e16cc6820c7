#include "shell/Errors.h"
#include "shell/ProgramFolders.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Mounts `dir` over itself read-only, which binds root too; false where mounting is not
// allowed.
bool makeReadOnly(const QString &dir)
{
    return QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), dir, dir}) == 0
           && QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), dir, dir}) == 0;
}

void unmount(const QString &dir)
{
    QProcess::execute(QStringLiteral("umount"), {dir});
}

} // namespace

class TestProgramFolders : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_root;  // ends with "/"

    QString mk(const QString &relative)
    {
        const QString path = m_root + relative;
        if (!QDir().mkpath(path))
            qFatal("cannot create %s", qPrintable(path));
        return path;
    }

    ProgramLocation location(bool portableSwitch = false)
    {
        ProgramLocation where;
        where.executableDir = m_root + QStringLiteral("usr/bin");
        where.portableSwitch = portableSwitch;
        where.configHome = m_root + QStringLiteral("home/.config");
        where.dataHome = m_root + QStringLiteral("home/.local/share");
        where.builtForDataDir = m_root + QStringLiteral("opt/share/nesvara");
        return where;
    }

private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_root = m_tmp->path() + QLatin1Char('/');
        mk(QStringLiteral("usr/bin"));
    }

    void aWritableFolderWithItsOwnSoundsIsPortable()
    {
        mk(QStringLiteral("usr/bin/Sounds"));
        mk(QStringLiteral("usr/share/nesvara/Sounds"));
        const ProgramFolders folders = ResolveProgramFolders(location());
        const QString bin = m_root + QStringLiteral("usr/bin/");
        QVERIFY(folders.portable);
        QCOMPARE(folders.optionsDir, bin);
        QCOMPARE(folders.dataDir, bin);
        QCOMPARE(folders.libraryDirs, QStringList{bin});
        QCOMPARE(folders.OptionsFile(), bin + QStringLiteral("options.bin"));
        QCOMPARE(folders.MusicListsFile(), bin + QStringLiteral("musiclists.bin"));
        QCOMPARE(folders.BackSoundsListFile(), bin + QStringLiteral("backsoundslists.bin"));
    }

    void theSwitchMakesAnyFolderPortable()
    {
        mk(QStringLiteral("usr/share/nesvara/Sounds"));
        const ProgramFolders folders = ResolveProgramFolders(location(true));
        QVERIFY(folders.portable);
        QCOMPARE(folders.dataDir, m_root + QStringLiteral("usr/bin/"));
    }

    void installedKeepsTheUsersFilesInTheXdgFolders_data()
    {
        QTest::addColumn<QString>("libraryAt");
        QTest::addColumn<QString>("expectedLibrary");
        QTest::newRow("beside the executable") << QStringLiteral("usr/share/nesvara") << QStringLiteral("usr/share/nesvara/");
        QTest::newRow("where the build was meant to go") << QStringLiteral("opt/share/nesvara") << QStringLiteral("opt/share/nesvara/");
        // Nothing anywhere: the place beside the executable, where the missing recordings
        // are then reported.
        QTest::newRow("nowhere") << QString() << QStringLiteral("usr/share/nesvara/");
    }

    void installedKeepsTheUsersFilesInTheXdgFolders()
    {
        QFETCH(QString, libraryAt);
        QFETCH(QString, expectedLibrary);
        if (!libraryAt.isEmpty())
            mk(libraryAt + QStringLiteral("/Sounds"));
        const ProgramFolders folders = ResolveProgramFolders(location());
        QVERIFY(!folders.portable);
        QCOMPARE(folders.optionsDir, m_root + QStringLiteral("home/.config/nesvara/"));
        QCOMPARE(folders.dataDir, m_root + QStringLiteral("home/.local/share/nesvara/"));
        QCOMPARE(folders.libraryDirs, (QStringList{m_root + QStringLiteral("home/.local/share/nesvara/"),
                                                   m_root + expectedLibrary}));
        QCOMPARE(folders.InstalledLibraryDir(), m_root + expectedLibrary);
    }

    // A read-only stick: its own library is read, the user's files go to the XDG folders.
    void aReadOnlyFolderWithSoundsIsNotPortable()
    {
        const QString bin = m_root + QStringLiteral("usr/bin");
        mk(QStringLiteral("usr/bin/Sounds"));
        if (!makeReadOnly(bin))
            QSKIP("a read-only bind mount is not allowed here");
        const bool portable = IsPortableFolder(bin);
        const ProgramFolders folders = ResolveProgramFolders(location());
        unmount(bin);
        QVERIFY(!portable);
        QVERIFY(!folders.portable);
        QCOMPARE(folders.dataDir, m_root + QStringLiteral("home/.local/share/nesvara/"));
        QCOMPARE(folders.InstalledLibraryDir(), bin + QLatin1Char('/'));
    }

    void makeFolderForCreatesTheMissingFolders()
    {
        const QString file = m_root + QStringLiteral("home/.config/nesvara/options.bin");
        MakeFolderFor(file);
        QVERIFY(QFileInfo(m_root + QStringLiteral("home/.config/nesvara")).isDir());
        MakeFolderFor(file);  // already there
    }

    void makeFolderForNamesTheFolderItCannotCreate()
    {
        QFile blocker(m_root + QStringLiteral("home"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        try {
            MakeFolderFor(m_root + QStringLiteral("home/.config/nesvara/options.bin"));
            QFAIL("no error");
        } catch (const FileError &error) {
            QVERIFY2(error.text().startsWith(QStringLiteral("Не удалось создать папку \"%1home/.config/nesvara\"").arg(m_root)),
                     qPrintable(error.text()));
        }
    }

    void theRunsFoldersAreTheOnesStartUpSet()
    {
        ProgramFolders folders = PortableFolders(m_root);
        folders.dataDir = m_root + QStringLiteral("data/");
        SetProgramFolders(folders);
        QCOMPARE(ProgramDataFolder(), m_root + QStringLiteral("data/"));
        QCOMPARE(TheProgramFolders().optionsDir, m_root);
    }
};

QTEST_GUILESS_MAIN(TestProgramFolders)
#include "tst_programfolders.moc"
