#include "player/MeditationPlayer.h"
#include "player/SdlMpg123Audio.h"
#include "shell/Assert.h"
#include "shell/ProgramWindows.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <optional>

// The whole program, as a user or an accessibility client drives it: its real windows
// (offscreen) and its real audio layer on SDL's disk output, which records what the sound
// card would have played. Music plays before the meditation; Stop comes two seconds in.
namespace {

constexpr int kStopAfterMs = 2000;
constexpr qsizetype kBufferFrames = 4096;
// The mixer fades a stopped stream out over a few milliseconds instead of cutting it.
constexpr qsizetype kFadeFrames = 441;
constexpr qsizetype kBytesPerFrame = 2 * sizeof(float);

QString Fixture(const char *name)
{
    return QStringLiteral(NESVARA_STOP_FIXTURES "/") + QLatin1String(name);
}

enum class Press { MouseClick, QueuedCall };

} // namespace

Q_DECLARE_METATYPE(Press)

class TestStopInTheProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InstallAssertPresenter([](const QString &) {}); // no voice library in this folder
        PrepareApplication(*qApp);
    }

    void stopDuringMusicSilencesTheDevice_data()
    {
        QTest::addColumn<Press>("press");
        QTest::newRow("mouse click") << Press::MouseClick;
        QTest::newRow("queued call, as accessibility and D-Bus send it") << Press::QueuedCall;
    }

    void stopDuringMusicSilencesTheDevice()
    {
        QFETCH(Press, press);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString programDir = dir.path() + QLatin1Char('/');
        const QString output = programDir + QStringLiteral("device.raw");
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));
        qputenv("SDL_DISKAUDIODELAY", "93");

        TMp3FilesList music;
        music.AddList(QStringLiteral("Тон"));
        music.at(0).mp3files = QStringList{Fixture("music_6s.mp3")};
        music.SaveToFile(programDir + QStringLiteral("musiclists.bin"));
        TOptionsData options;
        options.FMedLenMin = 1;
        options.FRemIntTech1Sec = 10;
        options.FVolume = 1.0;
        options.FPlayMusic = true;
        options.FMusicPosition = 0;
        options.FMusicFileNum = 0;
        options.FMusicSubFileNum = -1;
        options.FSwitchOffComputerAfterMeditation = true;
        options.SaveToFile(programDir + QStringLiteral("options.bin"));

        int shutdowns = 0;
        QStringList messages;
        TMainFormEnvironment environment;
        environment.programDir = programDir;
        environment.audio = std::make_unique<SdlMpg123Audio>();
        // The fixture holds only what this meditation plays: the report of empty voice
        // folders at start-up is expected.
        environment.showMessage = [&messages](const QString &text) {
            if (!text.startsWith(QStringLiteral("В этих папках нет записей голоса")))
                messages << text;
        };
        environment.runShutdown = [&shutdowns] { ++shutdowns; };
        std::optional<qsizetype> framesAtPress;
        {
            TProgramWindows windows(std::move(environment));
            TMainForm &form = windows.mainForm;
            form.show();
            QVERIFY2(messages.isEmpty(), qPrintable(messages.join(QLatin1Char('|'))));

            // The timer fires while the player waits for the music to end.
            QTimer::singleShot(kStopAfterMs, &form, [&] {
                framesAtPress = QFileInfo(output).size() / kBytesPerFrame;
                if (press == Press::MouseClick)
                    QTest::mouseClick(form.StopButton, Qt::LeftButton);
                else
                    QMetaObject::invokeMethod(form.StopButton, &QPushButton::click, Qt::QueuedConnection);
            });
            QTest::mouseClick(form.Button2, Qt::LeftButton);
            QVERIFY(framesAtPress.has_value());
            QVERIFY(form.Player().FStopped);
            QVERIFY(!form.Player().FPlaying);
            QVERIFY(!form.StopButton->isEnabled());
            // What the device plays on after the stop.
            QTest::qWait(500);
        }
        QCOMPARE(shutdowns, 0);

        QFile recorded(output);
        QVERIFY(recorded.open(QIODevice::ReadOnly));
        const QByteArray bytes = recorded.readAll();
        const auto *samples = reinterpret_cast<const float *>(bytes.constData());
        const qsizetype frames = bytes.size() / kBytesPerFrame;
        const qsizetype silentFrom = *framesAtPress + kBufferFrames + kFadeFrames;
        QVERIFY2(frames > silentFrom + 44100 / 4, qPrintable(QString::number(frames)));

        float before = 0.0f;
        for (qsizetype i = 0; i < 2 * *framesAtPress; ++i)
            before = std::max(before, std::fabs(samples[i]));
        // A half-scale tone at the instructor's coefficient 0.4.
        QVERIFY2(before > 0.15f, qPrintable(QString::number(double(before))));
        qsizetype loud = 0;
        float after = 0.0f;
        for (qsizetype i = 2 * silentFrom; i < 2 * frames; ++i) {
            loud += samples[i] != 0.0f ? 1 : 0;
            after = std::max(after, std::fabs(samples[i]));
        }
        QVERIFY2(loud == 0, qPrintable(QStringLiteral("%1 samples sound after the stop, peak %2")
                                           .arg(loud)
                                           .arg(double(after))));
    }
};

QTEST_MAIN(TestStopInTheProgram)
#include "tst_stopintheprogram.moc"
