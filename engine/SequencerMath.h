#pragma once

// Small pieces of arithmetic shared by the sequencer and live recording.

#include "PluginProcessor.h"

#include <algorithm>
#include <cmath>

namespace kestrum::seq
{

constexpr bool sameText(const char* a, const char* b)
{
    return *a == *b && (*a == '\0' || sameText(a + 1, b + 1));
}

// Position of a global identifier in the handle table (the table's size when it is missing).
constexpr size_t globalParameterIndex(const char* id)
{
    for (size_t i = 0; i < globalParameterIDs.size(); ++i)
        if (sameText(globalParameterIDs[i], id))
            return i;
    return globalParameterIDs.size();
}

inline constexpr size_t tempoParam = globalParameterIndex(ids::tempo);
inline constexpr size_t syncToDawParam = globalParameterIndex(ids::syncToDaw);
inline constexpr size_t sequencerRunParam = globalParameterIndex(ids::sequencerRun);
inline constexpr size_t delayPreFaderParam = globalParameterIndex(ids::delayPreFader);
static_assert(tempoParam < globalParameterIDs.size() && syncToDawParam < globalParameterIDs.size()
              && sequencerRunParam < globalParameterIDs.size() && delayPreFaderParam < globalParameterIDs.size());

// Nearest integer, halves away from zero.
inline float roundHalfAway(float v) noexcept { return std::round(v); }

// A channel's sequence length: 1 to 16 steps, 16 without a parameter.
inline int lengthFrom(const std::atomic<float>* handle) noexcept
{
    if (handle == nullptr)
        return numSteps;
    const float value = finiteOr(handle->load(), static_cast<float>(numSteps));
    return static_cast<int>(std::clamp(roundHalfAway(value), 1.0f, static_cast<float>(numSteps)));
}

// One sixteenth note in samples, never less than one sample.
inline double samplesPerStep(double sampleRate, float tempo) noexcept
{
    const double bpm = std::clamp(static_cast<double>(tempo), 30.0, 300.0);
    return std::max(sampleRate * 15.0 / bpm, 1.0);
}

inline float stepVelocity(float v) noexcept { return std::clamp(v, 0.25f, 1.0f); }

// The frequency ratio that plays MIDI pitch `note` on a channel whose own pitch is 36 + channel.
inline float pitchRatio(float note, int channel) noexcept
{
    const float clamped = std::clamp(note, 0.0f, 127.0f);
    return std::clamp(std::pow(2.0f, (clamped - 36.0f - static_cast<float>(channel)) / 12.0f), 0.125f, 8.0f);
}

// Folds a position past the loop end back into the loop, as the host will on its next block.
inline double wrapIntoLoop(const HostTransport& t, double ppq) noexcept
{
    if (!(t.isLooping && t.loopValid && ppq >= t.loopEndPpq))
        return ppq;
    const double length = t.loopEndPpq - t.loopStartPpq;
    double offset = std::fmod(ppq - t.loopStartPpq, length);
    if (offset < 0.0)
        offset += length;
    return t.loopStartPpq + offset;
}

} // namespace kestrum::seq
