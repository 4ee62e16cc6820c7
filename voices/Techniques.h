#pragma once

#include <QString>
#include <array>
#include <cstdint>

enum class TMedTech : std::uint8_t {
    mtSilence,
    mtThoughtsReminds,
    mtBreathReminds,
    mtConcIntervals,
    mtEachBreathReminds,
    mtIncreasingBreathCount,
    mtLoweringBreathCount,
    mtBodyPartsEnum,
    mtRandomBodyPartsEnum,
};

constexpr int kTechCount = 9;
constexpr int kInstructorCount = 2;

// 0 is the male voice, 1 the female voice.
using TMedInstructor = std::uint8_t;

// A technique value read from a file may lie outside the nine; such a value counts as
// silence wherever it is used.
constexpr bool IsKnownTech(TMedTech tech)
{
    return static_cast<int>(tech) < kTechCount;
}

QString MedTechName(TMedTech tech);
QString MedInstructorName(TMedInstructor instructor);

// Which instructor offers which technique, and how an instructor's technique list maps to
// techniques and back.
struct TInstructorsInfo
{
    struct Instructor
    {
        std::array<bool, kTechCount> techsavailable{};
    };
    std::array<Instructor, kInstructorCount> instructors{};

    void Init();
    bool IsAvailable(TMedInstructor instructor, TMedTech tech) const;
    int GetListIndexForTech(TMedInstructor instructor, TMedTech tech) const;
    TMedTech GetTechForListIndex(TMedInstructor instructor, int listIndex) const;
};

// Filled once at start-up, read-only afterwards.
extern TInstructorsInfo InstructorsInfo;
