#include "FakeAudio.h"

#include <algorithm>

FakeAudio::FakeAudio(const quint64 &clock)
    : m_clock(clock)
{
}

bool FakeAudio::Init()
{
    Record(Op::Init, 0);
    return true;
}

void FakeAudio::Free()
{
    Record(Op::Free, 0);
    for (auto &[handle, stream] : m_streams) {
        Silence(handle, stream, false);
        CancelStart(handle, stream);
        stream.freed = true;
    }
}

StreamHandle FakeAudio::StreamCreateFile(const QString &fileName)
{
    StreamHandle handle = 0;
    if (!m_unopenable.contains(fileName)) {
        handle = m_nextHandle++;
        Stream stream;
        stream.file = fileName;
        stream.duration = m_durations.value(fileName, m_defaultDuration);
        m_streams.emplace(handle, stream);
    }
    m_calls.push_back({Op::Create, handle, fileName, 0.0f, m_clock});
    return handle;
}

void FakeAudio::ChannelSetVolume(StreamHandle stream, float volume)
{
    if (Stream *found = Find(stream); found && !found->freed) {
        found->volume = volume;
        found->fadeStartAt.reset();
    }
    Record(Op::SetVolume, stream, volume);
}

// Recorded with the fade's length as its volume field; the stream plays on, its volume
// falling as the mixer's does.
void FakeAudio::ChannelFadeOut(StreamHandle stream, int ms)
{
    if (Stream *found = Find(stream); found && !found->freed) {
        found->fadeFrom = found->volume;
        found->fadeStartAt = m_clock;
        found->fadeMs = quint64(std::max(ms, 1));
    }
    Record(Op::FadeOut, stream, float(ms));
}

float FakeAudio::VolumeAt(const Stream &stream, quint64 at)
{
    if (!stream.fadeStartAt)
        return stream.volume;
    const quint64 passed = at > *stream.fadeStartAt ? at - *stream.fadeStartAt : 0;
    return passed >= stream.fadeMs ? 0.0f : stream.fadeFrom * float(stream.fadeMs - passed) / float(stream.fadeMs);
}

void FakeAudio::ChannelPlay(StreamHandle stream)
{
    if (Stream *found = Find(stream); found && !found->freed && !found->startedAt)
        found->startedAt = m_clock;
    Record(Op::Play, stream);
}

void FakeAudio::ChannelPlayAfter(StreamHandle next, StreamHandle current)
{
    Stream *following = Find(next);
    if (following != nullptr && !following->freed && !following->startedAt) {
        const Stream *leading = Find(current);
        if (leading != nullptr && leading != following && (Sounds(*leading) || WaitsToStart(*leading))) {
            following->startedAt = *leading->startedAt + leading->duration;
            following->startsAfter = current;
        } else {
            following->startedAt = m_clock;
        }
    }
    Record(Op::PlayAfter, next);
    m_calls.back().after = current;
}

bool FakeAudio::ChannelIsActive(StreamHandle stream)
{
    ++m_activityQueries;
    const Stream *found = Find(stream);
    return found != nullptr && ActiveAt(*found, Now(*found));
}

void FakeAudio::ChannelPause(StreamHandle stream)
{
    if (Stream *found = Find(stream); found && !found->freed && !found->pausedAt)
        found->pausedAt = m_clock;
    Record(Op::Pause, stream);
}

void FakeAudio::ChannelResume(StreamHandle stream)
{
    if (Stream *found = Find(stream); found && found->pausedAt) {
        const quint64 held = m_clock - *found->pausedAt;
        if (found->startedAt && *found->startedAt <= *found->pausedAt)
            found->pausedTotal += held;
        else if (found->startedAt)
            *found->startedAt += held;
        found->pausedAt.reset();
    }
    Record(Op::Resume, stream);
}

void FakeAudio::ChannelStop(StreamHandle stream)
{
    if (Stream *found = Find(stream)) {
        Silence(stream, *found, true);
        CancelStart(stream, *found);
    }
    Record(Op::Stop, stream);
}

void FakeAudio::StreamFree(StreamHandle stream)
{
    if (Stream *found = Find(stream)) {
        Silence(stream, *found, false);
        CancelStart(stream, *found);
        found->freed = true;
    }
    Record(Op::StreamFree, stream);
}

