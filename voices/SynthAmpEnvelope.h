#pragma once

#include "../params/ChannelParameters.h"
#include "DspBlocks.h"

#include <algorithm>
#include <cmath>

namespace kestrum::synth
{

// The attack/decay/sustain amplitude envelope of the synth voices. There is no note-off: the
// release factor starts falling at the trigger, so the release time works as an overall fade.
// The release factor is passed in because the bass keeps it in its first general envelope.
struct SynthAmpEnvelope
{
    float attackLevel = 0.0f; // rises towards 1
    float decayLevel = 0.0f;  // falls from 1 towards the sustain level

    // Advances one sample and returns the amplitude, the product of the three factors.
    float next(const ChannelParameters& p, float sampleRate, float& releaseLevel) noexcept
    {
        const float attackTime = std::clamp(p.sh101Attack, 0.002f, 2.0f);
        attackLevel += (1.0f - std::exp(-1.0f / (sampleRate * attackTime))) * (1.0f - attackLevel);

        const float sustain = p.sh101Sustain;
        decayLevel = sustain
                     + (decayLevel - sustain) * dsp::decayFactor(std::clamp(p.sh101Decay, 0.015f, 2.5f), sampleRate);

        releaseLevel *= dsp::decayFactor(std::clamp(p.sh101Release, 0.04f, 4.0f), sampleRate);
        return attackLevel * decayLevel * releaseLevel;
    }

    void clear() noexcept { attackLevel = decayLevel = 0.0f; }
};

} // namespace kestrum::synth
