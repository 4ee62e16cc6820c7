#pragma once

#include <QString>

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

class Mp3Decoder;

// Which file a path names right now: another file saved under the same name, or the same
// file rewritten, is not the one decoded before.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};

    bool operator==(const FileIdentity &other) const;
};

// Without opening anything (a FIFO never blocks); nothing when the path names no file.
std::optional<FileIdentity> IdentifyFile(const QString &fileName);

// The whole of one file, decoded and resampled once and kept in memory, so that every
// stream of it (a background that loops) plays without decoding again. One thread fills it
// from the front, in the very pieces a streamed decode reads; any number of readers take
// the frames already published, each at its own position.
//
// The frames are kept as 16-bit samples, half the memory of the decoder's floats: rounding
// moves a sample by at most half a step of 1/32768 (-96 dB), far below anything a
// background at its volume carries to the output. Samples beyond full scale are clipped,
// as any 16-bit decode does.
class DecodedFile
{
public:
    using Sample = std::int16_t;
    static constexpr float kFullScale = 32768.0f;
    // A decoded sample as kept: rounded to the nearest step, clipped at full scale.
    static Sample ToSample(float decoded);

    // Room for `capacityFrames`; the pages are taken only as they are filled.
    DecodedFile(std::unique_ptr<Mp3Decoder> decoder, std::size_t capacityFrames, FileIdentity identity);
    ~DecodedFile();

    DecodedFile(const DecodedFile &) = delete;
    DecodedFile &operator=(const DecodedFile &) = delete;

    std::size_t Channels() const { return m_channels; }
    const FileIdentity &Identity() const { return m_identity; }
    std::size_t StoredBytes() const { return StoredFrames() * m_channels * sizeof(Sample); }

    // Reader side: frames [0, StoredFrames()) may be read from Frames(). Read Complete()
    // first: once it is true, StoredFrames() is final.
    const Sample *Frames() const { return m_frames.get(); }
    std::size_t StoredFrames() const { return m_stored.load(std::memory_order_acquire); }
    bool Complete() const { return m_complete.load(std::memory_order_acquire); }

    // Writer side (one thread at a time): decodes up to `chunks` reads of `chunkFrames`
    // frames each; true once the file is whole. The decoder and its file are let go then.
    bool Fill(std::size_t chunks, std::size_t chunkFrames);

private:
    void Finish();

    std::unique_ptr<Mp3Decoder> m_decoder;
    const std::size_t m_channels;
    const std::size_t m_capacity;
    const FileIdentity m_identity;
    std::unique_ptr<Sample[]> m_frames;
    std::vector<float> m_scratch;
    std::atomic<std::size_t> m_stored{0};
    std::atomic<bool> m_complete{false};
};
