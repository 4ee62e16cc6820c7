#include "shell/Assert.h"
#include "shell/Helpers.h"

#include <QPoint>
#include <QSize>
#include <QTest>

class TestHelpers : public QObject
{
    Q_OBJECT

private slots:
    // Boundaries no other test holds: each row fails under one plausible slip.
    void pinnedBoundaries_data()
    {
        QTest::addColumn<QString>("got");
        QTest::addColumn<QString>("expected");
        const auto filled = [](const QString &text) { return StringFilled(text) ? QStringLiteral("filled") : QStringLiteral("blank"); };
        QTest::newRow("a space is blank (> 32, not >= 32)") << filled(QString(QChar(32))) << QStringLiteral("blank");
        QTest::newRow("'!' is filled (> 32, not > 33)") << filled(QString(QChar(33))) << QStringLiteral("filled");
        // Backslashes go first, then slashes: the order of the two steps decides.
        QTest::newRow("slash after backslash") << ExtractLastFolderFromDir(QStringLiteral("/m/Rain\\/")) << QString();
        QTest::newRow("backslash after slash") << ExtractLastFolderFromDir(QStringLiteral("/m/Rain/\\")) << QStringLiteral("Rain");
        const auto point = [](QPoint p) { return QStringLiteral("%1,%2").arg(p.x()).arg(p.y()); };
        // Halves go to the even neighbour: 500.5 -> 500 (round gives 501), 501.5 -> 502 (floor 501).
        QTest::newRow("half to even, down") << point(RelativeFormPosition(QSize(1001, 1001), QSize(0, 0), 0, 0)) << QStringLiteral("500,500");
        QTest::newRow("half to even, up") << point(RelativeFormPosition(QSize(1003, 1003), QSize(0, 0), 0, 0)) << QStringLiteral("502,502");
        // (100 - 103) / 2 truncates toward zero: -1, where floor gives -2.
        QTest::newRow("odd negative difference truncates") << point(CenteredFormPosition(QSize(100, 100), QSize(103, 103))) << QStringLiteral("-1,-1");
    }

    void pinnedBoundaries()
    {
        QFETCH(QString, got);
        QFETCH(QString, expected);
        QCOMPARE(got, expected);
    }

    void intRandomStaysInRange()
    {
        SeedRandom(12345);
        for (int i = 0; i < 1000; ++i)
            QCOMPARE(GetIntRandom(1), 0);
        int counts[3] = {0, 0, 0};
        for (int i = 0; i < 10000; ++i)
            ++counts[GetIntRandom(2)];
        QCOMPARE(counts[2], 0);
        QVERIFY2(counts[0] > 4500 && counts[1] > 4500, "0 and 1 come about equally often");
    }

    void seedRepeatsTheSequence()
    {
        SeedRandom(7);
        const double first = RandomReal();
        const qint32 second = GetIntRandom(1000);
        SeedRandom(7);
        QCOMPARE(RandomReal(), first);
        QCOMPARE(GetIntRandom(1000), second);
    }

    void dateTimeCountsDaysFromTheEndOf1899()
    {
        QCOMPARE(DateTimeOf(QDateTime(QDate(2000, 1, 1), QTime(12, 0))), 36526.5);
        QCOMPARE(DateTimeOf(QDateTime(QDate(1899, 12, 30), QTime(6, 0))), 0.25);
    }

    void stringFilled_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("filled");
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("three spaces") << QStringLiteral("   ") << false;
        QTest::newRow("tab and line break") << QStringLiteral("\t\n") << false;
        QTest::newRow("space letter space") << QStringLiteral(" a ") << true;
        QTest::newRow("cyrillic") << QStringLiteral("Я") << true;
    }

    void stringFilled()
    {
        QFETCH(QString, text);
        QFETCH(bool, filled);
        QCOMPARE(StringFilled(text), filled);
    }

    void lastFolder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("backslash path") << QStringLiteral("C:\\Music\\Rain") << QStringLiteral("Rain");
        QTest::newRow("trailing backslash") << QStringLiteral("C:\\Music\\Rain\\") << QStringLiteral("Rain");
        QTest::newRow("several trailing") << QStringLiteral("C:\\Music\\Rain\\\\\\") << QStringLiteral("Rain");
        QTest::newRow("slash path") << QStringLiteral("/home/u/Rain") << QStringLiteral("Rain");
        QTest::newRow("trailing slash") << QStringLiteral("/home/u/Rain/") << QStringLiteral("Rain");
        QTest::newRow("no separator") << QStringLiteral("Rain") << QStringLiteral("Rain");
        QTest::newRow("root") << QStringLiteral("/") << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void lastFolder()
    {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(ExtractLastFolderFromDir(path), name);
    }

    void centredPosition_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("position");
        QTest::newRow("odd width truncates") << QSize(1921, 1080) << QSize(400, 300) << QPoint(760, 390);
        QTest::newRow("taller than the screen") << QSize(1920, 1080) << QSize(400, 1100) << QPoint(760, -5);
        QTest::newRow("wider than the screen") << QSize(800, 600) << QSize(1000, 400) << QPoint(-100, 100);
    }

    void centredPosition()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QFETCH(QPoint, position);
        QCOMPARE(CenteredFormPosition(screen, window), position);
    }

    void relativePosition_data()
    {
        QTest::addColumn<double>("kx");
        QTest::addColumn<double>("ky");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("position");
        const QSize window(600, 600);
        QTest::newRow("near the top") << 0.0 << -0.9 << window << QPoint(660, 24);
        QTest::newRow("left edge") << -1.0 << 0.0 << window << QPoint(0, 240);
        QTest::newRow("right edge") << 1.0 << 0.0 << window << QPoint(1320, 240);
        QTest::newRow("half rounds to even") << 0.0 << 0.0 << QSize(601, 601) << QPoint(660, 240);
        QTest::newRow("top limited") << 0.0 << 0.0 << QSize(600, 1200) << QPoint(660, -5);
    }

    void relativePosition()
    {
        QFETCH(double, kx);
        QFETCH(double, ky);
        QFETCH(QSize, window);
        QFETCH(QPoint, position);
        QCOMPARE(RelativeFormPosition(QSize(1920, 1080), window, kx, ky), position);
    }

    void versionText() { QCOMPARE(GetProgVerString(), QStringLiteral("Nesvara v. 1.0 b89")); }

    void assertionReachesThePresenter()
    {
        QStringList shown;
        InstallAssertPresenter([&](const QString &text) { shown << text; });
        MyAssertProc(QStringLiteral("Assertion failure"), QStringLiteral("Main_u"), 646);
        InstallAssertPresenter([](const QString &) {});
        QCOMPARE(shown, QStringList{QStringLiteral("Algorithm assert error: Assertion failure Main_u, line 646")});
    }
};

QTEST_GUILESS_MAIN(TestHelpers)
#include "tst_helpers.moc"
