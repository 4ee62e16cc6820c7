// The practice journal at size: fills a journal with ROWS meditations, then measures how
// long its window takes from the click until it is painted (the journal opened and read,
// totals, streaks and chart computed, the window shown), first in a fresh process and then
// again, and how long recording one meditation takes in a journal of that size.
//
//   bench_journal FOLDER [ROWS [RUNS]]     FOLDER must not hold a journal yet
#include "bench/BenchClock.h"
#include "journal/PracticeJournal.h"
#include "journal/ui/JournalTableModel.h"
#include "journal/ui/MinutesChart.h"
#include "journal/ui/PracticeJournalForm.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QTableView>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

constexpr int kRecords = 200;

// A meditation a little under three hours apart from the next, going back in time from
// now: ten thousand of them reach about three years back.
JournalEntry generated(qint64 n, const QDateTime &now)
{
    JournalEntry entry;
    entry.start = JournalMoment(now.addSecs(-n * 9500));
    entry.plannedMinutes = 10 + int(n % 50);
    entry.meditatedSeconds = 60 * entry.plannedMinutes - int(n % 90);
    entry.technique = QStringLiteral("Медитация с напоминаниями о наблюдении за мыслями");
    entry.instructor = n % 2 ? QStringLiteral("Женский (Марвейн)") : QStringLiteral("Мужской (Острель)");
    entry.preparation = n % 4 ? QString() : QStringLiteral("Йога-нидра %1").arg(n % 13 + 1);
    entry.background = n % 3 ? QStringLiteral("Дождь") : QString();
    entry.ending = n % 10 ? JournalEnding::Completed : JournalEnding::Stopped;
    return entry;
}

// Waits until both the list and the chart have been painted once.
class PaintWatcher : public QObject
{
public:
    PaintWatcher(QWidget *list, QWidget *chart) : m_list(list), m_chart(chart)
    {
        list->installEventFilter(this);
        chart->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            m_listPainted = m_listPainted || watched == m_list;
            m_chartPainted = m_chartPainted || watched == m_chart;
            if (m_listPainted && m_chartPainted && paintedAt == 0)
                paintedAt = bench::MonotonicSeconds();
        }
        return QObject::eventFilter(watched, event);
    }
    double paintedAt = 0;

private:
    QObject *m_list;
    QObject *m_chart;
    bool m_listPainted = false;
    bool m_chartPainted = false;
};

// Milliseconds from the click until the window is painted, with a journal not yet opened.
double openWindowMs(const QString &folder)
{
    const double start = bench::MonotonicSeconds();
    PracticeJournal journal(folder);
    TPracticeJournalForm form(journal);
    PaintWatcher watcher(form.Table()->viewport(), form.Chart());
    form.Proceed();
    for (int round = 0; round < 1000 && watcher.paintedAt == 0; ++round)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (watcher.paintedAt == 0 || form.Model()->rowCount() == 0) {
        std::fprintf(stderr, "bench_journal: the window was not painted or shows no meditation\n");
        std::exit(1);
    }
    return (watcher.paintedAt - start) * 1000.0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_journal FOLDER [ROWS [RUNS]]\n");
        return 2;
    }
    const QString folder = args.at(1);
    const int rows = args.size() > 2 ? args.at(2).toInt() : 10000;
    const int runs = args.size() > 3 ? args.at(3).toInt() : 5;
    if (QFileInfo::exists(QDir(folder).filePath(PracticeJournal::FileName()))) {
        std::fprintf(stderr, "bench_journal: %s already holds a journal\n", qPrintable(folder));
        return 2;
    }
    {
        std::vector<JournalEntry> entries;
        const QDateTime now = QDateTime::currentDateTime();
        for (qint64 n = 0; n < rows; ++n)
            entries.push_back(generated(n, now));
        PracticeJournal journal(folder);
        int added = 0;
        const PracticeJournal::Outcome filled = journal.Merge(entries, added);
        if (!filled.ok || added != rows) {
            std::fprintf(stderr, "bench_journal: filling failed: %s\n", qPrintable(filled.message));
            return 1;
        }
    }

    const double first = openWindowMs(folder);
    std::vector<double> again;
    for (int run = 0; run < runs; ++run)
        again.push_back(openWindowMs(folder));

    PracticeJournal journal(folder);
    std::vector<JournalEntry> loaded;
    journal.Load(loaded); // opened, so that each record is only its transaction
    std::vector<double> records;
    const QDateTime later = QDateTime::currentDateTime().addDays(1);
    for (int i = 0; i < kRecords; ++i) {
        JournalEntry entry = generated(i, later);
        entry.start = JournalMoment(later.addSecs(qint64(i) * 3600));
        const double start = bench::MonotonicSeconds();
        const PracticeJournal::Outcome outcome = journal.Record(entry);
        records.push_back((bench::MonotonicSeconds() - start) * 1000.0);
        if (!outcome.ok || !outcome.message.isEmpty()) {
            std::fprintf(stderr, "bench_journal: recording failed: %s\n", qPrintable(outcome.message));
            return 1;
        }
    }
    std::sort(records.begin(), records.end());

    bench::PrintFigure("journal_rows", rows);
    bench::PrintFigure("journal_open_first_ms", first);
    bench::PrintFigure("journal_open_ms", bench::Median(again));
    bench::PrintFigure("journal_open_max_ms", *std::max_element(again.begin(), again.end()));
    bench::PrintFigure("journal_record_ms", bench::Median(records));
    bench::PrintFigure("journal_record_p95_ms", records[records.size() * 95 / 100]);
    bench::PrintFigure("journal_record_max_ms", records.back());
    bench::PrintFigure("journal_records", kRecords);
    return 0;
}
