// The "Дневник практики" window on a real journal: what it shows, sorting, deleting with a
// question first, CSV export and import through its buttons, and a journal that is off.
#include "journal/tests/JournalTestTools.h"
#include "journal/ui/JournalTableModel.h"
#include "journal/ui/MinutesChart.h"
#include "journal/ui/PracticeJournalForm.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDate kToday(2026, 12, 16); // a Wednesday

JournalEntry meditation(int daysAgo, int minutes, const QString &technique)
{
    JournalEntry entry = EntryAt(QDateTime(kToday.addDays(-daysAgo), QTime(7, 0), Qt::OffsetFromUTC, 3 * 3600),
                                 minutes * 60);
    entry.technique = technique;
    return entry;
}

struct Answers
{
    QStringList questions;
    QStringList messages;
    bool yes = true;
    QString saveFile;
    QString openFile;
};

JournalFormDialogs scripted(Answers &answers)
{
    JournalFormDialogs dialogs;
    dialogs.chooseSaveFile = [&answers](QWidget *, const QString &, const QString &) { return answers.saveFile; };
    dialogs.chooseOpenFile = [&answers](QWidget *, const QString &) { return answers.openFile; };
    dialogs.askYesNo = [&answers](QWidget *, const QString &question) {
        answers.questions << question;
        return answers.yes;
    };
    dialogs.showMessage = [&answers](QWidget *, const QString &text) { answers.messages << text; };
    dialogs.today = [] { return kToday; };
    return dialogs;
}

QString cell(const TPracticeJournalForm &form, int row, int column)
{
    return form.Model()->index(row, column).data().toString();
}

} // namespace

