#include "journal/PracticeJournal.h"
#include "journal/ui/PracticeJournalForm.h"
#include "player/MeditationPlayer.h"
#include "player/tests/NoSoundAudio.h"
#include "settings/ui/MainForm.h"
#include "shell/Assert.h"
#include "shell/Errors.h"
#include "shell/Helpers.h"
#include "shell/SleepInhibitor.h"
#include "shell/ui/PowerOffCountdown.h"
#include "dbus/FakeCommands.h"
#include "dbus/FakeLogind.h"
#include "dbus/PrivateBus.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using enum TMedTech;

namespace {

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

// Counts the requests to lay a widget out again that reach it.
class LayoutRequestCounter : public QObject
{
public:
    int count = 0;

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::LayoutRequest)
            ++count;
        return false;
    }
};

} // namespace

// These tests have no Sounds folder: the start-up message about it is kept apart.
bool IsVoiceLibraryMessage(const QString &text)
{
    return text.startsWith(QStringLiteral("В этих папках нет записей голоса"));
}

class TestMainForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_programDir;
    QStringList m_messages;
    QStringList m_voiceMessages;
    QStringList m_errors;
    int m_frees = 0;
    int m_shutdowns = 0;

    std::unique_ptr<TMainForm> makeForm(std::optional<ProgramFolders> folders = std::nullopt)
    {
        TMainFormEnvironment env;
        env.programDir = m_programDir;
        env.folders = std::move(folders);
        env.audio = std::make_unique<NoSoundAudio>(&m_frees);
        // These tests have no Sounds folder: the start-up message about it is kept apart.
        env.showMessage = [this](const QString &text) {
            (IsVoiceLibraryMessage(text) ? m_voiceMessages : m_messages) << text;
        };
        env.reportError = [this](const QString &text) { m_errors << text; };
        env.runShutdown = [this] { ++m_shutdowns; };
        return std::make_unique<TMainForm>(std::move(env));
    }

    // A fake logind on a private bus, and the window talking to it.
    struct OnBus
    {
        PrivateBus bus;
        FakeLogind logind;
        std::shared_ptr<FakeCommands> commands = std::make_shared<FakeCommands>();
        std::function<void()> onMessage;
    };

    std::unique_ptr<TMainForm> makeFormOnBus(OnBus &services)
    {
        TMainFormEnvironment env;
        env.programDir = m_programDir;
        env.audio = std::make_unique<NoSoundAudio>(&m_frees);
        env.showMessage = [this, &services](const QString &text) {
            if (IsVoiceLibraryMessage(text)) {
                m_voiceMessages << text;
                return;
            }
            m_messages << text;
            if (services.onMessage)
                services.onMessage();
        };
        env.reportError = [this](const QString &text) { m_errors << text; };
        env.systemBus = services.bus.Connect(QStringLiteral("nesvara"));
        env.commands = services.commands;
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
        m_voiceMessages.clear();
        m_errors.clear();
        m_frees = 0;
        m_shutdowns = 0;
    }

    // Without recordings the window still opens, after one Russian message naming the folders.
    void withoutSoundsOneMessageAndTheWindowOpens()
    {
        auto form = makeForm();
        form->show();
        QCOMPARE(m_voiceMessages.size(), 1);
        QVERIFY(m_voiceMessages.first().contains(m_programDir + QStringLiteral("Sounds/Ostrel/RemindsTech1/")));
        QVERIFY(form->isVisible());
    }

    void defaultsWithoutOptionsFile()
    {
        auto form = makeForm();
        QCOMPARE(form->MedInstructorCombo->currentText(), QStringLiteral("Мужской (Острель)"));
        // What the controls show is what the options hold.
        QCOMPARE(form->MedTechinkCombo->currentText(), QStringLiteral("Просто тишина"));
        QVERIFY(form->AnyRemindersPanel->isHidden());
        QCOMPARE(form->MedLenEdit->text(), QStringLiteral("12"));
        // A first start is audible; the options take the shown volume.
        QCOMPARE(form->VolumeScroll->value(), 50);
        QVERIFY(!form->NidraTypeCombo->isEnabled());
        QCOMPARE(form->SoundFileCombo->currentIndex(), 1);
        QVERIFY(form->PlaySoundCheck->isChecked());
        QCOMPARE(form->MusicFileButton->text(), QStringLiteral("-"));
        QVERIFY(!form->MusicFileButton->isChecked());
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
        expected.FVolume = 0.5;
        expected.FPlayMusic = true;
        expected.FPlaySound = true;
        expected.FBackSoundFileNum = 1;
        expected.FMusicSubFileNum = -1;
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

    void storedSilenceStaysSilent()
    {
        TOptionsData options = storedOptions();
        options.FVolume = 0;
        writeOptions(m_programDir, options);
        auto form = makeForm();
        QCOMPARE(form->VolumeScroll->value(), 0);
        QCOMPARE(form->FOptions.FVolume, 0.0);
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
        form->MedTechinkCombo->setCurrentIndex(-1);
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
        QCOMPARE(form->MedTechinkCombo->currentIndex(), 0);
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

    // The percentage changes up to 17 times a second in a short meditation; each new text
    // only repaints its label and never lays the window out again.
    void newProgressTextsKeepTheLayout()
    {
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCoreApplication::processEvents();
        QWidget *row = form->PercentLabel->parentWidget();
        const QRect percentPlace = form->PercentLabel->geometry();
        const QRect remainingPlace = form->RemainingLabel->geometry();
        LayoutRequestCounter requests;
        row->installEventFilter(&requests);
        form->installEventFilter(&requests);
        for (const QString &text : {QStringLiteral("0,1%"), QStringLiteral("55,5%"), QStringLiteral("100,0%")})
            form->PercentLabel->setText(text);
        for (const QString &text : {QStringLiteral("осталось 0:59"), QStringLiteral("осталось 16:39:00"), QString()})
            form->RemainingLabel->setText(text);
        QCoreApplication::processEvents();
        QCOMPARE(requests.count, 0);
        QCOMPARE(form->PercentLabel->geometry(), percentPlace);
        QCOMPARE(form->RemainingLabel->geometry(), remainingPlace);
        form->RemainingLabel->setText(QStringLiteral("осталось 16:39:00"));
        QVERIFY(form->RemainingLabel->width() >= form->RemainingLabel->sizeHint().width());
    }

    void volumeBarRefreshesTheOptions()
    {
        auto form = makeForm();
        form->VolumeScroll->setValue(37);
        QCOMPARE(form->FOptions.FVolume, 0.37);
    }

    void theSleepLockIsHeldFromStartToTheEnd()
    {
        OnBus services;
        QVERIFY(services.bus.IsRunning());
        QVERIFY(services.logind.Register(services.bus.Connect(QStringLiteral("logind"))));
        auto form = makeFormOnBus(services);
        form->PlayMusicCheck->setChecked(false);
        // The meditation ends at its first phrase, which has no recording: while its message
        // is up, the meditation still runs and the lock must be there.
        bool heldDuringTheMeditation = false;
        services.onMessage = [&] {
            heldDuringTheMeditation = QTest::qWaitFor([&] { return services.logind.OpenLocks() == 1 && form->Inhibitor().IsHeld(); });
        };
        form->Button2Click();
        QCOMPARE(m_messages, QStringList{QStringLiteral("Звуковой файл не найден.")});
        QVERIFY(heldDuringTheMeditation);
        QCOMPARE(services.logind.inhibitCalls.size(), 1);
        QVERIFY(!form->Inhibitor().IsHeld());
        QTRY_COMPARE(services.logind.OpenLocks(), 0);
        QCOMPARE(m_shutdowns, 0);
        QVERIFY(!form->Countdown());
    }

    void afterTheMeditationTheCountdownThenLogind_data()
    {
        QTest::addColumn<bool>("now");
        QTest::newRow("Выключить сейчас") << true;
        QTest::newRow("the count reaches 0") << false;
    }

    void afterTheMeditationTheCountdownThenLogind()
    {
        QFETCH(bool, now);
        OnBus services;
        QVERIFY(services.logind.Register(services.bus.Connect(QStringLiteral("logind"))));
        auto form = makeFormOnBus(services);
        form->Host().RunShutdownCommand();
        PowerOffCountdown *countdown = form->Countdown();
        QVERIFY(countdown);
        QVERIFY(countdown->isVisible());
        QCOMPARE(countdown->SecondsLeft(), 60);
        QTest::qWait(20);
        QVERIFY(services.logind.powerOffCalls.isEmpty());
        if (now) {
            countdown->PowerOffNowButton->click();
        } else {
            while (countdown->SecondsLeft() > 0)
                countdown->Tick();
        }
        QTRY_COMPARE(services.logind.powerOffCalls, QList<bool>{false});
        QVERIFY(services.commands->runs.isEmpty());
        QVERIFY(m_messages.isEmpty());
    }

    void aPowerOffThatFailsIsReported()
    {
        OnBus services;
        services.logind.refusePowerOff = true;
        services.commands->error = QStringLiteral("Access denied");
        QVERIFY(services.logind.Register(services.bus.Connect(QStringLiteral("logind"))));
        auto form = makeFormOnBus(services);
        form->Host().RunShutdownCommand();
        form->Countdown()->PowerOffNowButton->click();
        QTRY_COMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.first().startsWith(QStringLiteral("Не удалось выключить компьютер.")));
        QCOMPARE(services.commands->runs.size(), 1);
    }

    void cancelOrClosingDuringTheCountdownNeverPowersOff_data()
    {
        QTest::addColumn<bool>("closeWindow");
        QTest::newRow("Отмена") << false;
        QTest::newRow("closing the main window") << true;
    }

    void cancelOrClosingDuringTheCountdownNeverPowersOff()
    {
        QFETCH(bool, closeWindow);
        OnBus services;
        QVERIFY(services.logind.Register(services.bus.Connect(QStringLiteral("logind"))));
        auto form = makeFormOnBus(services);
        form->show();
        form->Host().RunShutdownCommand();
        QPointer<PowerOffCountdown> countdown = form->Countdown();
        if (closeWindow)
            form->close();
        else
            countdown->CancelButton->click();
        QTRY_VERIFY(!countdown);
        QTest::qWait(50);
        QVERIFY(services.logind.powerOffCalls.isEmpty());
        QVERIFY(services.commands->runs.isEmpty());
    }

    // Installed: the options and the playlists have folders of their own, made by the first
    // save; the default playlists play the installed library; the user's recordings come first.
    void installedFoldersKeepTheUsersFilesApart()
    {
        ProgramFolders folders;
        folders.optionsDir = m_programDir + QStringLiteral("config/nesvara/");
        folders.dataDir = m_programDir + QStringLiteral("data/nesvara/");
        const QString installed = m_programDir + QStringLiteral("share/nesvara/");
        folders.libraryDirs = {folders.dataDir, installed};
        const QStringList preparation{folders.dataDir + QStringLiteral("Sounds/Ostrel/Nidras01/mine.mp3"),
                                      installed + QStringLiteral("Sounds/Ostrel/Nidras01/1.mp3")};
        for (const QString &path : preparation) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile recording(path);
            QVERIFY(recording.open(QIODevice::WriteOnly));
        }

        auto form = makeForm(folders);
        QCOMPARE(form->OptionsFile, folders.optionsDir + QStringLiteral("options.bin"));
        QCOMPARE(form->MusicListsFile, folders.dataDir + QStringLiteral("musiclists.bin"));
        QCOMPARE(form->BackSounsListFile, folders.dataDir + QStringLiteral("backsoundslists.bin"));
        QCOMPARE(form->FBackSoundsLists->at(0).mp3files,
                 QStringList{installed + QStringLiteral("Sounds/BackSounds/heavyrain.mp3")});
        QCOMPARE(form->FInstuctorVoices[0].FNidrasLists->at(0).mp3files, preparation);

        form->MedLenEdit->setText(QStringLiteral("25"));
        form->Button1Click();
        TOptionsData saved;
        saved.LoadFromFile(folders.optionsDir + QStringLiteral("options.bin"));
        QCOMPARE(saved.FMedLenMin, 25);
        QVERIFY(!QFile::exists(m_programDir + QStringLiteral("options.bin")));
        QVERIFY(!QFile::exists(installed + QStringLiteral("options.bin")));
    }

    // Saving where the folder cannot be made is reported by name and writes nothing.
    void anUnwritableOptionsFolderIsReported()
    {
        QFile blocker(m_programDir + QStringLiteral("config"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ProgramFolders folders = PortableFolders(m_programDir);
        folders.optionsDir = m_programDir + QStringLiteral("config/nesvara/");
        auto form = makeForm(folders);
        form->Button1->click();
        QCOMPARE(m_errors.size(), 1);
        QVERIFY2(m_errors.first().contains(QStringLiteral("config/nesvara")), qPrintable(m_errors.first()));
        QCOMPARE(QFileInfo(m_programDir + QStringLiteral("config")).size(), 0);
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
