#include "player/SdlMpg123Audio.h"

#include "player/AudioMixing.h"
#include "player/DecodedFile.h"
#include "player/FrameRing.h"
#include "player/Mp3Decoder.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <SDL.h>

#if defined(__linux__)
#include <pthread.h>
#endif

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

namespace {

// A player of long sounds needs no short buffer: 4096 frames (93 ms) wake SDL's thread about
// 11 times a second instead of 43, and a stop still reaches the output at the next buffer,
// within 93 ms plus the fade.
constexpr int kDeviceFrames = 4096;
constexpr std::size_t kDeviceChannels = Mp3Decoder::kOutputChannels;
// A halted stream fades to silence over 5 ms instead of stepping to 0 (a click).
constexpr std::size_t kFadeFrames = Mp3Decoder::kOutputRate / 200;
// How far each stream is decoded ahead; the decoder tops a ring up once it is half empty.
constexpr std::size_t kRingFrames = Mp3Decoder::kOutputRate;
constexpr std::size_t kRefillBelowFrames = kRingFrames / 2;
// Decoded before a new stream is handed out, so that it starts without a gap.
constexpr std::size_t kStartFrames = 8192;
constexpr std::size_t kChunkFrames = 2048;
// Above 1 amplifies (a playlist's volume factor has no upper limit); the mix clips.
constexpr float kMaxVolume = 100.0f;

} // namespace

struct SdlMpg123Audio::Stream
{
    // Streamed: decoded ahead into a ring as it plays.
    Stream(std::unique_ptr<Mp3Decoder> mp3, const QString &fileName, std::optional<FileIdentity> fileIdentity)
        : decoder(std::move(mp3))
        , scratch(kChunkFrames * std::size_t(decoder->Channels()))
        , ring(std::make_unique<FrameRing>(kRingFrames, std::size_t(decoder->Channels())))
        , path(fileName)
        , identity(fileIdentity)
    {
    }
    // Played from a file decoded whole, shared with the other streams of the same file.
    Stream(std::shared_ptr<DecodedFile> decodedFile, const QString &fileName)
        : memory(std::move(decodedFile))
        , path(fileName)
        , identity(memory->Identity())
    {
    }

    // Decodes until the ring holds about `targetFrames` frames or the audio has ended, or
    // stops decoding for good once the same file is decoded whole elsewhere.
    void TopUp(std::size_t targetFrames)
    {
        if (handOverRequested.load(std::memory_order_acquire) && !decoded.load(std::memory_order_relaxed)) {
            continuationStart = framesDecoded;
            handedOver.store(true, std::memory_order_relaxed);
            decoded.store(true, std::memory_order_release);
            decoder.reset();
            scratch = {};
            return;
        }
        while (!released.load(std::memory_order_relaxed) && !decoded.load(std::memory_order_relaxed)
               && ring->StoredFrames() + kChunkFrames <= targetFrames) {
            const std::size_t frames = decoder->Read(scratch.data(), kChunkFrames);
            if (frames == 0)
                decoded.store(true, std::memory_order_release);
            else
                framesDecoded += ring->Write(scratch.data(), frames);
        }
    }

    // User-interface thread, for a streamed stream of a file now decoded whole: the rest of
    // it comes from there, from the frame after the last one decoded here.
    void ContinueFrom(std::shared_ptr<DecodedFile> decodedFile)
    {
        if (!ring || handOverRequested.load(std::memory_order_relaxed))
            return;
        continuation = std::move(decodedFile);
        handOverRequested.store(true, std::memory_order_release);
    }