class TestPracticeJournalForm : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_journal = std::make_unique<PracticeJournal>(m_dir->path());
        for (const JournalEntry &entry : {meditation(3, 20, QStringLiteral("Б")), meditation(0, 30, QStringLiteral("В")),
                                          meditation(1, 15, QStringLiteral("А")), meditation(9, 45, QStringLiteral("Г"))})
            QVERIFY(m_journal->Record(entry).ok);
    }

    void showsTheJournalNewestFirst()
    {
        Answers answers;
        TPracticeJournalForm form(*m_journal, nullptr, scripted(answers));
        form.Proceed();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Дневник практики"));
        QCOMPARE(form.Model()->rowCount(), 4);
        QCOMPARE(cell(form, 0, JournalTableModel::Start), QStringLiteral("16.12.2026 07:00"));
        QCOMPARE(cell(form, 0, JournalTableModel::Meditated), QStringLiteral("30:00"));
        QCOMPARE(cell(form, 3, JournalTableModel::Technique), QStringLiteral("Г"));
        QCOMPARE(cell(form, 0, JournalTableModel::Preparation), QStringLiteral("—"));
        // This week (from Monday the 14th): today and yesterday.
        QCOMPARE(form.TotalLabels[0][0]->text(), QStringLiteral("2"));
        QCOMPARE(form.TotalLabels[0][1]->text(), QLocale::system().toString(0.75, 'f', 1));
        QCOMPARE(form.TotalLabels[2][0]->text(), QStringLiteral("4"));
        QCOMPARE(form.TotalLabels[2][1]->text(), QLocale::system().toString(1.8, 'f', 1));
        QCOMPARE(form.CurrentStreakLabel->text(), QStringLiteral("Текущая серия: 2 дня подряд"));
        QCOMPARE(form.LongestStreakLabel->text(), QStringLiteral("Самая длинная серия: 2 дня"));
        QCOMPARE(form.LastSevenLabel->text(), QStringLiteral("3 из последних 7 дней"));
        // The chart's bars are the minutes of the last 30 days, today last, on a scale
        // rounded up to tens.
        const TMinutesChart *chart = form.Chart();
        QCOMPARE(chart->Minutes().size(), JournalStats::kChartDays);
        QCOMPARE(chart->Minutes().at(JournalStats::kChartDays - 1), 30.0);
        QCOMPARE(chart->Minutes().at(JournalStats::kChartDays - 4), 20.0);
        QCOMPARE(chart->Minutes().at(JournalStats::kChartDays - 10), 45.0);
        QCOMPARE(chart->Labels().size(), JournalStats::kChartDays);
        QCOMPARE(chart->Labels().last(), QString::number(kToday.day()));
        QCOMPARE(chart->Labels().first(), QString::number(kToday.addDays(1 - JournalStats::kChartDays).day()));
        QCOMPARE(chart->Top(), 50.0);
        QVERIFY(chart->BarRect(JournalStats::kChartDays - 10).height() > chart->BarRect(JournalStats::kChartDays - 1).height());
        QVERIFY(answers.messages.isEmpty());
    }

    void headersSort_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<QString>("firstTechnique");
        QTest::addColumn<QString>("lastTechnique");
        QTest::newRow("start, oldest first") << int(JournalTableModel::Start) << 1 << QStringLiteral("Г")
                                             << QStringLiteral("В");
        QTest::newRow("technique, А to Г") << int(JournalTableModel::Technique) << 1 << QStringLiteral("А")
                                           << QStringLiteral("Г");
        QTest::newRow("technique, Г to А") << int(JournalTableModel::Technique) << 2 << QStringLiteral("Г")
                                           << QStringLiteral("А");
        QTest::newRow("length, shortest first") << int(JournalTableModel::Meditated) << 1 << QStringLiteral("А")
                                                << QStringLiteral("Г");
    }
    void headersSort()
    {
        QFETCH(int, column);
        QFETCH(int, clicks);
        QFETCH(QString, firstTechnique);
        QFETCH(QString, lastTechnique);
        Answers answers;
        TPracticeJournalForm form(*m_journal, nullptr, scripted(answers));
        form.Proceed();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QHeaderView *header = form.Table()->horizontalHeader();
        // A click on a new column sorts it ascending; on the sorted column it turns round.
        // The start column starts out descending, so one click turns it.
        for (int i = 0; i < clicks; ++i) {
            const QPoint centre(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                header->height() / 2);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
        }
        QCOMPARE(cell(form, 0, JournalTableModel::Technique), firstTechnique);
        QCOMPARE(cell(form, 3, JournalTableModel::Technique), lastTechnique);
    }

    // "No" keeps the row; "Yes" removes it from the database and from the totals. The
    // Delete key asks the same question.
    void deletingAsksFirst()
    {
        Answers answers;
        TPracticeJournalForm form(*m_journal, nullptr, scripted(answers));
        form.Proceed();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Table()->selectRow(1);
        answers.yes = false;
        QTest::keyClick(form.Table(), Qt::Key_Delete);
        QCOMPARE(answers.questions.size(), 1);
        QVERIFY2(answers.questions.front().contains(QStringLiteral("15.12.2026 07:00")),
                 qPrintable(answers.questions.front()));
        QCOMPARE(form.Model()->rowCount(), 4);

        answers.yes = true;
        form.DeleteButton->click();
        QCOMPARE(answers.questions.size(), 2);
        QCOMPARE(form.Model()->rowCount(), 3);
        std::vector<JournalEntry> stored;
        QVERIFY(m_journal->Load(stored).ok);
        QCOMPARE(stored.size(), std::size_t(3));
        for (const JournalEntry &entry : stored)
            QVERIFY(entry.technique != QStringLiteral("А"));
        QCOMPARE(form.CurrentStreakLabel->text(), QStringLiteral("Текущая серия: 1 день подряд"));
    }

    // Export, then import the same file: nothing doubles. A file with a bad row is refused
    // with its line number and adds nothing.
    void exportAndImportThroughTheButtons()
    {
        Answers answers;
        TPracticeJournalForm form(*m_journal, nullptr, scripted(answers));
        form.Proceed();
        answers.saveFile = m_dir->filePath(QStringLiteral("out.csv"));
        form.ExportButton->click();
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY2(answers.messages.last().contains(QStringLiteral("записано медитаций: 4")),
                 qPrintable(answers.messages.last()));

        answers.openFile = answers.saveFile;
        form.ImportButton->click();
        QCOMPARE(answers.messages.last(), QStringLiteral("Добавлено медитаций: 0; уже были в дневнике: 4."));
        QCOMPARE(form.Model()->rowCount(), 4);

        QFile file(answers.saveFile);
        QVERIFY(file.open(QIODevice::Append));
        file.write("2026-12-10T07:00:00+03:00,20,1200,Новая,И,,,до конца\r\n"
                   "2026-12-11T07:00:00+03:00,20,мало,Новая,И,,,до конца\r\n");
        file.close();
        form.ImportButton->click();
        QVERIFY2(answers.messages.last().contains(QStringLiteral("строка 7")), qPrintable(answers.messages.last()));
        QCOMPARE(form.Model()->rowCount(), 4);
    }

    // The window's own save dialog: Qt's dialog in Russian, the suggested name preselected,
    // and what it gives back is where the file is written.
    void exportThroughTheRealSaveDialog()
    {
        Answers answers;
        JournalFormDialogs dialogs = scripted(answers);
        dialogs.chooseSaveFile = nullptr;
        TPracticeJournalForm form(*m_journal, nullptr, dialogs);
        form.Proceed();
        const QString target = m_dir->filePath(QStringLiteral("журнал.csv"));
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QCOMPARE(name->text(), QStringLiteral("Дневник практики.csv"));
            auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
            QCOMPARE(buttons->button(QDialogButtonBox::Save)->text(), QStringLiteral("Сохранить"));
            QCOMPARE(dialog->labelText(QFileDialog::FileName), QStringLiteral("Имя файла:"));
            dialog->setDirectory(m_dir->path());
            name->setText(QFileInfo(target).fileName());
            buttons->button(QDialogButtonBox::Save)->click();
            answered = true;
        });
        form.ExportButton->click();
        QVERIFY(answered);
        QVERIFY(QFileInfo(target).isFile());
        QVERIFY2(answers.messages.last().contains(QStringLiteral("записано медитаций: 4")),
                 qPrintable(answers.messages.last()));
    }

    // A journal that cannot be opened: the window says why, and its buttons that would
    // need the journal are off.
    void journalThatIsOffSaysWhy()
    {
        const QString notAFolder = m_dir->filePath(QStringLiteral("file"));
        QFile file(notAFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        PracticeJournal off(notAFolder);
        Answers answers;
        TPracticeJournalForm form(off, nullptr, scripted(answers));
        form.Proceed();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(answers.messages.size(), 1);
        QVERIFY(form.StatusLabel->isVisible());
        QCOMPARE(form.StatusLabel->text(), off.DisabledReason());
        QVERIFY(!form.ExportButton->isEnabled());
        QVERIFY(!form.ImportButton->isEnabled());
        QVERIFY(!form.DeleteButton->isEnabled());
        QCOMPARE(form.Model()->rowCount(), 0);
        form.Reload(); // told once
        QCOMPARE(answers.messages.size(), 1);
    }

    // The chart follows the window's colours, also when the theme changes while it is
    // open: a dark theme gets a dark plot with light text.
    void chartTakesTheWindowsColours()
    {
        Answers answers;
        TPracticeJournalForm form(*m_journal, nullptr, scripted(answers));
        form.Proceed();
        QPalette dark = form.palette();
        dark.setColor(QPalette::Base, QColor(30, 30, 32));
        dark.setColor(QPalette::Window, QColor(45, 45, 48));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        dark.setColor(QPalette::Highlight, QColor(64, 140, 220));
        form.setPalette(dark);
        form.resize(900, 700);
        TMinutesChart *chart = form.Chart();
        const QImage image = chart->grab().toImage();
        const QRect plot = chart->PlotArea();
        int day = 0;
        while (day < chart->Minutes().size() && chart->Minutes().at(day) <= 0)
            ++day;
        QVERIFY(day < chart->Minutes().size());
        const QRect bar = chart->BarRect(day);
        QCOMPARE(image.pixelColor(bar.center()), QColor(64, 140, 220));
        QCOMPARE(image.pixelColor(plot.left() + 2, plot.top() + plot.height() / 10), QColor(30, 30, 32));
        QCOMPARE(image.pixelColor(1, 1), QColor(45, 45, 48));
        // The title and the scale are written in the theme's text colour.
        bool textColoured = false;
        for (int y = 0; y < plot.top() && !textColoured; ++y)
            for (int x = 0; x < image.width() && !textColoured; ++x)
                textColoured = image.pixelColor(x, y) == QColor(230, 230, 230);
        QVERIFY(textColoured);
    }

    void daysText_data()
    {
        QTest::addColumn<int>("days");
        QTest::addColumn<QString>("text");
        for (const auto &[days, text] : std::initializer_list<std::pair<int, const char *>>{
                 {0, "0 дней"}, {1, "1 день"}, {2, "2 дня"}, {4, "4 дня"}, {5, "5 дней"}, {11, "11 дней"},
                 {14, "14 дней"}, {21, "21 день"}, {22, "22 дня"}, {111, "111 дней"}, {101, "101 день"}})
            QTest::newRow(text) << days << QString::fromUtf8(text);
    }
    void daysText()
    {
        QFETCH(int, days);
        QFETCH(QString, text);
        QCOMPARE(DaysText(days), text);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<PracticeJournal> m_journal;
};

QTEST_MAIN(TestPracticeJournalForm)
#include "tst_practicejournalform.moc"
