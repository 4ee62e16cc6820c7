#include "player/Mp3Decoder.h"

#include "shell/FileKinds.h"

#include <QFile>

#include <mpg123.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

void InitLibraryOnce()
{
    static const int result = mpg123_init();
    (void)result;
}

// Every rate MP3 allows, as float, with the given channel layouts (MPG123_MONO,
// MPG123_STEREO or both); the rate stays the file's own so that the resampler does the rest.
bool AcceptFloat(mpg123_handle *handle, int channels)
{
    if (mpg123_format_none(handle) != MPG123_OK)
        return false;
    const long *rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i) {
        if (mpg123_format(handle, rates[i], channels, MPG123_ENC_FLOAT_32) != MPG123_OK)
            return false;
    }
    return true;
}

bool IsRegularFile(const struct stat &info)
{
    return S_ISREG(info.st_mode);
}

// Only a regular file: opening a FIFO blocks until someone writes to it, and a device may
// answer an open with side effects. stat() follows links and never blocks; the open itself
// does not wait, and fstat() checks that the file opened is still the regular file seen.
int OpenRegularFile(const QByteArray &path)
{
    struct stat info{};
    if (::stat(path.constData(), &info) != 0 || !IsRegularFile(info))
        return -1;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat opened{};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &opened) != 0 || !IsRegularFile(opened) || flags < 0
        || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

void Mp3Decoder::FileCloser::operator()(int *fd) const
{
    ::close(*fd);
    delete fd;
}

void Mp3Decoder::HandleDeleter::operator()(mpg123_handle_struct *handle) const
{
    mpg123_delete(handle);
}

std::unique_ptr<Mp3Decoder> Mp3Decoder::Open(const QString &fileName)
{
    std::unique_ptr<Mp3Decoder> decoder(new Mp3Decoder);
    if (!decoder->OpenFile(fileName))
        return nullptr;
    return decoder;
}

Mp3Decoder::~Mp3Decoder() = default;

bool Mp3Decoder::OpenFile(const QString &fileName)
{
    InitLibraryOnce();
    int error = MPG123_OK;
    m_handle.reset(mpg123_new(nullptr, &error));
    if (!m_handle)
        return false;
    mpg123_param(m_handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (!AcceptFloat(m_handle.get(), MPG123_MONO | MPG123_STEREO))
        return false;
    const int fd = OpenRegularFile(NativePath(fileName));
    if (fd < 0)
        return false;
    m_file.reset(new int(fd));
    if (mpg123_open_fd(m_handle.get(), fd) != MPG123_OK)
        return false;
    long rate = 0;
    int encoding = 0;
    if (mpg123_getformat(m_handle.get(), &rate, &m_channels, &encoding) != MPG123_OK
        || (m_channels != 1 && m_channels != 2))
        return false;
    // The first frame fixes the layout: should it change later in the file, the decoder
    // converts to it (a mono part spread to both sides, a stereo part mixed down).
    if (!AcceptFloat(m_handle.get(), m_channels == 1 ? MPG123_MONO : MPG123_STEREO))
        return false;
    if (!UseSourceFormat())
        return false;
    // The decoder also takes WAV files and stray bytes for layer I/II frames; only a real
    // layer 3 frame with a bit rate counts as MP3.
    mpg123_frameinfo2 info{};
    if (mpg123_info2(m_handle.get(), &info) != MPG123_OK)
        return false;
    return info.layer == 3 && info.bitrate > 0;
}

bool Mp3Decoder::UseSourceFormat()
{
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(m_handle.get(), &rate, &channels, &encoding) != MPG123_OK)
        return false;
    if (channels != m_channels || encoding != MPG123_ENC_FLOAT_32)
        return false;
    return SetSourceRate(rate);
}

bool Mp3Decoder::SetSourceRate(long rate)
{
    if (rate <= 0)
        return false;
    m_sourceRate = rate;
    if (rate == kOutputRate) {
        m_resampler.reset();
        return true;
    }
    if (!m_resampler)
        m_resampler = std::make_unique<RateConverter>();
    return m_resampler->Setup(rate, kOutputRate, m_channels);
}

std::size_t Mp3Decoder::ScanTotalFrames()
{
    if (mpg123_scan(m_handle.get()) != MPG123_OK)
        return 0;
    const off_t sourceFrames = mpg123_length(m_handle.get());
    if (sourceFrames <= 0)
        return 0;
    if (m_sourceRate == kOutputRate)
        return std::size_t(sourceFrames);
    return std::size_t(RateConverter::TotalOutputFrames(m_sourceRate, kOutputRate, sourceFrames));
}

std::size_t Mp3Decoder::DecodeSource(float *out, std::size_t frames)
{
    const std::size_t bytesPerFrame = std::size_t(m_channels) * sizeof(float);
    std::size_t bytes = 0;
    const int result = mpg123_read(m_handle.get(), reinterpret_cast<unsigned char *>(out),
                                   frames * bytesPerFrame, &bytes);
    if (result == MPG123_NEW_FORMAT) {
        m_formatChangePending = true;
    } else if (result != MPG123_OK) {
        // MPG123_DONE, or damage the decoder cannot get past: the audio ends here.
        m_atEnd = true;
    }
    return bytes / bytesPerFrame;
}

std::size_t Mp3Decoder::Read(float *out, std::size_t maxFrames)
{
    if (maxFrames < kMinReadFrames)
        return 0;
    while (!m_atEnd) {
        if (m_formatChangePending) {
            // What the old rate still holds back goes out before the switch.
            if (const std::size_t frames = FlushResampler(out, maxFrames))
                return frames;
            m_formatChangePending = false;
            if (!UseSourceFormat()) {
                m_atEnd = true;
                break;
            }
        }
        if (!m_resampler) {
            if (const std::size_t frames = DecodeSource(out, maxFrames))
                return frames;
            continue;
        }
        const std::size_t wanted = m_resampler->InputFramesFor(maxFrames);
        if (wanted == 0) {
            m_atEnd = true;
            break;
        }
        m_sourceFrames.resize(wanted * std::size_t(m_channels));
        const std::size_t decoded = DecodeSource(m_sourceFrames.data(), wanted);
        if (decoded == 0)
            continue; // at the end, or the format changed and the next round uses it
        if (const std::size_t frames = m_resampler->Process(m_sourceFrames.data(), decoded, out))
            return frames;
    }
    return FlushResampler(out, maxFrames);
}

std::size_t Mp3Decoder::FlushResampler(float *out, std::size_t maxFrames)
{
    return m_resampler ? m_resampler->Flush(out, maxFrames) : 0;
}
