#pragma once

#include <QLocale>
#include <QString>

// How the progress bar and its label show an elapsed part of the meditation time.
struct TProgressDisplay
{
    int position = 0;
    QString text;
};

// position: progr × maximum, rounded half to even and kept within 0 .. maximum (the last
// phrase can end a little after the meditation time); text: progr × 100 with one decimal in
// the locale's notation, followed by "%".
TProgressDisplay FormatProgress(double progr, int maximum, const QLocale &locale);