std::optional<quint64> FakeAudio::NextStreamEnd() const
{
    std::optional<quint64> next;
    for (const auto &entry : m_streams) {
        const Stream &stream = entry.second;
        if (!Sounds(stream))
            continue;
        const quint64 end = *stream.startedAt + stream.duration + stream.pausedTotal;
        if (!next || end < *next)
            next = end;
    }
    return next;
}

bool FakeAudio::AnythingSounds() const
{
    return NextStreamEnd().has_value();
}

bool FakeAudio::AnythingWaitsToStart() const
{
    return std::any_of(m_streams.begin(), m_streams.end(),
                       [this](const auto &entry) { return WaitsToStart(entry.second); });
}

std::vector<FakeAudio::Played> FakeAudio::Plays() const
{
    std::vector<Played> plays;
    for (const auto &entry : m_streams) {
        const Stream &stream = entry.second;
        if (!stream.startedAt)
            continue;
        const quint64 naturalEnd = *stream.startedAt + stream.duration + stream.pausedTotal;
        const quint64 end = stream.silencedAt && *stream.silencedAt < naturalEnd
                                ? *stream.silencedAt
                                : naturalEnd;
        plays.push_back({entry.first, stream.file, VolumeAt(stream, end), *stream.startedAt, end,
                         stream.halted});
    }
    // A chained stream starts after streams created later; at the same moment, the one
    // created first comes first.
    std::stable_sort(plays.begin(), plays.end(),
                     [](const Played &a, const Played &b) { return a.start < b.start; });
    return plays;
}

std::vector<FakeAudio::Played> FakeAudio::PlaysUnder(const QString &folderPrefix) const
{
    std::vector<Played> selected;
    for (const Played &play : Plays())
        if (play.file.startsWith(folderPrefix))
            selected.push_back(play);
    return selected;
}

QStringList FakeAudio::UnfreedUnder(const QString &folderPrefix) const
{
    QStringList files;
    for (const auto &[handle, stream] : m_streams)
        if (!stream.freed && stream.file.startsWith(folderPrefix))
            files << stream.file;
    return files;
}

bool FakeAudio::Sounds(const Stream &stream) const
{
    return !stream.pausedAt && ActiveAt(stream, m_clock);
}

bool FakeAudio::ActiveAt(const Stream &stream, quint64 at)
{
    return stream.startedAt && !stream.silencedAt && !stream.freed && *stream.startedAt <= at
           && at < *stream.startedAt + stream.duration + stream.pausedTotal;
}

quint64 FakeAudio::Now(const Stream &stream) const
{
    return stream.pausedAt ? *stream.pausedAt : m_clock;
}

bool FakeAudio::WaitsToStart(const Stream &stream) const
{
    return stream.startedAt && !stream.freed && *stream.startedAt > Now(stream);
}

void FakeAudio::CancelStart(StreamHandle handle, Stream &stream)
{
    if (!WaitsToStart(stream))
        return;
    stream.startedAt.reset();
    stream.startsAfter = 0;
    CancelStartsAfter(handle);
}

// The stream will not reach its end: whatever was chained after it never starts.
void FakeAudio::CancelStartsAfter(StreamHandle handle)
{
    for (auto &[other, stream] : m_streams)
        if (stream.startsAfter == handle)
            CancelStart(other, stream);
}

FakeAudio::Stream *FakeAudio::Find(StreamHandle handle)
{
    const auto found = m_streams.find(handle);
    if (found == m_streams.end()) {
        ++m_unknownHandleCalls;
        return nullptr;
    }
    return &found->second;
}

void FakeAudio::Record(Op op, StreamHandle handle, float volume)
{
    QString file;
    if (const auto found = m_streams.find(handle); found != m_streams.end())
        file = found->second.file;
    m_calls.push_back({op, handle, file, volume, m_clock});
}

void FakeAudio::Silence(StreamHandle handle, Stream &stream, bool halted)
{
    if (ActiveAt(stream, Now(stream))) {
        stream.silencedAt = Now(stream);
        stream.halted = halted;
        CancelStartsAfter(handle);
    }
}