    // The callback's side, from the ring or from memory.
    std::size_t Channels() const { return memory ? memory->Channels() : ring->Channels(); }
    // Once the source is finished, frames not taken are all there are: read before them.
    bool SourceFinished() const
    {
        if (memory)
            return memory->Complete();
        return decoded.load(std::memory_order_acquire) && !handedOver.load(std::memory_order_relaxed);
    }
    // Given its last frame; nothing left alone may only mean the decoder is late.
    bool Exhausted() const { return SourceFinished() && Available() == 0; }
    std::size_t Available() const
    {
        if (!memory)
            return ring->StoredFrames();
        const std::size_t stored = memory->StoredFrames();
        return stored > memoryPosition ? stored - memoryPosition : 0;
    }
    bool RunsLow() const { return !memory && ring->StoredFrames() < kRefillBelowFrames; }
    // Hands up to `frames` frames to sink(const Sample *samples, std::size_t frames), floats
    // from the ring and 16-bit samples from memory; a stream handed over goes on from memory
    // within the same call, so the seam is seamless.
    template<typename Sink>
    std::size_t Take(std::size_t frames, Sink &&sink)
    {
        std::size_t taken = 0;
        if (!memory) {
            taken = ring->Read(frames, sink);
            if (taken == frames || !SwitchToMemory())
                return taken;
        }
        const std::size_t count = std::min(frames - taken, Available());
        if (count > 0)
            sink(memory->Frames() + memoryPosition * memory->Channels(), count);
        memoryPosition += count;
        return taken + count;
    }
    // The callback, once the ring of a stream handed over is empty.
    bool SwitchToMemory()
    {
        if (!decoded.load(std::memory_order_acquire) || !handedOver.load(std::memory_order_relaxed)
            || ring->StoredFrames() != 0)
            return false;
        memory = continuation;
        memoryPosition = continuationStart;
        return true;
    }

    // Used by whoever decodes: the creating call first, then the decoder thread.
    std::unique_ptr<Mp3Decoder> decoder;
    std::vector<float> scratch;
    std::size_t framesDecoded = 0;
    // Written by the decoder, read by the callback; null for a stream played from memory.
    std::unique_ptr<FrameRing> ring;
    std::atomic<bool> decoded{false}; // everything decodable, or handed over, is in the ring
    std::atomic<bool> released{false};
    // The whole file, filled by the decoder thread; the callback's, once it plays from it.
    std::shared_ptr<DecodedFile> memory;
    std::size_t memoryPosition = 0;
    // A streamed stream handed over to the whole file: set by the user-interface thread,
    // seen by the decoder, which stops and notes where; then taken over by the callback.
    std::shared_ptr<DecodedFile> continuation;
    std::atomic<bool> handOverRequested{false};
    std::atomic<bool> handedOver{false};
    std::size_t continuationStart = 0;
    // Fixed at creation: a second stream of the same file is a file that loops.
    const QString path;
    const std::optional<FileIdentity> identity;

    // Under the device lock.
    float volume = 1.0f;
    // Added to the volume at every frame mixed while a fade-out runs (negative), else 0.
    float volumeStep = 0.0f;
    bool playing = false;
    bool paused = false;
    bool ended = false;
    // Frames of the fade-out still to mix after a stop; 0 when not fading.
    std::size_t fadeLeft = 0;
    // Started by the callback at the frame after this stream's last one.
    Stream *startsNext = nullptr;
    std::uint64_t mixedPass = 0;
};

class SdlMpg123Audio::DeviceLock
{
public:
    explicit DeviceLock(std::uint32_t device)
        : m_device(device)
    {
        if (m_device != 0)
            SDL_LockAudioDevice(m_device);
    }
    ~DeviceLock()
    {
        if (m_device != 0)
            SDL_UnlockAudioDevice(m_device);
    }
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

private:
    const std::uint32_t m_device;
};

SdlMpg123Audio::SdlMpg123Audio(std::size_t loopMemoryLimitBytes)
    : m_loopMemoryLimitBytes(loopMemoryLimitBytes)
    , m_uiContext(std::make_unique<QObject>())
{
}

SdlMpg123Audio::~SdlMpg123Audio()
{
    Free();
}

