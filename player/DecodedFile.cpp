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

DecodedFile::Sample DecodedFile::ToSample(float decoded)
{
    return Sample(std::lrint(std::clamp(decoded * kFullScale, -kFullScale, kFullScale - 1.0f)));
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
        std::transform(m_scratch.data(), m_scratch.data() + kept * m_channels, m_frames.get() + stored * m_channels,
                       ToSample);
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
