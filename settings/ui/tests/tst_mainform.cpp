#include "journal/PracticeJournal.h"
#include "journal/ui/PracticeJournalForm.h"
#include "player/MeditationPlayer.h"
#include "settings/ui/MainForm.h"
#include "shell/Assert.h"
#include "shell/Errors.h"
#include "shell/Helpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using enum TMedTech;

namespace {

// An audio library with no device: every stream is refused, so nothing ever plays.
class SilentAudio : public AudioLibrary
{
public:
    explicit SilentAudio(int *frees) : m_frees(frees) {}
    bool Init() override { return true; }
    void Free() override { ++*m_frees; }
    StreamHandle StreamCreateFile(const QString &) override { return 0; }
    void ChannelSetVolume(StreamHandle, float) override {}
    void ChannelPlay(StreamHandle) override {}
    void ChannelPlayAfter(StreamHandle, StreamHandle) override {}
    bool ChannelIsActive(StreamHandle) override { return false; }
    void ChannelStop(StreamHandle) override {}
    void ChannelPause(StreamHandle) override {}
    void ChannelResume(StreamHandle) override {}
    void StreamFree(StreamHandle) override {}

private:
    int *m_frees;
};

void writeOptions(const QString &programDir, const TOptionsData &options)
{
    options.SaveToFile(programDir + QStringLiteral("options.bin"));
}

TOptionsData storedOptions()
{
    TOptionsData o;
    o.FMedLenMin = 12;
    o.FRemIntTech1Sec = 90;
    o.FRemIntTech3MSec = 100;
    o.FRemIntTech6MSec = 100;
    o.FConcIntSec = 90;
    o.FVolume = 0.5;
    return o;
}

QStringList items(const QComboBox *combo)
{
    QStringList result;
    for (int i = 0; i < combo->count(); ++i)
        result << combo->itemText(i);
    return result;
}

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_programDir;
    QStringList m_messages;
    QStringList m_errors;
    int m_frees = 0;
    int m_shutdowns = 0;

    std::unique_ptr<TMainForm> makeForm()
    {
        TMainFormEnvironment env;
        env.programDir = m_programDir;
        env.audio = std::make_unique<SilentAudio>(&m_frees);
        env.showMessage = [this](const QString &text) { m_messages << text; };
        env.reportError = [this](const QString &text) { m_errors << text; };
        env.runShutdown = [this] { ++m_shutdowns; };
        return std::make_unique<TMainForm>(std::move(env));
    }

private slots:
    void initTestCase()
    {
        InstructorsInfo.Init();
        InstallAssertPresenter([](const QString &) {});  // no Sounds folder in these tests
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_programDir = m_dir->path() + QLatin1Char('/');
        m_messages.clear();
        m_errors.clear();
        m_frees = 0;
        m_shutdowns = 0;
    }

    void defaultsWithoutOptionsFile()
    {
        auto form = makeForm();
        QCOMPARE(form->MedInstructorCombo->currentText(), QStringLiteral("Мужской (Острель)"));
        QCOMPARE(form->MedTechinkCombo->currentIndex(), -1);
        QVERIFY(form->AnyRemindersPanel->isHidden());
        QCOMPARE(form->MedLenEdit->text(), QStringLiteral("12"));
        QCOMPARE(form->VolumeScroll->value(), 0);
        QVERIFY(!form->NidraTypeCombo->isEnabled());
        QCOMPARE(form->SoundFileCombo->currentText(), QStringLiteral("(Без звука)"));
        QCOMPARE(form->SoundFileCombo->count(), 11);
        QCOMPARE(form->MusFileCombo->count(), 5);
        QCOMPARE(form->NidraTypeCombo->count(), 12);
        QVERIFY(!QFile::exists(m_programDir + QStringLiteral("options.bin")));
        QVERIFY(!QFile::exists(m_programDir + QStringLiteral("musiclists.bin")));
        QVERIFY(m_messages.isEmpty());

        TOptionsData expected;
        expected.FMedLenMin = 12;
        expected.FRemIntTech1Sec = 90;
        expected.FRemIntTech3MSec = 100;
        expected.FRemIntTech6MSec = 100;
        expected.FConcIntSec = 90;
        expected.FPlayMusic = true;
        expected.FPlaySound = true;
        expected.FDoNotPlayIntro = true;
        expected.FSwitchOffComputerAfterMeditation = true;
        QVERIFY(form->FOptions == expected);
    }

