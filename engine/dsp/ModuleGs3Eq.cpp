#include "ModuleGs3Eq.h"

#include "voices/Kik9Eq.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

ModuleGs3Eq::ModuleGs3Eq(bool smoothCurve) noexcept : useSmoothCurve(smoothCurve)
{
}

void ModuleGs3Eq::prepare(double newSampleRate) noexcept
{
    sampleRate = std::max(newSampleRate, 1.0);
    reset();
    mix.reset(static_cast<int>(std::floor(sampleRate * (useSmoothCurve ? 0.005 : 0.003))));
    mix.setCurrentAndTargetValue(0.0f);
}

void ModuleGs3Eq::reset() noexcept
{
    for (auto& band : bands)
    {
        band.first.reset();
        band.second.reset();
        band.lastFrequency = -1.0f;
        band.lastGainDb = 1000.0f;
        band.lastQ = -1.0f;
        band.lastShape = -1;
        band.designed = false;
    }
}

float ModuleGs3Eq::process(float x, const Settings& s) noexcept
{
    return process(x, s.isActive(), s.bandEnabled, s.frequency, s.gainDb, s.q, s.shape);
}

float ModuleGs3Eq::process(float x, bool active, const std::array<bool, numBands>& bandEnabled,
                           const std::array<float, numBands>& frequency, const std::array<float, numBands>& gainDb,
                           const std::array<float, numBands>& q, const std::array<int, numBands>& shape) noexcept
{
    mix.setTargetValue(active ? 1.0f : 0.0f);

    // The bands run while the equaliser is off, so that switching it on fades into settled filters.
    float y = x;
    for (size_t i = 0; i < bands.size(); ++i)
    {
        auto& band = bands[i];
        if (bandEnabled[i])
        {
            y = processBand(band, y, frequency[i], gainDb[i], q[i], shape[i]);
        }
        else if (band.designed)
        {
            band.first.reset();
            band.second.reset();
            band.designed = false;
        }
    }

    float m = mix.getNextValue();
    if (useSmoothCurve)
        m = m * m * (3.0f - 2.0f * m);

    return std::clamp(x + m * (y - x), -2.0f, 2.0f);
}

float ModuleGs3Eq::processBand(Band& band, float y, float frequency, float gainDb, float q, int shape) noexcept
{
    const float maxFrequency = static_cast<float>(std::min(0.49 * sampleRate, 20000.0));
    const float f = frequency < 20.0f ? 20.0f : std::min(frequency, maxFrequency);
    const auto s = Kik9Eq::limitShape(shape);
    const float Q = std::clamp(q, 0.05f, 12.0f);
    const float G = std::clamp(gainDb, -14.0f, 14.0f);

    if (! band.designed || std::abs(f - band.lastFrequency) > 0.01f || std::abs(G - band.lastGainDb) > 0.001f
        || std::abs(Q - band.lastQ) > 0.001f || s != band.lastShape)
    {
        const auto design = Kik9Eq::designBand(sampleRate, f, Q, G, s);
        const auto& s1 = design.section1;
        const auto& s2 = design.section2;
        band.first.setCoefficients(s1.b0, s1.b1, s1.b2, 1.0f, s1.a1, s1.a2);
        band.second.setCoefficients(s2.b0, s2.b1, s2.b2, 1.0f, s2.a1, s2.a2);
        if (! design.hasSecondSection)
            band.second.reset();

        band.lastFrequency = f;
        band.lastGainDb = G;
        band.lastQ = Q;
        band.lastShape = s;
        band.designed = true;
    }

    y = band.first.processSample(y);
    if (s == Kik9Eq::TiltShelf || s == Kik9Eq::FlatTilt)
        y = band.second.processSample(y);
    return y;
}

} // namespace kestrum
