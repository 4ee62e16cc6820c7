#pragma once

#include "player/PlayerHost.h"

#include <QObject>
#include <QTimer>
#include <atomic>

// The waits of a running meditation, for the window that hosts the player: each blocks in
// the event loop until an event arrives, a wake comes (the end of a stream), or its timer
// fires, so a waiting meditation costs next to no CPU and the window stays live.
class PlayerWaits
{
public:
    PlayerWaits();
    ~PlayerWaits();
    PlayerWaits(const PlayerWaits &) = delete;
    PlayerWaits &operator=(const PlayerWaits &) = delete;

    // Handles the pending events and returns.
    void ProcessMessages();
    // At most `ms` milliseconds; ended early by any event or a wake.
    void Sleep(int ms);
    // At most kActivityWaitMs; ended early by any event or a wake.
    void WaitForActivity();
    // Ends the current wait, or the next one when none is running. Safe from any thread.
    void Wake();

    static constexpr int kActivityWaitMs = PlayerHost::kActivityWaitMs;

private:
    void WaitAtMost(int ms);

    QObject m_wakeTarget;
    // A precise timer: the player sleeps seconds at a time, and a coarse one may end such a
    // sleep 5 % late.
    QTimer m_timer;
    std::atomic<bool> m_wakePending{false};
};
