// Records numbered meditations into the journal in FOLDER, from FIRST on, until it is
// killed: journal_writer FOLDER FIRST. Prints "recording" before the first and
// "recorded N" after each one is committed.
#include "JournalTestTools.h"
#include "journal/PracticeJournal.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: journal_writer FOLDER FIRST\n");
        return 2;
    }
    PracticeJournal journal(args.at(1));
    std::printf("recording\n");
    std::fflush(stdout);
    for (qint64 n = args.at(2).toLongLong();; ++n) {
        const PracticeJournal::Outcome outcome = journal.Record(NumberedEntry(n));
        if (!outcome.ok || !outcome.message.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(outcome.message));
            return 1;
        }
        std::printf("recorded %lld\n", static_cast<long long>(n));
        std::fflush(stdout);
    }
}
