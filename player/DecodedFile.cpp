#include "player/DecodedFile.h"

#include "player/Mp3Decoder.h"
#include "shell/FileKinds.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

bool FileIdentity::operator==(const FileIdentity &other) const
{
    return device == other.device && inode == other.inode && size == other.size
           && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

std::optional<FileIdentity> IdentifyFile(const QString &fileName)
{
    struct stat info{};
    if (::stat(NativePath(fileName).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileIdentity{info.st_dev, info.st_ino, info.st_size, info.st_mtim};
}

DecodedFile::DecodedFile(std::unique_ptr<Mp3Decoder> decoder, std::size_t capacityFrames,
                         FileIdentity identity)
    : m_decoder(std::move(decoder))
    , m_channels(std::size_t(m_decoder->Channels()))
    , m_capacity(capacityFrames)
    , m_identity(identity)
    // Left uninitialised on purpose: a large block comes straight from the system, and its
    // pages count only once a frame is written to them.
    , m_frames(new Sample[capacityFrames * m_channels])
{
}

DecodedFile::~DecodedFile() = default;

namespace {

constexpr float kFullScale = DecodedFile::kFullScale;
constexpr float kLargestSample = kFullScale - 1.0f;
// Adding 1.5 * 2^23 to a value this small leaves no bits for a fraction: the sum is rounded
// to a whole number, to the nearest and ties to even as lrint does, and taking the constant
// away again gives that whole number exactly. Plain arithmetic, unlike lrint, so that the
// compiler can do eight samples at a time.
constexpr float kRounder = 12582912.0f;

constexpr std::size_t kLanes = 8;
typedef float TFloats __attribute__((vector_size(kLanes * sizeof(float))));
typedef std::int32_t TInts __attribute__((vector_size(kLanes * sizeof(std::int32_t))));
typedef DecodedFile::Sample TSamples __attribute__((vector_size(kLanes * sizeof(DecodedFile::Sample))));

void ToSamples(const float *decoded, std::size_t count, DecodedFile::Sample *samples)
{
    std::size_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        TFloats x;
        __builtin_memcpy(&x, decoded + i, sizeof x);
        x = x == x ? x * kFullScale : 0.0f; // a NaN becomes silence
        x = x < -kFullScale ? -kFullScale : x;
        x = x > kLargestSample ? kLargestSample : x;
        x = (x + kRounder) - kRounder;
        const TSamples rounded = __builtin_convertvector(__builtin_convertvector(x, TInts), TSamples);
        __builtin_memcpy(samples + i, &rounded, sizeof rounded);
    }
    for (; i < count; ++i)
        samples[i] = DecodedFile::ToSample(decoded[i]);
}

} // namespace

DecodedFile::Sample DecodedFile::ToSample(float decoded)
{
    if (decoded != decoded)
        return 0;
    const float clipped = std::clamp(decoded * kFullScale, -kFullScale, kLargestSample);
    return Sample((clipped + kRounder) - kRounder);
}

bool DecodedFile::Fill(std::size_t chunks, std::size_t chunkFrames)
{
    if (Complete())
        return true;
    m_scratch.resize(chunkFrames * m_channels);
    for (std::size_t i = 0; i < chunks; ++i) {
        const std::size_t frames = m_decoder->Read(m_scratch.data(), chunkFrames);
        if (frames == 0) {
            Finish();
            return true;
        }
        const std::size_t stored = m_stored.load(std::memory_order_relaxed);
        // The scan that sized the room counted every frame; a file that still gives more
        // ends where the room does instead of growing without bound.
        const std::size_t kept = std::min(frames, m_capacity - stored);
        ToSamples(m_scratch.data(), kept * m_channels, m_frames.get() + stored * m_channels);
        m_stored.store(stored + kept, std::memory_order_release);
        if (kept < frames) {
            Finish();
            return true;
        }
    }
    return false;
}

void DecodedFile::Finish()
{
    m_decoder.reset();
    m_scratch = {};
    m_complete.store(true, std::memory_order_release);
}
