// Benchmark program, not a test: the cost of only decoding what a meditation plays. Decodes
// the background file over and over until SECONDS of it have been decoded, then every
// phrase file once, and prints the CPU seconds that took.
//
//   bench_decode [--resample] BACKGROUND SECONDS [PHRASE...]
//
// Plain: libmpg123 alone, to float stereo at the file's own rate, as the audio layer asks
// it. With --resample: the audio layer's own decoder, which also resamples to 44 100 Hz.

#include "bench/BenchClock.h"
#include "player/Mp3Decoder.h"

#include <QString>

#include <mpg123.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kChunkFrames = 4096;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Decodes up to maxSeconds of the file; returns the seconds of audio decoded (0 on failure).
double DecodeWithLibmpg123(mpg123_handle *handle, const char *path, double maxSeconds)
{
    if (mpg123_open(handle, path) != MPG123_OK)
        return 0;
    mpg123_format_none(handle);
    const long *rates = nullptr;
    std::size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (std::size_t i = 0; i < rateCount; ++i)
        mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0) {
        mpg123_close(handle);
        return 0;
    }
    std::vector<float> buffer(kChunkFrames * 2);
    const std::size_t frameBytes = 2 * sizeof(float);
    std::size_t frames = 0;
    const double limitFrames = maxSeconds * double(rate);
    for (;;) {
        std::size_t done = 0;
        const int result = mpg123_read(handle, reinterpret_cast<unsigned char *>(buffer.data()),
                                       buffer.size() * sizeof(float), &done);
        frames += done / frameBytes;
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            break;
        if (double(frames) >= limitFrames)
            break;
    }
    mpg123_close(handle);
    return double(frames) / double(rate);
}

double DecodeWithLayerDecoder(const char *path, double maxSeconds)
{
    const auto decoder = Mp3Decoder::Open(QString::fromLocal8Bit(path));
    if (!decoder)
        return 0;
    std::vector<float> buffer(kChunkFrames * Mp3Decoder::kOutputChannels);
    std::size_t frames = 0;
    const double limitFrames = maxSeconds * double(Mp3Decoder::kOutputRate);
    while (double(frames) < limitFrames) {
        const std::size_t done = decoder->Read(buffer.data(), kChunkFrames);
        if (done == 0)
            break;
        frames += done;
    }
    return double(frames) / double(Mp3Decoder::kOutputRate);
}

} // namespace

int main(int argc, char **argv)
{
    int first = 1;
    const bool resample = argc > 1 && std::strcmp(argv[1], "--resample") == 0;
    if (resample)
        ++first;
    if (argc - first < 2) {
        std::fprintf(stderr, "usage: bench_decode [--resample] BACKGROUND SECONDS [PHRASE...]\n");
        return 2;
    }
    const char *background = argv[first];
    const double backgroundSeconds = std::atof(argv[first + 1]);

    mpg123_handle *handle = mpg123_new(nullptr, nullptr);
    const auto decode = [&](const char *path, double maxSeconds) {
        return resample ? DecodeWithLayerDecoder(path, maxSeconds) : DecodeWithLibmpg123(handle, path, maxSeconds);
    };

    const double cpuBefore = CpuSeconds();
    double decodedBackground = 0;
    while (decodedBackground < backgroundSeconds) {
        const double seconds = decode(background, backgroundSeconds - decodedBackground);
        if (seconds <= 0) {
            std::fprintf(stderr, "bench_decode: cannot decode %s\n", background);
            return 1;
        }
        decodedBackground += seconds;
    }
    double decodedPhrases = 0;
    for (int i = first + 2; i < argc; ++i) {
        const double seconds = decode(argv[i], 1e9);
        if (seconds <= 0) {
            std::fprintf(stderr, "bench_decode: cannot decode %s\n", argv[i]);
            return 1;
        }
        decodedPhrases += seconds;
    }
    const double cpu = CpuSeconds() - cpuBefore;
    mpg123_delete(handle);

    bench::PrintFigure("decode_cpu_s", cpu);
    bench::PrintFigure("decoded_background_s", decodedBackground);
    bench::PrintFigure("decoded_phrases_s", decodedPhrases);
    return 0;
}
