#pragma once

#include "journal/PracticeJournal.h"

#include <QString>

// Export and import between the journal and a CSV file, with the texts the window shows.
struct JournalTransferResult
{
    bool ok = false;
    QString message; // what happened, in Russian; shown whether or not it worked
};

JournalTransferResult ExportJournalCsv(PracticeJournal &journal, const QString &path);
// Either every readable row of the file is merged (duplicates skipped) or, when any row
// cannot be read, nothing is.
JournalTransferResult ImportJournalCsv(PracticeJournal &journal, const QString &path);
