#include "player/MeditationPlayer.h"
#include "player/SdlMpg123Audio.h"
#include "player/tests/MusicFirstProgram.h"
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

// A program folder whose meditation starts with a 6 s tone as music and would power off
// at its end, with the real audio layer writing to `output` what the device plays.
struct MusicOnTheDiskDevice
{
    QTemporaryDir dir;
    QString programDir = dir.path() + QLatin1Char('/');
    QString output = programDir + QStringLiteral("device.raw");
    int shutdowns = 0;
    QStringList messages;

    TMainFormEnvironment Environment()
    {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(output));
        qputenv("SDL_DISKAUDIODELAY", "93");

        WriteMusicFirstSettings(programDir, Fixture("music_6s.mp3"), true);

        TMainFormEnvironment environment;
        environment.programDir = programDir;
        environment.audio = std::make_unique<SdlMpg123Audio>();
        // The fixture holds only what this meditation plays: the report of empty voice
        // folders at start-up is expected.
        environment.showMessage = [this](const QString &text) {
            if (!text.startsWith(QStringLiteral("В этих папках нет записей голоса")))
                messages << text;
        };
        environment.runShutdown = [this] { ++shutdowns; };
        return environment;
    }
};

QByteArray Recorded(const QString &output)
{
    QFile recorded(output);
    return recorded.open(QIODevice::ReadOnly) ? recorded.readAll() : QByteArray();
}

// The loudest sample of frames [from, to) of what the device played.
float Peak(const QByteArray &bytes, qsizetype from, qsizetype to)
{
    const auto *samples = reinterpret_cast<const float *>(bytes.constData());
    to = std::min(to, bytes.size() / kBytesPerFrame);
    float peak = 0.0f;
    for (qsizetype i = 2 * from; i < 2 * to; ++i)
        peak = std::max(peak, std::fabs(samples[i]));
    return peak;
}

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
        MusicOnTheDiskDevice program;
        QVERIFY(program.dir.isValid());
        const QString output = program.output;
        std::optional<qsizetype> framesAtPress;
        {
            TProgramWindows windows(program.Environment());
            TMainForm &form = windows.mainForm;
            form.show();
            QVERIFY2(program.messages.isEmpty(), qPrintable(program.messages.join(QLatin1Char('|'))));

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
        QCOMPARE(program.shutdowns, 0);

        const QByteArray bytes = Recorded(output);
        const qsizetype frames = bytes.size() / kBytesPerFrame;
        const qsizetype silentFrom = *framesAtPress + kBufferFrames + kFadeFrames;
        QVERIFY2(frames > silentFrom + 44100 / 4, qPrintable(QString::number(frames)));
        // A half-scale tone at the instructor's coefficient 0.4.
        const float before = Peak(bytes, 0, *framesAtPress);
        QVERIFY2(before > 0.15f, qPrintable(QString::number(double(before))));
        const float after = Peak(bytes, silentFrom, frames);
        QVERIFY2(after == 0.0f, qPrintable(QStringLiteral("sound after the stop, peak %1").arg(double(after))));
    }

    // Space pauses the meditation in the window and again resumes it: the button says so,
    // the device falls silent within one buffer and its fade, and the music goes on after.
    void spacePausesAndResumesTheDevice()
    {
        MusicOnTheDiskDevice program;
        QVERIFY(program.dir.isValid());
        const QString output = program.output;
        qsizetype pausedAt = 0;
        qsizetype resumedAt = 0;
        qsizetype stoppedAt = 0;
        QString pausedText;
        QString resumedText;
        {
            TProgramWindows windows(program.Environment());
            TMainForm &form = windows.mainForm;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            const auto framesNow = [&] { return QFileInfo(output).size() / kBytesPerFrame; };
            QTimer::singleShot(1000, &form, [&] {
                pausedAt = framesNow();
                QTest::keyClick(&form, Qt::Key_Space);
                pausedText = form.PauseButton->text();
            });
            QTimer::singleShot(2500, &form, [&] {
                resumedAt = framesNow();
                QTest::keyClick(&form, Qt::Key_Space);
                resumedText = form.PauseButton->text();
            });
            QTimer::singleShot(3500, &form, [&] {
                stoppedAt = framesNow();
                QTest::mouseClick(form.StopButton, Qt::LeftButton);
            });
            QTest::mouseClick(form.Button2, Qt::LeftButton);
            QVERIFY2(program.messages.isEmpty(), qPrintable(program.messages.join(QLatin1Char('|'))));
            QVERIFY(form.Player().FStopped);
            QCOMPARE(form.PauseButton->text(), QStringLiteral("Пауза"));
            QVERIFY(!form.PauseButton->isEnabled());
        }
        QCOMPARE(program.shutdowns, 0);
        QCOMPARE(pausedText, QStringLiteral("Продолжить"));
        QCOMPARE(resumedText, QStringLiteral("Пауза"));
        QVERIFY(pausedAt > 0 && resumedAt > pausedAt + kBufferFrames + kFadeFrames);

        const QByteArray bytes = Recorded(output);
        QVERIFY2(Peak(bytes, 0, pausedAt) > 0.15f, "the music sounded before the pause");
        const float whilePaused = Peak(bytes, pausedAt + kBufferFrames + kFadeFrames, resumedAt);
        QVERIFY2(whilePaused == 0.0f, qPrintable(QString::number(double(whilePaused))));
        const float afterResume = Peak(bytes, resumedAt + kBufferFrames, stoppedAt);
        QVERIFY2(afterResume > 0.15f, qPrintable(QString::number(double(afterResume))));
    }
};

QTEST_MAIN(TestStopInTheProgram)
#include "tst_stopintheprogram.moc"
