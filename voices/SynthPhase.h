#pragma once

#include "DspBlocks.h"

namespace kestrum::synth
{

// Brings an oscillator phase back into [0, 2 pi). Repeated steps rather than fmod, so a phase that
// moved less than a turn is changed by exactly one 2 pi; a very high swept pitch may need several.
inline float wrapPhase(float phase) noexcept
{
    while (phase >= dsp::twoPi)
        phase -= dsp::twoPi;
    while (phase < 0.0f)
        phase += dsp::twoPi;
    return phase;
}

} // namespace kestrum::synth
