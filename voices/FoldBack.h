#pragma once

#include <cmath>

namespace kestrum::synth
{

// Wave folder: the boosted signal is mirrored at a threshold that drops as the amount rises, then
// softly clipped and blended back in by the same amount. An amount of 0 passes x through exactly.
// The number of reflections is bounded so that a very hot input cannot stall the audio thread;
// whatever is left outside the threshold is caught by the tanh.
inline float foldBack(float x, float amount) noexcept
{
    if (!(amount > 0.0f))
        return x;

    const float threshold = 0.92f - 0.64f * amount;
    float y = (1.0f + 6.5f * amount) * x;
    for (int i = 0; i < 8 && std::abs(y) > threshold; ++i)
        y = y > threshold ? 2.0f * threshold - y : -2.0f * threshold - y;

    return x + amount * (std::tanh((0.86f + 1.2f * amount) * y) - x);
}

} // namespace kestrum::synth
