#include "PlayerRig.h"
#include "player/ProgressFormat.h"
#include "shell/Helpers.h"

#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <memory>
#include <random>

using Played = FakeAudio::Played;
using HandledIn = VirtualHost::HandledIn;

namespace {

const QString kSoundFileNotFound = QStringLiteral("Звуковой файл не найден.");
const QString kAudioFileNotFound = QStringLiteral("Аудио файл не найден!");

// Voice files are named "/i<instructor>/<phase>/<n>.mp3", music "/music/<list>/<n>.mp3",
// background sounds "/bg/<list>/<n>.mp3", so a recorded play tells what it was.
QStringList VoiceFiles(int instructor, const char *phase, int count)
{
    QStringList files;
    for (int i = 0; i < count; ++i)
        files << QStringLiteral("/i%1/%2/%3.mp3").arg(instructor).arg(QLatin1String(phase)).arg(i);
    return files;
}

QStringList Files(const char *folder, int list, int count)
{
    QStringList files;
    for (int i = 0; i < count; ++i)
        files << QStringLiteral("/%1/%2/%3.mp3").arg(QLatin1String(folder)).arg(list).arg(i);
    return files;
}

void FillFirstInstructor(TInstructorVoices &v)
{
    v.VoiceCoef = 0.4;
    v.FRemindersTech1List = VoiceFiles(0, "pireminder", 2);
    v.FRemindersTech2List = VoiceFiles(0, "pirembr", 2);
    v.FRemindersTech3InhalList = VoiceFiles(0, "pireminhal", 2);
    v.FRemindersTech3ExhalList = VoiceFiles(0, "piremexhal", 2);
    v.FRemindersTech6List = VoiceFiles(0, "piremtech6", 3);
    v.FRemindersConcIntSecList = VoiceFiles(0, "piConcIntSec", 2);
    v.FRemindersConcIntSecNotBegList = VoiceFiles(0, "piConcIntSecNotBeg", 2);
    v.FRemindersConcIntTimeList = VoiceFiles(0, "piConcIntTime", 2);
    v.FRemindersConcIntTimeNotBegList = VoiceFiles(0, "piConcIntTimeNotBeg", 2);
    v.FRemindersConcIntEndList = VoiceFiles(0, "piConcIntEnd", 2);
    v.FMedBegsTech1List = VoiceFiles(0, "pimedbegtechthrem", 1);
    v.FMedBegsTech2List = VoiceFiles(0, "pimedbegtechbrrem", 1);
    v.FMedBegsTech3List = VoiceFiles(0, "pimedbegtecheachbr", 1);
    v.FMedBegsTech4List = VoiceFiles(0, "pimedbegtechincbrco", 1);
    v.FMedBegsTech5List = VoiceFiles(0, "pimedbegtechlowbrco", 1);
    v.FMedBegsTech6List = VoiceFiles(0, "pimedbegtechbodpar", 1);
    v.FMedBegsTech7List = VoiceFiles(0, "pimedbegtechranbodpar", 1);
    v.FMedBegsTech8List = VoiceFiles(0, "pimedbegtechsil", 1);
    v.FMedBegsQuickList = VoiceFiles(0, "pimedbegtechquick", 1);
    v.FMedBegsTechConcAddList = VoiceFiles(0, "piMedPrepTechConcAddText", 1);
    v.FMedBegsTechPrepContIntSecList = VoiceFiles(0, "unused", 1);
    v.FMedBegsTechPrepContIntTimeList = VoiceFiles(0, "unused", 1);
    v.FMedEndsList = VoiceFiles(0, "pimedend", 2);
    v.FMedEndsTech6List = VoiceFiles(0, "pimedendofrel", 1);
    for (int i = 0; i < 12; ++i) {
        v.FNidrasLists->AddList(QStringLiteral("Подготовка %1").arg(i));
        v.FNidrasLists->flists[std::size_t(i)].mp3files =
            VoiceFiles(0, QStringLiteral("pinidra%1").arg(i + 1).toLatin1().constData(), 1);
    }
}

// The second instructor has only five lists, as in the real voice library.
void FillSecondInstructor(TInstructorVoices &v)
{
    v.VoiceCoef = 0.4;
    v.FMedBegsTech1List = VoiceFiles(1, "pimedbegtechthrem", 1);
    v.FMedBegsTech8List = VoiceFiles(1, "pimedbegtechsil", 1);
    v.FMedBegsQuickList = VoiceFiles(1, "pimedbegtechquick", 1);
    v.FRemindersTech1List = VoiceFiles(1, "pireminder", 1);
    v.FMedEndsList = VoiceFiles(1, "pimedend", 1);
    for (int i = 0; i < 13; ++i) {
        v.FNidrasLists->AddList(QStringLiteral("Подготовка %1").arg(i));
        v.FNidrasLists->flists[std::size_t(i)].mp3files =
            VoiceFiles(1, QStringLiteral("pinidra%1").arg(i + 1).toLatin1().constData(), 1);
    }
}

QStringList Parts(const Played &play)
{
    return play.file.split(QLatin1Char('/'), Qt::SkipEmptyParts);
}

bool IsVoice(const Played &play)
{
    return play.file.startsWith(QLatin1String("/i"));
}

// A voice play by its phase, music and background by folder, list and file.
QString Name(const Played &play)
{
    const QStringList parts = Parts(play);
    if (IsVoice(play))
        return parts.at(1);
    return parts.at(0) + QLatin1Char('/') + parts.at(1) + QLatin1Char('/')
           + parts.at(2).chopped(4);
}

int FileIndex(const Played &play)
{
    return Parts(play).last().chopped(4).toInt();
}

QStringList Names(const std::vector<Played> &plays)
{
    QStringList names;
    for (const Played &play : plays)
        names << Name(play);
    return names;
}

bool Overlap(const Played &a, const Played &b)
{
    return a.start < b.end && b.start < a.end;
}

// The player with everything it reads, on a virtual clock starting at 0. The "controls"
// are what the Start button copies into the options.
struct Rig : PlayerRig
{
    TOptionsData controls;

    Rig()
    {
        FillFirstInstructor(voices[0]);
        FillSecondInstructor(voices[1]);
        AddPlaylist(*music, "music", 3, 0.5);
        AddPlaylist(*music, "music", 2, 1.0);
        AddPlaylist(*music, "music", 0, 1.0);
        AddPlaylist(*backs, "bg", 2, 0.75);
        AddPlaylist(*backs, "bg", 0, 1.0);

        controls.FMedInstructor = 0;
        controls.FMedTechnique = TMedTech::mtSilence;
        controls.FMedLenMin = 1;
        controls.FRemIntTech1Sec = 10;
        controls.FRemIntTech3MSec = 3000;
        controls.FRemIntTech6MSec = 5000;
        controls.FConcIntSec = 30;
        controls.FMusicSubFileNum = -1;
        controls.FVolume = 0.8;
        host.onUpdateOptions = [this] { options = controls; };
        SeedRandom(20240611);
    }

    static void AddPlaylist(TMp3FilesList &lists, const char *folder, int count, double vol)
    {
        const qint32 index = lists.flistscount;
        lists.AddList(QStringLiteral("Список %1").arg(index));
        lists.at(index).mp3files = Files(folder, index, count);
        lists.at(index).Vol = vol;
    }

    void Start() { player.Button2Click(); }
    // The start of the meditation time (the progress display is enabled then).
    quint64 MainStart() const { return host.progressEnabledAt.value_or(0); }

    std::vector<Played> Voice() const { return audio.PlaysUnder(QStringLiteral("/i")); }
    std::vector<Played> Music() const { return audio.PlaysUnder(QStringLiteral("/music/")); }
    std::vector<Played> Background() const { return audio.PlaysUnder(QStringLiteral("/bg/")); }

    // Voice plays that started within the meditation time, before the closing phrase.
    std::vector<Played> MainPart() const
    {
        std::vector<Played> main;
        const std::vector<Played> voice = Voice();
        for (std::size_t i = 0; i + 1 < voice.size(); ++i)
            if (host.progressEnabledAt && voice[i].start >= MainStart())
                main.push_back(voice[i]);
        return main;
    }

    void ExpectWoundUp() const
    {
        QVERIFY(!player.FPlaying);
        QVERIFY(!host.stopButtonEnabled);
        QVERIFY(!host.progressScrollEnabled);
        QVERIFY(!host.percentLabelEnabled);
        QVERIFY(!host.progress.empty());
        QCOMPARE(host.progress.back().value, 0.0);
        QVERIFY(!audio.AnythingSounds());
        QVERIFY(!audio.AnythingWaitsToStart());
    }
};

} // namespace

Q_DECLARE_METATYPE(TMedTech)
Q_DECLARE_METATYPE(HandledIn)

class TestMeditationPlayer : public QObject
{
    Q_OBJECT

private slots:
    void introductionAndClosing_data();
    void introductionAndClosing();
    void silentTechniquesOnlyMoveTheProgress_data();
    void silentTechniquesOnlyMoveTheProgress();
    void bodyPartsInListOrder_data();
    void bodyPartsInListOrder();
    void randomBodyPartsRunsOfSeventeenAndAReminder();
    void eachBreathAlternatesAtTheInterval_data();
    void eachBreathAlternatesAtTheInterval();
    void randomRemindersKeepTheirMeanInterval_data();
    void randomRemindersKeepTheirMeanInterval();
    void theWaitsWakeOnlyWhenSomethingIsDue_data();
    void theWaitsWakeOnlyWhenSomethingIsDue();
    void concentrationCycle();
    void laterConcentrationAnnouncementsUseBothForms();

