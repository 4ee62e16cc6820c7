#include "journal/JournalStats.h"

#include <algorithm>
#include <map>

namespace {

void add(JournalTotals &totals, const JournalEntry &entry)
{
    ++totals.count;
    totals.seconds += entry.meditatedSeconds;
}

// The length of the run of consecutive days that ends on `last`.
int runEndingOn(const std::map<QDate, qint64> &days, QDate last)
{
    int run = 0;
    while (days.contains(last)) {
        ++run;
        last = last.addDays(-1);
    }
    return run;
}

int longestRun(const std::map<QDate, qint64> &days)
{
    int longest = 0;
    int run = 0;
    QDate previous;
    for (const auto &[day, seconds] : days) {
        run = previous.isValid() && previous.addDays(1) == day ? run + 1 : 1;
        longest = std::max(longest, run);
        previous = day;
    }
    return longest;
}

} // namespace

QDate JournalDay(const JournalEntry &entry)
{
    return entry.start.date();
}

JournalStats ComputeJournalStats(const std::vector<JournalEntry> &entries, const QDate &today)
{
    JournalStats stats;
    const QDate weekStart = today.addDays(1 - today.dayOfWeek());
    const QDate monthStart(today.year(), today.month(), 1);
    const QDate chartStart = today.addDays(1 - JournalStats::kChartDays);
    std::map<QDate, qint64> secondsPerDay;
    for (const JournalEntry &entry : entries) {
        const QDate day = JournalDay(entry);
        add(stats.allTime, entry);
        // Dates after today (a clock that was set back) count in the totals of all time only.
        if (day > today)
            continue;
        if (day >= weekStart)
            add(stats.week, entry);
        if (day >= monthStart)
            add(stats.month, entry);
        secondsPerDay[day] += entry.meditatedSeconds;
    }
    stats.currentStreak = runEndingOn(secondsPerDay, today);
    if (stats.currentStreak == 0)
        stats.currentStreak = runEndingOn(secondsPerDay, today.addDays(-1));
    stats.longestStreak = longestRun(secondsPerDay);
    for (int i = 0; i < 7; ++i)
        stats.daysOfLastSeven += secondsPerDay.contains(today.addDays(-i)) ? 1 : 0;
    for (int i = 0; i < JournalStats::kChartDays; ++i) {
        const auto found = secondsPerDay.find(chartStart.addDays(i));
        stats.minutesPerDay[std::size_t(i)] = found == secondsPerDay.end() ? 0.0 : double(found->second) / 60.0;
    }
    return stats;
}
