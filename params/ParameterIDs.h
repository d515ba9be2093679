#pragma once

#include "VoiceType.h"

#include <juce_core/juce_core.h>

#include <array>
#include <cmath>

namespace kestrum
{

constexpr int numChannels = 8;
constexpr int numSteps = 16;
constexpr int numChordNotes = 3; // extra notes besides the step's own
constexpr int maxControlSlots = 24;

// Global parameter identifiers, in layout order.
namespace ids
{
inline constexpr const char* tempo = "Tempo";
inline constexpr const char* syncToDaw = "SyncToDaw";
inline constexpr const char* sequencerRun = "SequencerRun";
inline constexpr const char* glue = "Glue";
inline constexpr const char* gluePush = "GluePush";
inline constexpr const char* limiterSidechainFilter = "LimiterSidechainFilter";
inline constexpr const char* limiterAutoGain = "LimiterAutoGain";
inline constexpr const char* kickDuck = "KickDuck";
inline constexpr const char* delayTime = "DelayTime";
inline constexpr const char* delaySync = "DelaySync";
inline constexpr const char* delayPreFader = "DelayPreFader";
inline constexpr const char* delayHighPass = "DelayHighPass";
inline constexpr const char* delayFeedback = "DelayFeedback";
inline constexpr const char* delayWet = "DelayWet";
inline constexpr const char* delayMute = "DelayMute";
} // namespace ids

inline constexpr std::array<const char*, 15> globalParameterIDs {
    ids::tempo,         ids::syncToDaw,     ids::sequencerRun,  ids::glue,          ids::gluePush,
    ids::limiterSidechainFilter, ids::limiterAutoGain, ids::kickDuck, ids::delayTime, ids::delaySync,
    ids::delayPreFader, ids::delayHighPass, ids::delayFeedback, ids::delayWet,      ids::delayMute
};

// A host can automate a parameter to NaN (JUCE's range clamps let it through); every reader on the
// audio thread takes its default instead, so no index, filter or delay line is ever poisoned.
inline float finiteOr(float value, float fallback) noexcept
{
    return std::isfinite(value) ? value : fallback;
}

// Positions in globalParameterIDs, for code that keeps one handle per global parameter.
enum GlobalParameterIndex : size_t
{
    tempoIndex,
    syncToDawIndex,
    sequencerRunIndex,
    glueIndex,
    gluePushIndex,
    limiterSidechainFilterIndex,
    limiterAutoGainIndex,
    kickDuckIndex,
    delayTimeIndex,
    delaySyncIndex,
    delayPreFaderIndex,
    delayHighPassIndex,
    delayFeedbackIndex,
    delayWetIndex,
    delayMuteIndex
};

// One row of the channel catalogue: what a channel is called, which design renders it and which
// controls its strip shows. All strings have static storage duration.
struct ChannelDescriptor
{
    const char* name;
    const char* shortName;
    const char* noteName;
    VoiceType voiceType;
    int32_t controlCount;
    std::array<const char*, maxControlSlots> controlLabels;
    std::array<const char*, maxControlSlots> parameterSuffixes;
};

extern const std::array<ChannelDescriptor, numChannels> channelDescriptors;

// The catalogue row of a channel index clamped into 0..7.
const ChannelDescriptor& getChannelDescriptor(int channelIndex) noexcept;

// Identifier builders. Channel and step indices are not checked: an index out of range yields an
// identifier that names no parameter.
juce::String getParameterID(int channelIndex, juce::StringRef suffix);
juce::String getStepParameterID(int channelIndex, int stepIndex);
juce::String getStepVelocityParameterID(int channelIndex, int stepIndex);
juce::String getStepPitchParameterID(int channelIndex, int stepIndex);
juce::String getStepChordCountParameterID(int channelIndex, int stepIndex);
juce::String getStepChordPitchParameterID(int channelIndex, int stepIndex, int chordNoteIndex);
juce::String getStepChordVelocityParameterID(int channelIndex, int stepIndex, int chordNoteIndex);

} // namespace kestrum
