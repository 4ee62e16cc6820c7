// Benchmark program, not a test: how soon a stop of the audio layer is silent at the output,
// and the largest step it leaves there. Run with SDL's disk driver at a sound card's pace:
//
//   SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=out.raw SDL_DISKAUDIODELAY=93
//       bench_stop_latency TONE.mp3 [STOPS]
//
// Plays the tone, halts it at a random moment, STOPS times (default 20). The disk driver
// writes each buffer when the device would start playing it, then waits for as long as it
// plays: the frames in the file when the stop is asked for are what the device still plays
// (at most one buffer, 93 ms). Reported: how far past them the output falls silent (the
// first of 32 silent frames), so that the stop latency is at most one buffer plus that.

#include "bench/BenchClock.h"
#include "player/SdlMpg123Audio.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString tone = QString::fromLocal8Bit(argv[1]);
    const int stops = argc > 2 ? std::atoi(argv[2]) : 20;
    const QString output = qEnvironmentVariable("SDL_DISKAUDIOFILE");
    if (output.isEmpty() || qEnvironmentVariable("SDL_AUDIODRIVER") != QLatin1String("disk")) {
        std::fprintf(stderr, "bench_stop_latency: needs SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE\n");
        return 2;
    }
    constexpr double kRate = 44100;
    constexpr qint64 kFrameBytes = 2 * sizeof(float);

    SdlMpg123Audio audio;
    if (!audio.Init())
        return 1;
    // The first write is the start of the device's timeline.
    while (QFileInfo(output).size() == 0)
        QThread::usleep(200);
    QRandomGenerator random(20261211);
    std::vector<qint64> requestFrames;
    for (int i = 0; i < stops; ++i) {
        const StreamHandle stream = audio.StreamCreateFile(tone);
        audio.ChannelSetVolume(stream, 1.9f);
        audio.ChannelPlay(stream);
        QThread::msleep(300 + random.bounded(400));
        requestFrames.push_back(QFileInfo(output).size() / kFrameBytes);
        audio.ChannelStop(stream);
        QThread::msleep(300);
        audio.StreamFree(stream);
    }
    audio.Free();

    QFile file(output);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    const auto *samples = reinterpret_cast<const float *>(bytes.constData());
    const qint64 frames = bytes.size() / kFrameBytes;
    std::vector<double> latencies;
    float largestStep = 0;
    for (int i = 0; i < stops; ++i) {
        const auto quiet = [&](qint64 f) { return std::fabs(samples[2 * f]) + std::fabs(samples[2 * f + 1]) < 1e-4f; };
        qint64 silent = std::max<qint64>(requestFrames[std::size_t(i)] - 1, 1);
        for (qint64 run = 0; silent < frames && run < 32; ++silent)
            run = quiet(silent) ? run + 1 : 0;
        silent -= 32;
        for (qint64 f = requestFrames[std::size_t(i)] - 4096; f < silent + 10 && f < frames; ++f)
            if (f > 0)
                largestStep = std::max(largestStep, std::fabs(samples[2 * f] - samples[2 * f - 2]));
        latencies.push_back(double(silent - requestFrames[std::size_t(i)]) * 1000.0 / kRate);
    }
    std::sort(latencies.begin(), latencies.end());
    bench::PrintFigure("stop_past_queued_median_ms", latencies[latencies.size() / 2]);
    bench::PrintFigure("stop_past_queued_worst_ms", latencies.back());
    bench::PrintFigure("stop_largest_step", double(largestStep));
    return 0;
}