bool SdlMpg123Audio::Init()
{
    if (m_device != 0)
        return true;
    // Otherwise SDL takes over SIGINT and SIGTERM and the program no longer ends on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    NameTheStream();
    const bool opened = OpenDevice(nullptr);
    // Without a sound card streams must still take their time and end, or every wait
    // for a phrase would hang: play silently instead.
    if (!opened)
        OpenDevice("dummy");
    if (m_device != 0)
        StartDecoder();
    return opened;
}

// What the sound server's mixer (PulseAudio, PipeWire) shows next to the volume slider. Set
// at the default priority, so the user's environment variables still win.
void SdlMpg123Audio::NameTheStream()
{
    SDL_SetHint(SDL_HINT_APP_NAME, "Nesvara");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Nesvara");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Медитация");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "Music");
}

bool SdlMpg123Audio::OpenDevice(const char *driver)
{
    if (driver != nullptr)
        SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, driver, SDL_HINT_OVERRIDE);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        m_audioSubsystemStarted = true;
        SDL_AudioSpec wanted{};
        wanted.freq = Mp3Decoder::kOutputRate;
        wanted.format = AUDIO_F32SYS;
        wanted.channels = Mp3Decoder::kOutputChannels;
        wanted.samples = kDeviceFrames;
        wanted.callback = &SdlMpg123Audio::OutputCallback;
        wanted.userdata = this;
        SDL_AudioSpec obtained{};
        m_device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
        if (m_device == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            m_audioSubsystemStarted = false;
        }
    }
    if (driver != nullptr)
        SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (m_device == 0)
        return false;
    SDL_PauseAudioDevice(m_device, 0);
    return true;
}

void SdlMpg123Audio::Free()
{
    CloseDevice();
    StopDecoder();
    m_streams.clear();
    m_fading.clear();
    m_decodedFiles.clear();
    if (m_audioSubsystemStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_audioSubsystemStarted = false;
    }
    // Ends posted before the device closed belong to streams that no longer exist.
    QCoreApplication::removePostedEvents(m_uiContext.get());
}

void SdlMpg123Audio::CloseDevice()
{
    if (m_device == 0)
        return;
    // Returns once the callback has run for the last time.
    SDL_CloseAudioDevice(m_device);
    m_device = 0;
}

StreamHandle SdlMpg123Audio::StreamCreateFile(const QString &fileName)
{
    if (m_device == 0)
        return 0;
    std::shared_ptr<Stream> stream = OpenFromMemory(fileName);
    if (!stream)
        stream = OpenStreamed(fileName);
    if (!stream)
        return 0;
    StreamHandle handle = 0;
    {
        DeviceLock lock(m_device);
        handle = NextFreeHandle();
        m_streams.emplace(handle, stream);
    }
    if (stream->ring)
        DecodeAhead(std::move(stream));
    return handle;
}

std::shared_ptr<SdlMpg123Audio::Stream> SdlMpg123Audio::OpenStreamed(const QString &fileName)
{
    const std::optional<FileIdentity> identity = IdentifyFile(fileName);
    std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(fileName);
    if (!decoder)
        return nullptr;
    auto stream = std::make_shared<Stream>(std::move(decoder), fileName, identity);
    stream->TopUp(kStartFrames);
    return stream;
}

