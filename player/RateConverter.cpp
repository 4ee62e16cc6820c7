#include "player/RateConverter.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numeric>
#include <utility>

namespace {

// The dot product runs over this many taps at a time, in independent sums the compiler
// turns into vector instructions; the table pads every phase with zeros to a multiple.
constexpr std::size_t kStride = 8;

// Stop-band attenuation of the filter. A tone's images and aliases end up this far below
// it, under the noise of single-precision arithmetic.
constexpr double kAttenuationDb = 125.0;
// The filter passes the lower rate's first 40 % unchanged and stops everything from its
// first 60 % on: for a file at 16 kHz, flat to 6.4 kHz and silent from 9.6 kHz, where the
// first image of anything under 6.4 kHz falls.
constexpr double kPassFraction = 0.4;
constexpr double kStopFraction = 0.6;

// Modified Bessel function of the first kind, order 0, by its power series.
double BesselI0(double x)
{
    double sum = 1.0, term = 1.0;
    const double quarterSquare = x * x / 4.0;
    for (int k = 1; term > sum * 1e-17; ++k) {
        term *= quarterSquare / (double(k) * double(k));
        sum += term;
    }
    return sum;
}

double Sinc(double x)
{
    return x == 0.0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
}

// Kaiser's estimate of the taps an input frame's worth of filter needs, for the given
// attenuation and a transition band `width` wide, as a fraction of the input rate.
std::size_t TapsPerPhase(double width)
{
    const double taps = (kAttenuationDb - 7.95) / (2.285 * 2.0 * M_PI * width);
    const std::size_t whole = std::size_t(std::ceil(taps));
    return (whole + kStride - 1) / kStride * kStride;
}

// Where the output loop is: the first input sample of the next output's stretch (in the
// samples kept and taken) and the phase, and how far each output moves them.
struct TCursor
{
    std::size_t frame = 0;
    std::size_t phase = 0;
    std::size_t frameStep = 0;
    std::size_t phaseStep = 0;
    std::size_t phases = 1;
};

// Eight lanes of partial sums: one AVX register, or two SSE ones in the portable build.
typedef float TLanes __attribute__((vector_size(kStride * sizeof(float))));
typedef float THalfLanes __attribute__((vector_size(kStride / 2 * sizeof(float))));

// Lane s sums the products of taps s, s + 8, s + 16...; the lanes are then added in a
// fixed order, ((0 + 4) + (1 + 5)) + ((2 + 6) + (3 + 7)), the same in both builds.
[[gnu::always_inline]] inline float AddLanes(const TLanes &sums)
{
    const THalfLanes pairs = __builtin_shufflevector(sums, sums, 0, 1, 2, 3) + __builtin_shufflevector(sums, sums, 4, 5, 6, 7);
    const THalfLanes quads = pairs + __builtin_shufflevector(pairs, pairs, 1, 0, 3, 2);
    return quads[0] + quads[2];
}

[[gnu::always_inline]] inline float Dot(const float *phase, const float *input, std::size_t taps)
{
    TLanes sums = {};
    for (std::size_t q = 0; q < taps; q += kStride) {
        TLanes coefficients, samples;
        __builtin_memcpy(&coefficients, phase + q, sizeof coefficients);
        __builtin_memcpy(&samples, input + q, sizeof samples);
        sums += coefficients * samples;
    }
    return AddLanes(sums);
}

// Every MP3 rate's filter has this many taps: a loop of known length the compiler unrolls.
constexpr std::size_t kUsualTaps = 48;

template <std::size_t Channels, std::size_t Taps>
[[gnu::always_inline]] inline std::size_t ConvertFramesOf(const float *table, std::size_t taps,
                                                          const float *const *history, std::size_t inFrames,
                                                          TCursor &cursor, float *out)
{
    if constexpr (Taps != 0)
        taps = Taps;
    std::size_t frame = cursor.frame, phase = cursor.phase;
    std::size_t made = 0;
    for (; frame < inFrames; ++made) {
        const float *row = table + phase * taps;
        for (std::size_t c = 0; c < Channels; ++c)
            out[made * Channels + c] = Dot(row, history[c] + frame, taps);
        frame += cursor.frameStep;
        phase += cursor.phaseStep;
        if (phase >= cursor.phases) {
            phase -= cursor.phases;
            ++frame;
        }
    }
    cursor.frame = frame;
    cursor.phase = phase;
    return made;
}

// Every output whose input frame is below `inFrames`; each sum runs in the same order
// whatever the vector width, so both builds below give the same samples.
[[gnu::always_inline]] inline std::size_t ConvertFrames(const float *table, std::size_t taps,
                                                        const float *const *history, std::size_t channels,
                                                        std::size_t inFrames, TCursor &cursor, float *out)
{
    if (taps == kUsualTaps)
        return channels == 1 ? ConvertFramesOf<1, kUsualTaps>(table, taps, history, inFrames, cursor, out)
                             : ConvertFramesOf<2, kUsualTaps>(table, taps, history, inFrames, cursor, out);
    return channels == 1 ? ConvertFramesOf<1, 0>(table, taps, history, inFrames, cursor, out)
                         : ConvertFramesOf<2, 0>(table, taps, history, inFrames, cursor, out);
}

std::size_t ConvertFramesPortably(const float *table, std::size_t taps, const float *const *history,
                                  std::size_t channels, std::size_t inFrames, TCursor &cursor, float *out)
{
    return ConvertFrames(table, taps, history, channels, inFrames, cursor, out);
}

#if defined(__x86_64__) && defined(__GNUC__)
// The same for processors with AVX2: a phase's taps in 8-wide steps instead of 4.
[[gnu::target("avx2")]] std::size_t ConvertFramesAvx2(const float *table, std::size_t taps,
                                                      const float *const *history, std::size_t channels,
                                                      std::size_t inFrames, TCursor &cursor, float *out)
{
    return ConvertFrames(table, taps, history, channels, inFrames, cursor, out);
}

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

} // namespace

