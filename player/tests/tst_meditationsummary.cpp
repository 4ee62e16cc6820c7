// What the player tells the practice journal after a meditation: how it ended and how
// long its timed part ran, on a virtual clock.
#include "PlayerRig.h"
#include "shell/Helpers.h"

#include <QTest>

namespace {

// A two-minute meditation in silence: quick introduction (2 s), closing phrase (2 s), no
// music and no background.
struct Rig : PlayerRig
{
    Rig()
    {
        voices[0].FMedBegsQuickList = NumberedFiles(QStringLiteral("i0/quick"), 1);
        voices[0].FMedEndsList = NumberedFiles(QStringLiteral("i0/end"), 1);
        audio.SetDefaultDuration(2000);
        host.onUpdateOptions = [this] {
            options.FMedTechnique = TMedTech::mtSilence;
            options.FMedLenMin = 2;
            options.FDoNotPlayIntro = true;
            options.FPlayMusic = false;
            options.FPlaySound = false;
            options.FSwitchOffComputerAfterMeditation = false;
        };
        SeedRandom(7);
    }
};

} // namespace

Q_DECLARE_METATYPE(TMedEnd)

class TestMeditationSummary : public QObject
{
    Q_OBJECT

private slots:
    // The window shows "осталось 2:00" as the row is enabled: the time left is known by then.
    void theTimeLeftIsKnownWhenTheProgressIsEnabled()
    {
        Rig rig;
        std::optional<quint64> left;
        rig.host.onProgressEnabled = [&rig, &left] { left = rig.player.MeditationTimeLeftMs(); };
        rig.player.Button2Click();
        QCOMPARE(left, std::optional<quint64>(120'000));
    }

    void summary_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<quint64>("at");
        QTest::addColumn<int>("end");
        QTest::addColumn<quint64>("meditatedMs");
        // The timed part starts when the 2 s introduction has ended.
        QTest::newRow("ends by itself") << QString() << quint64(0) << int(TMedEnd::Completed) << quint64(120'000);
        QTest::newRow("stopped in the timed part") << QStringLiteral("stop") << quint64(45'000)
                                                   << int(TMedEnd::Stopped) << quint64(43'000);
        QTest::newRow("stopped during the introduction") << QStringLiteral("stop") << quint64(1'000)
                                                         << int(TMedEnd::Stopped) << quint64(0);
        QTest::newRow("window closed") << QStringLiteral("close") << quint64(45'000) << int(TMedEnd::WindowClosed)
                                       << quint64(43'000);
        QTest::newRow("exit: stop, then close") << QStringLiteral("exit") << quint64(45'000)
                                                << int(TMedEnd::WindowClosed) << quint64(43'000);
        QTest::newRow("stopped during the closing phrase")
            << QStringLiteral("stop") << quint64(123'000) << int(TMedEnd::Completed) << quint64(120'000);
        // The meditation time was whole; only its last phrase could not be said.
        QTest::newRow("closing phrase missing") << QStringLiteral("lose closing") << quint64(30'000)
                                                << int(TMedEnd::Completed) << quint64(120'000);
    }
    void summary()
    {
        QFETCH(QString, action);
        QFETCH(quint64, at);
        QFETCH(int, end);
        QFETCH(quint64, meditatedMs);
        Rig rig;
        if (action == QLatin1String("stop"))
            rig.host.At(at, [&rig] { rig.player.StopButtonClick(); });
        else if (action == QLatin1String("close"))
            rig.host.At(at, [&rig] { rig.player.ReleaseAudio(); });
        else if (action == QLatin1String("exit"))
            rig.host.At(at, [&rig] {
                rig.player.StopButtonClick();
                rig.player.ReleaseAudio();
            });
        else if (action == QLatin1String("lose closing"))
            rig.host.At(at, [&rig] { rig.voices[0].FMedEndsList.clear(); });
        rig.player.Button2Click();
        QVERIFY(!rig.player.FPlaying);
        QCOMPARE(int(rig.player.LastSummary().end), end);
        // The timed part is checked every 20 ms: it ends at most one pass late.
        QVERIFY2(rig.player.LastSummary().meditatedMs >= meditatedMs
                     && rig.player.LastSummary().meditatedMs <= meditatedMs + 40,
                 qPrintable(QString::number(rig.player.LastSummary().meditatedMs)));
        QCOMPARE(rig.player.LastSummary().pausedMs, quint64(0));
    }

    // A reminder whose list is empty stops the meditation where it was due.
    void missingPhraseInTheTimedPart()
    {
        Rig rig;
        const auto silence = rig.host.onUpdateOptions;
        rig.host.onUpdateOptions = [&rig, silence] {
            silence();
            rig.options.FMedTechnique = TMedTech::mtThoughtsReminds;
            rig.options.FRemIntTech1Sec = 5;
        };
        rig.player.Button2Click();
        QCOMPARE(rig.host.messages, QStringList{QStringLiteral("Звуковой файл не найден.")});
        QCOMPARE(rig.player.LastSummary().end, TMedEnd::MissingPhrase);
        QVERIFY(rig.player.LastSummary().meditatedMs > 0);
        QVERIFY(rig.player.LastSummary().meditatedMs < 120'000);
    }

    // Each meditation starts its own summary.
    void nextMeditationStartsAfresh()
    {
        Rig rig;
        rig.host.At(10'000, [&rig] { rig.player.StopButtonClick(); });
        rig.player.Button2Click();
        QCOMPARE(rig.player.LastSummary().end, TMedEnd::Stopped);
        rig.player.Button2Click();
        QCOMPARE(rig.player.LastSummary().end, TMedEnd::Completed);
        QVERIFY(rig.player.LastSummary().meditatedMs >= 120'000);
    }
};

QTEST_GUILESS_MAIN(TestMeditationSummary)
#include "tst_meditationsummary.moc"