// A file opened again while a stream of it is still open loops (the background queues its
// next round while the last one plays): from the second round on it is decoded once and
// played from memory, unless it is too long to keep there.
std::shared_ptr<SdlMpg123Audio::Stream> SdlMpg123Audio::OpenFromMemory(const QString &fileName)
{
    const std::optional<FileIdentity> identity = IdentifyFile(fileName);
    if (!identity)
        return nullptr;
    m_decodedFiles.removeIf([](const auto &entry) { return entry.value().expired(); });
    if (const std::shared_ptr<DecodedFile> decoded = m_decodedFiles.value(fileName).lock();
        decoded && decoded->Identity() == *identity)
        return std::make_shared<Stream>(decoded, fileName);
    if (!IsOpen(fileName, *identity))
        return nullptr;
    std::shared_ptr<DecodedFile> decoded = DecodeWhole(fileName, *identity);
    if (!decoded)
        return nullptr;
    m_decodedFiles.insert(fileName, decoded);
    // The round that plays now stops decoding too and finishes from memory.
    for (auto &entry : m_streams)
        if (entry.second->path == fileName && entry.second->identity == *identity)
            entry.second->ContinueFrom(decoded);
    FillInBackground(decoded);
    WakeDecoder(); // hands the playing round over, even if the file is whole already
    return std::make_shared<Stream>(std::move(decoded), fileName);
}

bool SdlMpg123Audio::IsOpen(const QString &fileName, const FileIdentity &identity) const
{
    return std::any_of(m_streams.begin(), m_streams.end(), [&](const auto &entry) {
        return entry.second->path == fileName && entry.second->identity == identity;
    });
}

// Null when the file does not tell its length or its frames would take more memory than
// the limit allows.
std::shared_ptr<DecodedFile> SdlMpg123Audio::DecodeWhole(const QString &fileName,
                                                         const FileIdentity &identity) const
{
    // A decoder that has scanned the file decodes its first frames a little differently
    // (libmpg123 1.31), so the length comes from a decoder of its own: the frames kept must
    // be the very frames a streamed round plays.
    const std::unique_ptr<Mp3Decoder> probe = Mp3Decoder::Open(fileName);
    std::unique_ptr<Mp3Decoder> decoder = Mp3Decoder::Open(fileName);
    if (!probe || !decoder)
        return nullptr;
    const std::size_t frames = probe->ScanTotalFrames();
    const std::size_t frameBytes = std::size_t(decoder->Channels()) * sizeof(DecodedFile::Sample);
    if (frames == 0 || frames > m_loopMemoryLimitBytes / frameBytes)
        return nullptr;
    // The scan is exact; the margin only keeps a file that says less than it holds whole.
    const std::size_t room = frames + frames / 16 + kChunkFrames;
    auto decoded = std::make_shared<DecodedFile>(std::move(decoder), room, identity);
    decoded->Fill(kStartFrames / kChunkFrames, kChunkFrames);
    return decoded;
}

std::size_t SdlMpg123Audio::MemoryHeldBytes() const
{
    std::size_t bytes = 0;
    for (const std::weak_ptr<DecodedFile> &entry : m_decodedFiles)
        if (const std::shared_ptr<DecodedFile> decoded = entry.lock())
            bytes += decoded->StoredBytes();
    return bytes;
}

StreamHandle SdlMpg123Audio::NextFreeHandle()
{
    do
        ++m_lastHandle;
    while (m_lastHandle == 0 || m_streams.count(m_lastHandle) != 0);
    return m_lastHandle;
}

SdlMpg123Audio::Stream *SdlMpg123Audio::Find(StreamHandle handle) const
{
    const auto it = m_streams.find(handle);
    return it == m_streams.end() ? nullptr : it->second.get();
}

void SdlMpg123Audio::ChannelSetVolume(StreamHandle stream, float volume)
{
    DeviceLock lock(m_device);
    if (Stream *found = Find(stream)) {
        found->volume = std::isnan(volume) ? 0.0f : std::clamp(volume, 0.0f, kMaxVolume);
        found->volumeStep = 0.0f;
    }
}

void SdlMpg123Audio::ChannelFadeOut(StreamHandle stream, int ms)
{
    const std::size_t frames = std::max<std::size_t>(1, std::size_t(std::max(ms, 0)) * Mp3Decoder::kOutputRate / 1000);
    DeviceLock lock(m_device);
    if (Stream *found = Find(stream))
        found->volumeStep = -found->volume / float(frames);
}

