#pragma once

#include "DrumVoice.h"
#include "ObhFilter.h"
#include "SynthAmpEnvelope.h"

namespace kestrum
{

// One routine, two instruments. As "General Drum A" (mode 0) it is a sine/triangle/square drum
// with pitch sweep, noise, wave folding and a low-pass with envelope; a retrigger carries on from
// the present amplitude. As "CHORD PULLER" (mode 2) the oscillator gains FM and a second source,
// a saw-plus-square voice through a morphing state-variable filter, crossfaded in by the
// "FM / OBH" switch; each note starts from silence. The engine gets polyphony and chords by
// running several of these side by side.
class FlexibleSynthVoice final : public DrumVoiceDesign<FlexibleSynthVoice>
{
public:
    explicit FlexibleSynthVoice(VoiceType type) noexcept;

    // Where the FM/OBH crossfade stands: 0 all FM source and one-pole filter, 1 all OBH.
    float getObhMix() const noexcept { return semMix.getCurrentValue(); }

protected:
    void prepareDesign(double sampleRate) override;
    void resetDesign() override;
    void onTrigger() override;
    float render(const ChannelParameters& p) override;

private:
    float processFlexible(const ChannelParameters& p, int mode) noexcept;

    int mode; // 0 general drum, 2 chord synthesiser; also enters the formulas as a number

    float carrierPhase = 0.0f;
    float modulatorPhase = 0.0f;
    float squarePhase = 0.0f;
    float obhSawPhase = 0.0f;
    float obhSquarePhase = 0.0f;

    // Kept across resets: the engine resets the chord voices before every chord, and the switch
    // position has not changed just because a new chord starts.
    dsp::LinearRamp semMix;

    synth::ObhFilter obhFilter;
    synth::SynthAmpEnvelope ampEnvelope;
    float releaseLevel = 0.0f;
};

} // namespace kestrum
