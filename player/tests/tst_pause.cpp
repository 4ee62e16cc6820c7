// Pause and resume on a virtual clock: a paused minute moves no phrase and no progress, the
// timed and random rules go on where they were, a phrase goes on from where it was held;
// Stop, Exit and closing work while paused; and the gentle end of the background.
#include "PlayerRig.h"
#include "shell/Helpers.h"

#include <QTest>

namespace {

// A three-minute meditation with the background sound on; phrases last 2 s, the background
// file ten minutes.
struct Rig : PlayerRig
{
    explicit Rig(TMedTech technique)
    {
        voices[0].VoiceCoef = 0.5;
        voices[0].FMedBegsQuickList = NumberedFiles(QStringLiteral("quick"), 1);
        voices[0].FMedEndsList = NumberedFiles(QStringLiteral("end"), 1);
        voices[0].FMedEndsTech6List = NumberedFiles(QStringLiteral("endrel"), 1);
        voices[0].FRemindersTech1List = NumberedFiles(QStringLiteral("remind"), 3);
        voices[0].FRemindersTech6List = NumberedFiles(QStringLiteral("body"), 5);
        backs->flistscount = 1;
        backs->at(0).name = QStringLiteral("rain");
        backs->at(0).mp3files = NumberedFiles(QStringLiteral("back"), 1);
        backs->at(0).Vol = 1.0;
        audio.SetDefaultDuration(2000);
        audio.SetDuration(QStringLiteral("/back/0.mp3"), 600'000);
        host.onUpdateOptions = [this, technique] {
            options.FMedTechnique = technique;
            options.FMedLenMin = 3;
            options.FRemIntTech1Sec = 15;
            options.FRemIntTech6MSec = 3000;
            options.FDoNotPlayIntro = true;
            options.FPlayMusic = false;
            options.FPlaySound = true;
            options.FBackSoundFileNum = 1;
            options.FVolume = 1.0;
            options.FSwitchOffComputerAfterMeditation = true;
        };
        SeedRandom(11);
    }

    void Run()
    {
        player.Button2Click();
        QVERIFY(!player.FPlaying);
    }

    int Creates() const
    {
        return int(std::count_if(audio.Calls().begin(), audio.Calls().end(),
                                 [](const FakeAudio::Call &call) { return call.op == FakeAudio::Op::Create; }));
    }
};

constexpr quint64 kPaused = 60'000;

} // namespace

Q_DECLARE_METATYPE(TMedTech)

class TestPause : public QObject
{
    Q_OBJECT

private slots:
    void aPausedMinuteMovesNothing_data();
    void aPausedMinuteMovesNothing();
    void stopExitAndClosingWorkWhilePaused_data();
    void stopExitAndClosingWorkWhilePaused();
    void pauseOutsideAMeditationDoesNothing();
    void theBackgroundDiesAwayOnlyWhenTheMeditationEndsByItself();
};

void TestPause::aPausedMinuteMovesNothing_data()
{
    QTest::addColumn<TMedTech>("technique");
    QTest::addColumn<QString>("when");
    using enum TMedTech;
    for (const auto &[technique, name] : {std::pair{mtBodyPartsEnum, "timed body parts"},
                                          std::pair{mtThoughtsReminds, "random reminders"},
                                          std::pair{mtSilence, "silence"}}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, inside a phrase").arg(QLatin1String(name))))
            << technique << QStringLiteral("phrase");
        QTest::newRow(qPrintable(QStringLiteral("%1, between phrases").arg(QLatin1String(name))))
            << technique << QStringLiteral("gap");
        QTest::newRow(qPrintable(QStringLiteral("%1, during the introduction").arg(QLatin1String(name))))
            << technique << QStringLiteral("intro");
    }
}

// The paused run is the plain run with a minute inserted at the pause: everything that had
// not happened yet happens exactly one minute later, the same phrases in the same order.
void TestPause::aPausedMinuteMovesNothing()
{
    QFETCH(TMedTech, technique);
    QFETCH(QString, when);

    Rig plain(technique);
    plain.Run();
    const std::vector<FakeAudio::Played> before = plain.audio.Plays();

    quint64 pauseAt = 700; // inside the 2 s introduction
    if (when != QLatin1String("intro")) {
        pauseAt = 50'000;
        for (const FakeAudio::Played &play : before)
            if (play.file.startsWith(QLatin1String("/remind/")) || play.file.startsWith(QLatin1String("/body/")))
                if (play.start > 40'000) {
                    pauseAt = when == QLatin1String("phrase") ? play.start + 700 : play.end + 5;
                    break;
                }
    }
    const auto shifted = [pauseAt](quint64 t, bool isEnd) {
        return (isEnd ? t > pauseAt : t >= pauseAt) ? t + kPaused : t;
    };

    Rig paused(technique);
    bool heldState = false;
    paused.host.At(pauseAt, [&] { paused.player.PauseButtonClick(); });
    paused.host.At(pauseAt + kPaused / 2, [&] { heldState = paused.player.FPaused; });
    paused.host.At(pauseAt + kPaused, [&] { paused.player.PauseButtonClick(); });
    paused.Run();

    QVERIFY(heldState);
    const std::vector<FakeAudio::Played> after = paused.audio.Plays();
    QCOMPARE(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        QCOMPARE(after[i].file, before[i].file);
        QCOMPARE(after[i].start, shifted(before[i].start, false));
        QCOMPARE(after[i].end, shifted(before[i].end, true));
    }
    // A phrase held in the middle went on as the same stream: nothing was opened again.
    QCOMPARE(paused.Creates(), plain.Creates());

    // The progress stood still while paused and then went on with the same values.
    QCOMPARE(paused.host.progress.size(), plain.host.progress.size());
    for (std::size_t i = 0; i < plain.host.progress.size(); ++i) {
        QCOMPARE(paused.host.progress[i].value, plain.host.progress[i].value);
        QCOMPARE(paused.host.progress[i].at, shifted(plain.host.progress[i].at, false));
    }
    QCOMPARE(paused.player.LastSummary().meditatedMs, plain.player.LastSummary().meditatedMs);
    QCOMPARE(paused.player.LastSummary().pausedMs, kPaused);
    QCOMPARE(paused.host.shutdownRuns, 1);
    // Held, the program waits for the click: the minute costs a few wakes, not one a second.
    QVERIFY2(paused.host.pauses - plain.host.pauses <= 5,
             qPrintable(QStringLiteral("%1 more waits").arg(paused.host.pauses - plain.host.pauses)));
}

void TestPause::stopExitAndClosingWorkWhilePaused_data()
{
    QTest::addColumn<QString>("action");
    QTest::newRow("Stop") << QStringLiteral("stop");
    QTest::newRow("Exit") << QStringLiteral("exit");
    QTest::newRow("closing the window") << QStringLiteral("close");
}

void TestPause::stopExitAndClosingWorkWhilePaused()
{
    QFETCH(QString, action);
    Rig rig(TMedTech::mtBodyPartsEnum);
    rig.host.At(30'000, [&] { rig.player.PauseButtonClick(); });
    rig.host.At(100'000, [&] {
        if (action == QLatin1String("stop")) {
            rig.player.StopButtonClick();
        } else if (action == QLatin1String("exit")) {
            rig.player.ExitButtonClick();
            rig.player.ReleaseAudio();
        } else {
            rig.player.ReleaseAudio();
        }
    });
    rig.Run();

    QVERIFY(!rig.player.FPaused);
    QVERIFY(rig.clock < 102'000);
    // The pause that a stop ended counts as paused time, not as meditation.
    QCOMPARE(rig.player.LastSummary().pausedMs, quint64(70'000));
    QVERIFY(rig.player.LastSummary().meditatedMs <= 30'000);
    for (const FakeAudio::Played &play : rig.audio.Plays()) {
        QVERIFY2(play.start < 30'000, qPrintable(play.file));
        QVERIFY2(play.end <= 30'000, qPrintable(play.file));
    }
    QVERIFY(!rig.audio.AnythingSounds());
    QVERIFY(!rig.audio.AnythingWaitsToStart());
    // Asked to switch the computer off, but the meditation never ended by itself.
    QCOMPARE(rig.host.shutdownRuns, 0);
    QVERIFY(!rig.host.stopButtonEnabled);
}

void TestPause::pauseOutsideAMeditationDoesNothing()
{
    Rig rig(TMedTech::mtSilence);
    rig.player.PauseButtonClick();
    QVERIFY(!rig.player.FPaused);
    rig.Run();
    QVERIFY(!rig.player.FPaused);
    QCOMPARE(rig.player.LastSummary().pausedMs, quint64(0));
}

void TestPause::theBackgroundDiesAwayOnlyWhenTheMeditationEndsByItself()
{
    Rig rig(TMedTech::mtSilence);
    rig.Run();
    const std::vector<FakeAudio::Played> backs = rig.audio.PlaysUnder(QStringLiteral("/back/"));
    const std::vector<FakeAudio::Played> ends = rig.audio.PlaysUnder(QStringLiteral("/end/"));
    QCOMPARE(backs.size(), std::size_t(1));
    QCOMPARE(ends.size(), std::size_t(1));
    // After the closing phrase the background fades out over four seconds, in the mixer,
    // and is silent when it is stopped.
    QVERIFY2(backs[0].end >= ends[0].end + 3'900 && backs[0].end <= ends[0].end + 4'100,
             qPrintable(QStringLiteral("%1 after %2").arg(backs[0].end).arg(ends[0].end)));
    std::vector<FakeAudio::Call> fades;
    for (const FakeAudio::Call &call : rig.audio.Calls())
        if (call.op == FakeAudio::Op::FadeOut && call.handle == backs[0].handle)
            fades.push_back(call);
    QCOMPARE(fades.size(), std::size_t(1));
    QVERIFY(fades[0].at >= ends[0].end && fades[0].at <= ends[0].end + 20);
    QCOMPARE(fades[0].volume, 4000.0f); // the fade's length
    QCOMPARE(backs[0].volume, 0.0f);

    // A stop silences it at once.
    Rig stopped(TMedTech::mtSilence);
    stopped.host.At(30'000, [&] { stopped.player.StopButtonClick(); });
    stopped.Run();
    const std::vector<FakeAudio::Played> cut = stopped.audio.PlaysUnder(QStringLiteral("/back/"));
    QCOMPARE(cut.size(), std::size_t(1));
    QVERIFY(cut[0].end <= 30'020);
}

QTEST_GUILESS_MAIN(TestPause)
#include "tst_pause.moc"
