#pragma once

// Pieces the two kick engines share, on top of the chain's small formulas.

#include "ChainMath.h"

#include <algorithm>
#include <cmath>

namespace kestrum::kik9
{

using chain::DcBlocker;
using chain::onePoleCoefficient;
using chain::softClip;
inline float smooth(float u) noexcept { return chain::smoothStep(u); }

// Like the symmetric soft clip, but with its own threshold on each side (lower is negative).
inline float softClip(float x, float upper, float lower, float knee) noexcept
{
    if (x > upper)
        return upper + knee * std::tanh((x - upper) / knee);
    if (x < lower)
        return lower + knee * std::tanh((x - lower) / knee);
    return x;
}

// Hides the jump when a sounding engine restarts: the output starts at the value it last had and
// eases into the new note over a short fade.
struct Declick
{
    float held = 0.0f;
    float fade = 1.0f;
    float lastOut = 0.0f;

    void restart(bool wasSounding) noexcept
    {
        held = lastOut;
        fade = wasSounding ? 0.0f : 1.0f;
    }

    float process(float y, float fadeStep) noexcept
    {
        if (fade < 1.0f)
        {
            y = held + (y - held) * smooth(fade);
            fade = std::clamp(fade + fadeStep, 0.0f, 1.0f);
        }
        lastOut = y;
        return y;
    }
};

// Levels a new note starts its envelopes from (both engines read the same ones).
struct NoteStart
{
    float amp = 0.0f;
    float amp2 = 0.0f;
    float pitchEnvelope = 0.0f;
    float click = 0.0f;
    float click2 = 0.0f;
};

// Envelopes below this are inaudible; an engine whose envelopes are all below it stops.
constexpr float silenceLevel = 0.000015f;

} // namespace kestrum::kik9
