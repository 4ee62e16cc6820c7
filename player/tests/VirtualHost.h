#pragma once

#include "FakeAudio.h"
#include "player/PlayerHost.h"

#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

// The window and the system on a virtual clock. Scripted user actions (a click on Stop at
// a given moment, a move of the volume bar, ...) run where the real window handles events:
// in ProcessMessages, and inside the pauses, which handle an event as it arrives and then
// return. Sleep lasts its length and WaitForActivity at most kActivityWaitMs; like the real
// pauses, both end early at the end of a stream and at a user action. Message boxes, progress, the
// state of the controls and shutdown requests are recorded.
class VirtualHost : public PlayerHost
{
public:
    VirtualHost(quint64 &clock, FakeAudio &audio);

    // Where an action may be handled: wherever it is due first, or only by one of them.
    enum class HandledIn { Anywhere, ProcessMessages, Pause };

    // Runs `action` inside the first event handling at or after virtual time `at`.
    void At(quint64 at, std::function<void()> action, HandledIn where = HandledIn::Anywhere);
    // The controls: what UpdateOptions copies into the options.
    std::function<void()> onUpdateOptions;
    int selectedMusicPlaylist = -1;
    // Runs as the progress display is enabled, as the window then reads the time left.
    std::function<void()> onProgressEnabled;
    // A real timer ends a sleep a little after its time: so much later, here.
    quint64 sleepOvershootMs = 0;

    quint64 TickCount() override { return m_clock; }
    void ProcessMessages() override;
    void Sleep(int ms) override;
    void WaitForActivity() override;
    void ShowMessage(const QString &text) override;
    void UpdateOptions() override;
    int SelectedMusicPlaylist() override { return selectedMusicPlaylist; }
    void ShowProgress(double progr) override;
    void EnableStopButton() override;
    void EnableProgressScroll() override;
    void DisableProgressScroll() override;
    void DisableStopButton() override;
    void RunShutdownCommand() override { ++shutdownRuns; }

    struct Progress
    {
        double value = 0.0;
        quint64 at = 0;
    };

    QStringList messages;
    std::vector<Progress> progress;
    int updateOptionsCalls = 0;
    int processMessagesCalls = 0;
    // Sleep and WaitForActivity calls: every one is a wake of the real program.
    int pauses = 0;
    int shutdownRuns = 0;
    bool stopButtonEnabled = false;
    bool progressScrollEnabled = false;
    bool percentLabelEnabled = false;
    // When the progress display was last enabled: the start of the meditation time.
    std::optional<quint64> progressEnabledAt;

    // A wait that never ends is a fault of the player: a meditation of any length in these
    // tests is over long before this virtual time.
    static constexpr quint64 kVirtualTimeLimit = 48ULL * 3600 * 1000;
    static constexpr int kBusyLoopCalls = 1000;

private:
    struct Action
    {
        HandledIn where;
        std::function<void()> run;
    };

    bool RunDueActions(HandledIn here);
    void Pause(quint64 atMost);
    void CountCallWithoutTimePassing();
    void Advance(quint64 ms);

    quint64 &m_clock;
    FakeAudio &m_audio;
    std::multimap<quint64, Action> m_actions;
    int m_callsWithoutTimePassing = 0;
};
