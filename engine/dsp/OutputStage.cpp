#include "OutputStage.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{
namespace
{
// GluePush limited to 0..10; written so that a NaN from a host reads as 0.
float pushAmount(float gluePush) noexcept
{
    return gluePush > 0.0f ? std::min(gluePush, 10.0f) : 0.0f;
}

float outputGainTargetDb(float gluePush) noexcept
{
    return 1.2f * pushAmount(gluePush);
}
} // namespace

void OutputStage::prepare(double sampleRate, float gluePush) noexcept
{
    const double rate = std::max(sampleRate, 1.0);
    const float sr = static_cast<float>(rate);

    limiterAttack = std::exp(-1.0f / (0.01f * sr));
    limiterRelease = std::exp(-1.0f / (0.02f * sr));
    sidechainCoefficient = std::exp(-628.31854f / sr); // 100 Hz
    powerSmoothing = std::exp(-1.0f / (0.18f * sr));
    glueSmoothing = std::exp(-1.0f / (0.03f * sr));

    outputGainDb.reset(rate, 0.02);
    outputGainDb.setCurrentAndTargetValue(outputGainTargetDb(gluePush));

    glueAmount = 0.0f;
    limiterEnvelope = 0.0f;
    sidechainInPrev = sidechainOutPrev = 0.0f;
    inputPower = outputPower = 0.0f;
    autoGain = 1.0f;
    gainReductionValue = 0.0f;
}

float OutputStage::process(float masterSum, const OutputStageControls& c) noexcept
{
    const float m = pushAmount(c.gluePush);

    outputGainDb.setTargetValue(outputGainTargetDb(c.gluePush));
    glueAmount = glueSmoothing * glueAmount + (1.0f - glueSmoothing) * (c.glue ? 1.0f : 0.0f);

    const float gainDb = outputGainDb.getNextValue();
    const float clean = gainDb > -100.0f ? masterSum * std::pow(10.0f, gainDb * 0.05f) : 0.0f;

    if (m <= 0.001f)
    {
        limiterEnvelope = 0.0f;
        sidechainInPrev = sidechainOutPrev = 0.0f;
        inputPower = outputPower = 0.0f;
        autoGain = 1.0f;
        gainReductionValue *= limiterRelease;
        return clean;
    }

    const float k = std::pow(m * 0.1f, 2.4f);
    const float push = 1.0f + 18.0f * k;
    const float driven = push * masterSum;

    float s = driven;
    if (c.sidechainFilter)
    {
        // Keeps the kick's lows from pumping the whole bus.
        s = sidechainCoefficient * (sidechainOutPrev + driven - sidechainInPrev);
        sidechainOutPrev = s;
        sidechainInPrev = driven;
    }
    else
    {
        sidechainInPrev = sidechainOutPrev = 0.0f;
    }

    const float level = std::abs(s);
    const float coefficient = level > limiterEnvelope ? limiterAttack : limiterRelease;
    limiterEnvelope = coefficient * limiterEnvelope + (1.0f - coefficient) * level;

    inputPower = powerSmoothing * inputPower + (1.0f - powerSmoothing) * masterSum * masterSum;

    // The harder the push, the lower the ceiling: 0.98 down to 0.40.
    const float threshold = 0.98f - 0.58f * k;
    const float reduction = limiterEnvelope > threshold ? threshold / limiterEnvelope : 1.0f;
    const float limited = driven * reduction;

    outputPower = powerSmoothing * outputPower + (1.0f - powerSmoothing) * limited * limited;

    if (c.autoGain)
    {
        const float targetGain = inputPower > 1.0e-6f && outputPower > 1.0e-6f
                                     ? std::clamp(std::sqrt(inputPower / outputPower), 0.25f, 2.0f)
                                     : 1.0f / push;
        autoGain = powerSmoothing * autoGain + (1.0f - powerSmoothing) * targetGain;
    }
    else
    {
        autoGain = 1.0f;
    }

    gainReductionValue = std::max(std::clamp(1.0f - reduction, 0.0f, 1.0f) * glueAmount,
                                  gainReductionValue * limiterRelease);

    return clean + (limited * autoGain - clean) * glueAmount;
}

float OutputStage::getGainReductionMeter() const noexcept
{
    return gainReductionValue < 0.005f ? 0.0f : std::min(gainReductionValue, 1.0f);
}

} // namespace kestrum
