#include "playlists/StartFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestStartFolder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    QString InHome(const QString &relative) const { return QDir::cleanPath(m_home.filePath(relative)); }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("Музыка/Утро")));
        QFile file(InHome(QStringLiteral("Музыка/Утро/01.mp3")));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    // The typed folder when it exists, else the nearest folder above it; home for nothing usable.
    void startFolder_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        const QString morning = InHome(QStringLiteral("Музыка/Утро"));
        QTest::newRow("a folder") << morning << morning;
        QTest::newRow("with a trailing separator") << morning + QLatin1Char('/') << morning;
        QTest::newRow("a folder that is not there") << morning + QStringLiteral("/Вечер") << morning;
        QTest::newRow("deep below a missing one") << morning + QStringLiteral("/нет/и/нет/") << morning;
        QTest::newRow("a file: its folder") << morning + QStringLiteral("/01.mp3") << morning;
        QTest::newRow("blank") << QString() << m_home.path();
        QTest::newRow("only spaces") << QStringLiteral("   ") << m_home.path();
        QTest::newRow("relative: from home") << QStringLiteral("Музыка") << InHome(QStringLiteral("Музыка"));
        QTest::newRow("~ is home") << QStringLiteral("~/Музыка/Утро") << morning;
        QTest::newRow("nothing of it exists but the root")
            << QStringLiteral("/nesvara-no-such-folder/a/b") << QDir::rootPath();
    }

    void startFolder()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QCOMPARE(StartFolderFor(typed, m_home.path()), expected);
    }
};

QTEST_GUILESS_MAIN(TestStartFolder)
#include "tst_startfolder.moc"
