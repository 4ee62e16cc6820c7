#pragma once

#include "voices/InstructorVoices.h"

#include <QString>

// Builds both instructors' voice sets from the Sounds folder under `programDir` (which ends
// with a separator), replacing whatever `voices` held. A voice folder that is missing or
// holds no MP3 file is reported through MyAssertProc and left empty; loading goes on.
void LoadVoiceLibrary(const QString &programDir, TInstructorVoiceSets &voices);
// The same from several libraries of the same layout (each folder ends with a separator):
// every list holds the recordings of the first library, then those of the next, and a folder
// counts as empty only when it is empty in all of them.
void LoadVoiceLibrary(const QStringList &libraryDirs, TInstructorVoiceSets &voices);
