#include "player/AudioMixing.h"
#include "player/DecodedFile.h"
#include "player/Mp3Decoder.h"
#include "player/SdlMpg123Audio.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr int kEndCapMs = 5000;

QString Fixture(const char *name)
{
    return QStringLiteral(NESVARA_AUDIO_FIXTURES) + QLatin1Char('/') + QLatin1String(name);
}

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment
{
public:
    void Set(const char *name, const QByteArray &value)
    {
        m_saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
        qputenv(name, value);
    }
    ~ScopedEnvironment()
    {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->wasSet)
                qputenv(it->name, it->value);
            else
                qunsetenv(it->name);
        }
    }

private:
    struct Saved
    {
        const char *name;
        QByteArray value;
        bool wasSet;
    };
    std::vector<Saved> m_saved;
};

bool AnyActive(SdlMpg123Audio &audio, const std::vector<StreamHandle> &streams)
{
    return std::any_of(streams.begin(), streams.end(),
                       [&audio](StreamHandle stream) { return audio.ChannelIsActive(stream); });
}

// Blocks in the event loop until the end of the last of the streams is posted, or the cap
// runs out.
void WaitForStreamsEnd(SdlMpg123Audio &audio, const std::vector<StreamHandle> &streams)
{
    QEventLoop loop;
    QTimer cap;
    cap.setSingleShot(true);
    QObject::connect(&cap, &QTimer::timeout, &loop, &QEventLoop::quit);
    audio.SetStreamEndedCallback([&] {
        if (!AnyActive(audio, streams))
            loop.quit();
    });
    cap.start(kEndCapMs * int(streams.size()));
    if (AnyActive(audio, streams))
        loop.exec();
    audio.SetStreamEndedCallback({});
}

void WaitForStreamEnd(SdlMpg123Audio &audio, StreamHandle stream)
{
    WaitForStreamsEnd(audio, {stream});
}

std::size_t DecodedFrames(const QString &fileName)
{
    const std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(fileName);
    if (!decoder)
        return 0;
    std::vector<float> buffer(4096 * Mp3Decoder::kOutputChannels);
    std::size_t total = 0;
    while (const std::size_t frames = decoder->Read(buffer.data(), 4096))
        total += frames;
    return total;
}

// SDL's disk output for one test, at the pace of a sound card: one 4096-frame buffer every
// 93 ms (left alone, it runs as fast as it can write and outruns any decoder).
void UseDiskOutput(ScopedEnvironment &environment, const QString &output)
{
    environment.Set("SDL_AUDIODRIVER", "disk");
    environment.Set("SDL_DISKAUDIOFILE", QFile::encodeName(output));
    environment.Set("SDL_DISKAUDIODELAY", "93");
}

// The stereo frames the disk output recorded.
struct Recording
{
    explicit Recording(const QString &fileName)
    {
        QFile file(fileName);
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
    }
    qsizetype Frames() const { return bytes.size() / qsizetype(2 * sizeof(float)); }
    float Magnitude(qsizetype frame) const
    {
        const auto *samples = reinterpret_cast<const float *>(bytes.constData()) + 2 * frame;
        return std::max(std::fabs(samples[0]), std::fabs(samples[1]));
    }

    QByteArray bytes;
};

// Creates the stream on another thread and gives it `capMs` to answer, so that a call that
// blocks fails the test instead of hanging it. A call stuck on a FIFO is set free by
// opening the FIFO's writing end; `answered` tells whether it came back in time.
StreamHandle CreateWithWatchdog(SdlMpg123Audio &audio, const QString &file, int capMs, bool &answered)
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    StreamHandle handle = 0;
    std::thread worker([&] {
        const StreamHandle created = audio.StreamCreateFile(file);
        std::lock_guard<std::mutex> lock(mutex);
        handle = created;
        finished = true;
        done.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    answered = done.wait_for(lock, std::chrono::milliseconds(capMs), [&] { return finished; });
    lock.unlock();
    if (!answered) {
        const int writer = ::open(QFile::encodeName(file).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
    }
    worker.join();
    return handle;
}

// The first and the last sounding frame, or -1 for both when nothing sounded.
std::pair<qsizetype, qsizetype> SoundingFrames(const Recording &recording)
{
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype frame = 0; frame < recording.Frames(); ++frame)
        if (recording.Magnitude(frame) != 0.0f) {
            if (first < 0)
                first = frame;
            last = frame;
        }
    return {first, last};
}

// The samples from the first sounding frame to the last: the silence before and after
// depends on when the device started, not on what was played.
std::vector<float> SoundingSamples(const Recording &recording)
{
    const auto [first, last] = SoundingFrames(recording);
    if (first < 0)
        return {};
    const auto *samples = reinterpret_cast<const float *>(recording.bytes.constData());
    return std::vector<float>(samples + 2 * first, samples + 2 * (last + 1));
}

// Plays `file` the way a one-file background loops: each round is opened while the one
// before plays and chained after it, and the one before is freed once it has ended.
// Returns the memory the audio layer held for the file at the end of the last round.
std::size_t PlayLoop(SdlMpg123Audio &audio, const QString &file, int rounds)
{
    StreamHandle playing = audio.StreamCreateFile(file);
    audio.ChannelPlay(playing);
    for (int round = 1; round < rounds; ++round) {
        const StreamHandle next = audio.StreamCreateFile(file);
        audio.ChannelPlayAfter(next, playing);
        WaitForStreamEnd(audio, playing);
        audio.StreamFree(playing);
        playing = next;
    }
    WaitForStreamEnd(audio, playing);
    const std::size_t held = audio.MemoryHeldBytes();
    audio.StreamFree(playing);
    return held;
}

int ThreadCount()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

} // namespace

