#include "Loudness.h"

#include <QFile>
#include <cmath>
#include <mpg123.h>
#include <numbers>

namespace {

constexpr double kAbsoluteGate = -70;
constexpr double kRelativeGate = 10;

double EnergyOf(double lufs)
{
    return std::pow(10.0, (lufs + 0.691) / 10.0);
}

double LufsOf(double energy)
{
    return energy > 0 ? -0.691 + 10 * std::log10(energy) : -200;
}

struct Biquad
{
    double b0, b1, b2, a1, a2;
    double z1 = 0, z2 = 0;

    double Run(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

// The two stages of the K-weighting at any sample rate, from their analogue prototypes.
Biquad HighShelf(double rate)
{
    const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    const double k = std::tan(std::numbers::pi * f0 / rate);
    const double vh = std::pow(10.0, gainDb / 20), vb = std::pow(vh, 0.4996667741545416);
    const double a0 = 1 + k / q + k * k;
    return {(vh + vb * k / q + k * k) / a0, 2 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
            2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

Biquad HighPass(double rate)
{
    const double f0 = 38.13547087602444, q = 0.5003270373238773;
    const double k = std::tan(std::numbers::pi * f0 / rate);
    const double a0 = 1 + k / q + k * k;
    return {1, -2, 1, 2 * (k * k - 1) / a0, (1 - k / q + k * k) / a0};
}

struct HandleDeleter
{
    void operator()(mpg123_handle *handle) const { mpg123_delete(handle); }
};

} // namespace

MonoAudio DecodeMono(const QString &path)
{
    MonoAudio audio;
    mpg123_init();
    int error = 0;
    std::unique_ptr<mpg123_handle, HandleDeleter> handle(mpg123_new(nullptr, &error));
    if (!handle)
        return audio;
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS | MPG123_MONO_MIX, 0.0);
    mpg123_format_none(handle.get());
    const long *rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i)
        mpg123_format(handle.get(), rates[i], MPG123_MONO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(handle.get(), QFile::encodeName(path).constData()) != MPG123_OK)
        return audio;
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK)
        return audio;
    std::vector<float> buffer(16384);
    for (;;) {
        std::size_t done = 0;
        const int result = mpg123_read(handle.get(), reinterpret_cast<unsigned char *>(buffer.data()),
                                       buffer.size() * sizeof(float), &done);
        audio.samples.insert(audio.samples.end(), buffer.begin(), buffer.begin() + done / sizeof(float));
        if (result == MPG123_DONE)
            break;
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT)
            return {};
    }
    audio.rate = rate;
    return audio;
}

std::vector<double> BlockLoudness(const MonoAudio &audio)
{
    Biquad shelf = HighShelf(double(audio.rate)), pass = HighPass(double(audio.rate));
    const std::size_t step = std::size_t(audio.rate / 10);
    std::vector<double> quarters; // mean square of each 100 ms
    double sum = 0;
    std::size_t inQuarter = 0;
    for (const float sample : audio.samples) {
        const double y = pass.Run(shelf.Run(sample));
        sum += y * y;
        if (++inQuarter == step) {
            quarters.push_back(sum / double(step));
            sum = 0;
            inQuarter = 0;
        }
    }
    std::vector<double> blocks;
    for (std::size_t i = 3; i < quarters.size(); ++i)
        blocks.push_back(LufsOf((quarters[i - 3] + quarters[i - 2] + quarters[i - 1] + quarters[i]) / 4));
    return blocks;
}

double GatedLoudness(const std::vector<double> &blocks, std::size_t first, std::size_t last)
{
    double sum = 0;
    int count = 0;
    for (std::size_t i = first; i < last; ++i)
        if (blocks[i] > kAbsoluteGate) {
            sum += EnergyOf(blocks[i]);
            ++count;
        }
    if (count == 0)
        return kAbsoluteGate;
    const double gate = LufsOf(sum / count) - kRelativeGate;
    sum = 0;
    count = 0;
    for (std::size_t i = first; i < last; ++i)
        if (blocks[i] > kAbsoluteGate && blocks[i] > gate) {
            sum += EnergyOf(blocks[i]);
            ++count;
        }
    return LufsOf(sum / count);
}

std::vector<Phrase> Phrases(const std::vector<double> &blocks)
{
    // The slow voice pauses at commas for up to this many silent blocks within a phrase.
    constexpr std::size_t kPauseInPhrase = 3;
    std::vector<Phrase> phrases;
    std::size_t start = 0, lastLoud = 0;
    bool inPhrase = false;
    for (std::size_t i = 0; i <= blocks.size(); ++i) {
        const bool loud = i < blocks.size() && blocks[i] > kAbsoluteGate;
        if (loud) {
            if (!inPhrase)
                start = i;
            inPhrase = true;
            lastLoud = i;
        } else if (inPhrase && (i - lastLoud > kPauseInPhrase || i == blocks.size())) {
            // A block is loud as soon as its last 100 ms hold sound, and stays loud until its
            // first 100 ms are past the sound.
            phrases.push_back({double(start + 3) / 10, double(lastLoud + 1) / 10,
                               GatedLoudness(blocks, start, lastLoud + 1)});
            inPhrase = false;
        }
    }
    return phrases;
}
