// Benchmark program, not a test: the program's real windows (offscreen) and audio layer
// on SDL's disk output, music before the meditation, and Stop pressed at random moments.
// The recording tells how long after each press the device fell silent, and how sharp the
// sound's last step was.
//
//   SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=out.raw SDL_DISKAUDIODELAY=93
//   bench_stop PROGRAM_DIR MUSIC.mp3 [STOPS]
//
// The disk driver "plays" a buffer when it writes it: a thread watches the file grow after
// each press, and the latency is the time until the first silent frame was written.
// Prints stop_latency_median_ms, stop_latency_worst_ms, stop_step_largest (full scale 1),
// music_step_largest (the music's own largest step between two samples, for comparison)
// and stops_measured.

#include "player/SdlMpg123Audio.h"
#include "player/tests/MusicFirstProgram.h"
#include "shell/Assert.h"
#include "shell/ProgramWindows.h"
#include "shell/ui/NesvaraApplication.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr qsizetype kBytesPerFrame = 2 * sizeof(float);

void WaitMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

float Magnitude(const float *samples, qsizetype frame)
{
    return std::max(std::fabs(samples[2 * frame]), std::fabs(samples[2 * frame + 1]));
}

float Step(const float *samples, qsizetype frame)
{
    return std::max(std::fabs(samples[2 * frame] - samples[2 * frame - 2]),
                    std::fabs(samples[2 * frame + 1] - samples[2 * frame - 1]));
}

using Clock = std::chrono::steady_clock;

// When the file had how many frames, sampled every half millisecond for `ms` from now.
struct Growth
{
    Clock::time_point pressed;
    std::vector<std::pair<Clock::time_point, qsizetype>> samples;
};

qsizetype FramesIn(const QByteArray &path)
{
    struct stat info{};
    return stat(path.constData(), &info) == 0 ? qsizetype(info.st_size) / kBytesPerFrame : 0;
}

std::thread WatchGrowth(const QByteArray &path, Growth &growth, int ms)
{
    return std::thread([&growth, path, ms] {
        const Clock::time_point end = growth.pressed + std::chrono::milliseconds(ms);
        while (Clock::now() < end) {
            growth.samples.emplace_back(Clock::now(), FramesIn(path));
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    });
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_stop PROGRAM_DIR MUSIC.mp3 [STOPS]\n");
        return 2;
    }
    const QString output = qEnvironmentVariable("SDL_DISKAUDIOFILE");
    if (qEnvironmentVariable("SDL_AUDIODRIVER") != QStringLiteral("disk") || output.isEmpty()) {
        std::fprintf(stderr, "bench_stop: needs SDL_AUDIODRIVER=disk and SDL_DISKAUDIOFILE\n");
        return 2;
    }
    TNesvaraApplication app(argc, argv);
    InstallAssertPresenter([](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); });
    PrepareApplication(app);
    const QString programDir = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/');
    WriteMusicFirstSettings(programDir, QString::fromLocal8Bit(argv[2]), false);
    const int stops = argc > 3 ? std::max(1, std::atoi(argv[3])) : 20;

    TMainFormEnvironment environment;
    environment.programDir = programDir;
    environment.audio = std::make_unique<SdlMpg123Audio>();
    environment.showMessage = [](const QString &text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
    environment.runShutdown = [] {};
    std::vector<qsizetype> pressedAt;
    std::vector<Growth> growths(static_cast<std::size_t>(stops));
    const QByteArray outputPath = QFile::encodeName(output);
    {
        TProgramWindows windows(std::move(environment));
        TMainForm &form = windows.mainForm;
        form.show();
        std::mt19937 random(20261211);
        std::uniform_int_distribution<int> moment(1000, 3000);
        for (int i = 0; i < stops; ++i) {
            std::thread watcher;
            QTimer::singleShot(moment(random), &form, [&] {
                Growth &growth = growths[std::size_t(i)];
                growth.pressed = Clock::now();
                pressedAt.push_back(FramesIn(outputPath));
                watcher = WatchGrowth(outputPath, growth, 300);
                form.StopButton->click();
            });
            form.Button2->click();
            WaitMs(400);
            if (watcher.joinable())
                watcher.join();
        }
    }

    QFile recorded(output);
    if (!recorded.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_stop: cannot read %s\n", qPrintable(output));
        return 1;
    }
    const QByteArray bytes = recorded.readAll();
    const auto *samples = reinterpret_cast<const float *>(bytes.constData());
    const qsizetype frames = bytes.size() / kBytesPerFrame;

    std::vector<double> latencies;
    float stopStep = 0.0f;
    float musicStep = 0.0f;
    for (std::size_t i = 0; i < pressedAt.size(); ++i) {
        const qsizetype press = pressedAt[i];
        const qsizetype next = i + 1 < pressedAt.size() ? pressedAt[i + 1] : frames;
        // The next meditation's music starts after a pause; its silence ends the search.
        qsizetype silentFrom = press;
        for (qsizetype f = press; f < next && f < frames; ++f) {
            if (Magnitude(samples, f) != 0.0f) {
                silentFrom = f + 1;
            } else if (f - silentFrom > 4410) {
                break;
            }
        }
        if (press <= 1 || silentFrom >= frames)
            continue;
        const Growth &growth = growths[i];
        const auto written = std::find_if(growth.samples.begin(), growth.samples.end(),
                                          [silentFrom](const auto &sample) { return sample.second > silentFrom; });
        if (written == growth.samples.end())
            continue;
        latencies.push_back(std::chrono::duration<double, std::milli>(written->first - growth.pressed).count());
        for (qsizetype f = std::max<qsizetype>(press - 4410, 1); f < press; ++f)
            musicStep = std::max(musicStep, Step(samples, f));
        for (qsizetype f = press; f <= silentFrom && f < frames; ++f)
            stopStep = std::max(stopStep, Step(samples, f));
    }
    std::printf("stop_latency_median_ms=%.1f\n", Median(latencies));
    std::printf("stop_latency_worst_ms=%.1f\n",
                latencies.empty() ? 0.0 : *std::max_element(latencies.begin(), latencies.end()));
    std::printf("stop_step_largest=%.3f\n", double(stopStep));
    std::printf("music_step_largest=%.3f\n", double(musicStep));
    std::printf("stops_measured=%zu\n", latencies.size());
    return latencies.size() == std::size_t(stops) ? 0 : 1;
}
