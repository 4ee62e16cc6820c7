#pragma once

#include "playlists/Mp3FilesList.h"

#include <QStringList>
#include <array>
#include <memory>

// One instructor's recordings: for every kind of phrase a list of candidate files (full
// paths), and the preparation recordings as named playlists. A list the instructor does
// not have stays empty; wherever a count is taken, missing and empty are alike.
struct TInstructorVoices
{
    double VoiceCoef = 0.0;
    QStringList FRemindersTech1List;
    QStringList FRemindersTech2List;
    QStringList FRemindersTech3InhalList;
    QStringList FRemindersTech3ExhalList;
    QStringList FRemindersTech6List;
    QStringList FRemindersConcIntSecList;
    QStringList FRemindersConcIntSecNotBegList;
    QStringList FRemindersConcIntTimeList;
    QStringList FRemindersConcIntTimeNotBegList;
    QStringList FRemindersConcIntEndList;
    QStringList FMedBegsTech1List;
    QStringList FMedBegsTech2List;
    QStringList FMedBegsTech3List;
    QStringList FMedBegsTech4List;
    QStringList FMedBegsTech5List;
    QStringList FMedBegsTech6List;
    QStringList FMedBegsTech7List;
    QStringList FMedBegsTech8List;
    QStringList FMedBegsQuickList;
    QStringList FMedBegsTechConcAddList;
    QStringList FMedBegsTechPrepContIntSecList;
    QStringList FMedBegsTechPrepContIntTimeList;
    QStringList FMedEndsList;
    QStringList FMedEndsTech6List;
    std::unique_ptr<TMp3FilesList> FNidrasLists = std::make_unique<TMp3FilesList>();
};

using TInstructorVoiceSets = std::array<TInstructorVoices, 2>;
