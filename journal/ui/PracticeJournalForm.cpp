#include "journal/ui/PracticeJournalForm.h"

#include "journal/JournalTransfer.h"
#include "journal/ui/JournalTableModel.h"
#include "journal/ui/MinutesChart.h"
#include "shell/ui/FormHelpers.h"
#include "shell/ui/RussianFileDialog.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kWidth = 1180;
constexpr int kHeight = 700;
const char *const kCsvFilter = "CSV (*.csv);;Все файлы (*)";

QString csvFilter()
{
    return QString::fromUtf8(kCsvFilter);
}

JournalFormDialogs withStandardDialogs(JournalFormDialogs dialogs)
{
    if (!dialogs.chooseSaveFile)
        dialogs.chooseSaveFile = [](QWidget *parent, const QString &title, const QString &suggested) {
            return ChooseRussianFile(parent, title, suggested, csvFilter(), QFileDialog::AcceptSave);
        };
    if (!dialogs.chooseOpenFile)
        dialogs.chooseOpenFile = [](QWidget *parent, const QString &title) {
            return ChooseRussianFile(parent, title, QDir::homePath(), csvFilter(), QFileDialog::AcceptOpen);
        };
    if (!dialogs.askYesNo)
        dialogs.askYesNo = AskNesvaraYesNo;
    if (!dialogs.showMessage)
        dialogs.showMessage = [](QWidget *parent, const QString &text) { ShowNesvaraMessage(parent, text); };
    if (!dialogs.today)
        dialogs.today = [] { return QDate::currentDate(); };
    return dialogs;
}

QString hoursText(qint64 seconds)
{
    return QLocale::system().toString(double(seconds) / 3600.0, 'f', 1);
}

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

QString DaysText(int days)
{
    const int lastTwo = days % 100;
    const int last = days % 10;
    if (lastTwo >= 11 && lastTwo <= 14)
        return QStringLiteral("%1 дней").arg(days);
    if (last == 1)
        return QStringLiteral("%1 день").arg(days);
    if (last >= 2 && last <= 4)
        return QStringLiteral("%1 дня").arg(days);
    return QStringLiteral("%1 дней").arg(days);
}

TPracticeJournalForm::TPracticeJournalForm(PracticeJournal &journal, QWidget *parent, JournalFormDialogs dialogs)
    : QDialog(parent), m_journal(journal), m_dialogs(withStandardDialogs(std::move(dialogs)))
{
    setWindowTitle(QStringLiteral("Дневник практики"));
    setModal(false);
    auto *layout = new QVBoxLayout(this);
    StatusLabel = new QLabel(this);
    StatusLabel->setWordWrap(true);
    StatusLabel->hide();
    layout->addWidget(StatusLabel);
    layout->addWidget(BuildSummary());
    layout->addWidget(BuildChart());

    m_model = new JournalTableModel(this);
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->setAccessibleName(QStringLiteral("Медитации"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    // Fixed widths: measuring the contents of ten thousand rows would take longer than
    // reading them.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    // Each column as wide as its header or its widest usual text in this font.
    const QString widest[] = {QStringLiteral("00.00.0000 00:00"), QString(), QStringLiteral("00:00:00"), QString(),
                              QStringLiteral("Женский (Марвейн)"), QStringLiteral("Йога-нидра 00"),
                              QStringLiteral("Фоновый звук"), EndingText(JournalEnding::WindowClosed)};
    const QFontMetrics metrics = m_table->fontMetrics();
    const QFontMetrics headerMetrics = m_table->horizontalHeader()->fontMetrics();
    for (int column = 0; column < JournalTableModel::ColumnCount; ++column) {
        const QString header = m_model->headerData(column, Qt::Horizontal).toString();
        m_table->setColumnWidth(column, std::max(metrics.horizontalAdvance(widest[column]),
                                                 headerMetrics.horizontalAdvance(header) + 16) + 14);
    }
    // The technique takes what is left; a name cut short shows whole in its tooltip.
    m_table->horizontalHeader()->setSectionResizeMode(JournalTableModel::Technique, QHeaderView::Stretch);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(JournalTableModel::Start, Qt::DescendingOrder);
    layout->addWidget(m_table, 1);
    auto *deleteKey = new QShortcut(QKeySequence::Delete, m_table, nullptr, nullptr, Qt::WidgetShortcut);
    connect(deleteKey, &QShortcut::activated, this, &TPracticeJournalForm::DeleteButtonClick);

    layout->addWidget(BuildButtons());
    resize(kWidth, kHeight);
}

QWidget *TPracticeJournalForm::BuildSummary()
{
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(18);
    grid->addWidget(boldLabel(QStringLiteral("Медитаций"), panel), 0, 1, Qt::AlignRight);
    grid->addWidget(boldLabel(QStringLiteral("Часов"), panel), 0, 2, Qt::AlignRight);
    const QString periods[] = {QStringLiteral("Эта неделя"), QStringLiteral("Этот месяц"), QStringLiteral("Всё время")};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(periods[i], panel), i + 1, 0);
        for (int j = 0; j < 2; ++j) {
            TotalLabels[i][j] = new QLabel(panel);
            TotalLabels[i][j]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            TotalLabels[i][j]->setAccessibleName(periods[i] + (j == 0 ? QStringLiteral(", медитаций")
                                                                      : QStringLiteral(", часов")));
            grid->addWidget(TotalLabels[i][j], i + 1, j + 1);
        }
    }
    row->addLayout(grid);
    row->addSpacing(48);
    auto *streaks = new QVBoxLayout;
    CurrentStreakLabel = boldLabel(QString(), panel);
    LongestStreakLabel = new QLabel(panel);
    LastSevenLabel = new QLabel(panel);
    for (QLabel *label : {CurrentStreakLabel, LongestStreakLabel, LastSevenLabel})
        streaks->addWidget(label);
    streaks->addStretch();
    row->addLayout(streaks);
    row->addStretch();
    return panel;
}

