#pragma once

#include "FakeAudio.h"
#include "player/PlayerHost.h"

#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

// The window and the system on a virtual clock. Sleep advances the clock by its length;
// WaitForActivity advances to the next end of a stream, at most 20 ms and at least 1 ms;
// ProcessMessages runs the scripted actions that are due (a click on Stop at a given
// moment, a move of the volume bar, ...). Message boxes, progress, the state of the
// controls and shutdown requests are recorded.
class VirtualHost : public PlayerHost
{
public:
    VirtualHost(quint64 &clock, FakeAudio &audio);

    // Runs `action` inside the first message handling at or after virtual time `at`.
    void At(quint64 at, std::function<void()> action);
    // The controls: what UpdateOptions copies into the options.
    std::function<void()> onUpdateOptions;
    int selectedMusicPlaylist = -1;

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
    int shutdownRuns = 0;
    bool stopButtonEnabled = false;
    bool progressScrollEnabled = false;
    bool percentLabelEnabled = false;
    // When the progress display was last enabled: the start of the meditation time.
    std::optional<quint64> progressEnabledAt;

    // A wait that never ends is a fault of the player: a meditation of any length in these
    // tests is over long before this virtual time.
    static constexpr quint64 kVirtualTimeLimit = 48ULL * 3600 * 1000;

private:
    void Advance(quint64 ms);

    quint64 &m_clock;
    FakeAudio &m_audio;
    std::multimap<quint64, std::function<void()>> m_actions;
};
