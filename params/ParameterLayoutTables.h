#pragma once

// The data behind createParameterLayout(): ranges, defaults and names of every parameter family.
// Only ParameterLayout.cpp includes this; the order of the rows is the order a host sees, so rows
// are never reordered, only appended to where a new family is meant to go.

#include "ParameterIDs.h"

#include <array>

namespace kestrum::layout
{

enum class Kind
{
    Float,
    Switch,
    Int,
    Choice
};

// One parameter without its channel: the identifier suffix, the part of the display name after the
// channel, its kind, range and plain default. An int keeps its bounds in start and end; a switch's
// default is 0 or 1 and a choice's default is an index.
struct ParameterRow
{
    const char* suffix;
    const char* name;
    Kind kind;
    float start;
    float end;
    float step;
    float skew;
    float defaultValue;
    const char* choices; // a choice's texts separated by '|', else nullptr
};

constexpr ParameterRow floatRow(const char* suffix, const char* name, float start, float end, float step, float skew,
                                float defaultValue)
{
    return { suffix, name, Kind::Float, start, end, step, skew, defaultValue, nullptr };
}

// The most common float: a 0..1 amount in steps of 0.001.
constexpr ParameterRow unitRow(const char* suffix, const char* name, float defaultValue)
{
    return floatRow(suffix, name, 0.0f, 1.0f, 0.001f, 1.0f, defaultValue);
}

constexpr ParameterRow switchRow(const char* suffix, const char* name, bool on)
{
    return { suffix, name, Kind::Switch, 0.0f, 1.0f, 1.0f, 1.0f, on ? 1.0f : 0.0f, nullptr };
}

constexpr ParameterRow intRow(const char* suffix, const char* name, int minimum, int maximum, int defaultValue)
{
    return { suffix,
             name,
             Kind::Int,
             static_cast<float>(minimum),
             static_cast<float>(maximum),
             1.0f,
             1.0f,
             static_cast<float>(defaultValue),
             nullptr };
}

constexpr ParameterRow choiceRow(const char* suffix, const char* name, const char* choices, int defaultIndex)
{
    return { suffix, name, Kind::Choice, 0.0f, 0.0f, 1.0f, 1.0f, static_cast<float>(defaultIndex), choices };
}

// ---------------------------------------------------------------------------------------------
// Global parameters; the suffix is the whole identifier and the name the whole display name.

inline constexpr std::array<ParameterRow, 15> globalRows { {
    floatRow(ids::tempo, "Tempo", 30.0f, 300.0f, 0.001f, 1.0f, 120.0f),
    switchRow(ids::syncToDaw, "Sync To DAW", false),
    switchRow(ids::sequencerRun, "Sequencer Start Stop", true),
    switchRow(ids::glue, "Limiter Enable", false),
    floatRow(ids::gluePush, "Dial Into Limiter / Output Gain", 0.0f, 10.0f, 0.001f, 1.0f, 0.0f),
    switchRow(ids::limiterSidechainFilter, "Limiter Sidechain Filter", false),
    switchRow(ids::limiterAutoGain, "Limiter Auto Gain", true),
    switchRow(ids::kickDuck, "Kick Duck", false),
    unitRow(ids::delayTime, "Delay Time", 0.18f),
    switchRow(ids::delaySync, "Delay Tempo Sync", false),
    switchRow(ids::delayPreFader, "Delay Send Pre-Mute", true),
    unitRow(ids::delayHighPass, "Delay High Pass", 0.0f),
    floatRow(ids::delayFeedback, "Delay Feedback", 0.0f, 1.65f, 0.001f, 1.0f, 0.36f),
    unitRow(ids::delayWet, "Delay Wet Volume", 0.46f),
    switchRow(ids::delayMute, "Delay Mute", false),
} };

// ---------------------------------------------------------------------------------------------
// Per-channel ranges and defaults of the shared tone parameters, indexed by channel index. The kick
// and rim shot rows only supply the volume default.

struct ChannelToneDefaults
{
    float tuneStart, tuneEnd, tuneDefault;
    float decayStart, decayEnd, decayDefault;
    float tone, shape, noise;
    float volume;
};

inline constexpr std::array<ChannelToneDefaults, numChannels> parameterDefaults { {
    { 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.82f },
    { 155.0f, 700.0f, 265.0f, 0.006f, 0.72f, 0.095f, 0.48f, 0.34f, 0.78f, 0.76f },
    { 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.72f },
    { 180.0f, 900.0f, 420.0f, 0.012f, 0.42f, 0.075f, 0.7f, 0.58f, 0.24f, 0.9f },
    { 180.0f, 900.0f, 405.0f, 0.008f, 3.2f, 0.72f, 0.74f, 0.62f, 0.18f, 0.88f },
    { 35.0f, 1800.0f, 92.0f, 0.02f, 3.5f, 0.55f, 0.32f, 0.62f, 0.24f, 0.68f },
    { 35.0f, 1800.0f, 260.0f, 0.02f, 3.5f, 0.34f, 0.58f, 0.48f, 0.46f, 0.66f },
    { 35.0f, 1800.0f, 620.0f, 0.02f, 3.5f, 0.24f, 0.76f, 0.36f, 0.58f, 0.64f },
} };

// ---------------------------------------------------------------------------------------------
// Channel 1: the kick. Its tone block is kick9Rows, the kick equaliser with its fourth band, then
// kick9AltRows.

inline constexpr const char* tridentLowShelfChoices = "60 Hz|120 Hz";
inline constexpr const char* tridentHighShelfChoices = "8 kHz|12 kHz";

inline constexpr std::array<ParameterRow, 20> kick9Rows { {
    floatRow("Kik9Tune", "KIK 9 Tune", 30.0f, 92.0f, 0.01f, 0.38f, 54.0f),
    floatRow("Kik9TuneDecay", "KIK 9 Tune Decay", 0.012f, 0.55f, 0.001f, 0.28f, 0.12f),
    floatRow("Kik9TuneDepth", "KIK 9 Tune Depth", 0.0f, 42.0f, 0.01f, 0.55f, 26.0f),
    floatRow("Kik9Decay", "KIK 9 Decay", 0.08f, 2.4f, 0.001f, 0.32f, 0.58f),
    unitRow("Kik9Attack", "KIK 9 Attack", 0.4f),
    unitRow("Kik9Noise", "KIK 9 Noise", 0.18f),
    unitRow("Kik9Distortion", "KIK 9 Distortion", 0.08f),
    unitRow("Kik9Compression", "KIK 9 Compression", 0.08f),
    unitRow("Kik9Level", "KIK 9 Level", 0.86f),
    unitRow("Kik9Accent", "KIK 9 Accent", 0.55f),
    choiceRow("Kik9EqLowShelfFreq", "Trident 80B Low Shelf Frequency", tridentLowShelfChoices, 1),
    floatRow("Kik9EqLowMidFreq", "Trident 80B Low Mid Frequency", 100.0f, 1500.0f, 1.0f, 0.42f, 100.0f),
    floatRow("Kik9EqHighMidFreq", "Trident 80B High Mid Frequency", 1000.0f, 15000.0f, 1.0f, 0.42f, 1000.0f),
    choiceRow("Kik9EqHighShelfFreq", "Trident 80B High Shelf Frequency", tridentHighShelfChoices, 1),
    switchRow("Kik9AltModel", "Alternative 909 Model", false),
    switchRow("Kik9Model3", "Model 3 Initial Knock", false),
    switchRow("Kik9Model4", "Model 4 Separated Body", false),
    switchRow("Kik9Model5", "Model 5 Stronger Harmonic", false),
    switchRow("Kik9Model6", "Model 6 Tuned Decay Fundamental", false),
    switchRow("Kik9Model7", "Model 7 Fundamental Forward Model 2", false),
} };

inline constexpr std::array<ParameterRow, 9> kick9AltRows { {
    floatRow("Kik9AltPitch", "Model 2 Pitch", 30.0f, 92.0f, 0.01f, 0.38f, 53.0f),
    floatRow("Kik9AltTune", "Model 2 Tune", 0.012f, 0.55f, 0.001f, 0.28f, 0.04f),
    floatRow("Kik9AltTuneDepth", "Model 2 Tune Depth", 0.0f, 42.0f, 0.01f, 2.409f, 31.51f),
    floatRow("Kik9AltDecay", "Model 2 Decay", 0.022f, 0.233f, 0.001f, 0.46f, 0.233f),
    unitRow("Kik9AltAttack", "Model 2 Attack", 0.08f),
    unitRow("Kik9AltLevel", "Model 2 Level", 0.86f),
    unitRow("Kik9AltDrive424", "Model 2 Drive", 0.0f),
    switchRow("Kik9AltDrive424Enabled", "Model 2 424 Drive Circuit Enabled", true),
    unitRow("Kik9AltCompressionXla", "Model 2 XLA Medium Compression", 0.0f),
} };

// Channel 2 repeats the kick's Trident frequency rows under its own prefix.
inline constexpr std::array<ParameterRow, 4> snareTridentFrequencyRows { {
    choiceRow("SnareEqLowShelfFreq", "Trident 80B Low Shelf Frequency", tridentLowShelfChoices, 1),
    floatRow("SnareEqLowMidFreq", "Trident 80B Low Mid Frequency", 100.0f, 1500.0f, 1.0f, 0.42f, 100.0f),
    floatRow("SnareEqHighMidFreq", "Trident 80B High Mid Frequency", 1000.0f, 15000.0f, 1.0f, 0.42f, 1000.0f),
    choiceRow("SnareEqHighShelfFreq", "Trident 80B High Shelf Frequency", tridentHighShelfChoices, 1),
} };

inline constexpr ParameterRow kick9TridentHighShelfGain =
    floatRow("Kik9EqHighShelf", "Trident 80B High Shelf Gain", -15.0f, 15.0f, 0.001f, 1.0f, 0.0f);
inline constexpr ParameterRow snareTridentHighShelfGain =
    floatRow("SnareEqHighShelf", "Trident 80B High Shelf Gain", -15.0f, 15.0f, 0.001f, 1.0f, 0.0f);

// ---------------------------------------------------------------------------------------------
// Shared tone block of channels 2, 4, 5, 6, 7 and 8.

// Where a row's range and default come from parameterDefaults instead of the row itself.
enum class ToneColumn
{
    None,
    Tune,
    Decay,
    Tone,
    Shape,
    Noise
};

struct SharedToneRow
{
    ParameterRow row;                   // the range of a row without its own column
    ToneColumn column;
    const char* snareName;              // channel 2's name for the parameter, nullptr when the same
    std::array<float, 6> defaults;      // channels 2, 4, 5, 6, 7, 8; unused when column is set
};

// The columns of SharedToneRow::defaults, by channel index (-1: the channel has no shared block).
inline constexpr std::array<int, numChannels> sharedToneColumnOfChannel { -1, 0, -1, 1, 2, 3, 4, 5 };

inline constexpr std::array<SharedToneRow, 19> sharedToneRows { {
    { floatRow("Tune", "Tune", 0.0f, 0.0f, 0.01f, 0.45f, 0.0f), ToneColumn::Tune, "Synth Pitch", {} },
    { floatRow("Decay", "Decay", 0.0f, 0.0f, 0.001f, 0.5f, 0.0f), ToneColumn::Decay, "Synth Decay", {} },
    { unitRow("Tone", "Tone", 0.0f), ToneColumn::Tone, "Noise Pitch", {} },
    { unitRow("Shape", "Shape", 0.0f), ToneColumn::Shape, "Noise Decay", {} },
    { unitRow("Noise", "Noise", 0.0f), ToneColumn::Noise, "Snappy", {} },
    { unitRow("HatSaturation", "Drive", 0.0f), ToneColumn::None, nullptr, { 0.0f, 0.18f, 0.18f, 0.0f, 0.0f, 0.0f } },
    { floatRow("HatGain", "Post Saturation Gain", 0.0f, 2.5f, 0.001f, 1.0f, 0.0f),
      ToneColumn::None,
      nullptr,
      { 1.0f, 1.08f, 1.08f, 1.0f, 1.0f, 1.0f } },
    { unitRow("FMAmount", "FM Modulator", 0.0f), ToneColumn::None, nullptr, {} },
    { unitRow("Foldback", "Foldback", 0.0f), ToneColumn::None, nullptr, {} },
    { switchRow("Osc2On", "Aux On", false), ToneColumn::None, "Osc2 On", { 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f } },
    { unitRow("Osc2Tune", "Aux Pitch", 0.0f),
      ToneColumn::None,
      "Osc2 Pitch",
      { 520.0f, 0.0f, 0.0f, 0.0f, 390.0f, 0.0f } },
    { floatRow("Osc2Fine", "Osc2 Fine", -100.0f, 100.0f, 0.001f, 1.0f, 0.0f), ToneColumn::None, nullptr, {} },
    { unitRow("Osc2Level", "Osc2 Level", 0.0f), ToneColumn::None, nullptr, { 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f } },
    { unitRow("FilterCutoff", "Filter Cutoff", 0.0f),
      ToneColumn::None,
      nullptr,
      { 0.5f, 0.5f, 0.5f, 0.42f, 0.51f, 0.6f } },
    { unitRow("FilterEnv", "Filter Envelope", 0.0f), ToneColumn::None, nullptr, { 0.0f, 0.0f, 0.0f, 0.0f, 0.46f, 0.0f } },
    { unitRow("Sp1200On", "Aux 12 Bit", 0.0f), ToneColumn::None, "12 Bit Amount", {} },
    { unitRow("Sp1200Cutoff", "Aux Cutoff", 0.0f),
      ToneColumn::None,
      "SP1200 Cutoff",
      { 0.82f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f } },
    { unitRow("Sp1200Resonance", "Aux Resonance", 0.0f),
      ToneColumn::None,
      "SP1200 Resonance",
      { 0.14f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f } },
    { switchRow("SnareLimit", "Aux Limit", false), ToneColumn::None, "LA2A Smash", {} },
} };

// Channels whose shared parameter has a range and name of its own (the snare's and the bass's
// second oscillator run in hertz, the others' aux pitch is a 0..1 amount).
struct SharedToneOverride
{
    int channelIndex;
    const char* suffix;
    const char* name;
    float start, end, step, skew;
};

inline constexpr std::array<SharedToneOverride, 2> sharedToneOverrides { {
    { 1, "Osc2Tune", "Osc2 Pitch", 160.0f, 1400.0f, 0.01f, 0.42f },
    { 6, "Osc2Tune", "Osc2 Pitch", 8.0f, 9000.0f, 0.01f, 0.34f },
} };

// ---------------------------------------------------------------------------------------------
// Channel-specific tone parameters.

inline constexpr std::array<ParameterRow, 8> rimShotRows { {
    floatRow("RimLowTune", "Low Bridged-T Tune", 320.0f, 720.0f, 0.01f, 0.5f, 455.0f),
    floatRow("RimHighTune", "High Bridged-T Tune", 1100.0f, 2800.0f, 0.01f, 0.5f, 1667.0f),
    floatRow("RimDecay", "VCA Decay", 0.004f, 0.08f, 0.0001f, 0.34f, 0.01f),
    unitRow("RimLowLevel", "Low Resonator Level", 0.72f),
    unitRow("RimHighLevel", "High Resonator Level", 0.84f),
    unitRow("RimHighPass", "Output High Pass", 0.48f),
    unitRow("RimDrive", "VCA Drive", 0.34f),
    unitRow("RimSnap", "Trigger Snap", 0.42f),
} };

inline constexpr std::array<ParameterRow, 15> openHatRows { {
    floatRow("Hat9OpenDecay", "TEV HAT 9 Open Decay", 0.015f, 0.62f, 0.001f, 0.42f, 0.38f),
    floatRow("Hat9OpenTune", "TEV HAT 9 Open Tune", -12.0f, 12.0f, 0.01f, 1.0f, 0.0f),
    floatRow("Hat9OpenLevel", "TEV HAT 9 Open Level", 0.0f, 1.5f, 0.001f, 0.67f, 1.0f),
    unitRow("Hat9Accent", "TEV HAT 9 Accent Amount", 0.62f),
    floatRow("Hat9RfCutoff", "TEV HAT 9 Ladder Filter Cutoff", 0.0f, 99.0f, 0.01f, 0.66f, 92.20934f),
    floatRow("Hat9RfRes", "TEV HAT 9 Ladder Filter Resonance", 0.0f, 99.0f, 0.01f, 1.0f, 0.0f),
    floatRow("Hat9HpCutoff", "TEV HAT 9 EQ High Pass Cutoff", 20.0f, 2200.0f, 0.01f, 0.11f, 199.21478f),
    switchRow("Hat9RfBypass", "TEV HAT 9 Resonant Filter Bypass", true),
    switchRow("Hat9EqOn", "TEV HAT 9 Filter EQ", true),
    floatRow("Hat9EqMidGain", "TEV HAT 9 Filter EQ Mid Gain", -15.0f, 15.0f, 0.01f, 1.0f, -7.07f),
    floatRow("Hat9EqMidQ", "TEV HAT 9 Filter EQ Mid Q", 0.35f, 2.5f, 0.01f, 0.28f, 0.71f),
    floatRow("Hat9EqTopGain", "TEV HAT 9 Filter EQ Top Gain", -15.0f, 15.0f, 0.01f, 1.0f, -4.3f),
    floatRow("Hat9EqTopQ", "TEV HAT 9 Filter EQ Top Q", 0.35f, 1.5f, 0.01f, 0.32f, 0.72f),
    switchRow("Hat9EqSat", "TEV HAT 9 Saturator", true),
    switchRow("Hat9Dac12", "TEV HAT 9 12 Bit DAC", true),
} };

inline constexpr ParameterRow genAWaveformRow = choiceRow("GenAWaveform", "Waveform", "Sine|Triangle|Square", 0);
inline constexpr ParameterRow genCSemModeRow = switchRow("GenCSemMode", "OBH Subtractive Mode", false);

inline constexpr std::array<ParameterRow, 14> bassSynthRows { {
    choiceRow("Sh101Octave", "SH-101 Octave", "32'|16'|8'|4'|2'", 1),
    floatRow("Sh101Tune", "SH-101 Fine Tune", -50.0f, 50.0f, 0.01f, 1.0f, 0.0f),
    unitRow("Sh101SawLevel", "SH-101 Saw Level", 0.82f),
    unitRow("Sh101PulseLevel", "SH-101 Pulse Level", 0.42f),
    floatRow("Sh101PulseWidth", "SH-101 Pulse Width", 0.05f, 0.95f, 0.001f, 1.0f, 0.5f),
    floatRow("Sh101SubDetune", "SH-101 Sub Detune", -35.0f, 35.0f, 0.01f, 1.0f, 0.0f),
    unitRow("Sh101SubLevel", "SH-101 Sub Level", 0.72f),
    choiceRow("Sh101SubType", "SH-101 Sub Type", "-1 SQ|-2 SQ|-2 PW", 0),
    unitRow("Sh101Cutoff", "SH-101 Filter Cutoff", 0.38f),
    unitRow("Sh101Resonance", "SH-101 Filter Resonance", 0.22f),
    floatRow("Sh101FilterEnv", "SH-101 Filter Envelope", -1.0f, 1.0f, 0.001f, 1.0f, 0.58f),
    floatRow("Sh101LfoRate", "SH-101 LFO Rate", 0.1f, 30.0f, 0.001f, 0.46f, 2.0f),
    unitRow("Sh101LfoAmount", "SH-101 LFO Amount", 0.65f),
    choiceRow("Sh101LfoDestination", "SH-101 LFO Destination", "OFF|PITCH|FILTER|PWM", 0),
} };

// The amplitude envelope closes the tone block of channels 6, 7 and 8; only its names differ.
inline constexpr std::array<ParameterRow, 4> ampEnvelopeRows { {
    floatRow("Sh101Attack", "SH-101 VCA Attack", 0.002f, 2.0f, 0.001f, 0.26f, 0.025f),
    floatRow("Sh101Decay", "SH-101 VCA Decay", 0.015f, 2.5f, 0.001f, 0.26f, 0.32f),
    unitRow("Sh101Sustain", "SH-101 VCA Sustain", 0.32f),
    floatRow("Sh101Release", "SH-101 VCA Release", 0.04f, 4.0f, 0.001f, 0.28f, 0.72f),
} };

inline constexpr std::array<const char*, 4> drumAmpEnvelopeNames {
    "Amp Envelope Attack", "Amp Envelope Decay", "Amp Envelope Sustain", "Amp Envelope Release"
};

// ---------------------------------------------------------------------------------------------
// Equaliser blocks: the kick's match equaliser, the module equaliser of channels 2, 3, 4, 6, 7, 8
// and the open hat's own. Same rows, different prefixes, defaults and post-switch names.

enum class EqVariant
{
    Kick,
    Module,
    OpenHat
};

struct EqVariantInfo
{
    const char* prefix;
    const char* postName;
};

inline constexpr std::array<EqVariantInfo, 3> eqVariants { {
    { "Kik9MatchEq", "GS3 EQ Post Drive And Compression" },
    { "ModuleGs3Eq", "GS3 EQ Post Module Output Saturation" },
    { "Hat9Gs3Eq", "GS3 EQ Post 424 Drive and 12 Bit" },
} };

struct EqRow
{
    ParameterRow row;               // suffix after the prefix; a null name means the variant's post name
    std::array<float, 3> defaults;  // by EqVariant
};

constexpr ParameterRow eqFrequencyRow(const char* suffix, const char* name)
{
    return floatRow(suffix, name, 20.0f, 20000.0f, 1.0f, 0.48f, 0.0f);
}

constexpr ParameterRow eqGainRow(const char* suffix, const char* name)
{
    return floatRow(suffix, name, -14.0f, 14.0f, 0.1f, 1.0f, 0.0f);
}

constexpr ParameterRow eqQRow(const char* suffix, const char* name)
{
    return floatRow(suffix, name, 0.05f, 12.0f, 0.001f, 0.36f, 0.0f);
}

inline constexpr std::array<EqRow, 15> eqRows { {
    { switchRow("Enabled", "GS3 EQ Enabled", false), { 0.0f, 1.0f, 1.0f } },
    { switchRow("Muted", "GS3 EQ Muted", false), { 0.0f, 0.0f, 0.0f } },
    { switchRow("Post", nullptr, false), { 1.0f, 1.0f, 1.0f } },
    { switchRow("Band1Enabled", "GS3 EQ LF Enabled", false), { 1.0f, 1.0f, 1.0f } },
    { eqFrequencyRow("Frequency", "GS3 EQ LF Frequency"), { 80.0f, 80.0f, 80.0f } },
    { eqGainRow("Gain", "GS3 EQ LF Gain"), { 0.0f, 0.0f, 0.0f } },
    { eqQRow("Q", "GS3 EQ LF Q"), { 0.7f, 0.7f, 0.7f } },
    { switchRow("Band2Enabled", "GS3 EQ MF Enabled", false), { 1.0f, 1.0f, 1.0f } },
    { eqFrequencyRow("Frequency2", "GS3 EQ MF Frequency"), { 1000.0f, 1000.0f, 653.0f } },
    { eqGainRow("Gain2", "GS3 EQ MF Gain"), { 0.0f, 0.0f, 0.0f } },
    { eqQRow("Q2", "GS3 EQ MF Q"), { 0.9f, 0.9f, 0.35f } },
    { switchRow("Band3Enabled", "GS3 EQ HF Enabled", false), { 1.0f, 1.0f, 1.0f } },
    { eqFrequencyRow("Frequency3", "GS3 EQ HF Turnover"), { 12000.0f, 12000.0f, 11500.0f } },
    { eqGainRow("Gain3", "GS3 EQ HF Gain"), { 0.0f, 0.0f, 0.0f } },
    { eqQRow("Q3", "GS3 EQ HF Q"), { 0.707f, 0.707f, 0.35f } },
} };

// The kick keeps a fourth band from an older equaliser; presets still carry it.
inline constexpr std::array<ParameterRow, 4> kickFourthBandRows { {
    switchRow("Band4Enabled", "Legacy Fourth EQ Band Enabled", false),
    floatRow("Frequency4", "Legacy Fourth EQ Band Frequency", 1500.0f, 16000.0f, 1.0f, 0.44f, 8000.0f),
    floatRow("Gain4", "Legacy Fourth EQ Band Gain", -18.0f, 18.0f, 0.1f, 1.0f, 0.0f),
    floatRow("Q4", "Legacy Fourth EQ Band Q", 0.5f, 4.0f, 0.01f, 0.45f, 1.3f),
} };

inline constexpr const char* eqShapeChoices =
    "Bell|Low Shelf|Low Cut|High Shelf|High Cut|Notch|Band Pass|Tilt Shelf|Flat Tilt|All Pass";
inline constexpr std::array<const char*, 3> eqShapeSuffixes { "Shape", "Shape2", "Shape3" };
inline constexpr std::array<int, 3> eqShapeDefaults { 0, 0, 3 }; // Bell, Bell, High Shelf

// ---------------------------------------------------------------------------------------------
// Common block of every channel. EqLow, EqMid and EqHigh are built separately because their range
// and names depend on the channel.

inline constexpr std::array<ParameterRow, 9> commonRows { {
    unitRow("Volume", "Volume", 0.0f), // default from parameterDefaults
    switchRow("Mute", "Mute", false),
    switchRow("Solo", "Solo", false),
    switchRow("FxSend", "FX Send", false),
    choiceRow("OutputRoute", "Output Route", nullptr, 0), // texts from getOutputRouteChoices()
    switchRow("VelocityRandom", "Velocity Random", false),
    switchRow("SeqOverwrite", "MIDI Span Ext Seq Overwrite", false),
    switchRow("PolyMode", "Mono Poly", false), // on for channel 8
    intRow("SeqLength", "Sequencer Length", 1, 16, 16),
} };

struct CommonEqGainRow
{
    const char* suffix;
    const char* name;
    const char* tridentName; // on channels 1 and 2, whose gains drive the Trident-style stages
};

inline constexpr std::array<CommonEqGainRow, 3> commonEqGainRows { {
    { "EqLow", "EQ Low", "Trident 80B Low Shelf Gain" },
    { "EqMid", "EQ Mid", "Trident 80B Low Mid Gain" },
    { "EqHigh", "EQ High", "Trident 80B High Mid Gain" },
} };

} // namespace kestrum::layout