    void musicAtEachPosition_data();
    void musicAtEachPosition();
    void stopDuringMusicPlaysNoFurtherFile();
    void musicChoice_data();
    void musicChoice();
    void musicFileThatCannotBeOpened();
    void backgroundCyclesThroughItsPlaylist_data();
    void backgroundCyclesThroughItsPlaylist();
    void nothingWaitingOutlivesTheBackground_data();
    void nothingWaitingOutlivesTheBackground();
    void noBackgroundSound_data();
    void noBackgroundSound();
    void backgroundFileThatCannotBeOpenedIsSkippedSilently_data();
    void backgroundFileThatCannotBeOpenedIsSkippedSilently();
    void backgroundSwitchedOffMidwayStillEndsWithTheMeditation();

    void volumeRuleAndAChangeDuringTheMeditation();
    void optionsTakeEffectAtTheirNextUse_data();
    void optionsTakeEffectAtTheirNextUse();
    void controlsFollowTheSteps_data();
    void controlsFollowTheSteps();
    void backgroundStartsAgainFromItsFirstFile_data();
    void backgroundStartsAgainFromItsFirstFile();
    void stopAtEachStage_data();
    void stopAtEachStage();
    void shutdownOnlyAfterAnUnstoppedMeditation_data();
    void shutdownOnlyAfterAnUnstoppedMeditation();
    void missingListEndsTheMeditation_data();
    void missingListEndsTheMeditation();
    void voiceFileThatCannotBeOpenedIsSkipped();
    void voiceFileThatIsThereButNoMp3IsCalledSo();
    void instructorChangedToOneWithoutBodyParts();
    void startDuringAMeditationOnlyRefreshesTheOptions();
    void closingTheWindowReleasesTheAudioSafely();
    void exitAndClosingSilenceAtOnce_data();
    void exitAndClosingSilenceAtOnce();
    void durationsOutsideTheControlsRanges_data();
    void durationsOutsideTheControlsRanges();
    void aMeditationAfterAStoppedOne();

    void playPhaseWithoutWaitingAndWithOneFile();
    void timedWaitOfZeroHandlesNoMessages();
    void theStopRequestSilencesOnlyTheFirstChannelsTest();
    void progressFormat_data();
    void progressFormat();
    void nextProgressChangeIsTheFirstMomentShowingSomethingElse_data();
    void nextProgressChangeIsTheFirstMomentShowingSomethingElse();
};

// ---------------------------------------------------------------------------------------
// Techniques

void TestMeditationPlayer::introductionAndClosing_data()
{
    QTest::addColumn<TMedTech>("technique");
    QTest::addColumn<bool>("doNotPlayIntro");
    QTest::addColumn<QStringList>("introduction");
    QTest::addColumn<QString>("closing");

    const QString end = QStringLiteral("pimedend");
    const QString endOfRelaxation = QStringLiteral("pimedendofrel");
    const struct
    {
        const char *name;
        TMedTech tech;
        QStringList intro;
        QString closing;
    } rows[] = {
        {"silence", TMedTech::mtSilence, {QStringLiteral("pimedbegtechsil")}, end},
        {"thoughts", TMedTech::mtThoughtsReminds, {QStringLiteral("pimedbegtechthrem")}, end},
        {"breath", TMedTech::mtBreathReminds, {QStringLiteral("pimedbegtechbrrem")}, end},
        {"concentration", TMedTech::mtConcIntervals,
         {QStringLiteral("pimedbegtechsil"), QStringLiteral("piMedPrepTechConcAddText")}, end},
        {"each breath", TMedTech::mtEachBreathReminds, {QStringLiteral("pimedbegtecheachbr")}, end},
        {"increasing", TMedTech::mtIncreasingBreathCount, {QStringLiteral("pimedbegtechincbrco")}, end},
        {"lowering", TMedTech::mtLoweringBreathCount, {QStringLiteral("pimedbegtechlowbrco")}, end},
        {"body parts", TMedTech::mtBodyPartsEnum, {QStringLiteral("pimedbegtechbodpar")},
         endOfRelaxation},
        {"random body parts", TMedTech::mtRandomBodyPartsEnum,
         {QStringLiteral("pimedbegtechranbodpar")}, endOfRelaxation},
    };
    for (const auto &row : rows) {
        QTest::addRow("%s", row.name) << row.tech << false << row.intro << row.closing;
        QTest::addRow("%s, quick intro", row.name)
            << row.tech << true << QStringList{QStringLiteral("pimedbegtechquick")} << row.closing;
    }
    QTest::addRow("unknown technique counts as silence")
        << static_cast<TMedTech>(42) << false << QStringList{QStringLiteral("pimedbegtechsil")} << end;
}

void TestMeditationPlayer::introductionAndClosing()
{
    QFETCH(TMedTech, technique);
    QFETCH(bool, doNotPlayIntro);
    QFETCH(QStringList, introduction);
    QFETCH(QString, closing);

    Rig rig;
    rig.controls.FMedTechnique = technique;
    rig.controls.FDoNotPlayIntro = doNotPlayIntro;
    rig.Start();

    QStringList played;
    for (const Played &play : rig.Voice())
        if (play.start < rig.MainStart())
            played << Name(play);
    QCOMPARE(played, introduction);
    QCOMPARE(Name(rig.Voice().back()), closing);
    QVERIFY(rig.host.messages.isEmpty());
    rig.ExpectWoundUp();
}

void TestMeditationPlayer::silentTechniquesOnlyMoveTheProgress_data()
{
    QTest::addColumn<TMedTech>("technique");
    QTest::newRow("silence") << TMedTech::mtSilence;
    QTest::newRow("increasing breath count") << TMedTech::mtIncreasingBreathCount;
    QTest::newRow("lowering breath count") << TMedTech::mtLoweringBreathCount;
}

