#pragma once

#include "journal/JournalEntry.h"
#include "player/MeditationPlayer.h"
#include "playlists/Mp3FilesList.h"
#include "settings/OptionsData.h"
#include "voices/InstructorVoices.h"

#include <QDateTime>

// The journal's row for a meditation: what was chosen when Start was pressed (the names
// the user saw, since playlist numbers change), and then how it ended.
JournalEntry StartedMeditation(const TOptionsData &options, const TInstructorVoiceSets &voices,
                               const TMp3FilesList &backSounds, const QDateTime &now);
JournalEntry FinishedMeditation(JournalEntry started, const TMedSummary &summary);
