#pragma once

#include "voices/InstructorVoices.h"

#include <QString>

// Builds both instructors' voice sets from the Sounds folder under `programDir` (which ends
// with a separator), replacing whatever `voices` held. A voice folder that is missing or
// holds no MP3 file is reported through MyAssertProc and left empty; loading goes on.
void LoadVoiceLibrary(const QString &programDir, TInstructorVoiceSets &voices);
