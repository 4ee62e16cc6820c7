#pragma once

#include "voices/InstructorVoices.h"

#include <QStringList>
#include <cstdint>

// The playable phases of a meditation. Each names one list of the current instructor's
// voice set; the preparation phases name the file list of one preparation playlist.
enum class TPhaseId : std::uint8_t {
    pinidra1,
    pinidra2,
    pinidra3,
    pinidra4,
    pinidra5,
    pinidra6,
    pinidra7,
    pinidra8,
    pinidra9,
    pinidra10,
    pinidra11,
    pinidra12,
    pinidra13,
    pimedbegtechthrem,
    pimedbegtechbrrem,
    pimedbegtecheachbr,
    pimedbegtechincbrco,
    pimedbegtechlowbrco,
    pimedbegtechbodpar,
    pimedbegtechranbodpar,
    pimedbegtechsil,
    pimedbegtechquick,
    pireminder,
    pimedend,
    pimedendofrel,
    pireminhal,
    piremexhal,
    pirembr,
    piremtech6,
    piMedPrepTechConcAddText,
    piConcIntSec,
    piConcIntTime,
    piConcIntSecNotBeg,
    piConcIntTimeNotBeg,
    piConcIntEnd,
    piConcIntEndTime,
};

constexpr int kPhaseCount = 36;
constexpr int kPreparationPhaseCount = 13;

// The preparation phase that plays preparation playlist `index` (0 .. 12).
constexpr TPhaseId PreparationPhase(int index)
{
    return static_cast<TPhaseId>(static_cast<int>(TPhaseId::pinidra1) + index);
}

// The voice set's list for the phase, or nullptr when the set has none: a preparation
// playlist the instructor lacks, and piConcIntEndTime, which never had a list. An empty
// list is returned as it is; the caller treats missing and empty alike.
const QStringList *PhaseFilesList(const TInstructorVoices &voices, TPhaseId phase);
