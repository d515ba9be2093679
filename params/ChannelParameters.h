#pragma once

#include <array>
#include <cstdint>

namespace kestrum
{

// The per-sample view a voice has of its channel's parameters. The engine rebuilds one record
// per channel per sample from the cached handles; a field whose parameter the channel lacks keeps
// the default given here (which deliberately may differ from the layout default).
struct ChannelParameters
{
    // Common drum fields
    float tune = 80.0f;
    float decay = 0.5f;
    float tone = 0.5f;
    float shape = 0.5f;
    float noise = 0.0f;

    // Rim shot
    float rimLowTune = 455.0f;
    float rimHighTune = 1667.0f;
    float rimDecay = 0.01f;
    float rimLowLevel = 0.72f;
    float rimHighLevel = 0.84f;
    float rimHighPass = 0.48f;
    float rimDrive = 0.34f;
    float rimSnap = 0.42f;

    // Kick
    float kik9Tune = 54.0f;
    float kik9TuneDecay = 0.12f;
    float kik9TuneDepth = 26.0f;
    float kik9Decay = 0.58f;
    float kik9Attack = 0.4f;
    float kik9Noise = 0.18f;
    float kik9Distortion = 0.08f;
    float kik9Compression = 0.08f;
    float kik9Level = 0.86f;
    float kik9Accent = 0.55f;
    float kik9AltModel = 0.0f;
    float kik9Model3 = 0.0f;
    float kik9Model4 = 0.0f;
    float kik9Model5 = 0.0f;
    float kik9Model6 = 0.0f;
    float kik9Model7 = 0.0f;
    float kik9AltPitch = 53.0f;
    float kik9AltTune = 0.04f;
    float kik9AltTuneDepth = 31.51f;
    float kik9AltDecay = 0.233f;
    float kik9AltAttack = 0.08f;
    float kik9AltLevel = 0.86f;
    float kik9AltDrive424 = 0.0f;
    float kik9AltDrive424Enabled = 1.0f;
    float kik9AltCompressionXla = 0.0f;
    float kik9MatchEqEnabled = 0.0f;
    float kik9MatchEqMuted = 0.0f;
    float kik9MatchEqPost = 1.0f;
    std::array<float, 3> kik9MatchEqBandEnabled { 1.0f, 1.0f, 1.0f };
    std::array<float, 3> kik9MatchEqFrequency { 80.0f, 400.0f, 1600.0f };
    std::array<float, 3> kik9MatchEqGain { 0.0f, 0.0f, 0.0f };
    std::array<float, 3> kik9MatchEqQ { 1.3f, 1.0f, 1.0f };
    std::array<float, 3> kik9MatchEqShape { 0.0f, 0.0f, 3.0f };

    // Hats
    float hatSaturation = 0.18f;
    float hatGain = 1.0f;
    float hat9OpenDecay = 0.38f;
    float hat9OpenTune = 0.0f;
    float hat9OpenLevel = 1.0f;
    float hat9Accent = 0.62f;
    float hat9RfCutoff = 92.209343f;
    float hat9RfRes = 0.0f;
    float hat9RfBypass = 1.0f;
    float hat9EqSat = 1.0f;
    float hat9Dac12 = 1.0f;
    float hat9Gs3EqEnabled = 1.0f;
    float hat9Gs3EqMuted = 0.0f;
    float hat9Gs3EqPost = 1.0f;
    std::array<float, 3> hat9Gs3EqBandEnabled { 1.0f, 1.0f, 1.0f };
    std::array<float, 3> hat9Gs3EqFrequency { 80.0f, 653.0f, 11500.0f };
    std::array<float, 3> hat9Gs3EqGain { -1.6f, -5.3f, 8.5f };
    std::array<float, 3> hat9Gs3EqQ { 0.7f, 0.35f, 0.35f };
    std::array<float, 3> hat9Gs3EqShape { 0.0f, 0.0f, 3.0f };

    // Synthesisers and snare processing
    float foldback = 0.0f;
    float fmAmount = 0.0f;
    int32_t genAWaveform = 0;
    float genCSemMode = 0.0f;
    float osc2Tune = 520.0f;
    float osc2On = 1.0f;
    float filterCutoff = 0.5f;
    float filterEnv = 0.0f;
    float sp1200On = 0.0f;
    float sp1200Cutoff = 0.8f;
    float sp1200Resonance = 0.12f;
    float snareLimit = 0.0f;
    int32_t sh101Octave = 1;
    float sh101Tune = 0.0f;
    float sh101SawLevel = 0.82f;
    float sh101PulseLevel = 0.42f;
    float sh101PulseWidth = 0.5f;
    float sh101SubDetune = 0.0f;
    float sh101SubLevel = 0.72f;
    int32_t sh101SubType = 0;
    float sh101Cutoff = 0.38f;
    float sh101Resonance = 0.22f;
    float sh101FilterEnv = 0.58f;
    float sh101LfoRate = 2.0f;
    float sh101LfoAmount = 0.65f;
    int32_t sh101LfoDestination = 0;
    float sh101Attack = 0.025f;
    float sh101Decay = 0.32f;
    float sh101Sustain = 0.32f;
    float sh101Release = 0.72f;

    // Output
    float volume = 0.75f;
};

} // namespace kestrum
