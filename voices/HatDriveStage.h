#pragma once

// The tape-style drive shared by both hats: a little low end and DC folded back in before a
// normalised tanh, a touch of even-order bend, then a gentle top roll-off. The amount crossfades
// from the untouched input (0) to the fully driven signal (1), so at 0 the stage is transparent
// while its filters keep running and a later turn of the knob starts from settled states.

#include "DspBlocks.h"

#include <cmath>

namespace kestrum
{

struct HatDriveStage
{
    float lp85 = 0.0f;
    float avg = 0.0f;
    float lpHi = 0.0f;

    // Set by prepare(); kept across reset().
    float lowPole = 0.0f;
    float topCoefficient = 1.0f;

    void prepare(float sampleRate) noexcept
    {
        lowPole = std::exp(-dsp::twoPi * 85.0f / sampleRate);
        topCoefficient = 1.0f - std::exp(-dsp::twoPi * 11800.0f / sampleRate);
    }

    void reset() noexcept { lp85 = avg = lpHi = 0.0f; }

    float process(float h, float drive) noexcept
    {
        const float x = (1.0f + 1.35f * drive) * h;
        lp85 = lowPole * lp85 + (1.0f - lowPole) * x;
        avg = 0.9965f * avg + 0.0035f * x;

        const float s = x + (0.025f + 0.058f * drive) * lp85 + (0.022f + 0.066f * drive) * avg;
        const float k = 1.05f + 1.65f * drive;
        const float y = std::tanh(k * s) / std::tanh(k);
        const float y2 = y - (0.004f + 0.022f * drive) * y * y;
        lpHi += topCoefficient * (y2 - lpHi);

        return h + drive * ((0.98f - 0.04f * drive) * lpHi - h);
    }
};

} // namespace kestrum
