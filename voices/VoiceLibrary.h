#pragma once

#include "voices/InstructorVoices.h"

#include <QString>
#include <QStringList>

// What loading found wrong: voice folders without a recording (each once), and files named
// like recordings that are no regular files (FIFOs, sockets, devices), passed over unopened.
struct TVoiceLibraryReport
{
    QStringList emptyFolders;
    QStringList skippedFiles;
};

// Builds both instructors' voice sets from the Sounds folder under `programDir` (which ends
// with a separator), replacing whatever `voices` held. A voice folder that is missing or
// holds no MP3 file is left empty and reported; loading goes on.
TVoiceLibraryReport LoadVoiceLibrary(const QString &programDir, TInstructorVoiceSets &voices);
// The same from several libraries of the same layout (each folder ends with a separator):
// every list holds the recordings of the first library, then those of the next, and a folder
// counts as empty only when it is empty in all of them.
TVoiceLibraryReport LoadVoiceLibrary(const QStringList &libraryDirs, TInstructorVoiceSets &voices);

// The one Russian message start-up shows for the report; empty when all is well.
QString VoiceLibraryProblemsText(const TVoiceLibraryReport &report);