void SdlMpg123Audio::ChannelPlay(StreamHandle stream)
{
    DeviceLock lock(m_device);
    if (Stream *found = Find(stream); found != nullptr && !found->ended) {
        found->playing = true;
        found->fadeLeft = 0;
    }
}

void SdlMpg123Audio::ChannelPlayAfter(StreamHandle next, StreamHandle current)
{
    DeviceLock lock(m_device);
    Stream *following = Find(next);
    if (following == nullptr || following->playing || following->ended)
        return;
    Stream *leading = Find(current);
    if (leading != nullptr && leading != following && (leading->playing || WaitsToStart(leading)))
        leading->startsNext = following;
    else
        following->playing = true;
}

bool SdlMpg123Audio::WaitsToStart(const Stream *stream) const
{
    return std::any_of(m_streams.begin(), m_streams.end(),
                       [stream](const auto &entry) { return entry.second->startsNext == stream; });
}

// Under the device lock: nothing starts the stream when another one ends.
void SdlMpg123Audio::CancelStartOf(const Stream *stream)
{
    for (auto &entry : m_streams)
        if (entry.second->startsNext == stream)
            entry.second->startsNext = nullptr;
}

bool SdlMpg123Audio::ChannelIsActive(StreamHandle stream)
{
    std::vector<std::shared_ptr<Stream>> faded;
    DeviceLock lock(m_device);
    // The call the player makes most often releases what has faded out.
    TakeFadedOut(faded);
    const Stream *found = Find(stream);
    return found != nullptr && found->playing;
}

// Under the device lock: silent for the player at once, faded out by the callback.
void SdlMpg123Audio::Halt(Stream &stream)
{
    // A stream at volume 0 is silent already: freed, it is let go at once.
    if (stream.playing && stream.volume > 0.0f)
        stream.fadeLeft = kFadeFrames;
    stream.playing = false;
    stream.startsNext = nullptr;
    CancelStartOf(&stream);
}

void SdlMpg123Audio::ChannelStop(StreamHandle stream)
{
    std::vector<std::shared_ptr<Stream>> faded;
    {
        DeviceLock lock(m_device);
        if (Stream *found = Find(stream))
            Halt(*found);
        TakeFadedOut(faded);
    }
}

// Under the device lock: freed streams whose fade the callback has finished, to be
// destroyed by the caller after unlocking.
void SdlMpg123Audio::TakeFadedOut(std::vector<std::shared_ptr<Stream>> &faded)
{
    for (auto it = m_fading.begin(); it != m_fading.end();) {
        if ((*it)->fadeLeft == 0) {
            faded.push_back(std::move(*it));
            it = m_fading.erase(it);
        } else {
            ++it;
        }
    }
}

void SdlMpg123Audio::ChannelPause(StreamHandle stream)
{
    DeviceLock lock(m_device);
    if (Stream *found = Find(stream))
        found->paused = true;
}

void SdlMpg123Audio::ChannelResume(StreamHandle stream)
{
    DeviceLock lock(m_device);
    if (Stream *found = Find(stream))
        found->paused = false;
}

void SdlMpg123Audio::StreamFree(StreamHandle stream)
{
    std::shared_ptr<Stream> removed;
    std::vector<std::shared_ptr<Stream>> faded;
    {
        DeviceLock lock(m_device);
        TakeFadedOut(faded);
        const auto it = m_streams.find(stream);
        if (it == m_streams.end())
            return;
        removed = std::move(it->second);
        m_streams.erase(it);
        Halt(*removed);
        // A stream that still sounds fades out first; the next call releases it.
        if (removed->fadeLeft > 0)
            m_fading.push_back(removed);
    }
    removed->released.store(true, std::memory_order_relaxed);
    std::lock_guard<std::mutex> lock(m_decodeMutex);
    std::erase(m_decoding, removed);
    // The decoder and its file close here, outside the device lock (or on the decoder
    // thread, if it is still working on this stream).
}