class TestSdlMpg123Audio : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void mixesEachStreamAtItsVolumeAndClips();
    void mixesFramesAtTheirGain();

    void refusesWhatIsNotMp3_data();
    void refusesWhatIsNotMp3();
    void acceptsEveryKindOfMp3_data();
    void acceptsEveryKindOfMp3();

    void decodesToTheExactLengthAt44100_data();
    void decodesToTheExactLengthAt44100();
    void truncatedFileEndsEarly();

    void playsToItsEndAndPostsItToTheUiThread();
    void stopSilencesAtOnce();
    void haltedStreamFadesOutWithoutAClick_data();
    void haltedStreamFadesOutWithoutAClick();
    void silentStreamIsLetGoAtOnce();
    void fadeOutFallsEvenlyToSilence();
    void unknownAndFreedHandlesAreHarmless();
    void freeLeavesNoThreadAndLaterCallsAreHarmless();
    void fallsBackToSilentOutputOfTheRealLength_data();
    void fallsBackToSilentOutputOfTheRealLength();

    void playsEveryRateForItsTrueLengthAndVolume_data();
    void playsEveryRateForItsTrueLengthAndVolume();

    void pauseIsSilentAndGoesOnFromTheSameSample_data();
    void pauseIsSilentAndGoesOnFromTheSameSample();
    void loopFromMemoryEqualsTheStreamedLoop_data();
    void loopFromMemoryEqualsTheStreamedLoop();
    void keptSampleIsRoundedToEvenAndClipped_data();
    void keptSampleIsRoundedToEvenAndClipped();
    void chainedStreamStartsOnlyWhenItsLeaderEnds_data();
    void chainedStreamStartsOnlyWhenItsLeaderEnds();
    void chainedStreamsJoinWithoutSilence_data();
    void chainedStreamsJoinWithoutSilence();

private:
    QString Temp(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

    QTemporaryDir m_dir;
};

