#include "DelayTime.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

const std::array<float, numDelayDivisions> delayQuarterNoteMultipliers {
    0.125f, 0.25f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 3.0f, 4.0f
};

const std::array<const char*, numDelayDivisions> delayDivisionNames {
    "1/32", "1/16", "1/8", "1/8D", "1/4", "1/4D", "1/2", "1/2D", "1/1"
};

int delayDivisionIndex(float delayTime) noexcept
{
    // Written so that a NaN lands on the shortest division instead of an undefined rounding.
    const float t = delayTime > 0.0f ? std::min(delayTime, 1.0f) : 0.0f;
    return static_cast<int>(std::lround(t * 8.0f));
}

float delayTimeSeconds(float delayTime, bool sync, float tempo) noexcept
{
    if (sync)
    {
        const float quarterNote = tempo >= 30.0f ? 60.0f / std::min(tempo, 300.0f) : 2.0f;
        return quarterNote * delayQuarterNoteMultipliers[static_cast<size_t>(delayDivisionIndex(delayTime))];
    }

    if (! (delayTime >= 0.0f))
        return 0.02f;

    return 0.02f + 1.98f * std::min(delayTime, 1.0f);
}

std::string delayTimeDisplayText(float delayTime, bool sync, float tempo)
{
    if (sync)
        return delayDivisionNames[static_cast<size_t>(delayDivisionIndex(delayTime))];

    const long ms = std::lround(delayTimeSeconds(delayTime, false, tempo) * 1000.0f);
    return std::to_string(ms) + " MS";
}

} // namespace kestrum
