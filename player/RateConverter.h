#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Converts interleaved float frames from one sample rate to another by a fixed rational
// ratio, with a windowed-sinc polyphase filter: every output sample is one dot product of
// a precomputed phase of the filter with the latest input. MP3's rates all reach 44 100 Hz
// through at most 441 phases, so the whole table stays small and exact: no interpolation
// between phases, hence no error from it.
//
// Output frame k is the input at the moment k / outRate exactly: the converter holds back
// half a filter of input (a millisecond or two) until Flush() completes the last frames
// with silence. For N input frames from a fresh start, Process() and Flush() together give
// exactly TotalOutputFrames(N) frames, however the input is split into calls.
class RateConverter
{
public:
    // The rates that need more phases than this are refused (none of MP3's).
    static constexpr std::int64_t kMaxPhases = 2048;

    // False for channels other than 1 or 2, rates that are not positive, or a ratio that
    // would need more than kMaxPhases phases. Starts afresh from silence.
    bool Setup(long inRate, long outRate, int channels);
    // The frames that Process() gives for `inFrames` input frames from a fresh start.
    static std::int64_t TotalOutputFrames(long inRate, long outRate, std::int64_t inFrames);

    // The most input frames Process() may take now without giving more than `maxOutFrames`.
    std::size_t InputFramesFor(std::size_t maxOutFrames) const;
    // Takes `inFrames` frames and writes the output they complete; returns its frame count.
    // `out` must hold the frames InputFramesFor() allowed for.
    std::size_t Process(const float *in, std::size_t inFrames, float *out);
    // After the last input: writes up to `maxOutFrames` of the frames still held back;
    // 0 once all are out. A buffer of fewer frames than one input frame makes (6 at most,
    // from 8 kHz) may lose the last of them.
    std::size_t Flush(float *out, std::size_t maxOutFrames);

private:
    // The filter for one pair of rates: built once per process and shared by every
    // converter, so that opening a file does not build the table again.
    struct Filter
    {
        std::size_t taps = 0; // per phase, a multiple of the dot product's stride
        std::vector<float> table; // L phases of `taps` coefficients, in input order
    };

    static std::shared_ptr<const Filter> FilterFor(long inRate, long outRate, std::int64_t up);
    static Filter BuildFilter(long inRate, long outRate, std::int64_t up);
    static std::int64_t OutputFramesFor(std::int64_t inFrames, std::int64_t up, std::int64_t down);
    std::size_t Run(const float *in, std::size_t inFrames, float *out);

    std::int64_t m_up = 1;   // L: output steps per input frame, in units of 1/L frame
    std::int64_t m_down = 1; // M
    // Where the next output's stretch of input starts, in units of 1/L of an input frame,
    // counted from the oldest sample kept from the calls before.
    std::int64_t m_position = 0;
    int m_channels = 1;
    std::shared_ptr<const Filter> m_filter;
    std::int64_t m_inputFrames = 0;  // taken by Process() since Setup()
    std::int64_t m_outputFrames = 0; // given by Process() and Flush()
    std::vector<float> m_silence;     // what Flush() feeds in
    std::vector<float> m_flushed;     // and what that gives
    // Per channel: the last taps - 1 input samples, then those of the current call.
    std::vector<float> m_history[2];
};
