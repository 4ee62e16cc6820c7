#pragma once

#include "journal/JournalEntry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

// The journal as a CSV file (RFC 4180): UTF-8 with a byte-order mark so that spreadsheets
// take it as UTF-8, a header row, one row per meditation, CRLF line ends, ISO 8601 times
// with their offset from UTC.
QByteArray JournalToCsv(const std::vector<JournalEntry> &entries);

struct JournalCsvReading
{
    std::vector<JournalEntry> entries;
    // "строка 7: ..." for every row that cannot be read; a file with any is not imported.
    QStringList problems;
};

JournalCsvReading JournalFromCsv(const QByteArray &bytes);

// Whole-file helpers: false with a Russian reason when the file cannot be written or read.
bool WriteJournalCsvFile(const QString &path, const std::vector<JournalEntry> &entries, QString &error);
bool ReadJournalCsvFile(const QString &path, JournalCsvReading &reading, QString &error);

// The problems as one text for a message box, the first few in full.
QString JournalCsvProblemsText(const QStringList &problems);
