// The decoder's rate conversion to 44 100 Hz from every rate MP3 has: a tone stays pure,
// every output frame falls at its input's moment (the last ones too), and the pieces the
// input comes in change nothing.

#include "player/RateConverter.h"
#include "player/tests/ToneFit.h"

#include <QTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr long kOutRate = 44100;
constexpr long kMp3Rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 48000};

// Interleaved: the tone on the first channel, its negative on the second.
std::vector<float> Tone(long rate, double hz, int channels, double seconds)
{
    const std::size_t frames = std::size_t(seconds * double(rate));
    std::vector<float> samples(frames * std::size_t(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        const float value = float(0.5 * std::sin(2.0 * M_PI * hz * double(i) / double(rate)));
        for (int c = 0; c < channels; ++c)
            samples[i * std::size_t(channels) + std::size_t(c)] = c == 0 ? value : -value;
    }
    return samples;
}

// All of `in` through a fresh converter, asking for at most `piece` output frames a call,
// then what it still holds.
std::vector<float> Convert(const std::vector<float> &in, long rate, int channels, std::size_t piece)
{
    RateConverter converter;
    if (!converter.Setup(rate, kOutRate, channels))
        return {};
    const std::size_t width = std::size_t(channels);
    const std::size_t frames = in.size() / width;
    std::vector<float> out, buffer(piece * width);
    for (std::size_t at = 0; at < frames;) {
        const std::size_t taken = std::min(converter.InputFramesFor(piece), frames - at);
        if (taken == 0)
            break; // a piece too small to take anything: the length check fails
        const std::size_t made = converter.Process(in.data() + at * width, taken, buffer.data());
        out.insert(out.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(made * width));
        at += taken;
    }
    while (const std::size_t made = converter.Flush(buffer.data(), piece))
        out.insert(out.end(), buffer.begin(), buffer.begin() + std::ptrdiff_t(made * width));
    return out;
}

std::vector<float> Channel(const std::vector<float> &frames, int channels, int channel)
{
    std::vector<float> samples;
    for (std::size_t i = std::size_t(channel); i < frames.size(); i += std::size_t(channels))
        samples.push_back(frames[i]);
    return samples;
}

} // namespace

class TestRateConverter : public QObject
{
    Q_OBJECT

private slots:
    void keepsAToneClean_data();
    void keepsAToneClean();
    void everyFrameFallsAtItsInputsMoment_data();
    void everyFrameFallsAtItsInputsMoment();
    void thePiecesChangeNothing_data();
    void thePiecesChangeNothing();
    void refusesWhatItCannotConvert();
};

void TestRateConverter::keepsAToneClean_data()
{
    QTest::addColumn<long>("rate");
    QTest::addColumn<double>("hz");
    for (const long rate : kMp3Rates) {
        QTest::addRow("%ld Hz, 997 Hz tone", rate) << rate << 997.0;
        QTest::addRow("%ld Hz, tone at 40 %% of the rate", rate) << rate << 0.4 * double(rate);
    }
}

// Images and aliases of the tone stay under 130 dB on both channels: far under anything a
// 16-bit output can carry. (libsyn123's high-quality mode, used before, reached 100 to
// 133 dB on the same tones.) The length is exactly the input's at the output rate.
void TestRateConverter::keepsAToneClean()
{
    QFETCH(long, rate);
    QFETCH(double, hz);
    const std::vector<float> in = Tone(rate, hz, 2, 1.0);
    const std::vector<float> out = Convert(in, rate, 2, 4096);
    QCOMPARE(std::int64_t(out.size() / 2), RateConverter::TotalOutputFrames(rate, kOutRate, std::int64_t(in.size() / 2)));
    QCOMPARE(out.size() / 2, std::size_t(kOutRate)); // one second
    const std::size_t skip = kOutRate / 10; // the tone's abrupt start and end
    for (int channel = 0; channel < 2; ++channel) {
        const double sinad = tonefit::Sinad(Channel(out, 2, channel), hz, kOutRate, skip, std::size_t(kOutRate) - skip);
        QVERIFY2(sinad > 130.0, qPrintable(QStringLiteral("channel %1: %2 dB").arg(channel).arg(sinad)));
    }
}

void TestRateConverter::everyFrameFallsAtItsInputsMoment_data()
{
    QTest::addColumn<long>("rate");
    QTest::addColumn<bool>("atTheEnd");
    for (const long rate : {8000L, 16000L, 22050L, 48000L}) {
        QTest::addRow("%ld Hz, a click in the middle", rate) << rate << false;
        QTest::addRow("%ld Hz, a click on the last frame", rate) << rate << true;
    }
}

// A single click comes out at its own moment, with nothing lost at the end: the filter's
// delay is made up for, and the frames it holds back at the end are given out.
void TestRateConverter::everyFrameFallsAtItsInputsMoment()
{
    QFETCH(long, rate);
    QFETCH(bool, atTheEnd);
    const std::size_t frames = std::size_t(rate) / 10;
    const std::size_t click = atTheEnd ? frames - 1 : frames / 2;
    std::vector<float> in(frames, 0.0f);
    in[click] = 1.0f;
    const std::vector<float> out = Convert(in, rate, 1, 64);
    QCOMPARE(std::int64_t(out.size()), RateConverter::TotalOutputFrames(rate, kOutRate, std::int64_t(frames)));
    const auto loudest = std::max_element(out.begin(), out.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); });
    const double expected = double(click) * double(kOutRate) / double(rate);
    QVERIFY2(std::fabs(double(loudest - out.begin()) - expected) <= 1.0,
             qPrintable(QStringLiteral("at %1, expected %2").arg(loudest - out.begin()).arg(expected)));
    QVERIFY(*loudest > 0.5f);
}

void TestRateConverter::thePiecesChangeNothing_data()
{
    QTest::addColumn<long>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("piece");
    for (const long rate : {8000L, 16000L, 48000L}) {
        for (const int piece : {7, 64, 1000}) {
            QTest::addRow("%ld Hz mono, %d frames a call", rate, piece) << rate << 1 << piece;
            QTest::addRow("%ld Hz stereo, %d frames a call", rate, piece) << rate << 2 << piece;
        }
    }
}

// The same samples, bit for bit, as when everything goes through in one call.
void TestRateConverter::thePiecesChangeNothing()
{
    QFETCH(long, rate);
    QFETCH(int, channels);
    QFETCH(int, piece);
    const std::vector<float> in = Tone(rate, 440.0, channels, 0.3);
    const std::vector<float> whole = Convert(in, rate, channels, 1 << 16);
    const std::vector<float> pieces = Convert(in, rate, channels, std::size_t(piece));
    QCOMPARE(whole.size(), std::size_t(channels) * std::size_t(RateConverter::TotalOutputFrames(rate, kOutRate, std::int64_t(in.size()) / channels)));
    QVERIFY(pieces == whole);
}

void TestRateConverter::refusesWhatItCannotConvert()
{
    RateConverter converter;
    QVERIFY(!converter.Setup(0, kOutRate, 1));
    QVERIFY(!converter.Setup(16000, -1, 1));
    QVERIFY(!converter.Setup(16000, kOutRate, 3));
    QVERIFY(!converter.Setup(44101, kOutRate, 1)); // 44 100 phases
    QVERIFY(converter.Setup(16000, kOutRate, 1));
}

QTEST_APPLESS_MAIN(TestRateConverter)
#include "tst_rateconverter.moc"
