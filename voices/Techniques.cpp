#include "voices/Techniques.h"

TInstructorsInfo InstructorsInfo;

QString MedTechName(TMedTech tech)
{
    switch (tech) {
    case TMedTech::mtSilence:
        return QStringLiteral("Просто тишина");
    case TMedTech::mtThoughtsReminds:
        return QStringLiteral("Медитация с напоминаниями о наблюдении за мыслями");
    case TMedTech::mtBreathReminds:
        return QStringLiteral("Медитация с напоминаниями о наблюдении за дыханием");
    case TMedTech::mtConcIntervals:
        return QStringLiteral("Медитация с периодами концентрации");
    case TMedTech::mtEachBreathReminds:
        return QStringLiteral("Медитация с напоминаниями о каждом вдохе и выдохе");
    case TMedTech::mtIncreasingBreathCount:
        return QStringLiteral("Медитация с нарастающим счётом дыхания");
    case TMedTech::mtLoweringBreathCount:
        return QStringLiteral("Медитация со счётом дыхания сверху вниз");
    case TMedTech::mtBodyPartsEnum:
        return QStringLiteral("Перечисление частей тела");
    case TMedTech::mtRandomBodyPartsEnum:
        return QStringLiteral("\"Перемешанное\" перечисление частей тела");
    }
    return QString();
}

QString MedInstructorName(TMedInstructor instructor)
{
    switch (instructor) {
    case 0:
        return QStringLiteral("Мужской (Острель)");
    case 1:
        return QStringLiteral("Женский (Марвейн)");
    }
    return QString();
}

void TInstructorsInfo::Init()
{
    instructors[0].techsavailable.fill(true);
    instructors[1].techsavailable.fill(false);
    instructors[1].techsavailable[0] = true;
    instructors[1].techsavailable[1] = true;
}

bool TInstructorsInfo::IsAvailable(TMedInstructor instructor, TMedTech tech) const
{
    return instructor < kInstructorCount && IsKnownTech(tech)
           && instructors[instructor].techsavailable[static_cast<int>(tech)];
}

int TInstructorsInfo::GetListIndexForTech(TMedInstructor instructor, TMedTech tech) const
{
    // An unknown technique has the list index of silence.
    const int last = IsKnownTech(tech) ? static_cast<int>(tech) : 0;
    int index = -1;
    for (int j = 0; j <= last; ++j)
        if (IsAvailable(instructor, static_cast<TMedTech>(j)))
            ++index;
    return index;
}

TMedTech TInstructorsInfo::GetTechForListIndex(TMedInstructor instructor, int listIndex) const
{
    if (listIndex < 0)
        return TMedTech::mtSilence;
    int count = -1;
    for (int j = 0; j < kTechCount; ++j) {
        const auto tech = static_cast<TMedTech>(j);
        if (IsAvailable(instructor, tech) && ++count >= listIndex)
            return tech;
    }
    return TMedTech::mtSilence;
}