void TestSdlMpg123Audio::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile empty(Temp("empty.mp3"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();

    QFile text(Temp("text.mp3"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    for (int i = 0; i < 200; ++i)
        text.write("This is a list of phrases, not a recording.\n");
    text.close();

    QFile whole(Fixture("tone_44100_stereo.mp3"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    QFile half(Temp("half.mp3"));
    QVERIFY(half.open(QIODevice::WriteOnly));
    half.write(bytes.left(bytes.size() / 2));

    QVERIFY(::mkfifo(QFile::encodeName(Temp("fifo.mp3")).constData(), 0600) == 0);
    QVERIFY(QFile::link(Temp("fifo.mp3"), Temp("fifo link.mp3")));
    QVERIFY(QFile::link(Fixture("tone_44100_stereo.mp3"), Temp("tone link.mp3")));
}

void TestSdlMpg123Audio::mixesEachStreamAtItsVolumeAndClips()
{
    const float first[] = {1.0f, -1.0f, 0.8f, 0.4f, -2.0f, 0.0f};
    const float second[] = {1.0f, -1.0f, 4.0f, -0.4f, -4.0f, 0.2f};
    float out[6] = {};
    MixScaled(out, first, 6, 0.5f);
    MixScaled(out, second, 6, 0.25f);
    ClipToUnit(out, 6);
    const float expected[] = {0.75f, -0.75f, 1.0f, 0.1f, -1.0f, 0.05f};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(out[i], expected[i]);
}

// Mono spread to both sides, 16-bit samples at their float value, and a gain that falls by
// its step each frame and stops at 0.
void TestSdlMpg123Audio::mixesFramesAtTheirGain()
{
    const float mono[] = {0.5f, -0.25f};
    float spread[4] = {0.125f, 0.0f, 0.0f, 0.0f};
    QCOMPARE(MixFrames(spread, mono, 2, 1, 0.5f, 0.0f), 0.5f);
    QCOMPARE(std::vector<float>(spread, spread + 4), (std::vector<float>{0.375f, 0.25f, -0.125f, -0.125f}));

    const std::int16_t stereo[] = {16384, -8192, -32768, 32767};
    float kept[4] = {};
    MixFrames(kept, stereo, 2, 2, 1.0f, 0.0f);
    QCOMPARE(std::vector<float>(kept, kept + 4), (std::vector<float>{0.5f, -0.25f, -1.0f, 32767.0f / 32768.0f}));

    const float ones[] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    float fading[10] = {};
    QCOMPARE(MixFrames(fading, ones, 5, 1, 1.0f, -0.375f), 0.0f);
    QCOMPARE(std::vector<float>(fading, fading + 10),
             (std::vector<float>{1.0f, 1.0f, 0.625f, 0.625f, 0.25f, 0.25f, 0.0f, 0.0f, 0.0f, 0.0f}));
}

void TestSdlMpg123Audio::refusesWhatIsNotMp3_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("missing") << Temp("nothing here.mp3");
    QTest::newRow("empty") << Temp("empty.mp3");
    QTest::newRow("text") << Temp("text.mp3");
    QTest::newRow("WAV named .mp3") << Fixture("wave_named.mp3");
    QTest::newRow("folder") << m_dir.path();
    // Opening one for reading waits for a writer: the window would freeze.
    QTest::newRow("FIFO named .mp3") << Temp("fifo.mp3");
    QTest::newRow("link to a FIFO") << Temp("fifo link.mp3");
    QTest::newRow("device: endless zeros") << QStringLiteral("/dev/zero");
}

// Refused at once, without waiting for anything.
void TestSdlMpg123Audio::refusesWhatIsNotMp3()
{
    QFETCH(QString, file);
    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    bool answered = false;
    // A FIFO blocks for ever; the cap leaves room for a slow, sanitised build.
    QCOMPARE(CreateWithWatchdog(audio, file, 10000, answered), StreamHandle(0));
    QVERIFY2(answered, "the call blocked");
}

void TestSdlMpg123Audio::acceptsEveryKindOfMp3_data()
{
    QTest::addColumn<QString>("file");
    for (const char *name : {"tone_44100_stereo.mp3", "tone_22050_mono.mp3", "tone_8000_mono.mp3",
                             "tone_48000_vbr.mp3", "tone_32000_id3.mp3", "tone_44100_untagged.mp3"})
        QTest::newRow(name) << Fixture(name);
    QTest::newRow("first half of a file") << Temp("half.mp3");
    QTest::newRow("link to an MP3") << Temp("tone link.mp3");
}

void TestSdlMpg123Audio::acceptsEveryKindOfMp3()
{
    QFETCH(QString, file);
    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    const StreamHandle stream = audio.StreamCreateFile(file);
    QVERIFY(stream != 0);
    QVERIFY(!audio.ChannelIsActive(stream)); // created, not started
}

void TestSdlMpg123Audio::decodesToTheExactLengthAt44100_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("minFrames");
    QTest::addColumn<int>("maxFrames");
    // One second each. The encoder's tag tells the decoder its delay and padding, so the
    // length is exact at every rate...
    for (const char *name : {"tone_44100_stereo.mp3", "tone_22050_mono.mp3", "tone_8000_mono.mp3",
                             "tone_48000_vbr.mp3", "tone_32000_id3.mp3"})
        QTest::newRow(name) << Fixture(name) << 44100 << 44100;
    // ...without it the decoder keeps them: whole 1152-frame MP3 frames, the tag's own
    // empty frame aside.
    QTest::newRow("tone_44100_untagged.mp3")
        << Fixture("tone_44100_untagged.mp3") << 44100 << 44100 + 2 * 1152;
}

void TestSdlMpg123Audio::decodesToTheExactLengthAt44100()
{
    QFETCH(QString, file);
    QFETCH(int, minFrames);
    QFETCH(int, maxFrames);
    const std::size_t frames = DecodedFrames(file);
    QVERIFY2(frames >= std::size_t(minFrames) && frames <= std::size_t(maxFrames),
             QByteArray::number(qulonglong(frames)).constData());
}

void TestSdlMpg123Audio::truncatedFileEndsEarly()
{
    const std::size_t frames = DecodedFrames(Temp("half.mp3"));
    QVERIFY(frames > 44100 / 4);
    QVERIFY(frames < 44100);
}

void TestSdlMpg123Audio::playsToItsEndAndPostsItToTheUiThread()
{
    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    const StreamHandle stream = audio.StreamCreateFile(Fixture("short_44100_stereo.mp3"));
    QVERIFY(stream != 0);
    audio.ChannelSetVolume(stream, 0.5f);
    audio.ChannelPlay(stream);
    QVERIFY(audio.ChannelIsActive(stream));

    QList<QThread *> endedOn;
    QEventLoop loop;
    QTimer::singleShot(kEndCapMs, &loop, &QEventLoop::quit);
    audio.SetStreamEndedCallback([&] {
        endedOn.append(QThread::currentThread());
        loop.quit();
    });
    loop.exec();

    QVERIFY(!audio.ChannelIsActive(stream));
    QCOMPARE(endedOn, QList<QThread *>{QCoreApplication::instance()->thread()});
    audio.ChannelPlay(stream); // played out: stays ended
    QVERIFY(!audio.ChannelIsActive(stream));
    audio.StreamFree(stream);
}

void TestSdlMpg123Audio::stopSilencesAtOnce()
{
    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    const StreamHandle stream = audio.StreamCreateFile(Fixture("tone_44100_stereo.mp3"));
    QVERIFY(stream != 0);
    audio.ChannelPlay(stream);
    QVERIFY(audio.ChannelIsActive(stream));
    audio.ChannelStop(stream);
    QVERIFY(!audio.ChannelIsActive(stream));
    QTest::qWait(100); // the callback keeps running and must not revive it
    QVERIFY(!audio.ChannelIsActive(stream));
    audio.StreamFree(stream);
}

void TestSdlMpg123Audio::haltedStreamFadesOutWithoutAClick_data()
{
    QTest::addColumn<bool>("freed");
    QTest::addColumn<bool>("fromMemory");
    QTest::newRow("stopped") << false << false;
    QTest::newRow("freed") << true << false;
    QTest::newRow("stopped, played from memory") << false << true;
    QTest::newRow("freed, played from memory") << true << true;
}

// The tone (440 Hz) near full scale, halted in the middle: the recorded output never
// jumps further between two frames than the tone itself does, and it is silent within a
// fade of 5 ms (plus the half wave in which the last peak may fall).
// A stream that has died away to volume 0 needs no fade: freed, it and the loop it kept in
// memory go at once, before the meditation is written to the journal.
void TestSdlMpg123Audio::silentStreamIsLetGoAtOnce()
{
    ScopedEnvironment environment;
    UseDiskOutput(environment, Temp("silent.raw"));
    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    const QString file = Fixture("tone_44100_stereo.mp3");
    // A second stream of a file still open is a loop's next round: it plays from memory.
    const StreamHandle firstRound = audio.StreamCreateFile(file);
    const StreamHandle stream = audio.StreamCreateFile(file);
    audio.StreamFree(firstRound);
    audio.ChannelPlay(stream);
    QTest::qWait(200);
    QVERIFY(audio.ChannelIsActive(stream));
    QVERIFY(audio.MemoryHeldBytes() > 0);
    audio.ChannelSetVolume(stream, 0.0f);
    audio.ChannelStop(stream);
    audio.StreamFree(stream);
    QCOMPARE(audio.MemoryHeldBytes(), std::size_t(0));
}

// The fade is the mixer's: the tone's level falls evenly, with no steps, over the fade's
// length to exact silence, and the stream goes on, silent.
void TestSdlMpg123Audio::fadeOutFallsEvenlyToSilence()
{
    // The tone lasts 1.04 s: it plays 150 ms, fades for 300 ms, then sounds silent.
    constexpr int kFadeMs = 300;
    constexpr qsizetype kBlock = 441; // 10 ms
    const QString output = Temp("fade.raw");
    ScopedEnvironment environment;
    UseDiskOutput(environment, output);
    {
        SdlMpg123Audio audio;
        QVERIFY(audio.Init());
        const StreamHandle stream = audio.StreamCreateFile(Fixture("tone_44100_stereo.mp3"));
        QVERIFY(stream != 0);
        audio.ChannelPlay(stream);
        QTest::qWait(150);
        audio.ChannelFadeOut(stream, kFadeMs);
        QTest::qWait(kFadeMs + 150);
        QVERIFY(audio.ChannelIsActive(stream));
        audio.StreamFree(stream);
    }

    const Recording recording(output);
    const auto [first, last] = SoundingFrames(recording);
    QVERIFY(first >= 0);
    const auto blockPeak = [&](qsizetype block) {
        float peak = 0.0f;
        for (qsizetype frame = block * kBlock; frame < (block + 1) * kBlock && frame < recording.Frames(); ++frame)
            peak = std::max(peak, recording.Magnitude(frame));
        return peak;
    };
    const float full = blockPeak(first / kBlock + 2);
    QVERIFY(full > 0.1f);
    qsizetype block = first / kBlock + 2;
    while (blockPeak(block) > 0.97f * full)
        ++block;
    const qsizetype fadeStart = block;
    // Each 10 ms lower than the one before, by about the same amount, down to silence.
    float previous = blockPeak(block - 1);
    const float expectedDrop = full * float(kBlock) * 1000.0f / (44100.0f * kFadeMs);
    for (; blockPeak(block) > 0.0f; ++block) {
        const float drop = previous - blockPeak(block);
        QVERIFY2(drop > 0.3f * expectedDrop && drop < 2.5f * expectedDrop,
                 qPrintable(QStringLiteral("block %1: %2 after %3").arg(block - fadeStart).arg(blockPeak(block)).arg(previous)));
        previous = blockPeak(block);
    }
    const qsizetype fadeBlocks = block - fadeStart;
    QVERIFY2(std::abs(fadeBlocks - kFadeMs / 10) <= 2, QByteArray::number(qlonglong(fadeBlocks)).constData());
    // Silent from there on.
    QCOMPARE(last, [&] {
        qsizetype lastSounding = -1;
        for (qsizetype frame = 0; frame < block * kBlock; ++frame)
            if (recording.Magnitude(frame) > 0.0f)
                lastSounding = frame;
        return lastSounding;
    }());
}

void TestSdlMpg123Audio::haltedStreamFadesOutWithoutAClick()
{
    QFETCH(bool, freed);
    QFETCH(bool, fromMemory);
    const QString output = Temp("halted.raw");
    ScopedEnvironment environment;
    UseDiskOutput(environment, output);
    {
        SdlMpg123Audio audio;
        QVERIFY(audio.Init());
        // A second stream of a file still open is a loop's next round: it plays from memory.
        const StreamHandle firstRound = fromMemory ? audio.StreamCreateFile(Fixture("tone_44100_stereo.mp3")) : 0;
        const StreamHandle stream = audio.StreamCreateFile(Fixture("tone_44100_stereo.mp3"));
        QVERIFY(stream != 0);
        QCOMPARE(audio.MemoryHeldBytes() > 0, fromMemory);
        audio.StreamFree(firstRound);
        audio.ChannelSetVolume(stream, 1.94f);
        audio.ChannelPlay(stream);
        QTest::qWait(400);
        QVERIFY(audio.ChannelIsActive(stream));
        if (freed) {
            audio.StreamFree(stream);
        } else {
            audio.ChannelStop(stream);
            QVERIFY(!audio.ChannelIsActive(stream));
        }
        QTest::qWait(300);
        QVERIFY(!audio.ChannelIsActive(stream));
    }

    const Recording played(output);
    const auto *samples = reinterpret_cast<const float *>(played.bytes.constData());
    float largestStep = 0.0f;
    float loudest = 0.0f;
    qsizetype lastLoud = -1;
    qsizetype lastSounding = -1;
    for (qsizetype frame = 0; frame < played.Frames(); ++frame) {
        for (int side = 0; side < 2; ++side) {
            const float previous = frame > 0 ? samples[2 * (frame - 1) + side] : 0.0f;
            largestStep = std::max(largestStep, std::fabs(samples[2 * frame + side] - previous));
        }
        loudest = std::max(loudest, played.Magnitude(frame));
        if (played.Magnitude(frame) > 0.8f)
            lastLoud = frame;
        if (played.Magnitude(frame) > 0.001f)
            lastSounding = frame;
    }
    // Near full scale (the encoder leaves the tone a little under half).
    QVERIFY2(loudest > 0.85f, QByteArray::number(loudest).constData());
    // The tone alone moves by up to 2 pi 440 / 44 100 of its amplitude per frame: 0.06.
    const float toneStep = loudest * 2.0f * float(M_PI) * 440.0f / 44100.0f;
    qInfo("largest step %.4f of full scale (the tone's own %.4f); silent %.2f ms after the last peak",
          double(largestStep), double(toneStep), double(lastSounding - lastLoud) * 1000.0 / 44100.0);
    QVERIFY2(largestStep < toneStep + 0.01f, QByteArray::number(largestStep).constData());
    // Halted 0.4 s into a 1 s tone: it did not play to its end.
    QVERIFY(lastSounding < qsizetype(44100 * 0.9) + 8192);
    QVERIFY2(lastSounding - lastLoud <= qsizetype(44100 * 0.005) + 50,
             QByteArray::number(lastSounding - lastLoud).constData());
    // Then nothing at all: the faded stream is no longer mixed.
    for (qsizetype frame = lastLoud + qsizetype(44100 * 0.006); frame < played.Frames(); ++frame)
        QVERIFY(played.Magnitude(frame) == 0.0f);
}

void TestSdlMpg123Audio::unknownAndFreedHandlesAreHarmless()
{
    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    const StreamHandle stream = audio.StreamCreateFile(Fixture("tone_44100_stereo.mp3"));
    QVERIFY(stream != 0);
    audio.ChannelPlay(stream);
    audio.StreamFree(stream); // while it plays
    for (const StreamHandle handle : {StreamHandle(0), stream, StreamHandle(12345)}) {
        audio.ChannelSetVolume(handle, 0.3f);
        audio.ChannelPlay(handle);
        QVERIFY(!audio.ChannelIsActive(handle));
        audio.ChannelStop(handle);
        audio.StreamFree(handle);
    }
    const StreamHandle next = audio.StreamCreateFile(Fixture("tone_44100_stereo.mp3"));
    QVERIFY(next != 0);
    QVERIFY(next != stream);
}

void TestSdlMpg123Audio::freeLeavesNoThreadAndLaterCallsAreHarmless()
{
    const int threadsBefore = ThreadCount();
    int ended = 0;
    {
        SdlMpg123Audio audio;
        audio.SetStreamEndedCallback([&] { ++ended; });
        QVERIFY(audio.Init());
        const StreamHandle playing = audio.StreamCreateFile(Fixture("short_44100_stereo.mp3"));
        const StreamHandle waiting = audio.StreamCreateFile(Fixture("tone_8000_mono.mp3"));
        QVERIFY(playing != 0 && waiting != 0);
        audio.ChannelPlay(playing);
        QThread::msleep(400); // the short one ends and posts its end meanwhile
        audio.Free();
        QCOMPARE(ThreadCount(), threadsBefore);
        QTest::qWait(50);
        QCOMPARE(ended, 0); // its posted end went with the streams

        audio.Free();
        QVERIFY(!audio.ChannelIsActive(playing));
        audio.ChannelPlay(waiting);
        QVERIFY(!audio.ChannelIsActive(waiting));
        audio.StreamFree(waiting);
        QCOMPARE(audio.StreamCreateFile(Fixture("tone_44100_stereo.mp3")), StreamHandle(0));

        // Free is what closing the window does; a new Init starts over.
        QVERIFY(audio.Init());
        const StreamHandle again = audio.StreamCreateFile(Fixture("short_44100_stereo.mp3"));
        QVERIFY(again != 0);
        audio.ChannelPlay(again);
        WaitForStreamEnd(audio, again);
        QVERIFY(!audio.ChannelIsActive(again));
    }
    QCOMPARE(ThreadCount(), threadsBefore);
}

void TestSdlMpg123Audio::fallsBackToSilentOutputOfTheRealLength_data()
{
    QTest::addColumn<QByteArray>("driver");
    QTest::addColumn<QByteArray>("outputFile");
    QTest::newRow("no such driver") << QByteArray("no-such-driver") << QByteArray();
    // SDL starts, but the device cannot be opened: as with ALSA on a machine without a
    // sound card.
    QTest::newRow("device does not open")
        << QByteArray("disk") << QFile::encodeName(Temp("missing folder/out.raw"));
}

void TestSdlMpg123Audio::fallsBackToSilentOutputOfTheRealLength()
{
    QFETCH(QByteArray, driver);
    QFETCH(QByteArray, outputFile);
    ScopedEnvironment environment;
    environment.Set("SDL_AUDIODRIVER", driver);
    if (!outputFile.isEmpty())
        environment.Set("SDL_DISKAUDIOFILE", outputFile);

    SdlMpg123Audio audio;
    QVERIFY(!audio.Init());
    const StreamHandle stream = audio.StreamCreateFile(Fixture("short_44100_stereo.mp3"));
    QVERIFY(stream != 0);
    QElapsedTimer clock;
    clock.start();
    audio.ChannelPlay(stream);
    QVERIFY(audio.ChannelIsActive(stream));
    WaitForStreamEnd(audio, stream);
    QVERIFY(!audio.ChannelIsActive(stream));
    // Silent, yet not over before its time (0.3 s).
    QVERIFY2(clock.elapsed() >= 200, QByteArray::number(clock.elapsed()).constData());
}

void TestSdlMpg123Audio::playsEveryRateForItsTrueLengthAndVolume_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<float>("volume");
    QTest::addColumn<float>("peak");
    for (const char *name : {"tone_44100_stereo.mp3", "tone_22050_mono.mp3", "tone_8000_mono.mp3",
                             "tone_48000_vbr.mp3"})
        QTest::newRow(name) << Fixture(name) << 0.5f << 0.25f;
    QTest::newRow("amplified past full scale") << Fixture("tone_44100_stereo.mp3") << 3.0f << 1.0f;
}

// SDL's disk output records, in real time, what the callback really produced: the tone
// (amplitude 0.5, one second) must come out one second long at 44 100 Hz, without a gap,
// at the stream's volume and never past full scale.
void TestSdlMpg123Audio::playsEveryRateForItsTrueLengthAndVolume()
{
    QFETCH(QString, file);
    QFETCH(float, volume);
    QFETCH(float, peak);
    const QString output = Temp("played.raw");
    ScopedEnvironment environment;
    UseDiskOutput(environment, output);

    {
        SdlMpg123Audio audio;
        QVERIFY(audio.Init());
        const StreamHandle stream = audio.StreamCreateFile(file);
        QVERIFY(stream != 0);
        audio.ChannelSetVolume(stream, volume);
        audio.ChannelPlay(stream);
        WaitForStreamEnd(audio, stream);
        QVERIFY(!audio.ChannelIsActive(stream));
    }

    QFile played(output);
    QVERIFY(played.open(QIODevice::ReadOnly));
    const QByteArray bytes = played.readAll();
    const auto *samples = reinterpret_cast<const float *>(bytes.constData());
    const qsizetype count = bytes.size() / qsizetype(sizeof(float));
    qsizetype first = -1;
    qsizetype last = -1;
    float loudest = 0.0f;
    for (qsizetype i = 0; i < count; ++i) {
        const float magnitude = std::fabs(samples[i]);
        if (magnitude > 0.001f) {
            if (first < 0)
                first = i;
            last = i;
        }
        loudest = std::max(loudest, magnitude);
    }
    QVERIFY(first >= 0);
    const qsizetype frames = (last - first) / 2 + 1;
    QVERIFY2(std::abs(frames - 44100) <= 64, QByteArray::number(frames).constData());
    QVERIFY2(std::fabs(loudest - peak) < 0.03f, QByteArray::number(loudest).constData());
}

void TestSdlMpg123Audio::pauseIsSilentAndGoesOnFromTheSameSample_data()
{
    QTest::addColumn<bool>("fromMemory");
    QTest::newRow("streamed") << false;
    QTest::newRow("played from memory") << true;
}

// Paused in the middle of the tone for a while, then resumed: the disk output holds the
// tone whole, every sample once and in order, around a stretch of pure silence.
void TestSdlMpg123Audio::pauseIsSilentAndGoesOnFromTheSameSample()
{
    QFETCH(bool, fromMemory);
    const QString file = Fixture("tone_44100_stereo.mp3");
    const QString output = Temp("paused.raw");
    ScopedEnvironment environment;
    UseDiskOutput(environment, output);
    {
        SdlMpg123Audio audio;
        QVERIFY(audio.Init());
        // A second stream of a file still open is a loop's next round: it plays from memory.
        const StreamHandle firstRound = fromMemory ? audio.StreamCreateFile(file) : 0;
        const StreamHandle stream = audio.StreamCreateFile(file);
        QVERIFY(stream != 0);
        QCOMPARE(audio.MemoryHeldBytes() > 0, fromMemory);
        audio.StreamFree(firstRound);
        audio.ChannelPlay(stream);
        QTest::qWait(300);
        audio.ChannelPause(stream);
        QTest::qWait(500);
        QVERIFY(audio.ChannelIsActive(stream));
        audio.ChannelResume(stream);
        WaitForStreamEnd(audio, stream);
        QVERIFY(!audio.ChannelIsActive(stream));
    }

    const Recording recording(output);
    const auto *recorded = reinterpret_cast<const float *>(recording.bytes.constData());
    const auto [first, last] = SoundingFrames(recording);
    QVERIFY(first >= 0);
    // The longest run of silence inside the tone is the pause.
    qsizetype longestSilence = 0;
    for (qsizetype frame = first, run = 0; frame <= last; ++frame) {
        run = recording.Magnitude(frame) == 0.0f ? run + 1 : 0;
        longestSilence = std::max(longestSilence, run);
    }
    QVERIFY2(longestSilence >= 44100 * 4 / 10, QByteArray::number(longestSilence).constData());

    // Without the silence, the output is the decoded tone, sample for sample (as kept in
    // 16 bits when played from memory).
    std::vector<float> sounding;
    for (qsizetype frame = first; frame <= last; ++frame)
        if (recording.Magnitude(frame) != 0.0f)
            sounding.insert(sounding.end(), recorded + 2 * frame, recorded + 2 * frame + 2);
    const std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(file);
    QVERIFY(decoder);
    std::vector<float> decoded;
    std::vector<float> buffer(4096 * Mp3Decoder::kOutputChannels);
    while (const std::size_t frames = decoder->Read(buffer.data(), 4096)) {
        if (fromMemory)
            for (float &sample : buffer)
                sample = SampleValue(DecodedFile::ToSample(sample));
        for (std::size_t i = 0; i < frames; ++i)
            if (buffer[2 * i] != 0.0f || buffer[2 * i + 1] != 0.0f)
                decoded.insert(decoded.end(), buffer.begin() + qsizetype(2 * i), buffer.begin() + qsizetype(2 * i + 2));
    }
    QCOMPARE(sounding.size(), decoded.size());
    QVERIFY(sounding == decoded);
}

void TestSdlMpg123Audio::keptSampleIsRoundedToEvenAndClipped_data()
{
    QTest::addColumn<float>("decoded");
    QTest::addColumn<int>("kept");
    const float step = 1.0f / DecodedFile::kFullScale;
    QTest::newRow("silence") << 0.0f << 0;
    QTest::newRow("half a step: to even 0") << 0.5f * step << 0;
    QTest::newRow("one and a half: to even 2") << 1.5f * step << 2;
    QTest::newRow("two and a half: to even 2") << 2.5f * step << 2;
    QTest::newRow("minus half a step: 0") << -0.5f * step << 0;
    QTest::newRow("minus 2.6 steps") << -2.6f * step << -3;
    QTest::newRow("full scale: clipped") << 1.0f << 32767;
    QTest::newRow("beyond full scale") << 3.0f << 32767;
    QTest::newRow("minus full scale") << -1.0f << -32768;
    QTest::newRow("beyond minus full scale") << -3.0f << -32768;
    QTest::newRow("not a number: silence") << std::numeric_limits<float>::quiet_NaN() << 0;
}

void TestSdlMpg123Audio::keptSampleIsRoundedToEvenAndClipped()
{
    QFETCH(float, decoded);
    QFETCH(int, kept);
    QCOMPARE(int(DecodedFile::ToSample(decoded)), kept);
}

enum class LeaderFate { PlaysToItsEnd, Stopped, Freed, FollowerStopped, Unknown, AlreadyEnded };
Q_DECLARE_METATYPE(LeaderFate)

void TestSdlMpg123Audio::chainedStreamStartsOnlyWhenItsLeaderEnds_data()
{
    QTest::addColumn<LeaderFate>("fate");
    QTest::addColumn<bool>("followerPlays");
    QTest::newRow("leader plays to its end") << LeaderFate::PlaysToItsEnd << true;
    QTest::newRow("leader stopped") << LeaderFate::Stopped << false;
    QTest::newRow("leader freed") << LeaderFate::Freed << false;
    QTest::newRow("follower stopped while waiting") << LeaderFate::FollowerStopped << false;
    QTest::newRow("unknown leader: at once") << LeaderFate::Unknown << true;
    QTest::newRow("leader already ended: at once") << LeaderFate::AlreadyEnded << true;
}

void TestSdlMpg123Audio::chainedStreamStartsOnlyWhenItsLeaderEnds()
{
    QFETCH(LeaderFate, fate);
    QFETCH(bool, followerPlays);
    SdlMpg123Audio audio;
    QVERIFY(audio.Init());
    const StreamHandle leader = audio.StreamCreateFile(Fixture("short_44100_stereo.mp3"));
    const StreamHandle follower = audio.StreamCreateFile(Fixture("tone_44100_stereo.mp3"));
    QVERIFY(leader != 0 && follower != 0);
    audio.ChannelPlay(leader);
    if (fate == LeaderFate::AlreadyEnded)
        WaitForStreamEnd(audio, leader);
    audio.ChannelPlayAfter(follower, fate == LeaderFate::Unknown ? StreamHandle(12345) : leader);
    const bool startsAtOnce = fate == LeaderFate::Unknown || fate == LeaderFate::AlreadyEnded;
    QCOMPARE(audio.ChannelIsActive(follower), startsAtOnce);

    if (fate == LeaderFate::Stopped)
        audio.ChannelStop(leader);
    if (fate == LeaderFate::Freed)
        audio.StreamFree(leader);
    if (fate == LeaderFate::FollowerStopped)
        audio.ChannelStop(follower);
    // The leader (0.3 s) is over, the follower (1 s) would still sound.
    QTest::qWait(600);
    QVERIFY(!audio.ChannelIsActive(leader));
    QCOMPARE(audio.ChannelIsActive(follower), followerPlays);
}

void TestSdlMpg123Audio::chainedStreamsJoinWithoutSilence_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::newRow("another file") << QStringList{Fixture("tone_44100_stereo.mp3"), Fixture("short_44100_stereo.mp3")};
    // The third waits for the second, which still waits for the first.
    QTest::newRow("the same file three times")
        << QStringList{Fixture("short_44100_stereo.mp3"), Fixture("short_44100_stereo.mp3"),
                       Fixture("short_44100_stereo.mp3")};
}

// The tones (amplitude 0.5, 440 Hz) are cut mid-wave at their ends; chained, the recorded
// output is one tone as long as all of them, never quieter than a zero crossing.
void TestSdlMpg123Audio::chainedStreamsJoinWithoutSilence()
{
    QFETCH(QStringList, files);
    const QString output = Temp("chained.raw");
    ScopedEnvironment environment;
    UseDiskOutput(environment, output);

    qsizetype expectedFrames = 0;
    {
        SdlMpg123Audio audio;
        QVERIFY(audio.Init());
        std::vector<StreamHandle> streams;
        for (const QString &file : files) {
            expectedFrames += qsizetype(DecodedFrames(file));
            streams.push_back(audio.StreamCreateFile(file));
            QVERIFY(streams.back() != 0);
        }
        audio.ChannelPlay(streams.front());
        for (std::size_t i = 1; i < streams.size(); ++i)
            audio.ChannelPlayAfter(streams[i], streams[i - 1]);
        WaitForStreamsEnd(audio, streams);
        QVERIFY(!AnyActive(audio, streams));
    }

    const Recording played(output);
    qsizetype first = -1;
    qsizetype last = -1;
    for (qsizetype frame = 0; frame < played.Frames(); ++frame) {
        if (played.Magnitude(frame) > 0.001f) {
            if (first < 0)
                first = frame;
            last = frame;
        }
    }
    QVERIFY(first >= 0);
    qsizetype longestQuiet = 0;
    for (qsizetype frame = first, quiet = 0; frame <= last; ++frame) {
        quiet = played.Magnitude(frame) < 0.01f ? quiet + 1 : 0;
        longestQuiet = std::max(longestQuiet, quiet);
    }
    const qsizetype frames = last - first + 1;
    qInfo("longest quiet run %lld frames (%.2f ms), length off by %lld frames",
          qlonglong(longestQuiet), double(longestQuiet) * 1000.0 / 44100.0,
          qlonglong(frames - expectedFrames));
    // A sine crossing zero stays under the threshold for a frame or two; 5 ms is 220 frames,
    // and a start from a check would leave the rest of a 4096-frame buffer.
    QVERIFY2(longestQuiet <= 2, QByteArray::number(longestQuiet).constData());
    QVERIFY2(std::abs(frames - expectedFrames) <= 4,
             QByteArray::number(frames - expectedFrames).constData());
}

enum class LoopLimit { Default, ExactlyTheFile, OneByteShort };
Q_DECLARE_METATYPE(LoopLimit)

void TestSdlMpg123Audio::loopFromMemoryEqualsTheStreamedLoop_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<LoopLimit>("limit");
    QTest::addColumn<bool>("fromMemory");
    QTest::newRow("mono 22 050 Hz, resampled") << Fixture("tone_22050_mono.mp3") << LoopLimit::Default << true;
    QTest::newRow("stereo 44 100 Hz") << Fixture("short_44100_stereo.mp3") << LoopLimit::Default << true;
    QTest::newRow("limit exactly the file's frames") << Fixture("tone_22050_mono.mp3") << LoopLimit::ExactlyTheFile << true;
    QTest::newRow("one byte over the limit: streams") << Fixture("tone_22050_mono.mp3") << LoopLimit::OneByteShort << false;
}

