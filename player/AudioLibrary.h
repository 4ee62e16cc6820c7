#pragma once

#include <QString>
#include <cstdint>
#include <functional>

using StreamHandle = std::uint32_t;

// The eight operations the player needs from an audio library. All calls come from the
// user-interface thread.
class AudioLibrary
{
public:
    virtual ~AudioLibrary() = default;

    // Opens the output device. False when no sound can be played; the caller reports it.
    virtual bool Init() = 0;
    // Releases every stream and the device.
    virtual void Free() = 0;
    // A stream for the whole file, not started; 0 when the file cannot be opened or
    // holds no playable MP3 audio.
    virtual StreamHandle StreamCreateFile(const QString &fileName) = 0;
    // 0 silent, 1 full.
    virtual void ChannelSetVolume(StreamHandle stream, float volume) = 0;
    virtual void ChannelPlay(StreamHandle stream) = 0;
    // False once the stream has played to its end or was stopped.
    virtual bool ChannelIsActive(StreamHandle stream) = 0;
    // Silences the stream at once; the handle stays valid until freed.
    virtual void ChannelStop(StreamHandle stream) = 0;
    virtual void StreamFree(StreamHandle stream) = 0;

    // Called on the user-interface thread (posted there) when a stream has ended, so that
    // a wait can wake at once instead of polling.
    void SetStreamEndedCallback(std::function<void()> callback) { m_streamEnded = std::move(callback); }

protected:
    void NotifyStreamEnded()
    {
        if (m_streamEnded)
            m_streamEnded();
    }

private:
    std::function<void()> m_streamEnded;
};
