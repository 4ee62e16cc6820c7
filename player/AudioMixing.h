#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

// The arithmetic of the output callback: every playing stream is added at its own volume,
// then the sum is kept inside the range the device accepts.
inline void MixScaled(float *out, const float *in, std::size_t samples, float volume)
{
    for (std::size_t i = 0; i < samples; ++i)
        out[i] += in[i] * volume;
}

// A sample as the mix adds it: floats as decoded, 16-bit samples of a file kept in memory
// scaled to the same range.
inline float SampleValue(float sample)
{
    return sample;
}

inline float SampleValue(std::int16_t sample)
{
    return float(sample) * (1.0f / 32768.0f);
}

// The same sums as MixFrames() below for a gain that does not move and one or two channels,
// in loops without a dependency from one frame to the next, which the compiler turns into
// vector instructions: nearly every buffer of a meditation is mixed so.
template<typename Sample>
void MixAtSteadyGain(float *stereoOut, const Sample *in, std::size_t frames, std::size_t channels, float gain)
{
    if (channels == 2) {
        for (std::size_t i = 0; i < 2 * frames; ++i)
            stereoOut[i] += SampleValue(in[i]) * gain;
        return;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        const float value = SampleValue(in[i]) * gain;
        stereoOut[2 * i] += value;
        stereoOut[2 * i + 1] += value;
    }
}

// Adds `frames` frames of `channels` samples each (1: spread to both sides) to the stereo
// output, the gain moving by `gainStep` per frame: a fade-out is a negative step that ends
// at 0. Returns the gain after the last frame.
template<typename Sample>
float MixFrames(float *stereoOut, const Sample *in, std::size_t frames, std::size_t channels, float gain,
                float gainStep)
{
    if (gainStep == 0.0f && gain >= 0.0f && (channels == 1 || channels == 2)) {
        MixAtSteadyGain(stereoOut, in, frames, channels, gain);
        return gain;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        const float left = SampleValue(in[i * channels]);
        const float right = SampleValue(in[i * channels + channels - 1]);
        stereoOut[2 * i] += left * gain;
        stereoOut[2 * i + 1] += right * gain;
        gain = std::max(gain + gainStep, 0.0f);
    }
    return gain;
}

inline void ClipToUnit(float *samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = std::clamp(samples[i], -1.0f, 1.0f);
}
