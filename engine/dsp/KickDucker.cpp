#include "KickDucker.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

void KickDucker::prepare(float sampleRate, bool duckOn) noexcept
{
    const float sr = std::max(sampleRate, 1.0f);
    decay = std::exp(-1.0f / (0.18f * sr));
    smoothing = std::exp(-1.0f / (0.005f * sr));
    envelope = 0.0f;
    amount = duckOn ? 1.0f : 0.0f;
}

void KickDucker::raise(float velocity) noexcept
{
    envelope = std::max(envelope, 0.5f + 0.5f * velocity);
}

float KickDucker::advance(bool duckOn) noexcept
{
    envelope *= decay;
    amount = smoothing * amount + (1.0f - smoothing) * (duckOn ? 1.0f : 0.0f);
    return 1.0f - amount * std::min(0.68f * envelope, 0.72f);
}

void KickDucker::followKick(float kickSum) noexcept
{
    envelope = std::max(envelope, std::clamp(2.6f * std::abs(kickSum), 0.0f, 1.25f));
}

} // namespace kestrum
