#include "player/PhaseTable.h"

namespace {

const QStringList *PreparationFilesList(const TInstructorVoices &voices, int index)
{
    const TMp3FilesList *lists = voices.FNidrasLists.get();
    if (lists == nullptr || index < 0 || index >= lists->flistscount)
        return nullptr;
    return &lists->flists[static_cast<std::size_t>(index)].mp3files;
}

} // namespace

const QStringList *PhaseFilesList(const TInstructorVoices &voices, TPhaseId phase)
{
    const int ordinal = static_cast<int>(phase);
    if (ordinal < kPreparationPhaseCount)
        return PreparationFilesList(voices, ordinal);

    switch (phase) {
    case TPhaseId::pimedbegtechthrem: return &voices.FMedBegsTech1List;
    case TPhaseId::pimedbegtechbrrem: return &voices.FMedBegsTech2List;
    case TPhaseId::pimedbegtecheachbr: return &voices.FMedBegsTech3List;
    case TPhaseId::pimedbegtechincbrco: return &voices.FMedBegsTech4List;
    case TPhaseId::pimedbegtechlowbrco: return &voices.FMedBegsTech5List;
    case TPhaseId::pimedbegtechbodpar: return &voices.FMedBegsTech6List;
    case TPhaseId::pimedbegtechranbodpar: return &voices.FMedBegsTech7List;
    case TPhaseId::pimedbegtechsil: return &voices.FMedBegsTech8List;
    case TPhaseId::pimedbegtechquick: return &voices.FMedBegsQuickList;
    case TPhaseId::pireminder: return &voices.FRemindersTech1List;
    case TPhaseId::pimedend: return &voices.FMedEndsList;
    case TPhaseId::pimedendofrel: return &voices.FMedEndsTech6List;
    case TPhaseId::pireminhal: return &voices.FRemindersTech3InhalList;
    case TPhaseId::piremexhal: return &voices.FRemindersTech3ExhalList;
    case TPhaseId::pirembr: return &voices.FRemindersTech2List;
    case TPhaseId::piremtech6: return &voices.FRemindersTech6List;
    case TPhaseId::piMedPrepTechConcAddText: return &voices.FMedBegsTechConcAddList;
    case TPhaseId::piConcIntSec: return &voices.FRemindersConcIntSecList;
    case TPhaseId::piConcIntTime: return &voices.FRemindersConcIntTimeList;
    case TPhaseId::piConcIntSecNotBeg: return &voices.FRemindersConcIntSecNotBegList;
    case TPhaseId::piConcIntTimeNotBeg: return &voices.FRemindersConcIntTimeNotBegList;
    case TPhaseId::piConcIntEnd: return &voices.FRemindersConcIntEndList;
    default: return nullptr;
    }
}
