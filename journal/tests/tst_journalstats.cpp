// Totals, streaks and the chart's days, counted on local start dates around a fixed today.
#include "JournalTestTools.h"
#include "journal/JournalStats.h"

#include <QTest>

namespace {

// Wednesday 16 December 2026.
const QDate kToday(2026, 12, 16);

// One meditation of `minutes` on each day given as days before today, at 07:30 in UTC+3.
std::vector<JournalEntry> meditationsOn(const QList<int> &daysAgo, int minutes = 20)
{
    std::vector<JournalEntry> entries;
    for (int ago : daysAgo)
        entries.push_back(EntryAt(QDateTime(kToday.addDays(-ago), QTime(7, 30), Qt::OffsetFromUTC, 3 * 3600),
                                  minutes * 60));
    return entries;
}

} // namespace

class TestJournalStats : public QObject
{
    Q_OBJECT

private slots:
    void streaks_data()
    {
        QTest::addColumn<QList<int>>("daysAgo");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("longest");
        QTest::addColumn<int>("ofSeven");
        QTest::newRow("no meditation") << QList<int>{} << 0 << 0 << 0;
        QTest::newRow("today only") << QList<int>{0} << 1 << 1 << 1;
        QTest::newRow("yesterday keeps the streak while today is open") << QList<int>{1, 2, 3} << 3 << 3 << 3;
        QTest::newRow("the day before yesterday has ended it") << QList<int>{2, 3} << 0 << 2 << 2;
        QTest::newRow("two a day count as one day") << QList<int>{0, 0, 1} << 2 << 2 << 2;
        QTest::newRow("one missed day: not zero of seven")
            << QList<int>{0, 1, 2, 4, 5, 6} << 3 << 3 << 6;
        QTest::newRow("longest in the past") << QList<int>{0, 10, 11, 12, 13, 14} << 1 << 5 << 1;
        QTest::newRow("the eighth day back is outside the seven") << QList<int>{7, 8} << 0 << 2 << 0;
    }
    void streaks()
    {
        QFETCH(QList<int>, daysAgo);
        QFETCH(int, current);
        QFETCH(int, longest);
        QFETCH(int, ofSeven);
        const JournalStats stats = ComputeJournalStats(meditationsOn(daysAgo), kToday);
        QCOMPARE(stats.currentStreak, current);
        QCOMPARE(stats.longestStreak, longest);
        QCOMPARE(stats.daysOfLastSeven, ofSeven);
    }

    // The week starts on Monday 14 December, the month on the 1st; a meditation's day is
    // its local date where it was recorded, not the date in UTC.
    void totalsOfWeekMonthAndAllTime()
    {
        std::vector<JournalEntry> entries = meditationsOn({0, 2, 3, 15, 16, 40}, 30);
        // 00:30 on Monday in UTC+3 is still Sunday in UTC.
        entries.push_back(EntryAt(QDateTime(QDate(2026, 12, 14), QTime(0, 30), Qt::OffsetFromUTC, 3 * 3600), 3600));
        // 23:30 on Sunday 13 December in UTC-5 is Monday in UTC.
        entries.push_back(EntryAt(QDateTime(QDate(2026, 12, 13), QTime(23, 30), Qt::OffsetFromUTC, -5 * 3600), 600));
        const JournalStats stats = ComputeJournalStats(entries, kToday);
        QCOMPARE(stats.week.count, 3);
        QCOMPARE(stats.week.seconds, 2 * 1800 + 3600);
        QCOMPARE(stats.month.count, 6); // today, 14th, 13th twice, 1st; not 30 November or earlier
        QCOMPARE(stats.month.seconds, 4 * 1800 + 3600 + 600);
        QCOMPARE(stats.allTime.count, 8);
        QCOMPARE(stats.allTime.seconds, 6 * 1800 + 3600 + 600);
    }

    // The chart's last bar is today and its first is 29 days back; older days, and days
    // after today, are not in it.
    void chartMinutesPerDay()
    {
        std::vector<JournalEntry> entries = meditationsOn({0, 0, 29, 30}, 15);
        entries.push_back(EntryAt(QDateTime(kToday.addDays(3), QTime(8, 0), Qt::OffsetFromUTC, 3 * 3600), 900));
        entries.push_back(EntryAt(QDateTime(kToday.addDays(-5), QTime(8, 0), Qt::OffsetFromUTC, 3 * 3600), 90));
        const JournalStats stats = ComputeJournalStats(entries, kToday);
        QCOMPARE(stats.minutesPerDay.back(), 30.0);
        QCOMPARE(stats.minutesPerDay.front(), 15.0);
        QCOMPARE(stats.minutesPerDay[JournalStats::kChartDays - 1 - 5], 1.5);
        double total = 0;
        for (double minutes : stats.minutesPerDay)
            total += minutes;
        QCOMPARE(total, 46.5);
        QCOMPARE(stats.allTime.count, 6);
        QCOMPARE(stats.currentStreak, 1);
    }
};

QTEST_GUILESS_MAIN(TestJournalStats)
#include "tst_journalstats.moc"