// Three rounds of a one-file background (two joins), recorded by the disk output: played
// from memory, the loop is the streamed loop sample for sample, but for the rounding of its
// 16-bit samples, and only a file within the limit is kept in memory.
void TestSdlMpg123Audio::loopFromMemoryEqualsTheStreamedLoop()
{
    QFETCH(QString, file);
    QFETCH(LoopLimit, limit);
    QFETCH(bool, fromMemory);
    constexpr int kRounds = 3;
    const std::size_t fileFrames = DecodedFrames(file);
    const std::unique_ptr<Mp3Decoder> probe = Mp3Decoder::Open(file);
    QVERIFY(fileFrames > 0 && probe);
    const std::size_t fileBytes = fileFrames * std::size_t(probe->Channels()) * sizeof(DecodedFile::Sample);
    const std::size_t limitBytes = limit == LoopLimit::Default ? SdlMpg123Audio::kLoopMemoryLimitBytes
                                   : limit == LoopLimit::ExactlyTheFile ? fileBytes
                                                                         : fileBytes - 1;

    const auto record = [&](std::size_t limitForRun, const char *name, std::size_t &held) {
        const QString output = Temp(name);
        ScopedEnvironment environment;
        UseDiskOutput(environment, output);
        {
            SdlMpg123Audio audio(limitForRun);
            if (!audio.Init())
                return std::vector<float>{};
            held = PlayLoop(audio, file, kRounds);
        }
        return SoundingSamples(Recording(output));
    };
    std::size_t streamedHeld = 0;
    const std::vector<float> streamed = record(0, "loop-streamed.raw", streamedHeld);
    std::size_t held = 0;
    const std::vector<float> played = record(limitBytes, "loop-played.raw", held);

    QCOMPARE(streamedHeld, std::size_t(0));
    QCOMPARE(held, fromMemory ? fileBytes : 0);
    // The tone is cut mid-wave at its ends: the rounds sound from end to end.
    const std::size_t loopFrames = kRounds * fileFrames;
    QVERIFY2(streamed.size() / 2 + 4 >= loopFrames && streamed.size() / 2 <= loopFrames,
             QByteArray::number(qulonglong(streamed.size() / 2)).constData());
    // Half a 16-bit step, and a float's rounding of the sum.
    constexpr float kRounding = 0.5f / DecodedFile::kFullScale + 1e-6f;
    QCOMPARE(played.size(), streamed.size());
    const auto mismatch = std::mismatch(played.begin(), played.end(), streamed.begin(), streamed.end(),
                                        [](float a, float b) { return std::abs(a - b) <= kRounding; });
    const QByteArray firstDifference = "first difference at frame "
                                       + QByteArray::number(qlonglong((mismatch.first - played.begin()) / 2));
    QVERIFY2(mismatch.first == played.end(), firstDifference.constData());
}

QTEST_GUILESS_MAIN(TestSdlMpg123Audio)
#include "tst_sdlmpg123audio.moc"
