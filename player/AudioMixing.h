#pragma once

#include <algorithm>
#include <cstddef>

// The arithmetic of the output callback: every playing stream is added at its own volume,
// then the sum is kept inside the range the device accepts.
inline void MixScaled(float *out, const float *in, std::size_t samples, float volume)
{
    for (std::size_t i = 0; i < samples; ++i)
        out[i] += in[i] * volume;
}

// Adds `frames` frames of `channels` samples each (1: spread to both sides) to the stereo
// output, the gain moving by `gainStep` per frame: a fade-out is a negative step that ends
// at 0. Returns the gain after the last frame.
inline float MixFrames(float *stereoOut, const float *in, std::size_t frames, std::size_t channels,
                       float gain, float gainStep)
{
    for (std::size_t i = 0; i < frames; ++i) {
        const float left = in[i * channels];
        const float right = in[i * channels + channels - 1];
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
