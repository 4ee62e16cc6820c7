#include "settings/ui/MeditationRecord.h"

#include "voices/Techniques.h"

#include <algorithm>

namespace {

QString preparationName(const TOptionsData &options, const TInstructorVoiceSets &voices)
{
    if (!options.FPlayNidra || options.FMedInstructor >= voices.size())
        return QString();
    const TMp3FilesList &nidras = *voices[options.FMedInstructor].FNidrasLists;
    const qint32 index = options.FNidraFileNum;
    return index >= 0 && index < nidras.flistscount ? nidras.at(index).name : QString();
}

// Entry 0 of the list is "no sound"; entry k is playlist k - 1.
QString backgroundName(const TOptionsData &options, const TMp3FilesList &backSounds)
{
    const qint32 index = options.FBackSoundFileNum - 1;
    if (!options.FPlaySound || index < 0 || index >= backSounds.flistscount)
        return QString();
    return backSounds.at(index).name;
}

JournalEnding endingOf(TMedEnd end)
{
    switch (end) {
    case TMedEnd::Completed: return JournalEnding::Completed;
    case TMedEnd::Stopped: return JournalEnding::Stopped;
    case TMedEnd::MissingPhrase: return JournalEnding::MissingPhrase;
    case TMedEnd::WindowClosed: return JournalEnding::WindowClosed;
    case TMedEnd::Failed: return JournalEnding::Failed;
    }
    return JournalEnding::Failed;
}

} // namespace

JournalEntry StartedMeditation(const TOptionsData &options, const TInstructorVoiceSets &voices,
                               const TMp3FilesList &backSounds, const QDateTime &now)
{
    JournalEntry entry;
    entry.start = JournalMoment(now);
    entry.plannedMinutes = std::clamp<qint32>(options.FMedLenMin, 1, kLongestPlannedMinutes);
    const TMedTech tech = IsKnownTech(options.FMedTechnique) ? options.FMedTechnique : TMedTech::mtSilence;
    entry.technique = MedTechName(tech);
    entry.instructor = MedInstructorName(options.FMedInstructor);
    entry.preparation = preparationName(options, voices);
    entry.background = backgroundName(options, backSounds);
    return entry;
}

JournalEntry FinishedMeditation(JournalEntry started, const TMedSummary &summary)
{
    const quint64 seconds = summary.meditatedMs / 1000;
    started.meditatedSeconds = qint32(std::min<quint64>(seconds, kLongestMeditationSeconds));
    started.ending = endingOf(summary.end);
    return started;
}
