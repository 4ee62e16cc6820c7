#pragma once

#include "playlists/Mp3FilesList.h"
#include "settings/OptionsData.h"

#include <QString>

// Writes a program folder's settings for a one-minute meditation that starts with `music`
// (one playlist of that one file) at full volume; with `powerOff` it would switch the
// computer off at its end.
inline void WriteMusicFirstSettings(const QString &programDir, const QString &music, bool powerOff)
{
    TMp3FilesList lists;
    lists.AddList(QStringLiteral("Тон"));
    lists.at(0).mp3files = QStringList{music};
    lists.SaveToFile(programDir + QStringLiteral("musiclists.bin"));
    TOptionsData options;
    options.FMedLenMin = 1;
    options.FRemIntTech1Sec = 10;
    options.FVolume = 1.0;
    options.FPlayMusic = true;
    options.FMusicPosition = 0;
    options.FMusicFileNum = 0;
    options.FMusicSubFileNum = -1;
    options.FSwitchOffComputerAfterMeditation = powerOff;
    options.SaveToFile(programDir + QStringLiteral("options.bin"));
}