bool RateConverter::Setup(long inRate, long outRate, int channels)
{
    if (inRate <= 0 || outRate <= 0 || (channels != 1 && channels != 2))
        return false;
    const long common = std::gcd(inRate, outRate);
    if (outRate / common > kMaxPhases)
        return false;
    m_up = outRate / common;
    m_down = inRate / common;
    m_channels = channels;
    m_filter = FilterFor(inRate, outRate, m_up);
    const std::size_t taps = m_filter->taps;
    // The filter's centre lies half its taps back: the first output waits for that input.
    m_position = std::int64_t(taps / 2) * m_up;
    m_inputFrames = 0;
    m_outputFrames = 0;
    for (std::vector<float> &history : m_history)
        history.assign(taps - 1, 0.0f);
    return true;
}

std::int64_t RateConverter::TotalOutputFrames(long inRate, long outRate, std::int64_t inFrames)
{
    if (inRate <= 0 || outRate <= 0)
        return 0;
    const long common = std::gcd(inRate, outRate);
    return OutputFramesFor(inFrames, outRate / common, inRate / common);
}

std::int64_t RateConverter::OutputFramesFor(std::int64_t inFrames, std::int64_t up, std::int64_t down)
{
    return inFrames <= 0 ? 0 : (inFrames * up + down - 1) / down;
}

std::shared_ptr<const RateConverter::Filter> RateConverter::FilterFor(long inRate, long outRate, std::int64_t up)
{
    static std::mutex mutex;
    static std::map<std::pair<long, long>, std::shared_ptr<const Filter>> filters;
    const std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<const Filter> &filter = filters[{inRate, outRate}];
    if (!filter)
        filter = std::make_shared<const Filter>(BuildFilter(inRate, outRate, up));
    return filter;
}