QWidget *TPracticeJournalForm::BuildChart()
{
    m_chart = new TMinutesChart(QStringLiteral("Минуты медитации в день за последние 30 дней"), this);
    return m_chart;
}

QWidget *TPracticeJournalForm::BuildButtons()
{
    auto *panel = new QWidget(this);
    auto *row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    DeleteButton = new QPushButton(QStringLiteral("&Удалить запись…"), panel);
    ExportButton = new QPushButton(QStringLiteral("&Экспорт в CSV…"), panel);
    ImportButton = new QPushButton(QStringLiteral("&Импорт из CSV…"), panel);
    CloseButton = new QPushButton(QStringLiteral("&Закрыть"), panel);
    DeleteButton->setAccessibleName(QStringLiteral("Удалить запись"));
    ExportButton->setAccessibleName(QStringLiteral("Экспорт в CSV"));
    ImportButton->setAccessibleName(QStringLiteral("Импорт из CSV"));
    CloseButton->setAccessibleName(QStringLiteral("Закрыть"));
    for (QPushButton *button : {DeleteButton, ExportButton, ImportButton, CloseButton})
        button->setAutoDefault(false);
    row->addWidget(DeleteButton);
    row->addStretch();
    row->addWidget(ExportButton);
    row->addWidget(ImportButton);
    row->addSpacing(24);
    row->addWidget(CloseButton);
    connect(DeleteButton, &QPushButton::clicked, this, &TPracticeJournalForm::DeleteButtonClick);
    connect(ExportButton, &QPushButton::clicked, this, &TPracticeJournalForm::ExportButtonClick);
    connect(ImportButton, &QPushButton::clicked, this, &TPracticeJournalForm::ImportButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
    return panel;
}

void TPracticeJournalForm::Proceed()
{
    // Shown first, so that a message about the journal's file stands over this window.
    show();
    raise();
    activateWindow();
    Reload();
    m_table->setFocus();
}

void TPracticeJournalForm::Reload()
{
    std::vector<JournalEntry> entries;
    const PracticeJournal::Outcome outcome = m_journal.Load(entries);
    if (!outcome.message.isEmpty())
        Tell(outcome.message);
    const QString reason = outcome.ok ? QString() : m_journal.DisabledReason();
    StatusLabel->setText(reason);
    StatusLabel->setVisible(!reason.isEmpty());
    for (QPushButton *button : {DeleteButton, ExportButton, ImportButton})
        button->setEnabled(outcome.ok);
    m_stats = ComputeJournalStats(entries, m_dialogs.today());
    m_model->SetEntries(std::move(entries));
    if (m_model->rowCount() > 0)
        m_table->selectRow(0);
    ShowStats();
    ShowChart();
}

void TPracticeJournalForm::ShowStats()
{
    const JournalTotals *totals[] = {&m_stats.week, &m_stats.month, &m_stats.allTime};
    for (int i = 0; i < 3; ++i) {
        TotalLabels[i][0]->setText(QString::number(totals[i]->count));
        TotalLabels[i][1]->setText(hoursText(totals[i]->seconds));
    }
    CurrentStreakLabel->setText(QStringLiteral("Текущая серия: %1 подряд").arg(DaysText(m_stats.currentStreak)));
    LongestStreakLabel->setText(QStringLiteral("Самая длинная серия: %1").arg(DaysText(m_stats.longestStreak)));
    LastSevenLabel->setText(QStringLiteral("%1 из последних 7 дней").arg(m_stats.daysOfLastSeven));
}

void TPracticeJournalForm::ShowChart()
{
    const QDate today = m_dialogs.today();
    QStringList labels;
    QList<double> minutes;
    for (int i = 0; i < JournalStats::kChartDays; ++i) {
        labels << QString::number(today.addDays(i + 1 - JournalStats::kChartDays).day());
        minutes << m_stats.minutesPerDay[std::size_t(i)];
    }
    m_chart->SetDays(labels, minutes);
}

void TPracticeJournalForm::Tell(const QString &text)
{
    m_dialogs.showMessage(this, text);
}

void TPracticeJournalForm::DeleteButtonClick()
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const JournalEntry entry = m_model->EntryAt(rows.front().row());
    const QString question = QStringLiteral("Удалить запись о медитации %1 (%2, %3)?")
                                 .arg(JournalTableModel::StartText(entry),
                                      JournalTableModel::DurationText(entry.meditatedSeconds), entry.technique);
    if (!m_dialogs.askYesNo(this, question))
        return;
    const int row = rows.front().row();
    const PracticeJournal::Outcome outcome = m_journal.Remove(entry.id);
    if (!outcome.message.isEmpty())
        Tell(outcome.message);
    Reload();
    if (m_model->rowCount() > 0)
        m_table->selectRow(std::min(row, m_model->rowCount() - 1));
}

void TPracticeJournalForm::ExportButtonClick()
{
    const QString suggested = QDir(QDir::homePath()).filePath(QStringLiteral("Дневник практики.csv"));
    const QString path = m_dialogs.chooseSaveFile(this, QStringLiteral("Экспорт в CSV"), suggested);
    if (path.isEmpty())
        return;
    Tell(ExportJournalCsv(m_journal, path).message);
}

void TPracticeJournalForm::ImportButtonClick()
{
    const QString path = m_dialogs.chooseOpenFile(this, QStringLiteral("Импорт из CSV"));
    if (path.isEmpty())
        return;
    const JournalTransferResult result = ImportJournalCsv(m_journal, path);
    Tell(result.message);
    if (result.ok)
        Reload();
}
