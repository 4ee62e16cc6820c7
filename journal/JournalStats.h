#pragma once

#include "journal/JournalEntry.h"

#include <QDate>
#include <array>
#include <vector>

// What the journal's window shows above the list: totals, streaks and the minutes of each
// of the last 30 days. A meditation belongs to the local date on which it started.
struct JournalTotals
{
    qint64 count = 0;
    qint64 seconds = 0;
};

struct JournalStats
{
    static constexpr int kChartDays = 30;

    JournalTotals week; // from this Monday
    JournalTotals month; // from the 1st
    JournalTotals allTime;
    // Days in a row with at least one meditation, ending today, or yesterday while today
    // has none yet (the day is not lost before it is over).
    int currentStreak = 0;
    int longestStreak = 0;
    int daysOfLastSeven = 0; // today and the six days before it
    // Minutes meditated on each day, the oldest first; the last one is today.
    std::array<double, kChartDays> minutesPerDay{};
};

JournalStats ComputeJournalStats(const std::vector<JournalEntry> &entries, const QDate &today);

// The local date a meditation belongs to: the date of its start in its own offset.
QDate JournalDay(const JournalEntry &entry);