// The prototype low-pass runs at the common rate of L times the input: a sinc cut at the
// middle of the transition band, under a Kaiser window. Phase p holds its taps p, p + L,
// p + 2L..., in the order of the input frames they meet (oldest first), each phase scaled
// to a gain of exactly 1 so that no phase adds a ripple of its own.
RateConverter::Filter RateConverter::BuildFilter(long inRate, long outRate, std::int64_t phases)
{
    const double lower = double(std::min(inRate, outRate));
    const double width = (kStopFraction - kPassFraction) * lower / double(inRate);
    Filter filter;
    const std::size_t taps = filter.taps = TapsPerPhase(width);
    const std::size_t up = std::size_t(phases);
    const std::size_t length = taps * up;
    // Centred on a whole input frame, so that the delay is whole frames too; the window
    // is symmetric about it and its last tap, next to nothing, falls outside the table.
    const double centre = double(taps / 2 * up);
    const double cutoff = (kPassFraction + kStopFraction) / 2.0 * lower; // Hz
    const double beta = 0.1102 * (kAttenuationDb - 8.7);
    const double windowScale = 1.0 / BesselI0(beta);
    const double commonRate = double(inRate) * double(up);

    filter.table.assign(length, 0.0f);
    std::vector<double> phase(taps);
    for (std::size_t p = 0; p < up; ++p) {
        double sum = 0;
        for (std::size_t j = 0; j < taps; ++j) {
            const double n = double(p + j * up);
            const double x = n / centre - 1.0;
            const double window = BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - x * x))) * windowScale;
            phase[j] = Sinc(2.0 * cutoff * (n - centre) / commonRate) * window;
            sum += phase[j];
        }
        float *row = filter.table.data() + p * taps;
        for (std::size_t j = 0; j < taps; ++j)
            row[taps - 1 - j] = float(phase[j] / sum);
    }
    return filter;
}

std::size_t RateConverter::InputFramesFor(std::size_t maxOutFrames) const
{
    return std::size_t((m_position + std::int64_t(maxOutFrames) * m_down) / m_up);
}

std::size_t RateConverter::Process(const float *in, std::size_t inFrames, float *out)
{
    m_inputFrames += std::int64_t(inFrames);
    const std::size_t made = Run(in, inFrames, out);
    m_outputFrames += std::int64_t(made);
    return made;
}

std::size_t RateConverter::Flush(float *out, std::size_t maxOutFrames)
{
    const std::int64_t total = OutputFramesFor(m_inputFrames, m_up, m_down);
    const std::size_t wanted = std::size_t(std::min<std::int64_t>(std::int64_t(maxOutFrames), total - m_outputFrames));
    if (m_outputFrames >= total || wanted == 0)
        return 0;
    // One frame of silence at least, even where it completes more frames than are wanted:
    // they go through a buffer of its own, and only the wanted ones are kept.
    const std::size_t frames = std::max<std::size_t>(InputFramesFor(wanted), 1);
    const std::size_t channels = std::size_t(m_channels);
    m_silence.assign(frames * channels, 0.0f);
    m_flushed.resize((frames + 1) * std::size_t(m_up / m_down + 1) * channels);
    const std::size_t made = std::min(Run(m_silence.data(), frames, m_flushed.data()), wanted);
    std::copy_n(m_flushed.data(), made * channels, out);
    m_outputFrames += std::int64_t(made);
    return made;
}

std::size_t RateConverter::Run(const float *in, std::size_t inFrames, float *out)
{
    const std::size_t keep = m_filter->taps - 1;
    const std::size_t channels = std::size_t(m_channels);
    for (std::size_t c = 0; c < channels; ++c) {
        std::vector<float> &history = m_history[c];
        history.resize(keep + inFrames);
        for (std::size_t i = 0; i < inFrames; ++i)
            history[keep + i] = in[i * channels + c];
    }
    // The position split into a frame and a phase, stepped without a division per output.
    const std::size_t up = std::size_t(m_up);
    TCursor cursor;
    cursor.frame = std::size_t(m_position) / up;
    cursor.phase = std::size_t(m_position) % up;
    cursor.frameStep = std::size_t(m_down) / up;
    cursor.phaseStep = std::size_t(m_down) % up;
    cursor.phases = up;
    const float *const recent[2] = {m_history[0].data(), m_history[1].data()};
    auto convert = ConvertFramesPortably;
#if defined(__x86_64__) && defined(__GNUC__)
    if (HasAvx2())
        convert = ConvertFramesAvx2;
#endif
    const std::size_t made = convert(m_filter->table.data(), m_filter->taps, recent, channels, inFrames, cursor, out);
    m_position = std::int64_t((cursor.frame - inFrames) * up + cursor.phase);
    for (std::size_t c = 0; c < channels; ++c) {
        std::vector<float> &history = m_history[c];
        std::copy(history.end() - std::ptrdiff_t(keep), history.end(), history.begin());
        history.resize(keep);
    }
    return made;
}
