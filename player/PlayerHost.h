#pragma once

#include <QString>

// What the meditation player needs from the window that owns it: the clock, the message
// handling of its waits, message boxes, the progress display and the Stop button, the
// options refresh, and the shutdown command. The main window implements it for real; tests
// implement it on a virtual clock.
class PlayerHost
{
public:
    virtual ~PlayerHost() = default;

    // Milliseconds from a monotonic clock; never wraps.
    virtual quint64 TickCount() = 0;
    // Handles the pending window messages (clicks on Stop, Start, the volume bar...).
    virtual void ProcessMessages() = 0;
    // The pause between two rounds of a timed wait: at most `ms`, ended early by any
    // window event.
    virtual void Sleep(int ms) = 0;
    // The pause between two polls of a play-to-end wait: until a window event or the end
    // of a stream arrives (the audio library reports every end), at most kActivityWaitMs.
    virtual void WaitForActivity() = 0;
    // Only a safety net: nothing that the play-to-end waits look for comes without an event.
    static constexpr int kActivityWaitMs = 1000;

    // A modal message box captioned "Nesvara" with one OK button.
    virtual void ShowMessage(const QString &text) = 0;

    // Copies the controls into the options (the Start button does it before playing).
    virtual void UpdateOptions() = 0;
    // The music playlist selected in the main window's list right now (-1: none).
    virtual int SelectedMusicPlaylist() = 0;

    virtual void ShowProgress(double progr) = 0;
    virtual void EnableStopButton() = 0;
    virtual void EnableProgressScroll() = 0;
    virtual void DisableProgressScroll() = 0;
    virtual void DisableStopButton() = 0;

    // Switches the computer off; its result is ignored.
    virtual void RunShutdownCommand() = 0;
};
