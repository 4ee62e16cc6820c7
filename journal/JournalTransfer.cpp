#include "journal/JournalTransfer.h"

#include "journal/JournalCsv.h"

#include <QDir>

namespace {

QString joined(const QString &first, const QString &second)
{
    if (first.isEmpty())
        return second;
    return second.isEmpty() ? first : first + QLatin1Char('\n') + second;
}

// Why an operation failed: its own message, or why the journal is off when that was
// already said.
QString failureText(const PracticeJournal::Outcome &outcome, const PracticeJournal &journal)
{
    return outcome.message.isEmpty() ? journal.DisabledReason() : outcome.message;
}

} // namespace

JournalTransferResult ExportJournalCsv(PracticeJournal &journal, const QString &path)
{
    std::vector<JournalEntry> entries;
    const PracticeJournal::Outcome loaded = journal.Load(entries);
    if (!loaded.ok)
        return {false, failureText(loaded, journal)};
    QString error;
    if (!WriteJournalCsvFile(path, entries, error))
        return {false, joined(loaded.message, error)};
    return {true, joined(loaded.message, QStringLiteral("В файл \"%1\" записано медитаций: %2.")
                                             .arg(QDir::toNativeSeparators(path))
                                             .arg(entries.size()))};
}

JournalTransferResult ImportJournalCsv(PracticeJournal &journal, const QString &path)
{
    JournalCsvReading reading;
    QString error;
    if (!ReadJournalCsvFile(path, reading, error))
        return {false, error};
    if (!reading.problems.isEmpty())
        return {false, QStringLiteral("Файл \"%1\" не импортирован: в нём есть строки, которые не удалось прочитать.\n%2")
                           .arg(QDir::toNativeSeparators(path), JournalCsvProblemsText(reading.problems))};
    int added = 0;
    const PracticeJournal::Outcome merged = journal.Merge(reading.entries, added);
    if (!merged.ok)
        return {false, failureText(merged, journal)};
    const qsizetype known = qsizetype(reading.entries.size()) - added;
    return {true, joined(merged.message, QStringLiteral("Добавлено медитаций: %1; уже были в дневнике: %2.")
                                             .arg(added)
                                             .arg(known))};
}
