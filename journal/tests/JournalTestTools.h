#pragma once

#include "journal/JournalEntry.h"

#include <QTimeZone>

// A meditation whose every field follows from `n`, so a row read back can be checked
// field by field: this is how the kill test knows a row is whole.
inline JournalEntry NumberedEntry(qint64 n)
{
    JournalEntry entry;
    const qint64 start = 1'700'000'000 + n * 3600;
    const int offset = int((n % 27) - 13) * 3600;
    entry.start = QDateTime::fromSecsSinceEpoch(start, Qt::OffsetFromUTC, offset);
    entry.plannedMinutes = int(n % 120) + 1;
    entry.meditatedSeconds = 30 + int(n % 7200);
    entry.technique = QStringLiteral("Техника №%1, \"с кавычками\"").arg(n);
    entry.instructor = n % 2 ? QStringLiteral("Женский (Марвейн)") : QStringLiteral("Мужской (Острель)");
    entry.preparation = n % 3 ? QString() : QStringLiteral("Подготовка %1").arg(n);
    entry.background = n % 5 ? QStringLiteral("Дождь\nи гром %1").arg(n) : QString();
    entry.ending = static_cast<JournalEnding>(n % 5);
    return entry;
}

// The number a numbered entry was made from, or -1 when the technique names none.
inline qint64 EntryNumber(const JournalEntry &entry)
{
    const QString prefix = QStringLiteral("Техника №");
    if (!entry.technique.startsWith(prefix))
        return -1;
    bool ok = false;
    const qint64 n = entry.technique.mid(prefix.size()).section(QLatin1Char(','), 0, 0).toLongLong(&ok);
    return ok ? n : -1;
}

// Equal in every field the journal keeps, the offset from UTC included.
inline bool SameFields(const JournalEntry &a, const JournalEntry &b)
{
    return a.start.toSecsSinceEpoch() == b.start.toSecsSinceEpoch()
           && a.start.offsetFromUtc() == b.start.offsetFromUtc() && a.plannedMinutes == b.plannedMinutes
           && a.meditatedSeconds == b.meditatedSeconds && a.technique == b.technique
           && a.instructor == b.instructor && a.preparation == b.preparation && a.background == b.background
           && a.ending == b.ending;
}

inline JournalEntry EntryAt(const QDateTime &start, qint32 seconds)
{
    JournalEntry entry;
    entry.start = JournalMoment(start);
    entry.plannedMinutes = 10;
    entry.meditatedSeconds = seconds;
    entry.technique = QStringLiteral("Просто тишина");
    entry.instructor = QStringLiteral("Мужской (Острель)");
    return entry;
}
