#pragma once

#include "journal/JournalEntry.h"

#include <QString>
#include <vector>

// The practice journal: one SQLite database (WAL) in a folder given by the caller. Each
// meditation is one transaction, so a killed program loses at most the one it was
// writing. A damaged or locked database is moved aside as NAME.bak (with its -wal) and a
// new one begun; a folder that cannot be written disables the journal. The database is
// opened at the first use and stays open.
//
// Every operation says whether it worked and, at most once per problem, a Russian text
// for the user.
class PracticeJournal
{
public:
    struct Outcome
    {
        bool ok = false;
        QString message; // to show the user; empty when there is nothing to say
    };

    static QString FileName() { return QStringLiteral("journal.sqlite"); }

    explicit PracticeJournal(const QString &folder);
    ~PracticeJournal();
    PracticeJournal(const PracticeJournal &) = delete;
    PracticeJournal &operator=(const PracticeJournal &) = delete;

    QString Path() const { return m_path; }
    // Why the journal is off; empty while it works (or before its first use).
    QString DisabledReason() const { return m_disabledReason; }
    bool Disabled() const { return !m_disabledReason.isEmpty(); }

    // Stores one meditation; one shorter than kShortestRecordedSeconds is skipped (ok).
    Outcome Record(const JournalEntry &entry);
    // Every meditation, newest first.
    Outcome Load(std::vector<JournalEntry> &entries);
    Outcome Remove(qint64 id);
    // Adds the meditations the journal does not hold yet, all in one transaction: either
    // every new one is stored or none. `added` counts the new ones.
    Outcome Merge(const std::vector<JournalEntry> &entries, int &added);

private:
    enum class Trouble { None, Unusable, ReadOnly, Other };

    bool EnsureOpen(QString &message);
    Trouble OpenDatabase(QString &detail);
    Trouble PrepareSchema(QString &detail);
    void CloseDatabase();
    bool SetAside(QString &message, const QString &why);
    Outcome Disable(const QString &detail);
    // Runs `work` once; when it fails because the database is damaged or locked, sets the
    // file aside and runs it once more on a new database.
    template<typename Work>
    Outcome Run(const QString &what, Work work);

    QString m_folder;
    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_closeAfterEachUse = false;
    QString m_disabledReason;
};
