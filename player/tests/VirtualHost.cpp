#include "VirtualHost.h"

#include <QtGlobal>
#include <algorithm>

VirtualHost::VirtualHost(quint64 &clock, FakeAudio &audio)
    : m_clock(clock)
    , m_audio(audio)
{
}

void VirtualHost::At(quint64 at, std::function<void()> action)
{
    m_actions.emplace(at, std::move(action));
}

void VirtualHost::ProcessMessages()
{
    ++processMessagesCalls;
    while (!m_actions.empty() && m_actions.begin()->first <= m_clock) {
        auto action = std::move(m_actions.begin()->second);
        m_actions.erase(m_actions.begin());
        action();
    }
}

void VirtualHost::Sleep(int ms)
{
    Advance(static_cast<quint64>(std::max(ms, 0)));
}

void VirtualHost::WaitForActivity()
{
    quint64 step = 20;
    if (const auto end = m_audio.NextStreamEnd(); end && *end > m_clock)
        step = std::min(step, *end - m_clock);
    Advance(std::max<quint64>(step, 1));
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

void VirtualHost::Advance(quint64 ms)
{
    m_clock += ms;
    if (m_clock > kVirtualTimeLimit)
        qFatal("The player waited for more than %llu virtual ms", kVirtualTimeLimit);
}
