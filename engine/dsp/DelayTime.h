#pragma once

// The master delay's time: free-running in seconds or as a note division of the tempo, and the
// text the editor shows for it. Pure functions, safe on any thread.

#include <array>
#include <string>

namespace kestrum
{

constexpr int numDelayDivisions = 9;

// Sync divisions, shortest first, as multiples of a quarter note and as shown to the user.
extern const std::array<float, numDelayDivisions> delayQuarterNoteMultipliers;
extern const std::array<const char*, numDelayDivisions> delayDivisionNames;

// The division a DelayTime value selects when synced: the knob's 0..1 spread over the nine
// divisions, nearest one wins.
int delayDivisionIndex(float delayTime) noexcept;

// Delay length in seconds. Synced, a quarter note lasts 60 / tempo (tempo capped at 300 bpm; a
// tempo below 30, which the engine never runs at, counts as a 2 s quarter note so the line always
// holds the longest division). Free, 20 ms to 2 s.
float delayTimeSeconds(float delayTime, bool sync, float tempo) noexcept;

// "1/8D" when synced, "376 MS" (whole milliseconds) when free. Builds a string: never call it on
// the audio thread.
std::string delayTimeDisplayText(float delayTime, bool sync, float tempo);

} // namespace kestrum
