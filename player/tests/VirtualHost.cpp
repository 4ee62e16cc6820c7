#include "VirtualHost.h"

#include <QtGlobal>
#include <algorithm>

VirtualHost::VirtualHost(quint64 &clock, FakeAudio &audio)
    : m_clock(clock)
    , m_audio(audio)
{
}

void VirtualHost::At(quint64 at, std::function<void()> action, HandledIn where)
{
    m_actions.emplace(at, Action{where, std::move(action)});
}

// Runs, in time order, the due actions that may be handled here; true when one ran.
bool VirtualHost::RunDueActions(HandledIn here)
{
    bool ran = false;
    for (auto it = m_actions.begin(); it != m_actions.end() && it->first <= m_clock;) {
        if (it->second.where != HandledIn::Anywhere && it->second.where != here) {
            ++it;
            continue;
        }
        auto action = std::move(it->second.run);
        m_actions.erase(it);
        action();
        ran = true;
        // The action may have scheduled others.
        it = m_actions.begin();
    }
    return ran;
}

void VirtualHost::ProcessMessages()
{
    ++processMessagesCalls;
    CountCallWithoutTimePassing();
    RunDueActions(HandledIn::ProcessMessages);
}

// Like the event loop's blocking wait: an event already pending is handled at once;
// otherwise the pause lasts until the next action, the next end of a stream, or `atMost`,
// whichever comes first. Any arriving event ends it; one that only the pending-message
// handling may run is left for the ProcessMessages that follows.
void VirtualHost::Pause(quint64 atMost)
{
    ++pauses;
    CountCallWithoutTimePassing();
    if (RunDueActions(HandledIn::Pause))
        return;
    quint64 until = m_clock + atMost;
    if (const auto end = m_audio.NextStreamEnd(); end && *end > m_clock)
        until = std::min(until, *end);
    if (const auto next = m_actions.begin(); next != m_actions.end() && next->first < until)
        until = std::max(next->first, m_clock);
    Advance(until - m_clock);
    RunDueActions(HandledIn::Pause);
}

void VirtualHost::Sleep(int ms)
{
    Pause(ms > 0 ? static_cast<quint64>(ms) + sleepOvershootMs : 0);
}

void VirtualHost::WaitForActivity()
{
    Pause(kActivityWaitMs);
}

void VirtualHost::ShowMessage(const QString &text)
{
    messages.append(text);
}

void VirtualHost::UpdateOptions()
{
    ++updateOptionsCalls;
    if (onUpdateOptions)
        onUpdateOptions();
}

void VirtualHost::ShowProgress(double progr)
{
    progress.push_back({progr, m_clock});
}

void VirtualHost::EnableStopButton()
{
    stopButtonEnabled = true;
    progressScrollEnabled = true;
}

void VirtualHost::EnableProgressScroll()
{
    progressScrollEnabled = true;
    percentLabelEnabled = true;
    progressEnabledAt = m_clock;
    if (onProgressEnabled)
        onProgressEnabled();
}

void VirtualHost::DisableProgressScroll()
{
    ShowProgress(0.0);
    progressScrollEnabled = false;
    percentLabelEnabled = false;
}

void VirtualHost::DisableStopButton()
{
    stopButtonEnabled = false;
    progressScrollEnabled = false;
}

// A player that handles messages or pauses again and again while no time passes would
// spin on the processor in the real program.
void VirtualHost::CountCallWithoutTimePassing()
{
    if (++m_callsWithoutTimePassing > kBusyLoopCalls)
        qFatal("The player handled messages %d times without any time passing", kBusyLoopCalls);
}

void VirtualHost::Advance(quint64 ms)
{
    if (ms > 0)
        m_callsWithoutTimePassing = 0;
    m_clock += ms;
    if (m_clock > kVirtualTimeLimit)
        qFatal("The player waited for more than %llu virtual ms", kVirtualTimeLimit);
}
