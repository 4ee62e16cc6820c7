#pragma once

#include "player/AudioLibrary.h"

#include <QHash>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

class DecodedFile;
struct FileIdentity;

// The audio library of the program: MP3 files decoded with libmpg123 and played through
// one SDL2 output device at 44 100 Hz stereo. A file opened again while a stream of it is
// still open (a background that loops) is decoded once, whole, and its rounds play from
// memory.
//
// Three threads meet here. The user-interface thread makes every call. A decoder thread
// keeps up to a second of each stream decoded ahead in a lock-free ring, woken by the
// callback when a ring runs half empty. SDL's callback only mixes from those rings: it
// reads no file and never waits for the other threads (SDL holds the device lock while it
// runs, and the calls from the user-interface thread take that lock to change what it
// sees).
class SdlMpg123Audio final : public AudioLibrary
{
public:
    // A background file that loops is kept decoded in memory when its frames at 44 100 Hz
    // take at most this much; a longer one streams as any other file. Kept frames take
    // 86 KiB a second in mono and 172 KiB in stereo: 47 s of a mono loop or 23 s of a
    // stereo one, room for the demo backgrounds (mono, 30 to 40 s: 2.6 to 3.4 MiB), while
    // an hour-long recording used as a background still costs only its ring.
    static constexpr std::size_t kLoopMemoryLimitBytes = 4 * 1024 * 1024;

    explicit SdlMpg123Audio(std::size_t loopMemoryLimitBytes = kLoopMemoryLimitBytes);
    ~SdlMpg123Audio() override;

    SdlMpg123Audio(const SdlMpg123Audio &) = delete;
    SdlMpg123Audio &operator=(const SdlMpg123Audio &) = delete;

    // False when the system's output cannot be opened; sound then goes to SDL's silent
    // "dummy" output, so streams still take their real time and end.
    bool Init() override;
    void Free() override;
    StreamHandle StreamCreateFile(const QString &fileName) override;
    void ChannelSetVolume(StreamHandle stream, float volume) override;
    void ChannelFadeOut(StreamHandle stream, int ms) override;
    void ChannelPlay(StreamHandle stream) override;
    // The callback starts `next` inside the same buffer in which `current` ran dry.
    void ChannelPlayAfter(StreamHandle next, StreamHandle current) override;
    bool ChannelIsActive(StreamHandle stream) override;
    void ChannelStop(StreamHandle stream) override;
    void ChannelPause(StreamHandle stream) override;
    void ChannelResume(StreamHandle stream) override;
    void StreamFree(StreamHandle stream) override;

    // The decoded frames kept for files that loop.
    std::size_t MemoryHeldBytes() const;

private:
    struct Stream;
    class DeviceLock;

    static void NameTheStream();
    bool OpenDevice(const char *driver);
    void CloseDevice();
    static void OutputCallback(void *self, std::uint8_t *bytes, int length);
    void MixPlayingStreams(float *out, std::size_t frames);
    bool MixChain(Stream *stream, float *out, std::size_t frames);
    static std::size_t MixStream(Stream &stream, float *out, std::size_t frames, bool &ended);
    static void MixFadeOut(Stream &stream, float *out, std::size_t frames);
    void Halt(Stream &stream);
    void TakeFadedOut(std::vector<std::shared_ptr<Stream>> &faded);
    bool WaitsToStart(const Stream *stream) const;
    void CancelStartOf(const Stream *stream);
    void PostStreamEnded();
    Stream *Find(StreamHandle handle) const;
    std::shared_ptr<Stream> OpenStreamed(const QString &fileName);
    std::shared_ptr<Stream> OpenFromMemory(const QString &fileName);
    bool IsOpen(const QString &fileName, const FileIdentity &identity) const;
    std::shared_ptr<DecodedFile> DecodeWhole(const QString &fileName,
                                                   const FileIdentity &identity) const;
    StreamHandle NextFreeHandle();

    void StartDecoder();
    void StopDecoder();
    void WakeDecoder();
    void DecodeAhead(std::shared_ptr<Stream> stream);
    void FillInBackground(const std::shared_ptr<DecodedFile> &decoded);
    static bool FillSome(const std::vector<std::weak_ptr<DecodedFile>> &filling);
    void DecoderLoop();

    const std::size_t m_loopMemoryLimitBytes;
    std::uint32_t m_device = 0;
    bool m_audioSubsystemStarted = false;

    // Changed only with the device locked; read by the callback.
    std::unordered_map<StreamHandle, std::shared_ptr<Stream>> m_streams;
    // Freed while they sounded: mixed until their fade ends, then released by the next call.
    std::vector<std::shared_ptr<Stream>> m_fading;
    StreamHandle m_lastHandle = 0;
    // Counts the callback's runs; a stream mixed in this run carries its number.
    std::uint64_t m_mixPass = 0;

    std::thread m_decoder;
    // An SDL semaphore: posting it never blocks, so the callback may wake the decoder.
    struct SemaphoreDeleter
    {
        void operator()(struct SDL_semaphore *semaphore) const;
    };
    std::unique_ptr<struct SDL_semaphore, SemaphoreDeleter> m_decoderWake;
    std::atomic<bool> m_refillRequested{false};
    std::mutex m_decodeMutex;
    // Guarded by m_decodeMutex.
    std::vector<std::shared_ptr<Stream>> m_decoding;
    bool m_quitDecoder = false;
    // Files being decoded whole, while some stream plays them. Guarded by m_decodeMutex.
    std::vector<std::weak_ptr<DecodedFile>> m_filling;
    // Files decoded whole, by name, while some stream plays them. User-interface thread.
    QHash<QString, std::weak_ptr<DecodedFile>> m_decodedFiles;

    // Lives on the user-interface thread; the end of a stream is posted to it.
    std::unique_ptr<QObject> m_uiContext;
};
