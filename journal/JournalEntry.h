#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

// How a meditation ended.
enum class JournalEnding : quint8 {
    Completed,     // its time ran out
    Stopped,       // the Stop button
    MissingPhrase, // a voice recording it needed was missing
    WindowClosed,  // the main window closed during it
    Failed,        // an unforeseen error ended it
};

// The Russian word shown in the window and written to CSV files.
QString EndingText(JournalEnding ending);
std::optional<JournalEnding> EndingFromText(const QString &text);
// The code kept in the database: it does not change when the texts do.
QString EndingCode(JournalEnding ending);
std::optional<JournalEnding> EndingFromCode(const QString &code);

// One meditation as the journal keeps it. Texts are the names the user saw; an empty
// preparation or background means none was played.
struct JournalEntry
{
    qint64 id = 0; // the database's row; 0 until stored
    QDateTime start; // local time with its offset from UTC, whole seconds
    qint32 plannedMinutes = 0;
    qint32 meditatedSeconds = 0; // pauses excluded
    QString technique;
    QString instructor;
    QString preparation;
    QString background;
    JournalEnding ending = JournalEnding::Completed;

    // The same start and the same length are the same meditation.
    bool SameMeditation(const JournalEntry &other) const;
    bool operator==(const JournalEntry &other) const = default;
};

// Shorter meditations are not recorded: a start pressed by mistake is no practice.
constexpr qint32 kShortestRecordedSeconds = 30;
// No meditation is longer than this; anything above is damaged data.
constexpr qint32 kLongestMeditationSeconds = 7 * 24 * 3600;
constexpr qint32 kLongestPlannedMinutes = 100000;

// The moment as the journal keeps it: whole seconds, with the offset it had then.
QDateTime JournalMoment(const QDateTime &moment);
