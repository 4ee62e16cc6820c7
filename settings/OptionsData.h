#pragma once

#include "voices/Techniques.h"

#include <QIODevice>
#include <QString>

// The user's settings, kept in the 61-byte options file. A new object is all zero.
class TOptionsData
{
public:
    TMedInstructor FMedInstructor = 0;
    TMedTech FMedTechnique = TMedTech::mtSilence;
    qint32 FMedLenMin = 0;
    qint32 FRemIntTech1Sec = 0;
    qint32 FRemIntTech3MSec = 0;
    qint32 FRemIntTech6MSec = 0;
    qint32 FConcIntSec = 0;
    bool FPlayNidra = false;
    qint32 FNidraFileNum = 0;
    bool FPlayMusic = false;
    qint32 FMusicPosition = 0;
    qint32 FMusicFileNum = 0;
    qint32 FMusicSubFileNum = 0;
    bool FPlaySound = false;
    qint32 FBackSoundFileNum = 0;
    double FVolume = 0.0;
    bool FDoNotPlayIntro = false;
    bool FSwitchOffComputerAfterMeditation = false;

    static constexpr qint64 kFileSize = 61;

    // Replaces every field with the file's content. A file that cannot be read, is not
    // exactly 61 bytes or names an instructor other than 0 or 1 throws and changes nothing.
    void LoadFromFile(const QString &fileName);
    // Writes atomically: a failed save throws and leaves the old file as it was.
    void SaveToFile(const QString &fileName) const;

    void ReadFrom(QIODevice &device);
    void WriteTo(QIODevice &device) const;

    bool operator==(const TOptionsData &) const = default;
};
