#pragma once

#include <QString>
#include <QtGlobal>

// What the desktop's media controls show of the program: whether a meditation plays, is
// paused or none runs, and which one it is.
enum class TPlaybackStatus { Stopped, Playing, Paused };

struct TMediaState
{
    TPlaybackStatus status = TPlaybackStatus::Stopped;
    // Counts the meditations started; 0 before the first one. A new number is a new track
    // for the media controls.
    quint64 meditationNumber = 0;
    QString technique;
    QString instructor;
    qint64 lengthUs = 0;
    double volume = 0.0;

    bool operator==(const TMediaState &) const = default;
};

// What the desktop's media controls ask of the program. PlayPause arrives as Play or Pause,
// decided by the status the controls were shown.
enum class TMediaCommand { Play, Pause, Stop, Raise, Quit };
