#pragma once

#include "player/AudioLibrary.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <map>
#include <optional>
#include <vector>

// A scripted audio library on a virtual clock: every file lasts its given duration,
// chosen files cannot be opened, and every call is recorded with the time it happened.
// Activity queries are only counted: they come at every poll. A stream chained after
// another starts at the virtual moment the other one ends.
class FakeAudio : public AudioLibrary
{
public:
    enum class Op { Init, Free, Create, SetVolume, FadeOut, Play, PlayAfter, Stop, StreamFree, Pause, Resume };

    struct Call
    {
        Op op;
        StreamHandle handle = 0;
        QString file;
        float volume = 0.0f;
        quint64 at = 0;
        StreamHandle after = 0; // PlayAfter: the stream it waits for
    };

    // One started stream: its file, its volume when it fell silent, and when it started
    // and fell silent.
    struct Played
    {
        StreamHandle handle = 0;
        QString file;
        float volume = 0.0f;
        quint64 start = 0;
        quint64 end = 0;
        bool halted = false;
    };

    explicit FakeAudio(const quint64 &clock);

    void SetDefaultDuration(quint64 ms) { m_defaultDuration = ms; }
    void SetDuration(const QString &file, quint64 ms) { m_durations.insert(file, ms); }
    void SetUnopenable(const QString &file) { m_unopenable.insert(file); }

    bool Init() override;
    void Free() override;
    StreamHandle StreamCreateFile(const QString &fileName) override;
    void ChannelSetVolume(StreamHandle stream, float volume) override;
    void ChannelFadeOut(StreamHandle stream, int ms) override;
    void ChannelPlay(StreamHandle stream) override;
    void ChannelPlayAfter(StreamHandle next, StreamHandle current) override;
    bool ChannelIsActive(StreamHandle stream) override;
    void ChannelStop(StreamHandle stream) override;
    // A paused stream is judged as at the moment of its pause: it keeps its place, its end
    // and the start of what is chained after it move on by the time it was held.
    void ChannelPause(StreamHandle stream) override;
    void ChannelResume(StreamHandle stream) override;
    void StreamFree(StreamHandle stream) override;

    // When the earliest stream that still sounds will end.
    std::optional<quint64> NextStreamEnd() const;
    bool AnythingSounds() const;
    // A stream that waits to start after another, or whose start lies ahead.
    bool AnythingWaitsToStart() const;

    const std::vector<Call> &Calls() const { return m_calls; }
    // Every started stream in the order of starting.
    std::vector<Played> Plays() const;
    std::vector<Played> PlaysUnder(const QString &folderPrefix) const;
    // The files under `folderPrefix` of the streams created and not freed yet.
    QStringList UnfreedUnder(const QString &folderPrefix) const;
    qint64 ActivityQueries() const { return m_activityQueries; }
    qint64 CallsOnUnknownHandles() const { return m_unknownHandleCalls; }

private:
    struct Stream
    {
        QString file;
        quint64 duration = 0;
        float volume = 1.0f;
        std::optional<quint64> startedAt;
        std::optional<quint64> silencedAt;
        bool halted = false;
        bool freed = false;
        StreamHandle startsAfter = 0;
        // A fade-out falls from `fadeFrom` at `fadeStartAt` to 0 over `fadeMs`.
        std::optional<quint64> fadeStartAt;
        quint64 fadeMs = 0;
        float fadeFrom = 0.0f;
        std::optional<quint64> pausedAt;
        quint64 pausedTotal = 0;
    };

    bool Sounds(const Stream &stream) const;
    static float VolumeAt(const Stream &stream, quint64 at);
    // Started and not yet at its end or silenced, at the moment `at`.
    static bool ActiveAt(const Stream &stream, quint64 at);
    quint64 Now(const Stream &stream) const;
    bool WaitsToStart(const Stream &stream) const;
    void CancelStart(StreamHandle handle, Stream &stream);
    void CancelStartsAfter(StreamHandle handle);
    Stream *Find(StreamHandle handle);
    void Record(Op op, StreamHandle handle, float volume = 0.0f);
    void Silence(StreamHandle handle, Stream &stream, bool halted);

    const quint64 &m_clock;
    quint64 m_defaultDuration = 2000;
    QHash<QString, quint64> m_durations;
    QSet<QString> m_unopenable;
    std::map<StreamHandle, Stream> m_streams;
    StreamHandle m_nextHandle = 1;
    std::vector<Call> m_calls;
    qint64 m_activityQueries = 0;
    qint64 m_unknownHandleCalls = 0;
};
