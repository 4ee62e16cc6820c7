#pragma once

#include "player/RateConverter.h"

#include <QString>
#include <cstddef>
#include <memory>
#include <vector>

struct mpg123_handle_struct;

// Decodes one MP3 file, read from disk piece by piece, into interleaved float frames at
// 44 100 Hz, whatever the file's own rate: mono files stay mono (half the work of
// resampling; the mixer spreads them to both sides), stereo files stereo.
class Mp3Decoder
{
public:
    static constexpr long kOutputRate = 44100;
    // The device's channels, and the most samples a frame of Read() holds.
    static constexpr int kOutputChannels = 2;
    // Read() needs room for at least this many frames, so that the resampler always gets
    // some input.
    static constexpr std::size_t kMinReadFrames = 64;

    // Null when the file cannot be opened, is not a regular file (a FIFO, a device: never
    // waited for) or holds no MPEG layer 3 audio.
    static std::unique_ptr<Mp3Decoder> Open(const QString &fileName);
    ~Mp3Decoder();

    Mp3Decoder(const Mp3Decoder &) = delete;
    Mp3Decoder &operator=(const Mp3Decoder &) = delete;

    // Writes up to maxFrames frames to out; 0 only once the audio has ended (a damaged
    // or truncated file ends where the damage starts).
    std::size_t Read(float *out, std::size_t maxFrames);
    bool AtEnd() const { return m_atEnd; }
    // The frames Read() will give for the whole file, from a scan of its frame headers (no
    // decoding); 0 when the file does not tell. Call before the first Read(); the frames
    // Read() gives afterwards may differ in the last bits from those of a decoder that
    // did not scan.
    std::size_t ScanTotalFrames();
    long SourceRate() const { return m_sourceRate; }
    // 1 or 2: the samples in each frame Read() writes, fixed for the whole file.
    int Channels() const { return m_channels; }

private:
    struct FileCloser
    {
        void operator()(int *fd) const;
    };
    struct HandleDeleter
    {
        void operator()(mpg123_handle_struct *handle) const;
    };

    Mp3Decoder() = default;
    bool OpenFile(const QString &fileName);
    bool UseSourceFormat();
    bool SetSourceRate(long rate);
    std::size_t DecodeSource(float *out, std::size_t frames);
    std::size_t FlushResampler(float *out, std::size_t maxFrames);

    // Declared first: the decoder lets go of the file before it closes.
    std::unique_ptr<int, FileCloser> m_file;
    std::unique_ptr<mpg123_handle_struct, HandleDeleter> m_handle;
    std::unique_ptr<RateConverter> m_resampler; // null at 44 100 Hz
    std::vector<float> m_sourceFrames;
    long m_sourceRate = 0;
    int m_channels = 0;
    // The decoder hands out the last frames of the old format together with the news of
    // a new one: those frames still go through the old rate, the switch comes after.
    bool m_formatChangePending = false;
    bool m_atEnd = false;
};
