#pragma once

#include "DrumVoice.h"
#include "PolyBlepOscillator.h"
#include "SynthAmpEnvelope.h"

#include <array>

namespace kestrum
{

// "Bass Bin": a monophonic bass in the manner of a classic one-oscillator synth. Band-limited saw
// and pulse plus a square sub oscillator, an LFO for pitch, filter or pulse width, a resonant
// four-pole low-pass with its own envelope amount, and the shared amplitude envelope. A trigger
// restarts attack and decay; oscillators, LFO and filter run on, as on a mono synth.
class BassBinVoice final : public DrumVoiceDesign<BassBinVoice>
{
public:
    BassBinVoice() noexcept : DrumVoiceDesign(VoiceType::BassBin) {}

protected:
    void resetDesign() override;
    void onTrigger() override;
    float render(const ChannelParameters& p) override;

private:
    synth::PolyBlepOscillator oscillator;
    float subPhase = 0.0f;      // square subs
    float subPulsePhase = 0.0f; // the narrow "-2 PW" sub
    float lfoPhase = 0.0f;
    std::array<float, 4> filterStages {};
    float dcLevel = 0.0f;

    // The release factor is envelopes[0], which the trigger sets to the velocity.
    synth::SynthAmpEnvelope ampEnvelope;
};

} // namespace kestrum
