#pragma once

#include "player/AudioLibrary.h"

#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

// Passes every call on to the real audio library and watches them: which files were
// opened, and when a spoken phrase (any stream that is not the background) starts and
// stops sounding. The player learns that a phrase ended by asking ChannelIsActive, so the
// end is seen when the player sees it.
class ObservedAudio final : public AudioLibrary
{
public:
    ObservedAudio(std::unique_ptr<AudioLibrary> inner, std::function<void(bool speaking)> onSpeakingChanged)
        : m_inner(std::move(inner)), m_onSpeakingChanged(std::move(onSpeakingChanged))
    {
        m_inner->SetStreamEndedCallback([this] { NotifyStreamEnded(); });
    }

    // Streams of these files are the background, not phrases.
    void SetBackgroundFiles(const QStringList &files) { m_backgroundFiles = QSet<QString>(files.begin(), files.end()); }
    const QStringList &OpenedFiles() const { return m_openedFiles; }
    int BackgroundStreams() const { return m_backgroundStreams; }

    bool Init() override { return m_inner->Init(); }
    void Free() override
    {
        SetSpeaking(0);
        m_inner->Free();
    }
    StreamHandle StreamCreateFile(const QString &fileName) override
    {
        const StreamHandle stream = m_inner->StreamCreateFile(fileName);
        if (stream != 0) {
            m_openedFiles << fileName;
            if (m_backgroundFiles.contains(fileName))
                ++m_backgroundStreams;
            else
                m_phrases.insert(stream);
        }
        return stream;
    }
    void ChannelSetVolume(StreamHandle stream, float volume) override { m_inner->ChannelSetVolume(stream, volume); }
    void ChannelFadeOut(StreamHandle stream, int ms) override { m_inner->ChannelFadeOut(stream, ms); }
    void ChannelPlay(StreamHandle stream) override
    {
        m_inner->ChannelPlay(stream);
        if (m_phrases.contains(stream))
            SetSpeaking(stream);
    }
    void ChannelPlayAfter(StreamHandle next, StreamHandle current) override
    {
        m_inner->ChannelPlayAfter(next, current);
        if (m_phrases.contains(next))
            SetSpeaking(next);
    }
    bool ChannelIsActive(StreamHandle stream) override
    {
        const bool active = m_inner->ChannelIsActive(stream);
        if (!active && stream == m_speaking)
            SetSpeaking(0);
        return active;
    }
    void ChannelStop(StreamHandle stream) override
    {
        if (stream == m_speaking)
            SetSpeaking(0);
        m_inner->ChannelStop(stream);
    }
    void ChannelPause(StreamHandle stream) override { m_inner->ChannelPause(stream); }
    void ChannelResume(StreamHandle stream) override { m_inner->ChannelResume(stream); }
    void StreamFree(StreamHandle stream) override
    {
        if (stream == m_speaking)
            SetSpeaking(0);
        m_phrases.remove(stream);
        m_inner->StreamFree(stream);
    }

private:
    void SetSpeaking(StreamHandle stream)
    {
        const bool changed = (stream != 0) != (m_speaking != 0);
        m_speaking = stream;
        if (changed && m_onSpeakingChanged)
            m_onSpeakingChanged(stream != 0);
    }

    std::unique_ptr<AudioLibrary> m_inner;
    std::function<void(bool)> m_onSpeakingChanged;
    QSet<QString> m_backgroundFiles;
    QSet<StreamHandle> m_phrases;
    QStringList m_openedFiles;
    int m_backgroundStreams = 0;
    StreamHandle m_speaking = 0;
};
