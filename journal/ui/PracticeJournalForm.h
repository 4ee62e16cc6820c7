#pragma once

#include "journal/JournalStats.h"
#include "journal/PracticeJournal.h"

#include <QDate>
#include <QDialog>
#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QTableView;
class JournalTableModel;
class TMinutesChart;

// The standard dialogs the journal's window opens, replaceable so that tests answer them.
struct JournalFormDialogs
{
    // Returns a file name, or an empty string when the user cancels.
    std::function<QString(QWidget *parent, const QString &title, const QString &suggested)> chooseSaveFile;
    std::function<QString(QWidget *parent, const QString &title)> chooseOpenFile;
    std::function<bool(QWidget *parent, const QString &question)> askYesNo;
    std::function<void(QWidget *parent, const QString &text)> showMessage;
    std::function<QDate()> today;
};

// "Дневник практики": the meditations, newest first and sortable, the totals, the streaks,
// the minutes of the last 30 days, deleting a row, and CSV export and import. Not modal, so
// that a meditation running under it goes on.
class TPracticeJournalForm : public QDialog
{
    Q_OBJECT

public:
    explicit TPracticeJournalForm(PracticeJournal &journal, QWidget *parent = nullptr,
                                  JournalFormDialogs dialogs = {});

    // Reads the journal and shows the window (or raises it when it is open).
    void Proceed();
    // Reads the journal again; the window shows why when it cannot.
    void Reload();

    void DeleteButtonClick();
    void ExportButtonClick();
    void ImportButtonClick();

    JournalTableModel *Model() const { return m_model; }
    const JournalStats &Stats() const { return m_stats; }
    QTableView *Table() const { return m_table; }
    TMinutesChart *Chart() const { return m_chart; }
    QPushButton *DeleteButton = nullptr;
    QPushButton *ExportButton = nullptr;
    QPushButton *ImportButton = nullptr;
    QPushButton *CloseButton = nullptr;
    QLabel *StatusLabel = nullptr;
    // Totals: rows week, month, all time; columns meditations, hours.
    std::array<std::array<QLabel *, 2>, 3> TotalLabels{};
    QLabel *CurrentStreakLabel = nullptr;
    QLabel *LongestStreakLabel = nullptr;
    QLabel *LastSevenLabel = nullptr;

private:
    QWidget *BuildSummary();
    QWidget *BuildChart();
    QWidget *BuildButtons();
    void ShowStats();
    void ShowChart();
    void Tell(const QString &text);

    PracticeJournal &m_journal;
    JournalFormDialogs m_dialogs;
    JournalTableModel *m_model = nullptr;
    QTableView *m_table = nullptr;
    TMinutesChart *m_chart = nullptr;
    JournalStats m_stats;
};

// "1 день", "3 дня", "5 дней".
QString DaysText(int days);
