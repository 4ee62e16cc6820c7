// The journal's database: what is recorded comes back whole, short meditations are left
// out, merges add only new meditations and all at once, and a damaged, locked or
// unwritable database never costs a meditation more than its own row.
#include "JournalTestTools.h"
#include "journal/PracticeJournal.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {

std::vector<JournalEntry> loadAll(PracticeJournal &journal)
{
    std::vector<JournalEntry> entries;
    const PracticeJournal::Outcome outcome = journal.Load(entries);
    if (!outcome.ok || !outcome.message.isEmpty())
        qWarning("load: %s", qPrintable(outcome.message));
    return entries;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A second connection to the same file, as another program would hold it.
class OtherConnection
{
public:
    explicit OtherConnection(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(path);
        m_open = db.open();
    }
    ~OtherConnection()
    {
        QSqlDatabase::database(name(), false).close();
        QSqlDatabase::removeDatabase(name());
    }
    bool exec(const QString &sql)
    {
        QSqlQuery query(QSqlDatabase::database(name(), false));
        const bool ok = m_open && query.exec(sql);
        if (!ok)
            qWarning("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
        return ok;
    }
    QVariant value(const QString &sql)
    {
        QSqlQuery query(QSqlDatabase::database(name(), false));
        return m_open && query.exec(sql) && query.next() ? query.value(0) : QVariant();
    }

private:
    static QString name() { return QStringLiteral("other"); }
    bool m_open = false;
};

bool runCommand(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// A read-only tmpfs mounted over a folder: read-only even for root. Unmounted at the end.
class ReadOnlyMount
{
public:
    explicit ReadOnlyMount(const QString &folder) : m_folder(folder)
    {
        m_mounted = runCommand(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                         QStringLiteral("-o"), QStringLiteral("size=4m"),
                                                         QStringLiteral("tmpfs"), folder});
    }
    bool mounted() const { return m_mounted; }
    bool makeReadOnly()
    {
        return runCommand(QStringLiteral("mount"),
                          {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_folder});
    }
    ~ReadOnlyMount()
    {
        if (m_mounted)
            runCommand(QStringLiteral("umount"), {m_folder});
    }

private:
    QString m_folder;
    bool m_mounted = false;
};

} // namespace

class TestPracticeJournal : public QObject
{
    Q_OBJECT

private slots:
    // Every field comes back as recorded, the offset from UTC too, newest first; the
    // database runs in WAL mode.
    void recordedMeditationsComeBackWholeNewestFirst()
    {
        QTemporaryDir dir;
        PracticeJournal journal(dir.path());
        std::vector<JournalEntry> recorded;
        for (qint64 n : {5, 1, 9, 3}) {
            recorded.push_back(NumberedEntry(n));
            const PracticeJournal::Outcome outcome = journal.Record(recorded.back());
            QVERIFY2(outcome.ok && outcome.message.isEmpty(), qPrintable(outcome.message));
        }
        const std::vector<JournalEntry> loaded = loadAll(journal);
        QCOMPARE(loaded.size(), std::size_t(4));
        const qint64 newestFirst[] = {9, 5, 3, 1};
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            QVERIFY2(SameFields(loaded[i], NumberedEntry(newestFirst[i])), qPrintable(loaded[i].technique));
            QVERIFY(loaded[i].id > 0);
        }
        OtherConnection other(journal.Path());
        QCOMPARE(other.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
        // A second journal object on the same folder sees the same rows.
        PracticeJournal again(dir.path());
        QCOMPARE(loadAll(again).size(), std::size_t(4));
    }

    void shortMeditationsAreLeftOut_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<bool>("kept");
        QTest::newRow("none") << 0 << false;
        QTest::newRow("one second short") << kShortestRecordedSeconds - 1 << false;
        QTest::newRow("the threshold") << kShortestRecordedSeconds << true;
    }
    void shortMeditationsAreLeftOut()
    {
        QFETCH(int, seconds);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        PracticeJournal journal(dir.path());
        JournalEntry entry = NumberedEntry(1);
        entry.meditatedSeconds = seconds;
        QVERIFY(journal.Record(entry).ok);
        QCOMPARE(loadAll(journal).size(), std::size_t(kept ? 1 : 0));
    }

    void removeDeletesOnlyThatRow()
    {
        QTemporaryDir dir;
        PracticeJournal journal(dir.path());
        for (qint64 n = 1; n <= 3; ++n)
            QVERIFY(journal.Record(NumberedEntry(n)).ok);
        const std::vector<JournalEntry> before = loadAll(journal);
        QVERIFY(journal.Remove(before[1].id).ok);
        const std::vector<JournalEntry> after = loadAll(journal);
        QCOMPARE(after.size(), std::size_t(2));
        QVERIFY(SameFields(after[0], NumberedEntry(3)));
        QVERIFY(SameFields(after[1], NumberedEntry(1)));
    }

    // The same start and length are the same meditation, whatever else differs; the same
    // start with another length is another meditation.
    void mergeAddsOnlyNewMeditations()
    {
        QTemporaryDir dir;
        PracticeJournal journal(dir.path());
        QVERIFY(journal.Record(NumberedEntry(1)).ok);
        JournalEntry sameMeditation = NumberedEntry(1);
        sameMeditation.technique = QStringLiteral("другое имя");
        sameMeditation.start = sameMeditation.start.toOffsetFromUtc(0); // the same moment
        JournalEntry longer = NumberedEntry(1);
        longer.meditatedSeconds += 1;
        int added = -1;
        const PracticeJournal::Outcome outcome =
            journal.Merge({sameMeditation, longer, NumberedEntry(2), NumberedEntry(2)}, added);
        QVERIFY2(outcome.ok, qPrintable(outcome.message));
        QCOMPARE(added, 2);
        const std::vector<JournalEntry> loaded = loadAll(journal);
        QCOMPARE(loaded.size(), std::size_t(3));
        for (const JournalEntry &entry : loaded)
            QVERIFY(entry.technique != QStringLiteral("другое имя"));
    }

    // A row the database refuses half-way through a merge leaves the journal as it was.
    void failedMergeAddsNothing()
    {
        QTemporaryDir dir;
        PracticeJournal journal(dir.path());
        QVERIFY(journal.Record(NumberedEntry(1)).ok);
        JournalEntry refused = NumberedEntry(3);
        refused.plannedMinutes = -1;
        int added = -1;
        const PracticeJournal::Outcome outcome = journal.Merge({NumberedEntry(2), refused, NumberedEntry(4)}, added);
        QVERIFY(!outcome.ok);
        QVERIFY(!outcome.message.isEmpty());
        QCOMPARE(added, 0);
        QCOMPARE(loadAll(journal).size(), std::size_t(1));
        QVERIFY(!journal.Disabled());
    }

    void damagedDatabaseIsSetAsideOnce_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("not a database") << QStringLiteral("garbage");
        QTest::newRow("cut in half") << QStringLiteral("truncated");
        QTest::newRow("pages overwritten") << QStringLiteral("scribbled");
        QTest::newRow("another program's database") << QStringLiteral("foreign");
    }
    // The damaged file is kept as NAME.bak byte for byte, a new journal takes the next
    // meditation, and the problem is told once.
    void damagedDatabaseIsSetAsideOnce()
    {
        QFETCH(QString, damage);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(PracticeJournal::FileName());
        {
            PracticeJournal journal(dir.path());
            for (qint64 n = 0; n < 400; ++n)
                QVERIFY(journal.Record(NumberedEntry(n)).ok);
        } // closing checkpoints the WAL into the file and removes it
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
        QByteArray bytes = fileBytes(path);
        QVERIFY(bytes.size() > 8192);
        if (damage == QLatin1String("garbage")) {
            bytes = QByteArray(5000, 'x');
        } else if (damage == QLatin1String("truncated")) {
            bytes.truncate(bytes.size() / 2);
        } else if (damage == QLatin1String("scribbled")) {
            for (qsizetype i = 4096; i < bytes.size(); i += 97)
                bytes[i] = char(i * 31);
        } else {
            QFile::remove(path);
            OtherConnection other(path);
            QVERIFY(other.exec(QStringLiteral("CREATE TABLE notes (text TEXT)")));
            QVERIFY(other.exec(QStringLiteral("INSERT INTO notes VALUES ('чужое')")));
        }
        if (damage != QLatin1String("foreign"))
            QVERIFY(writeBytes(path, bytes));
        const QByteArray damaged = fileBytes(path);

        PracticeJournal journal(dir.path());
        const PracticeJournal::Outcome first = journal.Record(NumberedEntry(1000));
        QVERIFY2(first.ok, qPrintable(first.message));
        QVERIFY2(first.message.contains(QStringLiteral("начат новый дневник")), qPrintable(first.message));
        QVERIFY2(first.message.contains(path + QStringLiteral(".bak")), qPrintable(first.message));
        QCOMPARE(fileBytes(path + QStringLiteral(".bak")), damaged);

        const PracticeJournal::Outcome second = journal.Record(NumberedEntry(1001));
        QVERIFY(second.ok);
        QCOMPARE(second.message, QString());
        const std::vector<JournalEntry> loaded = loadAll(journal);
        QCOMPARE(loaded.size(), std::size_t(2));
        QVERIFY(SameFields(loaded[0], NumberedEntry(1001)));
    }

    // A second damage later in the same run is a new problem: told again, and its file
    // kept beside the first one rather than over it.
    void secondDamageKeepsBothCopies()
    {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(PracticeJournal::FileName());
        QVERIFY(writeBytes(path, QByteArray(4096, 'a')));
        {
            PracticeJournal journal(dir.path());
            QVERIFY(!journal.Record(NumberedEntry(1)).message.isEmpty());
        }
        QVERIFY(writeBytes(path, QByteArray(4096, 'b')));
        PracticeJournal journal(dir.path());
        const PracticeJournal::Outcome outcome = journal.Record(NumberedEntry(2));
        QVERIFY(outcome.ok);
        QVERIFY(outcome.message.contains(path + QStringLiteral(".bak.1")));
        QCOMPARE(fileBytes(path + QStringLiteral(".bak")), QByteArray(4096, 'a'));
        QCOMPARE(fileBytes(path + QStringLiteral(".bak.1")), QByteArray(4096, 'b'));
    }

    // Another program holds the write lock for longer than a meditation may wait: the
    // locked file is set aside with its rows and the meditation goes into a new one.
    void lockedDatabaseIsSetAside()
    {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(PracticeJournal::FileName());
        {
            PracticeJournal journal(dir.path());
            QVERIFY(journal.Record(NumberedEntry(1)).ok);
        }
        PracticeJournal journal(dir.path());
        QCOMPARE(loadAll(journal).size(), std::size_t(1));
        {
            OtherConnection other(path);
            QVERIFY(other.exec(QStringLiteral("BEGIN IMMEDIATE")));
            const PracticeJournal::Outcome outcome = journal.Record(NumberedEntry(2));
            QVERIFY2(outcome.ok, qPrintable(outcome.message));
            QVERIFY2(outcome.message.contains(QStringLiteral("занят")), qPrintable(outcome.message));
            QVERIFY(QFile::exists(path + QStringLiteral(".bak")));
            QVERIFY(other.exec(QStringLiteral("ROLLBACK")));
        }
        // The other program has closed the old file, deleting the WAL by its name: the new
        // journal's rows are all in the new file, for this object and for a new one.
        QVERIFY(journal.Record(NumberedEntry(3)).ok);
        PracticeJournal reopened(dir.path());
        for (PracticeJournal *reader : {&journal, &reopened}) {
            const std::vector<JournalEntry> loaded = loadAll(*reader);
            QCOMPARE(loaded.size(), std::size_t(2));
            QVERIFY(SameFields(loaded[0], NumberedEntry(3)));
            QVERIFY(SameFields(loaded[1], NumberedEntry(2)));
        }
        PracticeJournal aside(dir.path() + QStringLiteral("/aside"));
        QVERIFY(QDir().mkpath(dir.path() + QStringLiteral("/aside")));
        QVERIFY(QFile::copy(path + QStringLiteral(".bak"), aside.Path()));
        const std::vector<JournalEntry> kept = loadAll(aside);
        QCOMPARE(kept.size(), std::size_t(1));
        QVERIFY(SameFields(kept[0], NumberedEntry(1)));
    }

    void readOnlyFolderDisablesTheJournal_data()
    {
        QTest::addColumn<bool>("withJournal");
        QTest::newRow("empty folder") << false;
        QTest::newRow("folder holding a journal") << true;
    }
    // Told once; every later operation fails quietly and nothing is written.
    void readOnlyFolderDisablesTheJournal()
    {
        QFETCH(bool, withJournal);
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/ro");
        QVERIFY(QDir().mkpath(folder));
        ReadOnlyMount mount(folder);
        if (!mount.mounted())
            QSKIP("mounting a tmpfs needs root with CAP_SYS_ADMIN; without it no folder is read-only for root");
        if (withJournal) {
            PracticeJournal journal(folder);
            QVERIFY(journal.Record(NumberedEntry(1)).ok);
        }
        QVERIFY(mount.makeReadOnly());
        const QStringList filesBefore = QDir(folder).entryList(QDir::Files);

        PracticeJournal journal(folder);
        const PracticeJournal::Outcome first = journal.Record(NumberedEntry(2));
        QVERIFY(!first.ok);
        QVERIFY2(first.message.contains(QStringLiteral("отключён")), qPrintable(first.message));
        QVERIFY(journal.Disabled());
        QCOMPARE(journal.DisabledReason(), first.message);
        const PracticeJournal::Outcome second = journal.Record(NumberedEntry(3));
        QVERIFY(!second.ok);
        QCOMPARE(second.message, QString());
        std::vector<JournalEntry> entries;
        QVERIFY(!journal.Load(entries).ok);
        QCOMPARE(QDir(folder).entryList(QDir::Files), filesBefore);
    }
};

QTEST_GUILESS_MAIN(TestPracticeJournal)
#include "tst_practicejournal.moc"
