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

inline void ClipToUnit(float *samples, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = std::clamp(samples[i], -1.0f, 1.0f);
}
