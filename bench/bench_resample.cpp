// Benchmark program, not a test: the quality and cost of the audio layer's rate conversion
// (RateConverter), beside libsyn123's high-quality mode, which the decoder used before. A
// pure tone at each source rate is resampled to 44 100 Hz; SINAD is the tone's power over
// everything else (noise and distortion), after a least-squares fit of the ideal tone at its
// known frequency.
//
//   bench_resample                      SINAD and CPU, mono and two-channel, at every rate,
//                                       of both
//   bench_resample --measure FILE RATE HZ   SINAD of FILE (raw float mono at 44 100 Hz, made
//                                       by another resampler from the same tone), for comparison
//
// The tone at the source rate: sin(2 pi HZ t) at amplitude 0.5, 2 s long.

#include "player/RateConverter.h"
#include "player/tests/ToneFit.h"

#include <syn123.h>

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>
#include <vector>

namespace {

constexpr long kOutRate = 44100;
constexpr double kSeconds = 2.0;
constexpr double kAmplitude = 0.5;

std::vector<float> Tone(long rate, double hz, int channels)
{
    const std::size_t frames = std::size_t(kSeconds * double(rate));
    std::vector<float> samples(frames * std::size_t(channels));
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[i * std::size_t(channels) + std::size_t(c)] =
                float(kAmplitude * std::sin(2.0 * M_PI * hz * double(i) / double(rate)));
    return samples;
}

// The middle of the signal: the ends carry the filter's start and stop.
double Sinad(const std::vector<float> &mono, double hz)
{
    const std::size_t skip = std::size_t(0.1 * kOutRate);
    if (mono.size() < 3 * skip)
        return 0;
    return tonefit::Sinad(mono, hz, kOutRate, skip, mono.size() - skip);
}

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

constexpr std::size_t kPieceFrames = 4096;

// Feeds `in` to `convert` as the decoder does, in pieces of up to kPieceFrames output
// frames; returns the first channel and adds the CPU seconds spent to `cpu`.
// convert(input, frames left, out) takes some of the frames left and writes what they make,
// and returns {frames taken, frames made}.
template<typename Convert>
std::vector<float> ConvertInPieces(const std::vector<float> &in, long rate, int channels, double &cpu, Convert convert)
{
    const std::size_t width = std::size_t(channels);
    const std::size_t inFrames = in.size() / width;
    std::vector<float> out;
    // Grown before the clock starts: only the conversion is timed.
    out.reserve(std::size_t(RateConverter::TotalOutputFrames(rate, kOutRate, std::int64_t(inFrames))) + kPieceFrames);
    std::vector<float> piece(kPieceFrames * width);
    const double start = CpuSeconds();
    for (std::size_t at = 0; at < inFrames;) {
        const auto [taken, made] = convert(in.data() + at * width, inFrames - at, piece.data());
        for (std::size_t i = 0; i < made; ++i)
            out.push_back(piece[i * width]);
        at += taken;
    }
    cpu += CpuSeconds() - start;
    return out;
}

// libsyn123's high-quality mode, as the decoder set it up before.
std::vector<float> Resample(const std::vector<float> &in, long rate, int channels, double &cpu)
{
    int error = 0;
    syn123_handle *handle = syn123_new(kOutRate, channels, MPG123_ENC_FLOAT_32, 0, &error);
    if (handle == nullptr || syn123_setup_resample(handle, rate, kOutRate, channels, 0, 0) != SYN123_OK) {
        std::fprintf(stderr, "bench_resample: no resampler for %ld Hz\n", rate);
        std::exit(1);
    }
    std::vector<float> out = ConvertInPieces(in, rate, channels, cpu, [&](const float *input, std::size_t left, float *piece) {
        const std::size_t wanted = std::min({std::size_t(syn123_resample_fillcount(rate, kOutRate, kPieceFrames)),
                                             std::size_t(syn123_resample_maxincount(rate, kOutRate)), left});
        const std::size_t made = syn123_resample(handle, piece, const_cast<float *>(input), wanted);
        return std::pair(wanted, made);
    });
    syn123_del(handle);
    return out;
}

// The layer's own converter.
std::vector<float> Convert(const std::vector<float> &in, long rate, int channels, double &cpu)
{
    RateConverter converter;
    if (!converter.Setup(rate, kOutRate, channels)) {
        std::fprintf(stderr, "bench_resample: the converter refuses %ld Hz\n", rate);
        std::exit(1);
    }
    return ConvertInPieces(in, rate, channels, cpu, [&](const float *input, std::size_t left, float *piece) {
        const std::size_t wanted = std::min(converter.InputFramesFor(kPieceFrames), left);
        return std::pair(wanted, converter.Process(input, wanted, piece));
    });
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--measure") == 0) {
        FILE *file = std::fopen(argv[2], "rb");
        if (file == nullptr)
            return 1;
        std::vector<float> samples;
        float value = 0;
        while (std::fread(&value, sizeof value, 1, file) == 1)
            samples.push_back(value);
        std::fclose(file);
        std::printf("sinad_db=%.2f\n", Sinad(samples, std::atof(argv[4])));
        return 0;
    }
    std::printf("rate_hz tone_hz sinad_mono_db sinad_two_channel_db cpu_mono_ms cpu_two_channel_ms"
                " syn123_sinad_mono_db syn123_cpu_mono_ms\n");
    for (const long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 48000L}) {
        for (const double hz : {997.0, 0.4 * double(rate)}) {
            double cpuMono = 0, cpuTwo = 0, cpuSyn123 = 0;
            const std::vector<float> mono = Convert(Tone(rate, hz, 1), rate, 1, cpuMono);
            const std::vector<float> two = Convert(Tone(rate, hz, 2), rate, 2, cpuTwo);
            const std::vector<float> syn123 = Resample(Tone(rate, hz, 1), rate, 1, cpuSyn123);
            std::printf("%ld %.0f %.2f %.2f %.2f %.2f %.2f %.2f\n", rate, hz, Sinad(mono, hz), Sinad(two, hz),
                        cpuMono * 1000, cpuTwo * 1000, Sinad(syn123, hz), cpuSyn123 * 1000);
        }
    }
    return 0;
}
