#pragma once

#include "ChannelParameters.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>

namespace kestrum
{

// The parameter handles behind one channel's ChannelParameters, one per record field, looked up
// once on the message thread. A handle is null when the channel has no such parameter; the field
// then keeps the record's own default.
struct ChannelParameterHandles
{
    using Handle = std::atomic<float>*;
    using BandHandles = std::array<Handle, 3>;

    // Common drum fields
    Handle tune = nullptr;
    Handle decay = nullptr;
    Handle tone = nullptr;
    Handle shape = nullptr;
    Handle noise = nullptr;

    // Rim shot
    Handle rimLowTune = nullptr;
    Handle rimHighTune = nullptr;
    Handle rimDecay = nullptr;
    Handle rimLowLevel = nullptr;
    Handle rimHighLevel = nullptr;
    Handle rimHighPass = nullptr;
    Handle rimDrive = nullptr;
    Handle rimSnap = nullptr;

    // Kick
    Handle kik9Tune = nullptr;
    Handle kik9TuneDecay = nullptr;
    Handle kik9TuneDepth = nullptr;
    Handle kik9Decay = nullptr;
    Handle kik9Attack = nullptr;
    Handle kik9Noise = nullptr;
    Handle kik9Distortion = nullptr;
    Handle kik9Compression = nullptr;
    Handle kik9Level = nullptr;
    Handle kik9Accent = nullptr;
    Handle kik9AltModel = nullptr;
    Handle kik9Model3 = nullptr;
    Handle kik9Model4 = nullptr;
    Handle kik9Model5 = nullptr;
    Handle kik9Model6 = nullptr;
    Handle kik9Model7 = nullptr;
    Handle kik9AltPitch = nullptr;
    Handle kik9AltTune = nullptr;
    Handle kik9AltTuneDepth = nullptr;
    Handle kik9AltDecay = nullptr;
    Handle kik9AltAttack = nullptr;
    Handle kik9AltLevel = nullptr;
    Handle kik9AltDrive424 = nullptr;
    Handle kik9AltDrive424Enabled = nullptr;
    Handle kik9AltCompressionXla = nullptr;
    Handle kik9MatchEqEnabled = nullptr;
    Handle kik9MatchEqMuted = nullptr;
    Handle kik9MatchEqPost = nullptr;
    BandHandles kik9MatchEqBandEnabled {};
    BandHandles kik9MatchEqFrequency {};
    BandHandles kik9MatchEqGain {};
    BandHandles kik9MatchEqQ {};
    BandHandles kik9MatchEqShape {};

    // Hats
    Handle hatSaturation = nullptr;
    Handle hatGain = nullptr;
    Handle hat9OpenDecay = nullptr;
    Handle hat9OpenTune = nullptr;
    Handle hat9OpenLevel = nullptr;
    Handle hat9Accent = nullptr;
    Handle hat9RfCutoff = nullptr;
    Handle hat9RfRes = nullptr;
    Handle hat9RfBypass = nullptr;
    Handle hat9EqSat = nullptr;
    Handle hat9Dac12 = nullptr;
    Handle hat9Gs3EqEnabled = nullptr;
    Handle hat9Gs3EqMuted = nullptr;
    Handle hat9Gs3EqPost = nullptr;
    BandHandles hat9Gs3EqBandEnabled {};
    BandHandles hat9Gs3EqFrequency {};
    BandHandles hat9Gs3EqGain {};
    BandHandles hat9Gs3EqQ {};
    BandHandles hat9Gs3EqShape {};

    // Synthesisers and snare processing
    Handle foldback = nullptr;
    Handle fmAmount = nullptr;
    Handle genAWaveform = nullptr;
    Handle genCSemMode = nullptr;
    Handle osc2Tune = nullptr;
    Handle osc2On = nullptr;
    Handle filterCutoff = nullptr;
    Handle filterEnv = nullptr;
    Handle sp1200On = nullptr;
    Handle sp1200Cutoff = nullptr;
    Handle sp1200Resonance = nullptr;
    Handle snareLimit = nullptr;
    Handle sh101Octave = nullptr;
    Handle sh101Tune = nullptr;
    Handle sh101SawLevel = nullptr;
    Handle sh101PulseLevel = nullptr;
    Handle sh101PulseWidth = nullptr;
    Handle sh101SubDetune = nullptr;
    Handle sh101SubLevel = nullptr;
    Handle sh101SubType = nullptr;
    Handle sh101Cutoff = nullptr;
    Handle sh101Resonance = nullptr;
    Handle sh101FilterEnv = nullptr;
    Handle sh101LfoRate = nullptr;
    Handle sh101LfoAmount = nullptr;
    Handle sh101LfoDestination = nullptr;
    Handle sh101Attack = nullptr;
    Handle sh101Decay = nullptr;
    Handle sh101Sustain = nullptr;
    Handle sh101Release = nullptr;

    // Output
    Handle volume = nullptr;

    // Looks up every handle of channel `channelIndex` (0..7). The general drum's waveform and the
    // chord synthesiser's mode are looked up on their own channel only.
    static ChannelParameterHandles resolve(juce::AudioProcessorValueTreeState& parameters, int channelIndex);

    // How many handles are non-null.
    int countResolved() const;

    // Rebuilds `record` from the record defaults and the current parameter values. Runs per sample on
    // the audio thread: no allocation, no lock.
    void fill(ChannelParameters& record) const noexcept;
};

} // namespace kestrum
