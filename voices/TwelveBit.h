#pragma once

// Twelve-bit converter emulation: the quantiser shared by the snare's sample-and-hold stage and
// the open hat's converter, the open hat's converter itself and the snare's variable-rate
// sample-and-hold.

#include <algorithm>
#include <cmath>

namespace kestrum
{

// Nearest of the 4095 levels k/2047 (halves away from zero); anything below -1 is -1.
inline float quantise12Bit(float u) noexcept
{
    if (u < -1.0f)
        return -1.0f;
    return std::round(std::min(u, 1.0f) * 2047.0f) / 2047.0f;
}

// The open hat's converter: the 12-bit value of this sample smeared a quarter of the way towards
// that of the previous one (a slow output stage), with a trace of soft saturation. `previous` is
// the unquantised input of the sample before.
inline float converter12Bit(float w, float previous) noexcept
{
    const float q = quantise12Bit(w);
    const float m = q + 0.25f * (quantise12Bit(previous) - q);
    return std::clamp(0.95f * m + 0.05f * std::tanh(1.1f * m) / std::tanh(1.1f), -1.0f, 1.0f);
}

// A sampler whose hold rate falls from 26040 Hz towards 12040 Hz as the amount rises, blended
// over the input by the same amount. An amount of 0 bypasses it completely (the phase stands
// still), so the stage costs nothing and adds no step when it is not used.
struct SampleHold12Bit
{
    float holdPhase = 0.0f;
    float heldSample = 0.0f;

    void reset() noexcept { holdPhase = heldSample = 0.0f; }

    // A new note takes a fresh hold value on its first sample.
    void restart() noexcept
    {
        heldSample = 0.0f;
        holdPhase = 1.0f;
    }

    static float holdRate(float amount) noexcept { return 26040.0f - 14000.0f * amount; }

    float process(float y, float amount, float inverseSampleRate) noexcept
    {
        if (! (amount > 0.0f))
            return y;

        holdPhase += holdRate(amount) * inverseSampleRate;
        if (holdPhase >= 1.0f)
        {
            holdPhase -= std::floor(holdPhase);
            heldSample = quantise12Bit(std::tanh((1.0f + 0.55f * amount) * y));
        }

        return y + amount * (std::tanh((1.03f + 0.24f * amount) * heldSample) - y);
    }
};

} // namespace kestrum
