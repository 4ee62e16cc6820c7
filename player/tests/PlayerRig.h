#pragma once

#include "FakeAudio.h"
#include "VirtualHost.h"
#include "player/MeditationPlayer.h"

#include <QStringList>
#include <memory>

// The player with everything it reads, on a virtual clock starting at 0: a scripted audio
// fake and a host that runs the test's actions where the real waits handle events.
struct PlayerRig
{
    quint64 clock = 0;
    FakeAudio audio{clock};
    VirtualHost host{clock, audio};
    TOptionsData options;
    TInstructorVoiceSets voices;
    std::unique_ptr<TMp3FilesList> music = std::make_unique<TMp3FilesList>();
    std::unique_ptr<TMp3FilesList> backs = std::make_unique<TMp3FilesList>();
    TMeditationPlayer player{audio, host, options, voices, *music, *backs};
};

// "/<folder>/0.mp3" … "/<folder>/<count - 1>.mp3": a recorded play names what it was.
inline QStringList NumberedFiles(const QString &folder, int count)
{
    QStringList files;
    for (int i = 0; i < count; ++i)
        files << QStringLiteral("/%1/%2.mp3").arg(folder).arg(i);
    return files;
}
