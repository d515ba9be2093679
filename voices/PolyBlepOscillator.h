#pragma once

#include "DspBlocks.h"
#include "SynthPhase.h"

#include <cmath>

namespace kestrum::synth
{

// Saw and pulse from one phase, each step smoothed by a polynomial band-limited correction so a
// high note does not fold its upper harmonics back down as loudly as a plain ramp would.
struct PolyBlepOscillator
{
    float phase = 0.0f; // radians, [0, 2 pi)

    void advance(float frequency, float inverseSampleRate) noexcept
    {
        phase = wrapPhase(phase + dsp::twoPi * frequency * inverseSampleRate);
    }

    // Correction for a unit step at position 0 of the cycle; u is the position within the cycle
    // (0..1) and dt the phase increment per sample as a fraction of a cycle.
    static float blep(float u, float dt) noexcept
    {
        if (u < dt)
        {
            const float x = u / dt;
            return 2.0f * x - x * x - 1.0f;
        }
        if (u > 1.0f - dt)
        {
            const float x = (u - 1.0f) / dt;
            return x * x + 2.0f * x + 1.0f;
        }
        return 0.0f;
    }

    float position() const noexcept { return phase / dsp::twoPi; }

    float saw(float dt) const noexcept
    {
        const float t = position();
        return 2.0f * t - 1.0f - blep(t, dt);
    }

    // Pulse of duty `width`, inverted: -1 for the first `width` of the cycle, +1 for the rest.
    float pulse(float width, float dt) const noexcept
    {
        const float t = position();
        float fromEdge = t - width;
        fromEdge -= std::floor(fromEdge);
        return -((t < width ? 1.0f : -1.0f) + blep(t, dt) - blep(fromEdge, dt));
    }
};

} // namespace kestrum::synth
