#pragma once

#include "DspBlocks.h"

#include <algorithm>
#include <cmath>

namespace kestrum::synth
{

// The chord synthesiser's "OBH" filter: a trapezoidal state-variable filter whose response morphs
// from low-pass (tone 0) through notch (tone 0.5) to high-pass (tone 1). The FM knob has no
// modulator to drive in this mode, so it sets the resonance and the drive instead.
struct ObhFilter
{
    float s1 = 0.0f;
    float s2 = 0.0f;

    float process(float x, float cutoff, float fm, float tone, float sampleRate, float inverseSampleRate) noexcept
    {
        const float fs = std::min(std::max(cutoff, 24.0f), 0.44f * sampleRate);
        const float g = std::tan(dsp::pi * fs * inverseSampleRate);
        const float k = 2.0f - 1.92f * fm;
        const float a1 = 1.0f / (1.0f + g * (g + k));
        const float a2 = g * a1;
        const float a3 = g * a2;

        const float in = std::tanh((1.0f + 0.2f * fm) * x);
        const float e = in - s2;
        const float w1 = a1 * s1 + a2 * e;
        const float w2 = s2 + a2 * s1 + a3 * e;
        s1 = 2.0f * w1 - s1;
        s2 = 2.0f * w2 - s2;

        const float low = w2;
        const float high = in - k * w1 - w2;
        const float notch = low + high;
        const float morph = tone < 0.5f ? low + 2.0f * tone * (notch - low)
                                        : notch + 2.0f * (tone - 0.5f) * (high - notch);
        return std::tanh((1.0f + 0.34f * fm) * morph);
    }

    void clear() noexcept { s1 = s2 = 0.0f; }
};

} // namespace kestrum::synth
