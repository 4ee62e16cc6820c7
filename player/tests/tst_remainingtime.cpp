// The time left of a meditation as the window shows it beside the percentage.

#include "player/ProgressFormat.h"

#include <QTest>

class TestRemainingTime : public QObject
{
    Q_OBJECT

private slots:
    void format_data();
    void format();
};

void TestRemainingTime::format_data()
{
    QTest::addColumn<qint64>("remainingMs");
    QTest::addColumn<QString>("text");
    QTest::newRow("twelve minutes") << qint64(12 * 60'000) << QStringLiteral("осталось 12:00");
    QTest::newRow("a part of a second counts as a second") << qint64(12 * 60'000 + 34'001)
                                                            << QStringLiteral("осталось 12:35");
    QTest::newRow("whole seconds") << qint64(754'000) << QStringLiteral("осталось 12:34");
    QTest::newRow("seconds have two digits") << qint64(5 * 60'000 + 7'000) << QStringLiteral("осталось 5:07");
    QTest::newRow("last millisecond") << qint64(1) << QStringLiteral("осталось 0:01");
    QTest::newRow("time over") << qint64(0) << QStringLiteral("осталось 0:00");
    QTest::newRow("last phrase runs past the end") << qint64(-4'500) << QStringLiteral("осталось 0:00");
    QTest::newRow("just under an hour") << qint64(3'600'000 - 1'000) << QStringLiteral("осталось 59:59");
    QTest::newRow("an hour") << qint64(3'600'000) << QStringLiteral("осталось 1:00:00");
    QTest::newRow("longer than the bar allows") << qint64(600LL * 60'000 - 61'000) << QStringLiteral("осталось 9:58:59");
}

void TestRemainingTime::format()
{
    QFETCH(qint64, remainingMs);
    QFETCH(QString, text);
    QCOMPARE(FormatRemainingTime(remainingMs), text);
}

QTEST_GUILESS_MAIN(TestRemainingTime)
#include "tst_remainingtime.moc"
