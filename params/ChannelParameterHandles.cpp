#include "ChannelParameterHandles.h"

#include "ParameterIDs.h"

#include <algorithm>
#include <cmath>
#include <type_traits>

namespace kestrum
{
namespace
{

// How a parameter value becomes a record field.
enum class Conversion
{
    AsRead,  // the parameter's own range applies
    Clamp,   // limited to 0..1
    Round,   // nearest integer, halves away from zero
    Waveform // rounded, then limited to the three waveforms 0..2
};

// Visits every record field with its handle, its parameter suffix and its conversion, in record
// order. Keeping the one list here means resolve(), countResolved() and fill() cannot drift apart.
template <typename Handles, typename Record, typename Visitor>
void forEachField(Handles& h, Record& r, Visitor&& visit)
{
    using C = Conversion;

    visit("Tune", h.tune, r.tune, C::AsRead);
    visit("Decay", h.decay, r.decay, C::AsRead);
    visit("Tone", h.tone, r.tone, C::Clamp);
    visit("Shape", h.shape, r.shape, C::Clamp);
    visit("Noise", h.noise, r.noise, C::Clamp);

    visit("RimLowTune", h.rimLowTune, r.rimLowTune, C::AsRead);
    visit("RimHighTune", h.rimHighTune, r.rimHighTune, C::AsRead);
    visit("RimDecay", h.rimDecay, r.rimDecay, C::AsRead);
    visit("RimLowLevel", h.rimLowLevel, r.rimLowLevel, C::Clamp);
    visit("RimHighLevel", h.rimHighLevel, r.rimHighLevel, C::Clamp);
    visit("RimHighPass", h.rimHighPass, r.rimHighPass, C::Clamp);
    visit("RimDrive", h.rimDrive, r.rimDrive, C::Clamp);
    visit("RimSnap", h.rimSnap, r.rimSnap, C::Clamp);

    visit("Kik9Tune", h.kik9Tune, r.kik9Tune, C::AsRead);
    visit("Kik9TuneDecay", h.kik9TuneDecay, r.kik9TuneDecay, C::AsRead);
    visit("Kik9TuneDepth", h.kik9TuneDepth, r.kik9TuneDepth, C::AsRead);
    visit("Kik9Decay", h.kik9Decay, r.kik9Decay, C::AsRead);
    visit("Kik9Attack", h.kik9Attack, r.kik9Attack, C::Clamp);
    visit("Kik9Noise", h.kik9Noise, r.kik9Noise, C::Clamp);
    visit("Kik9Distortion", h.kik9Distortion, r.kik9Distortion, C::Clamp);
    visit("Kik9Compression", h.kik9Compression, r.kik9Compression, C::Clamp);
    visit("Kik9Level", h.kik9Level, r.kik9Level, C::Clamp);
    visit("Kik9Accent", h.kik9Accent, r.kik9Accent, C::Clamp);
    visit("Kik9AltModel", h.kik9AltModel, r.kik9AltModel, C::Clamp);
    visit("Kik9Model3", h.kik9Model3, r.kik9Model3, C::Clamp);
    visit("Kik9Model4", h.kik9Model4, r.kik9Model4, C::Clamp);
    visit("Kik9Model5", h.kik9Model5, r.kik9Model5, C::Clamp);
    visit("Kik9Model6", h.kik9Model6, r.kik9Model6, C::Clamp);
    visit("Kik9Model7", h.kik9Model7, r.kik9Model7, C::Clamp);
    visit("Kik9AltPitch", h.kik9AltPitch, r.kik9AltPitch, C::AsRead);
    visit("Kik9AltTune", h.kik9AltTune, r.kik9AltTune, C::AsRead);
    visit("Kik9AltTuneDepth", h.kik9AltTuneDepth, r.kik9AltTuneDepth, C::AsRead);
    visit("Kik9AltDecay", h.kik9AltDecay, r.kik9AltDecay, C::AsRead);
    visit("Kik9AltAttack", h.kik9AltAttack, r.kik9AltAttack, C::Clamp);
    visit("Kik9AltLevel", h.kik9AltLevel, r.kik9AltLevel, C::Clamp);
    visit("Kik9AltDrive424", h.kik9AltDrive424, r.kik9AltDrive424, C::Clamp);
    visit("Kik9AltDrive424Enabled", h.kik9AltDrive424Enabled, r.kik9AltDrive424Enabled, C::Clamp);
    visit("Kik9AltCompressionXla", h.kik9AltCompressionXla, r.kik9AltCompressionXla, C::Clamp);
    visit("Kik9MatchEqEnabled", h.kik9MatchEqEnabled, r.kik9MatchEqEnabled, C::Clamp);
    visit("Kik9MatchEqMuted", h.kik9MatchEqMuted, r.kik9MatchEqMuted, C::Clamp);
    visit("Kik9MatchEqPost", h.kik9MatchEqPost, r.kik9MatchEqPost, C::Clamp);
    visit("Kik9MatchEqBand1Enabled", h.kik9MatchEqBandEnabled[0], r.kik9MatchEqBandEnabled[0], C::Clamp);
    visit("Kik9MatchEqBand2Enabled", h.kik9MatchEqBandEnabled[1], r.kik9MatchEqBandEnabled[1], C::Clamp);
    visit("Kik9MatchEqBand3Enabled", h.kik9MatchEqBandEnabled[2], r.kik9MatchEqBandEnabled[2], C::Clamp);
    visit("Kik9MatchEqFrequency", h.kik9MatchEqFrequency[0], r.kik9MatchEqFrequency[0], C::AsRead);
    visit("Kik9MatchEqFrequency2", h.kik9MatchEqFrequency[1], r.kik9MatchEqFrequency[1], C::AsRead);
    visit("Kik9MatchEqFrequency3", h.kik9MatchEqFrequency[2], r.kik9MatchEqFrequency[2], C::AsRead);
    visit("Kik9MatchEqGain", h.kik9MatchEqGain[0], r.kik9MatchEqGain[0], C::AsRead);
    visit("Kik9MatchEqGain2", h.kik9MatchEqGain[1], r.kik9MatchEqGain[1], C::AsRead);
    visit("Kik9MatchEqGain3", h.kik9MatchEqGain[2], r.kik9MatchEqGain[2], C::AsRead);
    visit("Kik9MatchEqQ", h.kik9MatchEqQ[0], r.kik9MatchEqQ[0], C::AsRead);
    visit("Kik9MatchEqQ2", h.kik9MatchEqQ[1], r.kik9MatchEqQ[1], C::AsRead);
    visit("Kik9MatchEqQ3", h.kik9MatchEqQ[2], r.kik9MatchEqQ[2], C::AsRead);
    visit("Kik9MatchEqShape", h.kik9MatchEqShape[0], r.kik9MatchEqShape[0], C::AsRead);
    visit("Kik9MatchEqShape2", h.kik9MatchEqShape[1], r.kik9MatchEqShape[1], C::AsRead);
    visit("Kik9MatchEqShape3", h.kik9MatchEqShape[2], r.kik9MatchEqShape[2], C::AsRead);

    visit("HatSaturation", h.hatSaturation, r.hatSaturation, C::Clamp);
    visit("HatGain", h.hatGain, r.hatGain, C::AsRead);
    visit("Hat9OpenDecay", h.hat9OpenDecay, r.hat9OpenDecay, C::AsRead);
    visit("Hat9OpenTune", h.hat9OpenTune, r.hat9OpenTune, C::AsRead);
    visit("Hat9OpenLevel", h.hat9OpenLevel, r.hat9OpenLevel, C::AsRead);
    visit("Hat9Accent", h.hat9Accent, r.hat9Accent, C::Clamp);
    visit("Hat9RfCutoff", h.hat9RfCutoff, r.hat9RfCutoff, C::AsRead);
    visit("Hat9RfRes", h.hat9RfRes, r.hat9RfRes, C::AsRead);
    visit("Hat9RfBypass", h.hat9RfBypass, r.hat9RfBypass, C::Clamp);
    visit("Hat9EqSat", h.hat9EqSat, r.hat9EqSat, C::Clamp);
    visit("Hat9Dac12", h.hat9Dac12, r.hat9Dac12, C::Clamp);
    visit("Hat9Gs3EqEnabled", h.hat9Gs3EqEnabled, r.hat9Gs3EqEnabled, C::Clamp);
    visit("Hat9Gs3EqMuted", h.hat9Gs3EqMuted, r.hat9Gs3EqMuted, C::Clamp);
    visit("Hat9Gs3EqPost", h.hat9Gs3EqPost, r.hat9Gs3EqPost, C::Clamp);
    visit("Hat9Gs3EqBand1Enabled", h.hat9Gs3EqBandEnabled[0], r.hat9Gs3EqBandEnabled[0], C::Clamp);
    visit("Hat9Gs3EqBand2Enabled", h.hat9Gs3EqBandEnabled[1], r.hat9Gs3EqBandEnabled[1], C::Clamp);
    visit("Hat9Gs3EqBand3Enabled", h.hat9Gs3EqBandEnabled[2], r.hat9Gs3EqBandEnabled[2], C::Clamp);
    visit("Hat9Gs3EqFrequency", h.hat9Gs3EqFrequency[0], r.hat9Gs3EqFrequency[0], C::AsRead);
    visit("Hat9Gs3EqFrequency2", h.hat9Gs3EqFrequency[1], r.hat9Gs3EqFrequency[1], C::AsRead);
    visit("Hat9Gs3EqFrequency3", h.hat9Gs3EqFrequency[2], r.hat9Gs3EqFrequency[2], C::AsRead);
    visit("Hat9Gs3EqGain", h.hat9Gs3EqGain[0], r.hat9Gs3EqGain[0], C::AsRead);
    visit("Hat9Gs3EqGain2", h.hat9Gs3EqGain[1], r.hat9Gs3EqGain[1], C::AsRead);
    visit("Hat9Gs3EqGain3", h.hat9Gs3EqGain[2], r.hat9Gs3EqGain[2], C::AsRead);
    visit("Hat9Gs3EqQ", h.hat9Gs3EqQ[0], r.hat9Gs3EqQ[0], C::AsRead);
    visit("Hat9Gs3EqQ2", h.hat9Gs3EqQ[1], r.hat9Gs3EqQ[1], C::AsRead);
    visit("Hat9Gs3EqQ3", h.hat9Gs3EqQ[2], r.hat9Gs3EqQ[2], C::AsRead);
    visit("Hat9Gs3EqShape", h.hat9Gs3EqShape[0], r.hat9Gs3EqShape[0], C::AsRead);
    visit("Hat9Gs3EqShape2", h.hat9Gs3EqShape[1], r.hat9Gs3EqShape[1], C::AsRead);
    visit("Hat9Gs3EqShape3", h.hat9Gs3EqShape[2], r.hat9Gs3EqShape[2], C::AsRead);

    visit("Foldback", h.foldback, r.foldback, C::Clamp);
    visit("FMAmount", h.fmAmount, r.fmAmount, C::Clamp);
    visit("GenAWaveform", h.genAWaveform, r.genAWaveform, C::Waveform);
    visit("GenCSemMode", h.genCSemMode, r.genCSemMode, C::Clamp);
    visit("Osc2Tune", h.osc2Tune, r.osc2Tune, C::AsRead);
    visit("Osc2On", h.osc2On, r.osc2On, C::Clamp);
    visit("FilterCutoff", h.filterCutoff, r.filterCutoff, C::Clamp);
    visit("FilterEnv", h.filterEnv, r.filterEnv, C::Clamp);
    visit("Sp1200On", h.sp1200On, r.sp1200On, C::Clamp);
    visit("Sp1200Cutoff", h.sp1200Cutoff, r.sp1200Cutoff, C::Clamp);
    visit("Sp1200Resonance", h.sp1200Resonance, r.sp1200Resonance, C::Clamp);
    visit("SnareLimit", h.snareLimit, r.snareLimit, C::Clamp);
    visit("Sh101Octave", h.sh101Octave, r.sh101Octave, C::Round);
    visit("Sh101Tune", h.sh101Tune, r.sh101Tune, C::AsRead);
    visit("Sh101SawLevel", h.sh101SawLevel, r.sh101SawLevel, C::Clamp);
    visit("Sh101PulseLevel", h.sh101PulseLevel, r.sh101PulseLevel, C::Clamp);
    visit("Sh101PulseWidth", h.sh101PulseWidth, r.sh101PulseWidth, C::Clamp);
    visit("Sh101SubDetune", h.sh101SubDetune, r.sh101SubDetune, C::AsRead);
    visit("Sh101SubLevel", h.sh101SubLevel, r.sh101SubLevel, C::Clamp);
    visit("Sh101SubType", h.sh101SubType, r.sh101SubType, C::Round);
    visit("Sh101Cutoff", h.sh101Cutoff, r.sh101Cutoff, C::Clamp);
    visit("Sh101Resonance", h.sh101Resonance, r.sh101Resonance, C::Clamp);
    visit("Sh101FilterEnv", h.sh101FilterEnv, r.sh101FilterEnv, C::AsRead);
    visit("Sh101LfoRate", h.sh101LfoRate, r.sh101LfoRate, C::AsRead);
    visit("Sh101LfoAmount", h.sh101LfoAmount, r.sh101LfoAmount, C::Clamp);
    visit("Sh101LfoDestination", h.sh101LfoDestination, r.sh101LfoDestination, C::Round);
    visit("Sh101Attack", h.sh101Attack, r.sh101Attack, C::AsRead);
    visit("Sh101Decay", h.sh101Decay, r.sh101Decay, C::AsRead);
    visit("Sh101Sustain", h.sh101Sustain, r.sh101Sustain, C::Clamp);
    visit("Sh101Release", h.sh101Release, r.sh101Release, C::AsRead);

    visit("Volume", h.volume, r.volume, C::Clamp);
}

// Channels whose design owns a parameter that no other channel may pick up.
constexpr int generalDrumChannel = 5;
constexpr int chordChannel = 7;

bool channelMayHave(const char* suffix, int channelIndex)
{
    const juce::StringRef s(suffix);

    if (s == juce::StringRef("GenAWaveform"))
        return channelIndex == generalDrumChannel;

    if (s == juce::StringRef("GenCSemMode"))
        return channelIndex == chordChannel;

    return true;
}

float convertToFloat(float value, Conversion conversion) noexcept
{
    return conversion == Conversion::Clamp ? std::clamp(value, 0.0f, 1.0f) : value;
}

int32_t convertToInt(float value, Conversion conversion) noexcept
{
    // std::round takes halves away from zero, as every integer parameter is read.
    const auto rounded = static_cast<int32_t>(std::round(value));
    return conversion == Conversion::Waveform ? std::clamp(rounded, 0, 2) : rounded;
}

} // namespace

ChannelParameterHandles ChannelParameterHandles::resolve(juce::AudioProcessorValueTreeState& parameters,
                                                         int channelIndex)
{
    ChannelParameterHandles handles;
    ChannelParameters unused;

    forEachField(handles, unused, [&](const char* suffix, Handle& handle, auto&, Conversion) {
        handle = channelMayHave(suffix, channelIndex)
                     ? parameters.getRawParameterValue(getParameterID(channelIndex, suffix))
                     : nullptr;
    });

    return handles;
}

int ChannelParameterHandles::countResolved() const
{
    int count = 0;
    ChannelParameters unused;

    forEachField(*this, unused, [&](const char*, Handle handle, auto&, Conversion) {
        if (handle != nullptr)
            ++count;
    });

    return count;
}

void ChannelParameterHandles::fill(ChannelParameters& record) const noexcept
{
    record = ChannelParameters {};

    forEachField(*this, record, [](const char*, Handle handle, auto& field, Conversion conversion) {
        if (handle == nullptr)
            return;

        const float value = handle->load();
        if (!std::isfinite(value))
            return; // the record's default stands in for a non-finite automation value

        if constexpr (std::is_same_v<std::decay_t<decltype(field)>, int32_t>)
            field = convertToInt(value, conversion);
        else
            field = convertToFloat(value, conversion);
    });
}

} // namespace kestrum
