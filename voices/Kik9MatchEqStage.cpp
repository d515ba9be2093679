#include "Kik9MatchEqStage.h"

#include "ChainMath.h"

#include <algorithm>

namespace kestrum
{

void Kik9MatchEqStage::prepare(double newSampleRate) noexcept
{
    sampleRate = std::max(newSampleRate, 1.0);
    mix.reset(sampleRate, crossfadeSeconds);
    reset();
}

void Kik9MatchEqStage::reset() noexcept
{
    for (auto& bell : bells)
        bell.reset();
}

float Kik9MatchEqStage::process(float x, const std::array<EqBandParameters, numBands>& bands, bool active) noexcept
{
    mix.setTargetValue(active ? 1.0f : 0.0f);

    float y = x;
    for (size_t i = 0; i < bells.size(); ++i)
        y = bells[i].process(y, sampleRate, bands[i], bands[i].enabled);

    // Boosts of up to 14 dB per band can stack; keep the drive stage that follows in range.
    y = chain::softClip(y, 1.35f, 0.65f);

    const float m = mix.getNextValue();
    return x + m * (y - x);
}

} // namespace kestrum
