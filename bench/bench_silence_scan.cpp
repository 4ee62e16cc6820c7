// Benchmark tool, not a test: reads what SDL's disk output recorded (float32 stereo at
// 44 100 Hz) and prints the longest stretch of silence inside it, that is between its first
// and its last sound. Played from a tone that never falls silent by itself, every such
// stretch is a hole in the output.
//
//   bench_silence_scan RAW_FILE [threshold]

#include "bench/BenchClock.h"

#include <QFile>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr int kChannels = 2;
// Runs shorter than this are a tone crossing zero, not a hole.
constexpr double kHoleMs = 1.0;

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_silence_scan RAW_FILE [threshold]\n");
        return 2;
    }
    const float threshold = argc > 2 ? float(std::atof(argv[2])) : 1e-4f;
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_silence_scan: cannot read %s\n", argv[1]);
        return 1;
    }
    const QByteArray bytes = file.readAll();
    const std::size_t frames = std::size_t(bytes.size()) / (sizeof(float) * kChannels);
    std::vector<float> samples(frames * kChannels);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));

    const auto silent = [&](std::size_t frame) {
        for (int c = 0; c < kChannels; ++c) {
            if (std::fabs(samples[frame * kChannels + c]) > threshold)
                return false;
        }
        return true;
    };
    std::size_t first = 0;
    while (first < frames && silent(first))
        ++first;
    std::size_t last = frames;
    while (last > first && silent(last - 1))
        --last;
    if (first >= last) {
        std::fprintf(stderr, "bench_silence_scan: the output is silent throughout\n");
        return 1;
    }

    std::size_t longest = 0;
    int holes = 0;
    std::size_t run = 0;
    for (std::size_t frame = first; frame < last; ++frame) {
        if (silent(frame)) {
            ++run;
            continue;
        }
        if (double(run) * 1000.0 / kRate >= kHoleMs)
            ++holes;
        longest = std::max(longest, run);
        run = 0;
    }

    bench::PrintFigure("sounding_s", double(last - first) / kRate);
    bench::PrintFigure("longest_silence_ms", double(longest) * 1000.0 / kRate);
    bench::PrintFigure("holes_over_1ms", holes);
    return 0;
}