void SdlMpg123Audio::OutputCallback(void *self, std::uint8_t *bytes, int length)
{
    std::memset(bytes, 0, static_cast<std::size_t>(length));
    const std::size_t frames =
        static_cast<std::size_t>(length) / (sizeof(float) * kDeviceChannels);
    static_cast<SdlMpg123Audio *>(self)->MixPlayingStreams(reinterpret_cast<float *>(bytes), frames);
}

void SdlMpg123Audio::MixPlayingStreams(float *out, std::size_t frames)
{
    ++m_mixPass;
    bool refill = false;
    for (auto &entry : m_streams) {
        Stream *stream = entry.second.get();
        // A stream started by a chain in this run is mixed already.
        if (stream->playing && !stream->paused && stream->mixedPass != m_mixPass)
            refill = MixChain(stream, out, frames) || refill;
        else if (stream->fadeLeft > 0)
            MixFadeOut(*stream, out, frames);
    }
    for (const std::shared_ptr<Stream> &stream : m_fading)
        MixFadeOut(*stream, out, frames);
    ClipToUnit(out, frames * kDeviceChannels);
    if (refill && !m_refillRequested.exchange(true))
        WakeDecoder();
}

// Mixes the stream and, from the frame where it gives out, the stream chained after it (and
// so on): the join has no gap. True when the last one mixed runs low and wants the decoder.
bool SdlMpg123Audio::MixChain(Stream *stream, float *out, std::size_t frames)
{
    std::size_t offset = 0;
    for (;;) {
        stream->mixedPass = m_mixPass;
        bool ended = false;
        offset += MixStream(*stream, out + offset * kDeviceChannels, frames - offset, ended);
        if (!ended)
            return stream->RunsLow();
        stream->playing = false;
        stream->ended = true;
        PostStreamEnded();
        Stream *next = std::exchange(stream->startsNext, nullptr);
        if (next == nullptr || next->playing || next->ended)
            return false;
        next->playing = true;
        if (next->paused)
            return false;
        stream = next;
    }
}

// Returns the frames mixed; `ended` is set once the stream has given its last frame.
std::size_t SdlMpg123Audio::MixStream(Stream &stream, float *out, std::size_t frames, bool &ended)
{
    const std::size_t channels = stream.Channels();
    const float step = stream.volumeStep;
    float gain = stream.volume;
    const std::size_t mixed = stream.Take(frames, [&](const auto *samples, std::size_t count) {
        gain = MixFrames(out, samples, count, channels, gain, step);
        out += count * kDeviceChannels;
    });
    // A fade-out ends at 0, and stays there.
    stream.volume = gain;
    if (gain == 0.0f)
        stream.volumeStep = 0.0f;
    // Asked after taking: a stream handed over to memory in this call may end in it too.
    ended = stream.Exhausted();
    return mixed;
}

// The stream goes on where it was halted, its gain falling from its volume to 0 over the
// fade: the wave is not cut mid-swing. A stream that runs out meanwhile simply ends.
void SdlMpg123Audio::MixFadeOut(Stream &stream, float *out, std::size_t frames)
{
    const std::size_t channels = stream.Channels();
    const float step = -stream.volume / float(kFadeFrames);
    float gain = stream.volume * float(stream.fadeLeft) / float(kFadeFrames);
    const std::size_t mixed =
        stream.Take(std::min(frames, stream.fadeLeft), [&](const auto *samples, std::size_t count) {
            gain = MixFrames(out, samples, count, channels, gain, step);
            out += count * kDeviceChannels;
        });
    // A ring that runs dry ends the fade: a freed stream is no longer decoded.
    const bool dry = mixed < std::min(frames, stream.fadeLeft);
    stream.fadeLeft = dry ? 0 : stream.fadeLeft - mixed;
    if (stream.Exhausted())
        stream.ended = true;
}

