#pragma once

#include <QDateTime>
#include <QPoint>
#include <QSize>
#include <QString>

// The process-wide pseudo-random generator: seeded from the clock at start-up, seedable
// in tests so that a run can be repeated.
void SeedRandom(quint64 seed);
void SeedRandomFromClock();
// A uniform random real in [0, 1).
double RandomReal();
// A uniform random integer in 0 .. valuescount - 1; 0 when valuescount is below 1.
qint32 GetIntRandom(qint32 valuescount);

// Days since 30 December 1899 plus the time of day as a fraction of a day.
double DateTime();
double DateTimeOf(const QDateTime &moment);

// True when the text holds at least one character above the space.
bool StringFilled(const QString &text);

// The name of the last folder of a path, with any trailing separators ignored.
QString ExtractLastFolderFromDir(const QString &path);

// Where AlignForm puts a window of outer size `window` on a screen of size `screen`:
// centred, or at the relative place (kx, ky), each from -1 (left, top) to 1 (right,
// bottom). The top never goes above -5.
QPoint CenteredFormPosition(QSize screen, QSize window);
QPoint RelativeFormPosition(QSize screen, QSize window, double kx, double ky);

// "Nesvara v. 1.0 b89".
QString GetProgVerString();