    void instructorOneFromTheOptionsFile_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("selected");
        QTest::newRow("silence") << int(mtSilence) << QStringLiteral("Просто тишина");
        QTest::newRow("breath, which she lacks")
            << int(mtBreathReminds) << QStringLiteral("Медитация с напоминаниями о наблюдении за мыслями");
    }

    void instructorOneFromTheOptionsFile()
    {
        QFETCH(int, stored);
        QFETCH(QString, selected);
        TOptionsData options = storedOptions();
        options.FMedInstructor = 1;
        options.FMedTechnique = static_cast<TMedTech>(stored);
        writeOptions(m_programDir, options);
        auto form = makeForm();
        QCOMPARE(form->MedInstructorCombo->currentIndex(), 1);
        QCOMPARE(items(form->MedTechinkCombo),
                 (QStringList{QStringLiteral("Просто тишина"),
                              QStringLiteral("Медитация с напоминаниями о наблюдении за мыслями")}));
        QCOMPARE(form->MedTechinkCombo->currentText(), selected);
        QCOMPARE(form->NidraTypeCombo->count(), 13);
        QCOMPARE(form->VolumeScroll->value(), 50);
    }

    void barsClampWhatTheyShow()
    {
        TOptionsData options = storedOptions();
        options.FRemIntTech3MSec = 250;
        options.FMedLenMin = 90;
        options.FRemIntTech6MSec = 99;
        writeOptions(m_programDir, options);
        auto form = makeForm();
        QCOMPARE(form->RemindIntervalTech2Scroll->value(), 2);
        QCOMPARE(form->RemindIntervalTech2Edit->text(), QStringLiteral("200"));
        QCOMPARE(form->MedLenEdit->text(), QStringLiteral("60"));
        QCOMPARE(form->RemindIntervalTech5Edit->text(), QStringLiteral("100"));
    }

    void typedNumbersAreSavedAsTyped()
    {
        auto form = makeForm();
        form->MedLenEdit->setText(QStringLiteral("75"));
        form->Button1Click();
        TOptionsData saved;
        saved.LoadFromFile(m_programDir + QStringLiteral("options.bin"));
        QCOMPARE(saved.FMedLenMin, 75);
        QCOMPARE(form->MedLenScroll->value(), 12);
    }

    void lettersInAnEditAreReportedAndNothingIsWritten()
    {
        auto form = makeForm();
        form->RemindIntervalTech1Edit->setText(QStringLiteral("девяносто"));
        QVERIFY_THROWS_EXCEPTION(ConversionError, form->Button1Click());
        QVERIFY(!QFile::exists(m_programDir + QStringLiteral("options.bin")));
        // Through the button the error reaches the error report and the program goes on.
        QTest::mouseClick(form->Button1, Qt::LeftButton);
        QCOMPARE(m_errors.size(), 1);
        QVERIFY(m_errors.first().contains(QStringLiteral("девяносто")));
        QVERIFY(!QFile::exists(m_programDir + QStringLiteral("options.bin")));
    }

    void reminderRowsPerTechnique_data()
    {
        QTest::addColumn<int>("tech");
        QTest::addColumn<QString>("rows");  // visible rows, top to bottom
        QTest::newRow("silence") << int(mtSilence) << QString();
        QTest::newRow("thoughts") << int(mtThoughtsReminds) << QStringLiteral("1");
        QTest::newRow("breath") << int(mtBreathReminds) << QStringLiteral("1");
        QTest::newRow("concentration") << int(mtConcIntervals) << QStringLiteral("1C");
        QTest::newRow("each breath") << int(mtEachBreathReminds) << QStringLiteral("2");
        QTest::newRow("increasing count") << int(mtIncreasingBreathCount) << QString();
        QTest::newRow("lowering count") << int(mtLoweringBreathCount) << QString();
        QTest::newRow("body parts") << int(mtBodyPartsEnum) << QStringLiteral("5");
        QTest::newRow("random body parts") << int(mtRandomBodyPartsEnum) << QStringLiteral("5");
    }

    void reminderRowsPerTechnique()
    {
        QFETCH(int, tech);
        QFETCH(QString, rows);
        auto form = makeForm();
        form->show();
        form->MedTechinkCombo->setCurrentIndex(tech);
        form->MedTechinkComboClick();
        QCOMPARE(form->AnyRemindersPanel->isVisible(), !rows.isEmpty());
        QString shown;
        std::vector<std::pair<int, QString>> visible;
        const std::pair<QWidget *, QString> all[] = {{form->RemindTech1IntPanel, QStringLiteral("1")},
                                                     {form->RemindTech2IntPanel, QStringLiteral("2")},
                                                     {form->RemindTech5IntPanel, QStringLiteral("5")},
                                                     {form->RemindConcPanel, QStringLiteral("C")}};
        for (const auto &[panel, name] : all)
            if (panel->isVisible())
                visible.emplace_back(panel->y(), name);
        std::sort(visible.begin(), visible.end());
        for (const auto &entry : visible)
            shown += entry.second;
        QCOMPARE(shown, rows);
    }

    void enablingFollowsTheCheckBoxes()
    {
        auto form = makeForm();
        form->PlayMusicCheck->setChecked(false);
        form->PlaySoundCheck->setChecked(false);
        form->PlayNidraCheck->setChecked(true);
        form->WatchCompsEnabled();
        for (QWidget *w : {static_cast<QWidget *>(form->PlayMusicBeforeCombo), static_cast<QWidget *>(form->MusFileLabel),
                           static_cast<QWidget *>(form->MusFileCombo), static_cast<QWidget *>(form->AlterMusFilesListButton),
                           static_cast<QWidget *>(form->SoundFileCombo), static_cast<QWidget *>(form->BackSoundsFileLabel),
                           static_cast<QWidget *>(form->AlterBackSoundsFilesListButton)})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(form->MusicFileButton->isEnabled());
        QVERIFY(form->AutoUpdateMusListsButton->isEnabled());
        QVERIFY(form->NidraTypeCombo->isEnabled());
    }

    void instructorChangeKeepsTheNearestTechnique()
    {
        auto form = makeForm();
        form->MedTechinkCombo->setCurrentIndex(int(mtConcIntervals));
        form->MedInstructorCombo->setCurrentIndex(1);
        form->MedInstructorComboClick();
        QCOMPARE(form->FOptions.FMedInstructor, 1);
        QCOMPARE(form->MedTechinkCombo->currentText(),
                 QStringLiteral("Медитация с напоминаниями о наблюдении за мыслями"));
        QCOMPARE(form->NidraTypeCombo->count(), 13);
        form->MedInstructorCombo->setCurrentIndex(0);
        form->MedInstructorComboClick();
        QCOMPARE(form->CurTech(), mtThoughtsReminds);
        QCOMPARE(form->NidraTypeCombo->count(), 12);
    }

    void pickingAnInstructorWithNoTechniqueSelectsTheFirst()
    {
        auto form = makeForm();
        QCOMPARE(form->MedTechinkCombo->currentIndex(), -1);
        form->MedInstructorComboClick();
        QCOMPARE(form->MedTechinkCombo->currentIndex(), 0);
    }

    void musicFilePopupChoosesOneFile()
    {
        auto form = makeForm();
        form->MusFileCombo->setCurrentIndex(1);
        form->MusicFileButtonClick();
        const QList<QAction *> entries = form->MusFilePopup->actions();
        QCOMPARE(entries.size(), form->FMusicLists->at(1).mp3files.size());
        QCOMPARE(entries.first()->text(), form->FMusicLists->at(1).mp3files.first());
        form->MusFilePopup->close();
        QVERIFY(form->MusicFileButton->isChecked());
        entries.last()->trigger();
        QCOMPARE(form->FOptions.FMusicSubFileNum, 1);
        QCOMPARE(form->MusicFileButton->text(), QStringLiteral("2"));
        form->MusFileCombo->setCurrentIndex(2);
        form->MusFileComboChange();
        QCOMPARE(form->FOptions.FMusicSubFileNum, -1);
        QCOMPARE(form->MusicFileButton->text(), QStringLiteral("-"));
        QVERIFY(!form->MusicFileButton->isChecked());
    }

    void storedIndicesPastTheListsSelectTheFirstEntry_data()
    {
        QTest::addColumn<int>("music");
        QTest::addColumn<int>("sound");
        QTest::addColumn<int>("expectedMusic");
        QTest::addColumn<int>("expectedSound");
        QTest::newRow("in range") << 4 << 10 << 4 << 10;
        QTest::newRow("one past the end") << 5 << 11 << 0 << 0;
        QTest::newRow("negative") << -1 << -1 << 0 << 0;
    }

    void storedIndicesPastTheListsSelectTheFirstEntry()
    {
        QFETCH(int, music);
        QFETCH(int, sound);
        QFETCH(int, expectedMusic);
        QFETCH(int, expectedSound);
        TOptionsData options = storedOptions();
        options.FMusicFileNum = music;
        options.FBackSoundFileNum = sound;
        options.FNidraFileNum = 12;
        writeOptions(m_programDir, options);
        auto form = makeForm();
        QCOMPARE(form->MusFileCombo->currentIndex(), expectedMusic);
        QCOMPARE(form->SoundFileCombo->currentIndex(), expectedSound);
        QCOMPARE(form->NidraTypeCombo->currentIndex(), 0);
    }

    void damagedOptionsFileIsReportedKeptAndIgnored()
    {
        QFile file(m_programDir + QStringLiteral("options.bin"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("broken");
        file.close();
        auto form = makeForm();
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.first().contains(QStringLiteral("options.bin")));
        QVERIFY(QFile::exists(m_programDir + QStringLiteral("options.bin.bak")));
        QCOMPARE(form->FOptions.FMedLenMin, 12);
        QCOMPARE(form->MedTechinkCombo->currentIndex(), -1);
    }

    void captionAfterFinishCreate()
    {
        auto form = makeForm();
        QCOMPARE(form->windowTitle(), QStringLiteral("Nesvara"));
        form->FinishCreate();
        QCOMPARE(form->windowTitle(), QStringLiteral("Nesvara v. 1.0 b89"));
    }

    void meditationWithoutRecordingsEndsWithItsMessage()
    {
        auto form = makeForm();
        form->PlayMusicCheck->setChecked(false);
        form->Button2Click();
        QCOMPARE(m_messages, QStringList{QStringLiteral("Звуковой файл не найден.")});
        QVERIFY(!form->Player().FPlaying);
        QVERIFY(!form->StopButton->isEnabled());
        QVERIFY(!form->ProgressScroll->isEnabled());
        QCOMPARE(form->PercentLabel->text(), QStringLiteral("0.0%"));
        QCOMPARE(m_shutdowns, 0);
    }

    void volumeBarRefreshesTheOptions()
    {
        auto form = makeForm();
        form->VolumeScroll->setValue(37);
        QCOMPARE(form->FOptions.FVolume, 0.37);
    }

    void closingReleasesTheAudioAndSavesNothing()
    {
        auto form = makeForm();
        form->show();
        form->close();
        QCOMPARE(m_frees, 1);
        QVERIFY(form->Player().FStopped);
        QVERIFY(!QFile::exists(m_programDir + QStringLiteral("options.bin")));
    }

    // The journal's button sits with the other buttons, answers the keyboard, and opens
    // the journal kept in the program's folder.
    void journalButtonOpensTheJournal()
    {
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->JournalButton->accessibleName(), QStringLiteral("Дневник практики"));
        QCOMPARE(form->JournalButton->parentWidget(), form->Button1->parentWidget());
        QVERIFY(form->JournalButton->focusPolicy() & Qt::TabFocus);
        form->JournalButton->setFocus();
        QTest::keyClick(form->JournalButton, Qt::Key_Space);
        QVERIFY(form->JournalForm());
        QVERIFY(form->JournalForm()->isVisible());
        QCOMPARE(form->JournalForm()->windowTitle(), QStringLiteral("Дневник практики"));
        QCOMPARE(form->Journal().Path(), m_programDir + QStringLiteral("journal.sqlite"));
    }

    // A meditation that ends before its timed part is shorter than the threshold: nothing
    // is recorded and nothing more is said.
    void meditationEndedAtOnceIsNotRecorded()
    {
        auto form = makeForm();
        form->PlayMusicCheck->setChecked(false);
        m_messages.clear();
        form->Button2Click();
        QCOMPARE(m_messages, QStringList{QStringLiteral("Звуковой файл не найден.")});
        std::vector<JournalEntry> entries;
        QVERIFY(form->Journal().Load(entries).ok);
        QVERIFY(entries.empty());
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
