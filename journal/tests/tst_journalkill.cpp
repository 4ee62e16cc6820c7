// A program killed while it records meditations: afterwards the database opens as it is
// (nothing set aside), every row is whole, and at most the meditation being written when
// the kill came is missing.
#include "JournalTestTools.h"
#include "journal/PracticeJournal.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

#ifdef NESVARA_SANITIZED
constexpr int kKills = 60;
#else
constexpr int kKills = 150;
#endif
// The kill comes this long after the writer said it is recording, at the latest.
constexpr quint32 kLatestKillUs = 60000;

QString integrityCheck(const QString &path)
{
    const QString name = QStringLiteral("integrity");
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next())
                result = query.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

// The last number the writer said it recorded, or -1.
qint64 lastRecorded(const QByteArray &output)
{
    const QList<QByteArray> lines = output.split('\n');
    for (auto line = lines.crbegin(); line != lines.crend(); ++line)
        if (line->startsWith("recorded "))
            return line->mid(9).toLongLong();
    return -1;
}

} // namespace

class TestJournalKill : public QObject
{
    Q_OBJECT

private slots:
    void killedWriterLeavesWholeRows()
    {
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(PracticeJournal::FileName());
        QRandomGenerator random(20261211);
        qint64 next = 0; // the number the next writer starts from
        int killsBeforeFirstRow = 0;
        int killsBetweenCommitAndAnswer = 0;
        for (int kill = 0; kill < kKills; ++kill) {
            QProcess writer;
            writer.start(QStringLiteral(NESVARA_JOURNAL_WRITER), {dir.path(), QString::number(next)});
            QVERIFY(writer.waitForStarted());
            QVERIFY(writer.waitForReadyRead(10000));
            QThread::usleep(random.bounded(kLatestKillUs));
            writer.kill();
            QVERIFY(writer.waitForFinished(10000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            const QByteArray output = writer.readAllStandardOutput();
            const QByteArray errors = writer.readAllStandardError();
            QVERIFY2(errors.isEmpty(), errors.constData());
            const qint64 acknowledged = lastRecorded(output);

            PracticeJournal journal(dir.path());
            std::vector<JournalEntry> rows;
            const PracticeJournal::Outcome outcome = journal.Load(rows);
            QVERIFY2(outcome.ok && outcome.message.isEmpty(), qPrintable(outcome.message));
            QVERIFY(!QFile::exists(path + QStringLiteral(".bak")));
            // Every row is one of the writer's meditations, whole, and none twice; every
            // number up to the last one is there.
            QSet<qint64> numbers;
            qint64 highest = -1;
            for (const JournalEntry &row : rows) {
                const qint64 n = EntryNumber(row);
                QVERIFY2(n >= 0 && SameFields(row, NumberedEntry(n)), qPrintable(row.technique));
                QVERIFY(!numbers.contains(n));
                numbers.insert(n);
                highest = std::max(highest, n);
            }
            QCOMPARE(qint64(numbers.size()), highest + 1);
            // Acknowledged means committed; one more may have committed before the kill.
            QVERIFY2(highest >= acknowledged, qPrintable(QStringLiteral("kill %1: %2 acknowledged, %3 stored")
                                                              .arg(kill).arg(acknowledged).arg(highest)));
            QVERIFY(highest <= std::max(acknowledged, next - 1) + 1);
            killsBeforeFirstRow += highest < next ? 1 : 0;
            killsBetweenCommitAndAnswer += highest >= next && highest > acknowledged ? 1 : 0;
            next = highest + 1;
        }
        QCOMPARE(integrityCheck(path), QStringLiteral("ok"));
        qInfo("%d kills, %lld meditations recorded; kills before a writer's first row: %d, "
              "between a commit and its answer: %d",
              kKills, next, killsBeforeFirstRow, killsBetweenCommitAndAnswer);
    }
};

QTEST_GUILESS_MAIN(TestJournalKill)
#include "tst_journalkill.moc"