void TestMeditationPlayer::silentTechniquesOnlyMoveTheProgress()
{
    QFETCH(TMedTech, technique);
    Rig rig;
    rig.controls.FMedTechnique = technique;
    rig.Start();

    const std::vector<Played> voice = rig.Voice();
    QCOMPARE(voice.size(), std::size_t(2));
    // The main loop ends at the first pass after the 60 000 ms of meditation time.
    QCOMPARE(voice.back().start, rig.MainStart() + 60'020);

    // The display hears of every change at the pass where it happens, and of nothing else:
    // what a call on every 20 ms pass would show, without the repeats.
    const auto describe = [](double progr, quint64 at) {
        const TProgressDisplay display = FormatProgress(progr, kProgressMaximum, QLocale::c());
        return QStringLiteral("%1 %2 at %3").arg(display.position).arg(display.text).arg(at);
    };
    QStringList expected;
    std::optional<TProgressDisplay> before;
    for (quint64 at = 20; at <= 60'020; at += 20) {
        const TProgressDisplay display = FormatProgress(double(at) / 60'000.0, kProgressMaximum, QLocale::c());
        if (display != before)
            expected << describe(double(at) / 60'000.0, at);
        before = display;
    }
    QStringList shown;
    double last = -1.0;
    for (const auto &progress : rig.host.progress) {
        if (progress.at > voice.back().start)
            break;
        shown << describe(progress.value, progress.at - rig.MainStart());
        last = progress.value;
    }
    QCOMPARE(shown.size(), expected.size());
    QCOMPARE(shown, expected);
    // The full bar and "100.0%" come just before the end of the time, and stay.
    QVERIFY2(shown.last().startsWith(QLatin1String("100 100.0% ")), qPrintable(shown.last()));
    QVERIFY(last < 1.0);
    rig.ExpectWoundUp();
}

void TestMeditationPlayer::bodyPartsInListOrder_data()
{
    QTest::addColumn<bool>("doNotPlayIntro");
    QTest::addColumn<quint64>("firstAfterStart");
    // After the introduction: 1000 ms, then more than the interval; without it: the first pass.
    QTest::newRow("after the introduction") << false << quint64(1000 + 5000 + 20);
    QTest::newRow("quick introduction") << true << quint64(20);
}

void TestMeditationPlayer::bodyPartsInListOrder()
{
    QFETCH(bool, doNotPlayIntro);
    QFETCH(quint64, firstAfterStart);
    Rig rig;
    rig.controls.FMedTechnique = TMedTech::mtBodyPartsEnum;
    rig.controls.FDoNotPlayIntro = doNotPlayIntro;
    rig.Start();

    const std::vector<Played> parts = rig.MainPart();
    QVERIFY(parts.size() >= 9);
    QCOMPARE(parts.front().start, rig.MainStart() + firstAfterStart);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        QCOMPARE(Name(parts[i]), QStringLiteral("piremtech6"));
        QCOMPARE(FileIndex(parts[i]), int(i % 3));
        if (i > 0) {
            const quint64 gap = parts[i].start - parts[i - 1].start;
            QVERIFY2(gap > 5000 && gap <= 5020, qPrintable(QString::number(gap)));
        }
    }
    QCOMPARE(Name(rig.Voice().back()), QStringLiteral("pimedendofrel"));
}

void TestMeditationPlayer::randomBodyPartsRunsOfSeventeenAndAReminder()
{
    Rig rig;
    rig.audio.SetDefaultDuration(50);
    rig.voices[0].FRemindersTech6List = VoiceFiles(0, "piremtech6", 20);
    rig.controls.FMedTechnique = TMedTech::mtRandomBodyPartsEnum;
    rig.controls.FRemIntTech6MSec = 100;
    rig.controls.FMedLenMin = 10;
    rig.Start();

    const std::vector<Played> main = rig.MainPart();
    QVERIFY(main.size() > 200 * 18);
    // 1000 ms after the introduction, then more than the interval.
    QCOMPARE(main.front().start, rig.MainStart() + 1000 + 100 + 20);
    QList<int> runStarts;
    int continued = 0;
    for (std::size_t i = 0; i < main.size(); ++i) {
        const std::size_t position = i + 1;
        if (position % 18 == 0) {
            QCOMPARE(Name(main[i]), QStringLiteral("pireminder"));
        } else {
            QCOMPARE(Name(main[i]), QStringLiteral("piremtech6"));
            if (position % 18 == 1) {
                runStarts << FileIndex(main[i]);
                if (i > 0 && FileIndex(main[i]) == (FileIndex(main[i - 2]) + 1) % 20)
                    ++continued;
            } else {
                QCOMPARE(FileIndex(main[i]), (FileIndex(main[i - 1]) + 1) % 20);
            }
        }
        // Every phrase, the reminder too, keeps the interval from the previous start, and
        // nothing more.
        if (i > 0) {
            const quint64 gap = main[i].start - main[i - 1].start;
            QVERIFY2(gap > 100 && gap <= 120, qPrintable(QString::number(gap)));
        }
    }
    // Every run starts at a new random place: each body part about equally often, and a
    // run goes on where the last one ended no more often than chance says (1 in 20).
    std::vector<int> starts(20);
    for (int start : runStarts)
        ++starts[std::size_t(start)];
    const double expected = double(runStarts.size()) / 20.0;
    double chiSquare = 0.0;
    for (int count : starts)
        chiSquare += (count - expected) * (count - expected) / expected;
    // 19 degrees of freedom: 43.8 is the 0.1 % point.
    QVERIFY2(chiSquare < 43.8, qPrintable(QString::number(chiSquare)));
    QVERIFY2(continued < runStarts.size() / 5, qPrintable(QString::number(continued)));
}

void TestMeditationPlayer::eachBreathAlternatesAtTheInterval_data()
{
    QTest::addColumn<quint64>("phraseMs");
    QTest::newRow("phrases shorter than the interval") << quint64(1000);
    QTest::newRow("phrases longer than the interval") << quint64(4000);
}

void TestMeditationPlayer::eachBreathAlternatesAtTheInterval()
{
    QFETCH(quint64, phraseMs);
    Rig rig;
    rig.audio.SetDefaultDuration(phraseMs);
    rig.controls.FMedTechnique = TMedTech::mtEachBreathReminds;
    rig.Start();

    const std::vector<Played> main = rig.MainPart();
    QVERIFY(main.size() > 10);
    QCOMPARE(main.front().start, rig.MainStart() + 20);
    for (std::size_t i = 0; i < main.size(); ++i) {
        QCOMPARE(Name(main[i]), i % 2 == 0 ? QStringLiteral("pireminhal") : QStringLiteral("piremexhal"));
        if (i == 0)
            continue;
        const quint64 gap = main[i].start - main[i - 1].start;
        if (phraseMs < 3000)
            QVERIFY2(gap > 3000 && gap <= 3020, qPrintable(QString::number(gap)));
        else // the next phrase is due at once, at the first pass after the long one
            QVERIFY2(main[i].start - main[i - 1].end <= 20, qPrintable(QString::number(gap)));
    }
}

void TestMeditationPlayer::randomRemindersKeepTheirMeanInterval_data()
{
    QTest::addColumn<TMedTech>("technique");
    QTest::addColumn<QString>("phase");
    QTest::newRow("thoughts") << TMedTech::mtThoughtsReminds << QStringLiteral("pireminder");
    QTest::newRow("breath") << TMedTech::mtBreathReminds << QStringLiteral("pirembr");
}

void TestMeditationPlayer::randomRemindersKeepTheirMeanInterval()
{
    QFETCH(TMedTech, technique);
    QFETCH(QString, phase);
    Rig rig;
    rig.audio.SetDefaultDuration(1000);
    rig.voices[0].FRemindersTech1List = VoiceFiles(0, "pireminder", 4);
    rig.voices[0].FRemindersTech2List = VoiceFiles(0, "pirembr", 4);
    rig.controls.FMedTechnique = technique;
    rig.controls.FRemIntTech1Sec = 10;
    rig.controls.FMedLenMin = 240;
    rig.Start();

    const std::vector<Played> main = rig.MainPart();
    QVERIFY(main.size() > 1000);
    double silence = 0.0;
    std::vector<int> files(4);
    for (std::size_t i = 0; i < main.size(); ++i) {
        QCOMPARE(Name(main[i]), phase);
        ++files[std::size_t(FileIndex(main[i]))];
        if (i > 0)
            silence += double(main[i].start - main[i - 1].end);
    }
    const double mean = silence / double(main.size() - 1);
    // About 1300 intervals: the standard error of the mean is under 3 %; a tenth more or
    // less probability per pass moves the mean by 10 %.
    QVERIFY2(mean > 9400.0 && mean < 10600.0, qPrintable(QString::number(mean)));
    // Each file of the list about equally often.
    for (int count : files)
        QVERIFY2(std::abs(count - int(main.size()) / 4) < int(main.size()) / 10,
                 qPrintable(QString::number(count)));
}

void TestMeditationPlayer::theWaitsWakeOnlyWhenSomethingIsDue_data()
{
    QTest::addColumn<TMedTech>("technique");
    QTest::addColumn<quint64>("overshootMs");
    QTest::newRow("random reminders") << TMedTech::mtThoughtsReminds << quint64(0);
    QTest::newRow("body parts") << TMedTech::mtBodyPartsEnum << quint64(0);
    QTest::newRow("concentration") << TMedTech::mtConcIntervals << quint64(0);
    QTest::newRow("silence") << TMedTech::mtSilence << quint64(0);
    // A wake a little late still does what it woke for, instead of waking once more.
    QTest::newRow("silence, timers 1 ms late") << TMedTech::mtSilence << quint64(1);
    QTest::newRow("random reminders, timers 3 ms late") << TMedTech::mtThoughtsReminds << quint64(3);
}

// Thirty minutes with the background changing files every 7 s: the player wakes for a phrase
// and its end, a change of the progress display, the end of a background file, and for
// nothing else (a 20 ms pace would be 90 000 wakes).
void TestMeditationPlayer::theWaitsWakeOnlyWhenSomethingIsDue()
{
    QFETCH(TMedTech, technique);
    QFETCH(quint64, overshootMs);
    Rig rig;
    rig.host.sleepOvershootMs = overshootMs;
    rig.audio.SetDefaultDuration(1500);
    for (const QString &file : rig.backs->at(0).mp3files)
        rig.audio.SetDuration(file, 7000);
    rig.controls.FMedTechnique = technique;
    rig.controls.FMedLenMin = 30;
    rig.controls.FRemIntTech1Sec = 20;
    rig.controls.FRemIntTech6MSec = 15'000;
    rig.controls.FConcIntSec = 40;
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    rig.Start();

    const qsizetype phrases = qsizetype(rig.Voice().size());
    const qsizetype backgroundFiles = qsizetype(rig.Background().size());
    const qsizetype progressChanges = qsizetype(rig.host.progress.size());
    QVERIFY(backgroundFiles > 250);
    // Concentration shows the progress between its cycles only.
    QVERIFY(progressChanges > (technique == TMedTech::mtConcIntervals ? 20 : 1000));
    // The fade at the end is the mixer's: the player waits for it once. A concentration
    // cycle also wakes at the end of its period and of the pause after it.
    const qsizetype fade = 2;
    const qsizetype cycles = technique == TMedTech::mtConcIntervals ? phrases : 0;
    const qsizetype bound = 2 * phrases + backgroundFiles + progressChanges + fade + cycles + 10;
    QVERIFY2(rig.host.pauses <= bound, qPrintable(QStringLiteral("%1 wakes, at most %2 expected (%3 phrases, %4 background files, %5 progress changes)")
                                                      .arg(rig.host.pauses).arg(bound).arg(phrases).arg(backgroundFiles).arg(progressChanges)));
}

void TestMeditationPlayer::concentrationCycle()
{
    Rig rig;
    rig.controls.FMedTechnique = TMedTech::mtConcIntervals;
    rig.controls.FConcIntSec = 30;
    rig.controls.FRemIntTech1Sec = 10;
    rig.Start();

    const std::vector<Played> voice = rig.Voice();
    QStringList names;
    QList<quint64> offsets;
    for (const Played &play : voice) {
        if (play.start < rig.MainStart())
            continue;
        names << Name(play);
        offsets << play.start - rig.MainStart();
    }
    // Announcement (2 s), a period of exactly 30 s, the end phrase (2 s), a rest of 10 s;
    // the second period begins before the end of the time and still runs its full length,
    // and its end phrase is followed at once by the closing phrase.
    QCOMPARE(names.size(), 5);
    QCOMPARE(names.at(0), QStringLiteral("piConcIntTime"));
    QCOMPARE(names.at(1), QStringLiteral("piConcIntEnd"));
    QVERIFY(names.at(2) == QStringLiteral("piConcIntTime")
            || names.at(2) == QStringLiteral("piConcIntTimeNotBeg"));
    QCOMPARE(names.at(3), QStringLiteral("piConcIntEnd"));
    QCOMPARE(names.at(4), QStringLiteral("pimedend"));
    QCOMPARE(offsets, (QList<quint64>{20, 2020 + 30'000, 34'020 + 10'000 + 20,
                                       46'040 + 30'000, 78'040}));
}

void TestMeditationPlayer::laterConcentrationAnnouncementsUseBothForms()
{
    Rig rig;
    rig.audio.SetDefaultDuration(500);
    rig.controls.FMedTechnique = TMedTech::mtConcIntervals;
    rig.controls.FConcIntSec = 1;
    rig.controls.FRemIntTech1Sec = 1;
    rig.controls.FMedLenMin = 60;
    rig.Start();

    int timeForm = 0;
    int laterForm = 0;
    bool first = true;
    for (const Played &play : rig.MainPart()) {
        const QString name = Name(play);
        if (name == QStringLiteral("piConcIntEnd"))
            continue;
        if (first) {
            QCOMPARE(name, QStringLiteral("piConcIntTime"));
            first = false;
            continue;
        }
        (name == QStringLiteral("piConcIntTime") ? timeForm : laterForm) += 1;
        QVERIFY(name == QStringLiteral("piConcIntTime") || name == QStringLiteral("piConcIntTimeNotBeg"));
    }
    const double share = double(laterForm) / double(timeForm + laterForm);
    QVERIFY2(timeForm + laterForm > 500 && share > 0.4 && share < 0.6, qPrintable(QString::number(share)));
}

// ---------------------------------------------------------------------------------------
// Music and background

void TestMeditationPlayer::musicAtEachPosition_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("fromTheEnd");

    QTest::newRow("at the very beginning")
        << 0
        << QStringList{QStringLiteral("music/0/0"), QStringLiteral("music/0/1"),
                       QStringLiteral("music/0/2"), QStringLiteral("bg/0/0"),
                       QStringLiteral("pinidra3"), QStringLiteral("pimedbegtechsil")}
        << false;
    QTest::newRow("after the preparation, background from its first file again")
        << 1
        << QStringList{QStringLiteral("bg/0/0"), QStringLiteral("pinidra3"),
                       QStringLiteral("music/0/0"), QStringLiteral("music/0/1"),
                       QStringLiteral("music/0/2"), QStringLiteral("bg/0/0"),
                       QStringLiteral("pimedbegtechsil")}
        << false;
    QTest::newRow("after the meditation, the playlist selected at that moment")
        << 2 << QStringList{QStringLiteral("pimedend"), QStringLiteral("music/1/0"), QStringLiteral("music/1/1")}
        << true;
}

void TestMeditationPlayer::musicAtEachPosition()
{
    QFETCH(int, position);
    QFETCH(QStringList, expected);
    QFETCH(bool, fromTheEnd);

    Rig rig;
    for (const QString &file : rig.backs->at(0).mp3files)
        rig.audio.SetDuration(file, 10'000);
    rig.controls.FPlayMusic = true;
    rig.controls.FMusicPosition = position;
    rig.controls.FMusicFileNum = 0;
    rig.controls.FPlayNidra = true;
    rig.controls.FNidraFileNum = 2;
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    rig.host.selectedMusicPlaylist = 0;
    rig.host.At(30'000, [&rig] { rig.host.selectedMusicPlaylist = 1; });
    rig.Start();

    const std::vector<Played> plays = rig.audio.Plays();
    const QStringList names = Names(plays);
    if (fromTheEnd)
        QCOMPARE(names.mid(names.size() - expected.size()), expected);
    else
        QCOMPARE(names.mid(0, expected.size()), expected);

    // Music plays each file to its end, alone on channel 1 and with the background silent.
    const std::vector<Played> music = rig.Music();
    for (std::size_t i = 1; i < music.size(); ++i)
        QCOMPARE(music[i].start, music[i - 1].end);
    for (const Played &piece : music) {
        QVERIFY(!piece.halted);
        for (const Played &other : plays)
            if (other.handle != piece.handle)
                QVERIFY2(!Overlap(piece, other), qPrintable(other.file));
    }
    QVERIFY(rig.host.messages.isEmpty());
    rig.ExpectWoundUp();
}

void TestMeditationPlayer::stopDuringMusicPlaysNoFurtherFile()
{
    Rig rig;
    rig.controls.FPlayMusic = true;
    rig.controls.FMusicPosition = 0;
    rig.controls.FSwitchOffComputerAfterMeditation = true;
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    rig.host.At(3000, [&rig] { rig.player.StopButtonClick(); });
    rig.Start();

    const std::vector<Played> plays = rig.audio.Plays();
    QCOMPARE(Names(plays), (QStringList{QStringLiteral("music/0/0"), QStringLiteral("music/0/1")}));
    QVERIFY(!plays[0].halted);
    QVERIFY(plays[1].halted);
    QCOMPARE(plays[1].end, quint64(3000));
    QCOMPARE(rig.host.shutdownRuns, 0);
    rig.ExpectWoundUp();
}

void TestMeditationPlayer::musicChoice_data()
{
    QTest::addColumn<int>("musicFileNum");
    QTest::addColumn<int>("subFileNum");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("whole playlist") << 0 << -1
        << QStringList{QStringLiteral("music/0/0"), QStringLiteral("music/0/1"), QStringLiteral("music/0/2")};
    QTest::newRow("only the second file") << 0 << 1 << QStringList{QStringLiteral("music/0/1")};
    QTest::newRow("empty playlist") << 2 << -1 << QStringList{};
    QTest::newRow("playlist beyond the collection") << 3 << -1 << QStringList{};
    QTest::newRow("no playlist selected") << -1 << -1 << QStringList{};
    QTest::newRow("file beyond the playlist") << 1 << 2 << QStringList{};
    QTest::newRow("negative file index other than -1") << 0 << -2 << QStringList{};
}

void TestMeditationPlayer::musicChoice()
{
    QFETCH(int, musicFileNum);
    QFETCH(int, subFileNum);
    QFETCH(QStringList, expected);

    Rig rig;
    rig.controls.FPlayMusic = true;
    rig.controls.FMusicPosition = 0;
    rig.controls.FMusicFileNum = musicFileNum;
    rig.controls.FMusicSubFileNum = subFileNum;
    rig.Start();

    QCOMPARE(Names(rig.Music()), expected);
    // Whatever the choice, the meditation itself goes on.
    QCOMPARE(Name(rig.Voice().back()), QStringLiteral("pimedend"));
    QVERIFY(rig.host.messages.isEmpty());
}

void TestMeditationPlayer::musicFileThatCannotBeOpened()
{
    Rig rig;
    rig.audio.SetUnopenable(QStringLiteral("/music/0/1.mp3"));
    rig.controls.FPlayMusic = true;
    rig.controls.FMusicPosition = 0;
    rig.controls.FSwitchOffComputerAfterMeditation = true;
    rig.Start();

    QCOMPARE(Names(rig.Music()), QStringList{QStringLiteral("music/0/0")});
    QCOMPARE(rig.host.messages, QStringList{kAudioFileNotFound});
    QCOMPARE(Names(rig.Voice()), (QStringList{QStringLiteral("pimedbegtechsil"), QStringLiteral("pimedend")}));
    QCOMPARE(rig.host.shutdownRuns, 1);
}

void TestMeditationPlayer::backgroundCyclesThroughItsPlaylist_data()
{
    QTest::addColumn<int>("files");
    QTest::newRow("two files") << 2;
    QTest::newRow("one file repeated") << 1;
}

void TestMeditationPlayer::backgroundCyclesThroughItsPlaylist()
{
    QFETCH(int, files);
    Rig rig;
    Rig::AddPlaylist(*rig.backs, "bg", files, 0.75);
    const qint32 list = rig.backs->flistscount - 1;
    for (const QString &file : rig.backs->at(list).mp3files)
        rig.audio.SetDuration(file, 3000);
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = list + 1;
    rig.Start();

    const std::vector<Played> background = rig.Background();
    QVERIFY(background.size() > 20);
    for (std::size_t i = 0; i < background.size(); ++i) {
        QCOMPARE(FileIndex(background[i]), int(i) % files);
        // The last one dies away after the closing phrase.
        if (i + 1 < background.size())
            QCOMPARE(background[i].volume, float(0.75 * 0.4 * 0.8));
        if (i > 0) // the next file starts at the very end of the previous one
            QCOMPARE(background[i].start, background[i - 1].end);
    }
    QCOMPARE(rig.player.FCurBackSoundFile, int(background.size() - 1) % files);
    // Gone with the meditation's end: faded out, and nothing followed it.
    QVERIFY(background.back().volume < float(0.75 * 0.4 * 0.8));
    QVERIFY(background.back().end > rig.Voice().back().end);
    QVERIFY(background.back().end <= rig.Voice().back().end + 4'020);
    rig.ExpectWoundUp();
}

// The file waiting to follow never starts after the background was stopped, switched off,
// cut for music or released with the library.
void TestMeditationPlayer::nothingWaitingOutlivesTheBackground_data()
{
    QTest::addColumn<QString>("event");
    QTest::addColumn<quint64>("at");
    QTest::addColumn<bool>("haltsAtOnce"); // or the playing file ends by itself
    // Files of 3 s: 10.5 s is mid-file; at 12 s the next file has taken over but no check
    // has seen it yet.
    QTest::newRow("stop mid-file") << QStringLiteral("stop") << quint64(10'500) << true;
    QTest::newRow("stop as a file ends") << QStringLiteral("stop") << quint64(12'000) << true;
    QTest::newRow("window closed") << QStringLiteral("window closed") << quint64(10'500) << true;
    QTest::newRow("music after the meditation")
        << QStringLiteral("music after the meditation") << quint64(0) << true;
    QTest::newRow("end of the meditation") << QStringLiteral("end of the meditation") << quint64(0) << true;
    QTest::newRow("switched off") << QStringLiteral("switched off") << quint64(10'500) << false;
}

void TestMeditationPlayer::nothingWaitingOutlivesTheBackground()
{
    QFETCH(QString, event);
    QFETCH(quint64, at);
    QFETCH(bool, haltsAtOnce);
    Rig rig;
    for (const QString &file : rig.backs->at(0).mp3files)
        rig.audio.SetDuration(file, 3000);
    rig.controls.FMedTechnique = TMedTech::mtEachBreathReminds;
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    rig.controls.FPlayMusic = event == QStringLiteral("music after the meditation");
    rig.controls.FMusicPosition = 2;
    rig.host.selectedMusicPlaylist = 0;
    std::optional<quint64> cut;
    if (event == QStringLiteral("stop"))
        rig.host.At(at, [&] { rig.player.StopButtonClick(); cut = rig.clock; });
    if (event == QStringLiteral("window closed"))
        rig.host.At(at, [&] { rig.player.ReleaseAudio(); cut = rig.clock; });
    if (event == QStringLiteral("switched off"))
        rig.host.At(at, [&] {
            rig.controls.FPlaySound = false;
            rig.player.Button2Click();
            cut = rig.clock;
        });
    rig.Start();
    if (event == QStringLiteral("music after the meditation"))
        cut = rig.Music().front().start;
    if (event == QStringLiteral("end of the meditation"))
        cut = rig.Voice().back().end;
    QVERIFY(cut.has_value());
    // Long after: nothing was left to start on its own.
    rig.clock += 600'000;

    const std::vector<Played> background = rig.Background();
    QVERIFY(background.size() >= 3);
    const Played &last = background.back();
    for (const Played &play : background)
        QVERIFY2(play.start <= *cut, qPrintable(QString::number(play.start)));
    if (event == QStringLiteral("end of the meditation")) // it dies away, or ends within the fade
        QVERIFY2(last.end > *cut && last.end <= *cut + 4'020, qPrintable(QString::number(last.end)));
    else
        QCOMPARE(last.end, haltsAtOnce ? *cut : last.start + 3000);
    QVERIFY(!rig.audio.AnythingSounds());
    QVERIFY(!rig.audio.AnythingWaitsToStart());
    // Let go at the end, not at the next start: a loop kept in memory is given back.
    QCOMPARE(rig.audio.UnfreedUnder(QStringLiteral("/bg/")), QStringList());
}

void TestMeditationPlayer::noBackgroundSound_data()
{
    QTest::addColumn<bool>("playSound");
    QTest::addColumn<int>("backSoundFileNum");
    QTest::newRow("switched off") << false << 1;
    QTest::newRow("(Без звука)") << true << 0;
    QTest::newRow("playlist without files") << true << 2;
    QTest::newRow("playlist beyond the collection") << true << 3;
    QTest::newRow("negative number") << true << -4;
}

void TestMeditationPlayer::noBackgroundSound()
{
    QFETCH(bool, playSound);
    QFETCH(int, backSoundFileNum);
    Rig rig;
    rig.controls.FPlaySound = playSound;
    rig.controls.FBackSoundFileNum = backSoundFileNum;
    rig.controls.FPlayMusic = true;
    rig.controls.FMusicPosition = 1;
    rig.controls.FPlayNidra = true;
    rig.Start();

    QVERIFY(rig.Background().empty());
    for (const FakeAudio::Call &call : rig.audio.Calls())
        QVERIFY(!call.file.startsWith(QLatin1String("/bg/")));
    QCOMPARE(rig.player.fhstr2, StreamHandle(0));
    QCOMPARE(Name(rig.Voice().back()), QStringLiteral("pimedend"));
    QCOMPARE(rig.audio.CallsOnUnknownHandles(), 0);
}

void TestMeditationPlayer::backgroundFileThatCannotBeOpenedIsSkippedSilently_data()
{
    QTest::addColumn<int>("unopenable");
    QTest::newRow("first file") << 0;
    QTest::newRow("second file") << 1;
}

void TestMeditationPlayer::backgroundFileThatCannotBeOpenedIsSkippedSilently()
{
    QFETCH(int, unopenable);
    Rig rig;
    const QString bad = rig.backs->at(0).mp3files.at(unopenable);
    rig.audio.SetUnopenable(bad);
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    rig.Start();

    const std::vector<Played> background = rig.Background();
    QVERIFY(background.size() > 10);
    for (std::size_t i = 0; i < background.size(); ++i) {
        QCOMPARE(FileIndex(background[i]), 1 - unopenable);
        // The check that finds the bad file next moves on; the pass after it starts the
        // good one.
        if (i > 0)
            QVERIFY(background[i].start - background[i - 1].end <= 40);
    }
    // Either the first file failed at the start and the first check moved on to the
    // second, or the first one played at once.
    QCOMPARE(background.front().start, quint64(0));
    // Tried once each time its turn comes, not at every check.
    qsizetype tries = 0;
    for (const FakeAudio::Call &call : rig.audio.Calls())
        tries += call.op == FakeAudio::Op::Create && call.file == bad ? 1 : 0;
    QVERIFY2(tries <= 2 * qsizetype(background.size()) + 1, qPrintable(QString::number(tries)));
    QVERIFY(rig.host.messages.isEmpty());
    QCOMPARE(Name(rig.Voice().back()), QStringLiteral("pimedend"));
    rig.ExpectWoundUp();
}

void TestMeditationPlayer::backgroundSwitchedOffMidwayStillEndsWithTheMeditation()
{
    Rig rig;
    for (const QString &file : rig.backs->at(0).mp3files)
        rig.audio.SetDuration(file, 600'000);
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    // The box is cleared and Start pressed again: the playing file is not cut, but it must
    // not outlive the meditation.
    rig.host.At(10'000, [&rig] {
        rig.controls.FPlaySound = false;
        rig.player.Button2Click();
    });
    rig.Start();

    const std::vector<Played> background = rig.Background();
    QCOMPARE(background.size(), std::size_t(1));
    QVERIFY(background.front().halted);
    QCOMPARE(background.front().end, rig.Voice().back().end);
    rig.ExpectWoundUp();
}

// ---------------------------------------------------------------------------------------
// Volume, stop, failures and the controls

void TestMeditationPlayer::volumeRuleAndAChangeDuringTheMeditation()
{
    Rig rig;
    rig.controls.FMedTechnique = TMedTech::mtEachBreathReminds;
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    rig.controls.FPlayMusic = true;
    rig.controls.FMusicPosition = 0;
    rig.controls.FMusicSubFileNum = 0;
    // Away from the start of a background file (every 2 s from 2 s on): one that starts in
    // the very pass of the change may take either volume.
    const quint64 change = 41'000;
    // The volume bar copies the controls into the options at once.
    rig.host.At(change, [&rig] {
        rig.controls.FVolume = 0.3;
        rig.host.UpdateOptions();
    });
    rig.Start();

    QCOMPARE(rig.Music().front().volume, float(0.5 * 0.4 * 0.8));
    int before = 0;
    int after = 0;
    const quint64 closingEnd = rig.Voice().back().end;
    for (const Played &play : rig.audio.Plays()) {
        // The background that sounds on after the closing phrase dies away.
        if (play.file.startsWith(QLatin1String("/bg/")) && play.end > closingEnd)
            continue;
        const double volume = play.start < change ? 0.8 : 0.3;
        const double expected = IsVoice(play) ? volume
                                : play.file.startsWith(QLatin1String("/bg/")) ? 0.75 * 0.4 * volume
                                                                               : 0.5 * 0.4 * 0.8;
        QCOMPARE(play.volume, float(expected));
        (play.start < change ? before : after) += 1;
    }
    QVERIFY(before > 5 && after > 5);
    // The background file waiting to follow got the new volume once, not at every check.
    QSet<StreamHandle> background;
    int volumeSets = 0;
    for (const FakeAudio::Call &call : rig.audio.Calls()) {
        if (!call.file.startsWith(QLatin1String("/bg/")))
            continue;
        if (call.op == FakeAudio::Op::Create)
            background.insert(call.handle);
        // The fade after the closing phrase sets it at every pass.
        if (call.op == FakeAudio::Op::SetVolume && call.at < closingEnd)
            ++volumeSets;
    }
    QCOMPARE(volumeSets, int(background.size()) + 1);
}

// The options are read where they are used: the technique at every pass and at the
// closing, the instructor at every phrase, the volume at every music file.
void TestMeditationPlayer::optionsTakeEffectAtTheirNextUse_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("technique, at the next pass") << QStringLiteral("technique");
    QTest::newRow("random reminders switched on") << QStringLiteral("reminders on");
    QTest::newRow("random reminders switched off") << QStringLiteral("reminders off");
    QTest::newRow("technique, at the closing") << QStringLiteral("closing technique");
    QTest::newRow("instructor, at the next phrase") << QStringLiteral("instructor");
    QTest::newRow("volume, at the next music file") << QStringLiteral("music volume");
}

void TestMeditationPlayer::optionsTakeEffectAtTheirNextUse()
{
    QFETCH(QString, option);
    Rig rig;
    rig.audio.SetDefaultDuration(1000);
    rig.controls.FMedTechnique = TMedTech::mtSilence;
    quint64 change = 30'000;
    std::function<void()> apply;
    if (option == QStringLiteral("technique"))
        apply = [&rig] { rig.controls.FMedTechnique = TMedTech::mtEachBreathReminds; };
    if (option == QStringLiteral("closing technique"))
        apply = [&rig] { rig.controls.FMedTechnique = TMedTech::mtBodyPartsEnum; };
    if (option.startsWith(QLatin1String("reminders"))) {
        const bool on = option == QLatin1String("reminders on");
        rig.controls.FMedTechnique = on ? TMedTech::mtSilence : TMedTech::mtThoughtsReminds;
        rig.controls.FRemIntTech1Sec = 1;
        apply = [&rig, on] { rig.controls.FMedTechnique = on ? TMedTech::mtThoughtsReminds : TMedTech::mtSilence; };
    }
    if (option == QStringLiteral("instructor")) {
        rig.controls.FMedTechnique = TMedTech::mtThoughtsReminds;
        rig.controls.FRemIntTech1Sec = 2;
        apply = [&rig] { rig.controls.FMedInstructor = 1; };
    }
    if (option == QStringLiteral("music volume")) {
        rig.controls.FPlayMusic = true;
        rig.controls.FMusicPosition = 0;
        change = 1500; // during the second of three one-second files
        apply = [&rig] { rig.controls.FVolume = 0.3; };
    }
    // Start pressed again copies the controls into the options.
    rig.host.At(change, [&] {
        apply();
        rig.player.Button2Click();
    });
    rig.Start();

    const std::vector<Played> voice = rig.Voice();
    if (option == QStringLiteral("technique")) {
        const std::vector<Played> main = rig.MainPart();
        QVERIFY(main.size() > 5);
        QCOMPARE(Name(main.front()), QStringLiteral("pireminhal"));
        QVERIFY(main.front().start >= change && main.front().start <= change + 20);
        QCOMPARE(Name(voice.back()), QStringLiteral("pimedend"));
    }
    if (option == QStringLiteral("closing technique"))
        QCOMPARE(Name(voice.back()), QStringLiteral("pimedendofrel"));
    if (option.startsWith(QLatin1String("reminders"))) {
        // A reminder a second on average: many on the side where they are on, none on the other.
        const bool on = option == QLatin1String("reminders on");
        int before = 0;
        int after = 0;
        for (const Played &play : rig.MainPart())
            (play.start < change ? before : after) += 1;
        QVERIFY2(on ? before == 0 && after > 5 : before > 5 && after == 0,
                 qPrintable(QStringLiteral("%1 before, %2 after").arg(before).arg(after)));
    }
    if (option == QStringLiteral("instructor")) {
        int before = 0;
        int after = 0;
        for (const Played &play : voice) {
            QCOMPARE(Parts(play).at(0), play.start < change ? QStringLiteral("i0") : QStringLiteral("i1"));
            (play.start < change ? before : after) += 1;
        }
        QVERIFY(before > 3 && after > 3);
    }
    if (option == QStringLiteral("music volume")) {
        const std::vector<Played> music = rig.Music();
        QCOMPARE(music.size(), std::size_t(3));
        QCOMPARE(music[0].volume, float(0.5 * 0.4 * 0.8));
        QCOMPARE(music[1].volume, float(0.5 * 0.4 * 0.8));
        QCOMPARE(music[2].volume, float(0.5 * 0.4 * 0.3));
        // Each following file was chained to the one before, in playlist order.
        for (std::size_t i = 1; i < music.size(); ++i) {
            QCOMPARE(FileIndex(music[i]), int(i));
            QCOMPARE(music[i].start, music[i - 1].end);
            const auto chained = std::find_if(rig.audio.Calls().begin(), rig.audio.Calls().end(),
                                              [&](const FakeAudio::Call &call) {
                                                  return call.op == FakeAudio::Op::PlayAfter
                                                         && call.handle == music[i].handle
                                                         && call.after == music[i - 1].handle;
                                              });
            QVERIFY(chained != rig.audio.Calls().end());
        }
    }
}

// Which controls are enabled at each step: the Stop button (with the bar) from the start,
// the percentage from the main part on, the bar and percentage off again after the
// closing phrase, everything off at the end.
void TestMeditationPlayer::controlsFollowTheSteps_data()
{
    QTest::addColumn<int>("musicPosition");
    QTest::addColumn<QString>("during");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<bool>("bar");
    QTest::addColumn<bool>("percent");

    QTest::newRow("music at the beginning") << 0 << QStringLiteral("music/0/0") << true << true << false;
    QTest::newRow("preparation") << 0 << QStringLiteral("pinidra1") << true << true << false;
    QTest::newRow("introduction") << 0 << QStringLiteral("pimedbegtechsil") << true << true << false;
    QTest::newRow("main part") << 0 << QStringLiteral("piremexhal") << true << true << true;
    QTest::newRow("closing phrase") << 2 << QStringLiteral("pimedend") << true << true << true;
    QTest::newRow("music after the meditation") << 2 << QStringLiteral("music/0/0") << true << false << false;
    QTest::newRow("after the end") << 0 << QString() << false << false << false;
}

void TestMeditationPlayer::controlsFollowTheSteps()
{
    QFETCH(int, musicPosition);
    QFETCH(QString, during);
    QFETCH(bool, stop);
    QFETCH(bool, bar);
    QFETCH(bool, percent);

    Rig rig;
    rig.audio.SetDefaultDuration(1000);
    rig.controls.FMedTechnique = during == QStringLiteral("piremexhal") ? TMedTech::mtEachBreathReminds
                                                                        : TMedTech::mtSilence;
    rig.controls.FPlayMusic = true;
    rig.controls.FMusicPosition = musicPosition;
    rig.controls.FPlayNidra = true;
    rig.host.selectedMusicPlaylist = 0;
    QList<std::array<bool, 3>> seen;
    const auto snapshot = [&rig, &seen] {
        seen << std::array<bool, 3>{rig.host.stopButtonEnabled, rig.host.progressScrollEnabled,
                                    rig.host.percentLabelEnabled};
    };
    // Every half second, with what was playing then.
    QList<QString> playing;
    for (quint64 at = 500; at < 200'000; at += 1000)
        rig.host.At(at, [&rig, &playing, snapshot, at] {
            snapshot();
            QString name;
            for (const Played &play : rig.audio.Plays())
                if (play.start <= at && at < play.end && !play.file.startsWith(QLatin1String("/bg/")))
                    name = Name(play);
            playing << name;
        });
    rig.Start();

    if (during.isEmpty()) {
        snapshot();
        QCOMPARE(seen.back(), (std::array<bool, 3>{stop, bar, percent}));
        return;
    }
    int checked = 0;
    for (qsizetype i = 0; i < playing.size(); ++i) {
        if (playing.at(i) != during)
            continue;
        QCOMPARE(seen.at(i), (std::array<bool, 3>{stop, bar, percent}));
        ++checked;
    }
    QVERIFY(checked > 0);
}

void TestMeditationPlayer::backgroundStartsAgainFromItsFirstFile_data()
{
    QTest::addColumn<bool>("nextMeditation");
    QTest::newRow("after music that follows the preparation") << false;
    QTest::newRow("in the next meditation") << true;
}

void TestMeditationPlayer::backgroundStartsAgainFromItsFirstFile()
{
    QFETCH(bool, nextMeditation);
    Rig rig;
    // Background files of 1.5 s under a 2 s preparation: the second one plays when it ends.
    for (const QString &file : rig.backs->at(0).mp3files)
        rig.audio.SetDuration(file, 1500);
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    rig.controls.FPlayNidra = true;
    rig.controls.FPlayMusic = !nextMeditation;
    rig.controls.FMusicPosition = 1;
    rig.controls.FMusicSubFileNum = 0;
    if (nextMeditation)
        rig.host.At(1700, [&rig] { rig.player.StopButtonClick(); });
    rig.Start();
    quint64 restart = 0;
    if (nextMeditation) {
        QCOMPARE(rig.player.FCurBackSoundFile, 1);
        restart = rig.clock;
        rig.Start();
    } else {
        restart = rig.Music().front().start;
    }

    const std::vector<Played> background = rig.Background();
    const auto first = std::find_if(background.begin(), background.end(),
                                    [restart](const Played &play) { return play.start >= restart; });
    QVERIFY(first != background.end());
    QCOMPARE(Name(*first), QStringLiteral("bg/0/0"));
}

void TestMeditationPlayer::stopAtEachStage_data()
{
    QTest::addColumn<int>("musicPosition");
    QTest::addColumn<QString>("during");
    QTest::addColumn<quint64>("offset");
    QTest::addColumn<bool>("channel1Sounds");
    QTest::addColumn<HandledIn>("handledIn");

    const struct
    {
        const char *name;
        int musicPosition;
        const char *during;
        quint64 offset;
        bool channel1Sounds;
    } stages[] = {
        {"music at the beginning", 0, "music/0/1", 500, true},
        {"preparation", 0, "pinidra1", 500, true},
        {"music after the preparation", 1, "music/0/0", 500, true},
        {"introduction", 0, "pimedbegtecheachbr", 500, true},
        {"main part, during a phrase", 0, "piremexhal", 500, true},
        {"main part, between phrases", 0, "piremexhal", 1500, false},
        {"closing phrase", 2, "pimedend", 500, true},
        {"music after the meditation", 2, "music/0/1", 500, true},
    };
    const struct
    {
        const char *name;
        HandledIn where;
    } places[] = {
        {"pending messages", HandledIn::ProcessMessages},
        {"inside the pause", HandledIn::Pause},
    };
    for (const auto &stage : stages)
        for (const auto &place : places)
            QTest::addRow("%s, %s", stage.name, place.name)
                << stage.musicPosition << QString::fromLatin1(stage.during) << stage.offset
                << stage.channel1Sounds << place.where;
}

void TestMeditationPlayer::stopAtEachStage()
{
    QFETCH(int, musicPosition);
    QFETCH(QString, during);
    QFETCH(quint64, offset);
    QFETCH(bool, channel1Sounds);
    QFETCH(HandledIn, handledIn);

    const auto prepare = [musicPosition](Rig &rig) {
        rig.audio.SetDefaultDuration(1000);
        for (const QString &file : rig.backs->at(0).mp3files)
            rig.audio.SetDuration(file, 10'000);
        rig.controls.FMedTechnique = TMedTech::mtEachBreathReminds;
        rig.controls.FPlayMusic = true;
        rig.controls.FMusicPosition = musicPosition;
        rig.controls.FPlayNidra = true;
        rig.controls.FPlaySound = true;
        rig.controls.FBackSoundFileNum = 1;
        rig.controls.FSwitchOffComputerAfterMeditation = true;
        rig.host.selectedMusicPlaylist = 0;
    };

    quint64 clickAt = 0;
    {
        Rig dryRun;
        prepare(dryRun);
        dryRun.Start();
        const std::vector<Played> plays = dryRun.audio.Plays();
        const auto found = std::find_if(plays.begin(), plays.end(),
                                        [&during](const Played &p) { return Name(p) == during; });
        QVERIFY(found != plays.end());
        clickAt = found->start + offset;
        QCOMPARE(dryRun.host.shutdownRuns, 1);
    }

    Rig rig;
    prepare(rig);
    std::optional<quint64> stopAt;
    rig.host.At(clickAt, [&rig, &stopAt] {
        stopAt = rig.clock;
        rig.player.StopButtonClick();
    }, handledIn);
    rig.Start();

    QVERIFY(stopAt.has_value());
    QVERIFY(*stopAt - clickAt <= 20);
    // Whatever sounded at the stop is halted in the same pass, and nothing starts afterwards.
    std::optional<Played> halted1;
    for (const Played &play : rig.audio.Plays()) {
        QVERIFY2(play.start <= *stopAt, qPrintable(play.file));
        if (play.end > *stopAt || (play.halted && play.end == *stopAt)) {
            QVERIFY2(play.halted, qPrintable(play.file));
            QCOMPARE(play.end, *stopAt);
            if (!play.file.startsWith(QLatin1String("/bg/")))
                halted1 = play;
        }
    }
    // Channel 1 keeps the halted stream; between phrases it was empty.
    QCOMPARE(halted1.has_value(), channel1Sounds);
    QCOMPARE(rig.player.fhstr1, channel1Sounds ? halted1->handle : StreamHandle(0));
    QVERIFY(rig.player.FStopped);
    QCOMPARE(rig.host.shutdownRuns, 0);
    rig.ExpectWoundUp();
}

void TestMeditationPlayer::shutdownOnlyAfterAnUnstoppedMeditation_data()
{
    QTest::addColumn<bool>("asked");
    QTest::addColumn<int>("runs");
    QTest::newRow("asked") << true << 1;
    QTest::newRow("not asked") << false << 0;
}

void TestMeditationPlayer::shutdownOnlyAfterAnUnstoppedMeditation()
{
    QFETCH(bool, asked);
    QFETCH(int, runs);
    Rig rig;
    rig.controls.FSwitchOffComputerAfterMeditation = asked;
    rig.Start();
    QCOMPARE(rig.host.shutdownRuns, runs);
    rig.ExpectWoundUp();
}

void TestMeditationPlayer::missingListEndsTheMeditation_data()
{
    QTest::addColumn<int>("instructor");
    QTest::addColumn<TMedTech>("technique");
    QTest::addColumn<int>("preparation");
    QTest::addColumn<QStringList>("played");

    const QStringList quick{QStringLiteral("pimedbegtechquick")};
    QTest::newRow("breath reminder of the second instructor")
        << 1 << TMedTech::mtBreathReminds << -1 << quick;
    QTest::newRow("body part of the second instructor")
        << 1 << TMedTech::mtBodyPartsEnum << -1 << quick;
    QTest::newRow("random body part of the second instructor")
        << 1 << TMedTech::mtRandomBodyPartsEnum << -1 << quick;
    QTest::newRow("inhalation of the second instructor")
        << 1 << TMedTech::mtEachBreathReminds << -1 << quick;
    QTest::newRow("thirteenth preparation of the first instructor")
        << 0 << TMedTech::mtSilence << 12 << QStringList{};
}

void TestMeditationPlayer::missingListEndsTheMeditation()
{
    QFETCH(int, instructor);
    QFETCH(TMedTech, technique);
    QFETCH(int, preparation);
    QFETCH(QStringList, played);

    Rig rig;
    rig.controls.FMedInstructor = TMedInstructor(instructor);
    rig.controls.FMedTechnique = technique;
    rig.controls.FRemIntTech1Sec = 1;
    rig.controls.FDoNotPlayIntro = true;
    rig.controls.FPlayNidra = preparation >= 0;
    rig.controls.FNidraFileNum = preparation;
    rig.controls.FSwitchOffComputerAfterMeditation = true;
    rig.Start();

    QCOMPARE(rig.host.messages, QStringList{kSoundFileNotFound});
    QCOMPARE(Names(rig.Voice()), played);
    QVERIFY(rig.player.FStopped);
    QCOMPARE(rig.host.shutdownRuns, 0);
    rig.ExpectWoundUp();
}

// The audio layer refuses a file that exists (text, zeros, a renamed WAV): the message says
// so instead of calling it missing.
void TestMeditationPlayer::voiceFileThatIsThereButNoMp3IsCalledSo()
{
    QTemporaryDir tmp;
    const QString text = tmp.filePath(QStringLiteral("intro.mp3"));
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("not a recording") > 0);
    file.close();
    Rig rig;
    rig.voices[0].FMedBegsTech8List = QStringList{text};
    rig.audio.SetUnopenable(text);
    rig.Start();

    QCOMPARE(rig.host.messages.size(), 1);
    QVERIFY2(rig.host.messages.first().contains(QStringLiteral("это не MP3-запись")) && rig.host.messages.first().contains(text),
             qPrintable(rig.host.messages.first()));
    QCOMPARE(Names(rig.Voice()), QStringList{QStringLiteral("pimedend")});
}

void TestMeditationPlayer::voiceFileThatCannotBeOpenedIsSkipped()
{
    Rig rig;
    rig.audio.SetUnopenable(rig.voices[0].FMedBegsTech8List.at(0));
    rig.controls.FSwitchOffComputerAfterMeditation = true;
    rig.Start();

    QCOMPARE(rig.host.messages, QStringList{kAudioFileNotFound});
    QCOMPARE(Names(rig.Voice()), QStringList{QStringLiteral("pimedend")});
    QCOMPARE(rig.player.fhstr1, StreamHandle(0));
    QCOMPARE(rig.host.shutdownRuns, 1);
}

void TestMeditationPlayer::instructorChangedToOneWithoutBodyParts()
{
    Rig rig;
    rig.controls.FMedTechnique = TMedTech::mtBodyPartsEnum;
    rig.controls.FDoNotPlayIntro = true;
    rig.controls.FSwitchOffComputerAfterMeditation = true;
    // The instructor list writes into the options at once.
    rig.host.At(20'000, [&rig] { rig.options.FMedInstructor = 1; });
    rig.Start();

    QCOMPARE(rig.host.messages, QStringList{kSoundFileNotFound});
    const std::vector<Played> voice = rig.Voice();
    QVERIFY(voice.size() >= 4);
    QCOMPARE(Name(voice.back()), QStringLiteral("piremtech6"));
    QVERIFY(voice.back().start < 20'000);
    QCOMPARE(rig.host.shutdownRuns, 0);
    rig.ExpectWoundUp();
}

void TestMeditationPlayer::startDuringAMeditationOnlyRefreshesTheOptions()
{
    Rig rig;
    rig.controls.FMedTechnique = TMedTech::mtSilence;
    rig.host.At(10'000, [&rig] {
        rig.controls.FMedLenMin = 30;
        rig.controls.FVolume = 0.5;
        rig.player.Button2Click();
    });
    rig.Start();

    QCOMPARE(rig.host.updateOptionsCalls, 3);
    const std::vector<Played> voice = rig.Voice();
    QCOMPARE(Names(voice), (QStringList{QStringLiteral("pimedbegtechsil"), QStringLiteral("pimedend")}));
    // The length was fixed at the start; the volume is read at each phrase.
    QCOMPARE(voice.back().start, rig.MainStart() + 60'020);
    QCOMPARE(voice.back().volume, 0.5f);
}

void TestMeditationPlayer::closingTheWindowReleasesTheAudioSafely()
{
    Rig rig;
    rig.controls.FMedTechnique = TMedTech::mtEachBreathReminds;
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    rig.controls.FSwitchOffComputerAfterMeditation = true;
    qint64 queriesAtFree = -1;
    std::size_t callsAtFree = 0;
    rig.host.At(10'500, [&] {
        rig.player.ReleaseAudio();
        queriesAtFree = rig.audio.ActivityQueries();
        callsAtFree = rig.audio.Calls().size();
    });
    rig.Start();

    QCOMPARE(rig.audio.Calls().at(callsAtFree - 1).op, FakeAudio::Op::Free);
    QCOMPARE(rig.audio.Calls().size(), callsAtFree);
    QCOMPARE(rig.audio.ActivityQueries(), queriesAtFree);
    QVERIFY(!rig.player.FPlaying);
    QCOMPARE(rig.host.shutdownRuns, 0);
    QVERIFY(!rig.host.stopButtonEnabled);
}

void TestMeditationPlayer::exitAndClosingSilenceAtOnce_data()
{
    QTest::addColumn<bool>("exitButton");
    QTest::addColumn<quint64>("at");
    // Music of 2 s files from 0; the preparation from 6 s.
    QTest::newRow("Exit during music") << true << quint64(3000);
    QTest::newRow("Exit during a phrase") << true << quint64(6500);
    QTest::newRow("window closed during music") << false << quint64(3000);
    QTest::newRow("window closed during a phrase") << false << quint64(6500);
}

void TestMeditationPlayer::exitAndClosingSilenceAtOnce()
{
    QFETCH(bool, exitButton);
    QFETCH(quint64, at);
    Rig rig;
    rig.controls.FPlayMusic = true;
    rig.controls.FMusicPosition = 0;
    rig.controls.FPlayNidra = true;
    rig.controls.FPlaySound = true;
    rig.controls.FBackSoundFileNum = 1;
    rig.controls.FSwitchOffComputerAfterMeditation = true;
    rig.host.At(at, [&rig, exitButton] {
        if (exitButton) {
            // The Exit button pauses 50 ms before it closes the window.
            rig.player.ExitButtonClick();
            rig.clock += 50;
        }
        rig.player.ReleaseAudio();
    });
    rig.Start();

    QVERIFY(!rig.audio.Plays().empty());
    for (const Played &play : rig.audio.Plays()) {
        QVERIFY2(play.start <= at, qPrintable(play.file));
        QVERIFY2(play.end <= at, qPrintable(play.file));
    }
    QVERIFY(!rig.audio.AnythingSounds());
    QVERIFY(!rig.player.FPlaying);
    QCOMPARE(rig.host.shutdownRuns, 0);
    QCOMPARE(rig.audio.CallsOnUnknownHandles(), 0);
}

void TestMeditationPlayer::durationsOutsideTheControlsRanges_data()
{
    QTest::addColumn<TMedTech>("technique");
    QTest::addColumn<int>("lengthMin");
    QTest::addColumn<int>("reminderSec");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<quint64>("closingAfterStart");

    QTest::newRow("zero minutes count as one") << TMedTech::mtSilence << 0 << 10 << 100 << quint64(60'020);
    QTest::newRow("negative minutes count as one") << TMedTech::mtSilence << -5 << 10 << 100 << quint64(60'020);
    QTest::newRow("zero reminder interval counts as one second")
        << TMedTech::mtThoughtsReminds << 1 << 0 << 100 << quint64(0);
    QTest::newRow("negative concentration and rest")
        << TMedTech::mtConcIntervals << 1 << -3 << -1 << quint64(0);
    QTest::newRow("negative breath interval") << TMedTech::mtEachBreathReminds << 1 << 10 << -100 << quint64(0);
}

void TestMeditationPlayer::durationsOutsideTheControlsRanges()
{
    QFETCH(TMedTech, technique);
    QFETCH(int, lengthMin);
    QFETCH(int, reminderSec);
    QFETCH(int, intervalMs);
    QFETCH(quint64, closingAfterStart);

    Rig rig;
    rig.audio.SetDefaultDuration(500);
    rig.controls.FMedTechnique = technique;
    rig.controls.FMedLenMin = lengthMin;
    rig.controls.FRemIntTech1Sec = reminderSec;
    rig.controls.FConcIntSec = intervalMs;
    rig.controls.FRemIntTech3MSec = intervalMs;
    rig.controls.FRemIntTech6MSec = intervalMs;
    rig.Start();

    const Played closing = rig.Voice().back();
    QCOMPARE(Name(closing), QStringLiteral("pimedend"));
    if (closingAfterStart > 0)
        QCOMPARE(closing.start, rig.MainStart() + closingAfterStart);
    // One minute at most, plus the overrun of a last phrase or period.
    QVERIFY(closing.start >= rig.MainStart() + 60'000 && closing.start <= rig.MainStart() + 62'000);
    QVERIFY(rig.host.messages.isEmpty());
}

void TestMeditationPlayer::aMeditationAfterAStoppedOne()
{
    Rig rig;
    rig.host.At(1000, [&rig] { rig.player.StopButtonClick(); });
    rig.Start();
    QVERIFY(rig.player.FStopped);
    QCOMPARE(rig.Voice().size(), std::size_t(1));

    rig.Start();
    QVERIFY(!rig.player.FStopped);
    QCOMPARE(Names(rig.Voice()), (QStringList{QStringLiteral("pimedbegtechsil"), QStringLiteral("pimedbegtechsil"),
                                               QStringLiteral("pimedend")}));
}

// ---------------------------------------------------------------------------------------
// Single operations

void TestMeditationPlayer::playPhaseWithoutWaitingAndWithOneFile()
{
    Rig rig;
    rig.options = rig.controls;
    rig.player.PlayPhase(TPhaseId::pimedbegtechquick, false, -1);
    QVERIFY(rig.player.IsPlayingSomethingIn1());
    QCOMPARE(rig.clock, quint64(0));
    rig.player.PlayPhase(TPhaseId::pimedbegtechquick, true, 0);
    QCOMPARE(rig.player.fhstr1, StreamHandle(0));

    const std::vector<Played> voice = rig.Voice();
    QCOMPARE(voice.size(), std::size_t(2));
    QCOMPARE(voice[0].file, voice[1].file);
    // Loading the second phrase freed the first one.
    QCOMPARE(voice[0].end, quint64(0));
    QCOMPARE(voice[1].end, quint64(2000));
}

void TestMeditationPlayer::timedWaitOfZeroHandlesNoMessages()
{
    Rig rig;
    bool timeover = true;
    QVERIFY(rig.player.DoSleep(0, true, timeover));
    QVERIFY(!timeover);
    QCOMPARE(rig.host.processMessagesCalls, 0);

    rig.host.At(100, [&rig] { rig.player.StopButtonClick(); });
    QVERIFY(!rig.player.DoSleep(1000, false, timeover));
    QCOMPARE(rig.clock, quint64(100));
}

void TestMeditationPlayer::theStopRequestSilencesOnlyTheFirstChannelsTest()
{
    Rig rig;
    rig.options = rig.controls;
    rig.player.PlayPhase(TPhaseId::pimedbegtechquick, false, -1);
    rig.player.fhstr2 = rig.audio.StreamCreateFile(QStringLiteral("/bg/0/0.mp3"));
    rig.audio.ChannelPlay(rig.player.fhstr2);
    QVERIFY(rig.player.IsPlayingSomethingIn1());
    QVERIFY(rig.player.IsPlayingSomethingIn2());
    rig.player.StopButtonClick();
    // Channel 1 still sounds, but a stop request makes it count as silent at once.
    QVERIFY(rig.audio.ChannelIsActive(rig.player.fhstr1));
    QVERIFY(!rig.player.IsPlayingSomethingIn1());
    QVERIFY(rig.player.IsPlayingSomethingIn2());
}

void TestMeditationPlayer::progressFormat_data()
{
    QTest::addColumn<double>("progr");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("text");

    const QLocale russian(QLocale::Russian, QLocale::Russia);
    const QLocale c = QLocale::c();
    QTest::newRow("start") << 0.0 << russian << 0 << QStringLiteral("0,0%");
    QTest::newRow("half, Russian separator") << 0.5 << russian << 50 << QStringLiteral("50,0%");
    QTest::newRow("half, C separator") << 0.5 << c << 50 << QStringLiteral("50.0%");
    QTest::newRow("a half rounds down to even") << 0.125 << c << 12 << QStringLiteral("12.5%");
    QTest::newRow("a half rounds up to even") << 0.375 << c << 38 << QStringLiteral("37.5%");
    QTest::newRow("end") << 1.0 << russian << 100 << QStringLiteral("100,0%");
    QTest::newRow("a little over the end") << 1.0125 << russian << 100 << QStringLiteral("101,3%");
    QTest::newRow("far over the end, no grouping") << 12.0 << russian << 100 << QStringLiteral("1200,0%");
}

void TestMeditationPlayer::progressFormat()
{
    QFETCH(double, progr);
    QFETCH(QLocale, locale);
    QFETCH(int, position);
    QFETCH(QString, text);

    const TProgressDisplay display = FormatProgress(progr, 100, locale);
    QCOMPARE(display.position, position);
    QCOMPARE(display.text, text);
}

void TestMeditationPlayer::nextProgressChangeIsTheFirstMomentShowingSomethingElse_data()
{
    QTest::addColumn<quint64>("lengthMs");
    QTest::newRow("one minute") << quint64(60'000);
    QTest::newRow("seven minutes") << quint64(420'000);
    QTest::newRow("an hour") << quint64(3'600'000);
    QTest::newRow("an odd length") << quint64(61'234);
    QTest::newRow("shorter than a second") << quint64(777);
}

// The player sleeps until the moment NextProgressChangeMs names: it must be the very first
// millisecond at which the bar or the label shows something else, never one later.
void TestMeditationPlayer::nextProgressChangeIsTheFirstMomentShowingSomethingElse()
{
    QFETCH(quint64, lengthMs);
    const auto shown = [lengthMs](quint64 elapsed) {
        return FormatProgress(double(elapsed) / double(lengthMs), kProgressMaximum, QLocale::c());
    };
    // The change after `from`, or 0 with `fault` telling what is wrong with it.
    QString fault;
    const auto check = [&](quint64 from) -> quint64 {
        const quint64 next = NextProgressChangeMs(from, lengthMs);
        if (next <= from || shown(next - 1) != shown(from) || shown(next) == shown(from)) {
            fault = QStringLiteral("from %1 the next change is said to be at %2").arg(from).arg(next);
            return 0;
        }
        return next;
    };
    // From one change to the next over the whole time and a little beyond: every tenth of a
    // percent, and the bar's steps between them.
    int changes = 0;
    for (quint64 at = 0; at < lengthMs + lengthMs / 20 && fault.isEmpty(); ++changes)
        at = check(at);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY2(changes >= (lengthMs < 1000 ? int(lengthMs) : 1050), qPrintable(QString::number(changes)));
    // And from moments between changes.
    std::mt19937_64 random(lengthMs);
    for (int i = 0; i < 500 && fault.isEmpty(); ++i)
        check(random() % (lengthMs + lengthMs / 10));
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

QTEST_GUILESS_MAIN(TestMeditationPlayer)
#include "tst_meditationplayer.moc"
