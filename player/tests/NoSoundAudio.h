#pragma once

#include "player/AudioLibrary.h"

// An audio library with no device: every stream is refused, so nothing ever plays. Counts
// the releases of the library when given a counter.
class NoSoundAudio : public AudioLibrary
{
public:
    explicit NoSoundAudio(int *frees = nullptr) : m_frees(frees) {}
    bool Init() override { return true; }
    void Free() override
    {
        if (m_frees)
            ++*m_frees;
    }
    StreamHandle StreamCreateFile(const QString &) override { return 0; }
    void ChannelSetVolume(StreamHandle, float) override {}
    void ChannelFadeOut(StreamHandle, int) override {}
    void ChannelPlay(StreamHandle) override {}
    void ChannelPlayAfter(StreamHandle, StreamHandle) override {}
    bool ChannelIsActive(StreamHandle) override { return false; }
    void ChannelStop(StreamHandle) override {}
    void ChannelPause(StreamHandle) override {}
    void ChannelResume(StreamHandle) override {}
    void StreamFree(StreamHandle) override {}

private:
    int *m_frees;
};
