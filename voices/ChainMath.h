#pragma once

// Small formulas shared by the kick's processing chain (and free for its voice to use). Unlike the
// voice framework's one-pole bank these take the cut-off as it is, without lower or upper limits.

#include "DspBlocks.h"

#include <cmath>

namespace kestrum::chain
{

// Coefficient of a one-pole low-pass at f Hz: z += c (in - z).
inline float onePoleCoefficient(float frequency, float sampleRate) noexcept
{
    return 1.0f - std::exp(-dsp::twoPi * frequency / sampleRate);
}

// Pole of a DC blocker at f Hz: y = x - x_prev + pole y_prev.
inline float dcBlockerPole(float frequency, float sampleRate) noexcept
{
    return std::exp(-dsp::twoPi * frequency / sampleRate);
}

// u^2 (3 - 2u): a gentle S-curve for fades.
inline float smoothStep(float u) noexcept
{
    return u * u * (3.0f - 2.0f * u);
}

// Leaves |x| <= threshold alone and bends anything beyond it into a tanh knee of width `knee`.
inline float softClip(float x, float threshold, float knee) noexcept
{
    if (x > threshold)
        return threshold + knee * std::tanh((x - threshold) / knee);
    if (x < -threshold)
        return -threshold + knee * std::tanh((x + threshold) / knee);
    return x;
}

// A DC blocker's two states: the previous input and the previous output.
struct DcBlocker
{
    float previousInput = 0.0f;
    float previousOutput = 0.0f;

    float process(float x, float pole) noexcept
    {
        const float y = x - previousInput + pole * previousOutput;
        previousInput = x;
        previousOutput = y;
        return y;
    }
};

} // namespace kestrum::chain
