// The journal as CSV: the exact bytes of a row, a round trip of awkward texts, rows that
// cannot be read reported by line, and imports that merge all of a file or none of it.
#include "JournalTestTools.h"
#include "journal/JournalCsv.h"
#include "journal/JournalTransfer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kHeader = QStringLiteral("Начало,\"План, мин\",\"Медитация, с\",Техника,Инструктор,"
                                          "Подготовка,Фоновый звук,Завершение\r\n")
                               .toUtf8();

QByteArray withHeader(const QByteArray &rows)
{
    return "\xEF\xBB\xBF" + kHeader + rows;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

std::vector<JournalEntry> loadAll(PracticeJournal &journal)
{
    std::vector<JournalEntry> entries;
    journal.Load(entries);
    return entries;
}

} // namespace

class TestJournalCsv : public QObject
{
    Q_OBJECT

private slots:
    // UTF-8 with a byte-order mark, the header, CRLF, the time with its offset, fields with
    // commas or quotes quoted and inner quotes doubled.
    void exportedBytes()
    {
        JournalEntry entry = EntryAt(QDateTime(QDate(2026, 3, 8), QTime(6, 5, 9), Qt::OffsetFromUTC, 3 * 3600), 1234);
        entry.plannedMinutes = 20;
        entry.technique = QStringLiteral("Медитация с \"напоминаниями\", вдох");
        entry.background = QStringLiteral("Дождь");
        entry.ending = JournalEnding::Stopped;
        QCOMPARE(JournalToCsv({entry}),
                 withHeader(QStringLiteral("2026-03-08T06:05:09+03:00,20,1234,\"Медитация с \"\"напоминаниями\"\", вдох\","
                                           "Мужской (Острель),,Дождь,остановлена\r\n")
                                .toUtf8()));
    }