void SdlMpg123Audio::PostStreamEnded()
{
    // Queues a call on the user-interface thread and returns; dropped with the context
    // object if this library is gone by then.
    QMetaObject::invokeMethod(
        m_uiContext.get(), [this] { NotifyStreamEnded(); }, Qt::QueuedConnection);
}

void SdlMpg123Audio::SemaphoreDeleter::operator()(SDL_semaphore *semaphore) const
{
    SDL_DestroySemaphore(semaphore);
}

void SdlMpg123Audio::StartDecoder()
{
    if (m_decoder.joinable())
        return;
    m_decoderWake.reset(SDL_CreateSemaphore(0));
    m_quitDecoder = false;
    m_decoder = std::thread(&SdlMpg123Audio::DecoderLoop, this);
}

void SdlMpg123Audio::StopDecoder()
{
    if (!m_decoder.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_decodeMutex);
        m_quitDecoder = true;
    }
    WakeDecoder();
    m_decoder.join();
    m_decoderWake.reset();
    m_decoding.clear();
    m_filling.clear();
}

void SdlMpg123Audio::WakeDecoder()
{
    if (m_decoderWake)
        SDL_SemPost(m_decoderWake.get());
}

void SdlMpg123Audio::FillInBackground(const std::shared_ptr<DecodedFile> &decoded)
{
    if (decoded->Complete())
        return;
    {
        std::lock_guard<std::mutex> lock(m_decodeMutex);
        m_filling.push_back(decoded);
    }
    WakeDecoder();
}

void SdlMpg123Audio::DecodeAhead(std::shared_ptr<Stream> stream)
{
    if (stream->decoded.load(std::memory_order_relaxed))
        return;
    {
        std::lock_guard<std::mutex> lock(m_decodeMutex);
        m_decoding.push_back(std::move(stream));
    }
    WakeDecoder();
}

void SdlMpg123Audio::DecoderLoop()
{
#if defined(__linux__)
    // So that the thread is told apart from the user-interface thread in top and in /proc.
    pthread_setname_np(pthread_self(), "nesvara-decode");
#endif
    for (;;) {
        // Asleep until a new stream arrives or a playing one runs half empty.
        SDL_SemWait(m_decoderWake.get());
        std::vector<std::shared_ptr<Stream>> batch;
        std::vector<std::weak_ptr<DecodedFile>> filling;
        {
            std::lock_guard<std::mutex> lock(m_decodeMutex);
            if (m_quitDecoder)
                return;
            batch = m_decoding;
            filling = m_filling;
        }
        m_refillRequested.store(false);
        for (const std::shared_ptr<Stream> &stream : batch)
            stream->TopUp(kRingFrames);
        batch.clear();
        const bool moreToFill = FillSome(filling);
        std::lock_guard<std::mutex> lock(m_decodeMutex);
        std::erase_if(m_decoding, [](const std::shared_ptr<Stream> &stream) {
            return stream->decoded.load(std::memory_order_relaxed)
                   || stream->released.load(std::memory_order_relaxed);
        });
        std::erase_if(m_filling, [](const std::weak_ptr<DecodedFile> &entry) {
            const std::shared_ptr<DecodedFile> decoded = entry.lock();
            return !decoded || decoded->Complete();
        });
        // A whole file is decoded a second of audio per round, so that the rings of the
        // streams playing meanwhile are topped up between the rounds.
        if (moreToFill)
            WakeDecoder();
    }
}

// On the decoder thread: true while some file that a stream still plays is not whole.
bool SdlMpg123Audio::FillSome(const std::vector<std::weak_ptr<DecodedFile>> &filling)
{
    bool more = false;
    for (const std::weak_ptr<DecodedFile> &entry : filling)
        if (const std::shared_ptr<DecodedFile> decoded = entry.lock())
            more = !decoded->Fill(kRingFrames / kChunkFrames, kChunkFrames) || more;
    return more;
}
