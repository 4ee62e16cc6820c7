#pragma once

// SINAD of a pure tone: its power over everything else (noise and distortion), after a
// least-squares fit of the ideal tone at its known frequency, so that neither its gain nor
// its phase counts. Shared by the rate converter's test and its benchmark.

#include <cmath>
#include <cstddef>
#include <vector>

namespace tonefit {

// Fits a sin + b cos at `hz` to samples[from, to) taken at `rate` and returns signal power
// over residual power in dB.
inline double Sinad(const std::vector<float> &samples, double hz, double rate, std::size_t from, std::size_t to)
{
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double phase = 2.0 * M_PI * hz * double(i) / rate;
        const double s = std::sin(phase), c = std::cos(phase), y = samples[i];
        ss += s * s, cc += c * c, sc += s * c, ys += y * s, yc += y * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det;
    const double b = (yc * ss - ys * sc) / det;
    double signal = 0, residual = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double phase = 2.0 * M_PI * hz * double(i) / rate;
        const double fit = a * std::sin(phase) + b * std::cos(phase);
        signal += fit * fit;
        residual += (samples[i] - fit) * (samples[i] - fit);
    }
    return 10.0 * std::log10(signal / residual);
}

} // namespace tonefit