    // Every field of every kind of entry survives the trip, offsets included.
    void roundTrip()
    {
        std::vector<JournalEntry> entries;
        for (qint64 n = 0; n < 60; ++n)
            entries.push_back(NumberedEntry(n));
        entries[3].technique = QStringLiteral(" пробелы по краям ");
        entries[4].preparation = QStringLiteral("строка\r\nс CRLF, и \"кавычки\"");
        const JournalCsvReading reading = JournalFromCsv(JournalToCsv(entries));
        QCOMPARE(reading.problems, QStringList());
        QCOMPARE(reading.entries.size(), entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            QVERIFY2(SameFields(reading.entries[i], entries[i]), qPrintable(entries[i].technique));
    }

    void unreadableRowsAreReportedByLine_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("problems");
        const QByteArray good = "2026-03-08T06:05:09+03:00,20,600,Т,И,,,до конца\r\n";
        QTest::newRow("no header") << QByteArray(good) << QStringList{QStringLiteral("строка 1")};
        QTest::newRow("not UTF-8") << withHeader("2026-03-08T06:05:09+03:00,20,600,\xCF\xF0,И,,,до конца\r\n")
                                   << QStringList{QStringLiteral("UTF-8")};
        QTest::newRow("bad rows, each by its line")
            << withHeader(good + "вчера,20,600,Т,И,,,до конца\r\n" + good + "2026-03-08T06:05:09Z,-1,600,Т,И,,,до конца\r\n"
                          + "2026-03-08T06:05:09Z,20,600,Т,И,,\r\n" + "2026-03-08T06:05:09Z,20,60x,Т,И,,,до конца\r\n"
                          + "2026-03-08T06:05:09Z,20,600,Т,И,,,как-то\r\n")
            << QStringList{QStringLiteral("строка 3"), QStringLiteral("строка 5"), QStringLiteral("строка 6"),
                           QStringLiteral("строка 7"), QStringLiteral("строка 8")};
        QTest::newRow("lines inside quotes count")
            << withHeader("2026-03-08T06:05:09Z,20,600,\"две\nстроки\",И,,,до конца\r\n"
                          "2026-03-08T06:05:09Z,20,600,Т,И,,,никак\r\n")
            << QStringList{QStringLiteral("строка 4")};
        QTest::newRow("quote never closed") << withHeader(good + "2026-03-08T06:05:09Z,20,600,\"Т,И,,,до конца\r\n" + good)
                                            << QStringList{QStringLiteral("строка 3")};
        QTest::newRow("stray quote") << withHeader(good + "2026-03-08T06:05:09Z,20,600,Т\"ы\",И,,,до конца\r\n")
                                     << QStringList{QStringLiteral("строка 3")};
    }
    void unreadableRowsAreReportedByLine()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, problems);
        const JournalCsvReading reading = JournalFromCsv(file);
        QCOMPARE(reading.problems.size(), problems.size());
        for (qsizetype i = 0; i < problems.size(); ++i)
            QVERIFY2(reading.problems.at(i).contains(problems.at(i)), qPrintable(reading.problems.at(i)));
    }

    // LF line ends, no byte-order mark and a missing last line end are read as well.
    void plainLineEndsAreRead()
    {
        const QByteArray file = QString::fromUtf8(kHeader).replace(QStringLiteral("\r\n"), QStringLiteral("\n")).toUtf8()
                                + "2026-03-08T06:05:09+03:00,20,600,Т,И,,,до конца\n\n"
                                  "2026-03-09T06:05:09-02:30,20,700,Т,И,,,закрыто окно";
        const JournalCsvReading reading = JournalFromCsv(file);
        QCOMPARE(reading.problems, QStringList());
        QCOMPARE(reading.entries.size(), std::size_t(2));
        QCOMPARE(reading.entries[1].start.offsetFromUtc(), -(2 * 3600 + 1800));
        QCOMPARE(reading.entries[1].ending, JournalEnding::WindowClosed);
    }

    // Exported from one journal and imported into another that shares part of it: the
    // shared meditations are not doubled. A file with one bad row imports nothing.
    void importMergesAllOrNothing()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("a"))));
        PracticeJournal first(dir.filePath(QStringLiteral("a")));
        PracticeJournal second(dir.filePath(QStringLiteral("b")));
        for (qint64 n = 0; n < 10; ++n)
            QVERIFY(first.Record(NumberedEntry(n)).ok);
        for (qint64 n = 5; n < 15; ++n)
            QVERIFY(second.Record(NumberedEntry(n)).ok);
        const QString csv = dir.filePath(QStringLiteral("journal.csv"));
        const JournalTransferResult exported = ExportJournalCsv(first, csv);
        QVERIFY2(exported.ok, qPrintable(exported.message));
        QVERIFY(exported.message.contains(QStringLiteral("10")));

        const JournalTransferResult imported = ImportJournalCsv(second, csv);
        QVERIFY2(imported.ok, qPrintable(imported.message));
        QCOMPARE(imported.message, QStringLiteral("Добавлено медитаций: 5; уже были в дневнике: 5."));
        QCOMPARE(loadAll(second).size(), std::size_t(15));
        QVERIFY(ImportJournalCsv(second, csv).message.startsWith(QStringLiteral("Добавлено медитаций: 0;")));

        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray bytes = file.readAll();
        file.close();
        // Ten rows on 18 lines (eight backgrounds hold a line break): the new row is line 20.
        bytes += "2026-03-08T06:05:09Z,20,600,Т,И,,,никак\r\n";
        PracticeJournal third(dir.filePath(QStringLiteral("c")));
        QVERIFY(writeBytes(csv, bytes));
        const JournalTransferResult refused = ImportJournalCsv(third, csv);
        QVERIFY(!refused.ok);
        QVERIFY2(refused.message.contains(QStringLiteral("строка 20")), qPrintable(refused.message));
        QCOMPARE(loadAll(third).size(), std::size_t(0));
    }

    void exportToAnUnwritableFileIsReported()
    {
        QTemporaryDir dir;
        PracticeJournal journal(dir.path());
        QVERIFY(journal.Record(NumberedEntry(1)).ok);
        const JournalTransferResult result = ExportJournalCsv(journal, dir.filePath(QStringLiteral("нет/такой/папки.csv")));
        QVERIFY(!result.ok);
        QVERIFY2(result.message.startsWith(QStringLiteral("Не удалось")), qPrintable(result.message));
    }
};

QTEST_GUILESS_MAIN(TestJournalCsv)
#include "tst_journalcsv.moc"
