#pragma once

#include <QString>
#include <cstdint>
#include <functional>

using StreamHandle = std::uint32_t;

// The operations the player needs from an audio library. All calls come from the
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
    // The volume falls evenly, sample by sample, from where it is to 0 over `ms`; the
    // stream goes on, silent once the fade is over. Setting a volume ends the fade there.
    virtual void ChannelFadeOut(StreamHandle stream, int ms) = 0;
    virtual void ChannelPlay(StreamHandle stream) = 0;
    // Starts `next` at the very frame after `current` has given its last one, so that the
    // two sound as one recording (`current` may itself be waiting to start after another).
    // When `current` neither plays nor waits (ended, stopped, unknown), `next` starts at
    // once. Stopping or freeing `current` or `next` before that frame cancels the start:
    // `next` stays unstarted until freed. `next` is active only once it has started, so
    // whoever sees `current` inactive sees `next` active if it took over.
    virtual void ChannelPlayAfter(StreamHandle next, StreamHandle current) = 0;
    // False once the stream has played to its end or was stopped.
    virtual bool ChannelIsActive(StreamHandle stream) = 0;
    // Silences the stream at once; the handle stays valid until freed.
    virtual void ChannelStop(StreamHandle stream) = 0;
    // Holds the stream at the frame it has reached: it falls silent, stays active, and
    // whatever is chained after it waits with it. A stream paused before it starts stays
    // silent when its turn comes. Resume goes on from that very frame.
    virtual void ChannelPause(StreamHandle stream) = 0;
    virtual void ChannelResume(StreamHandle stream) = 0;
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
