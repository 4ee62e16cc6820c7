#pragma once

#include <QLocale>
#include <QString>

// How the progress bar and its label show an elapsed part of the meditation time.
struct TProgressDisplay
{
    int position = 0;
    QString text;

    bool operator==(const TProgressDisplay &other) const = default;
};

// The progress bar runs from 0 to this.
constexpr int kProgressMaximum = 100;

// position: progr × maximum, rounded half to even and kept within 0 .. maximum (the last
// phrase can end a little after the meditation time); text: progr × 100 with one decimal in
// the locale's notation, followed by "%".
TProgressDisplay FormatProgress(double progr, int maximum, const QLocale &locale);

// The first elapsed time after `elapsedMs` at which the bar (of kProgressMaximum) or its
// label shows something else than at `elapsedMs`, for a meditation time of `lengthMs`.
quint64 NextProgressChangeMs(quint64 elapsedMs, quint64 lengthMs);

// "осталось 12:34": the meditation time left, in whole seconds rounded up, so that "0:00"
// appears only when the time is over; hours are shown once there is one ("осталось
// 1:05:00"). Time past the end shows as "0:00".
QString FormatRemainingTime(qint64 remainingMs);
