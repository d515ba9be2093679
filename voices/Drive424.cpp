#include "Drive424.h"

#include "ChainMath.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

void Drive424::prepare(double newSampleRate) noexcept
{
    sampleRate = static_cast<float>(std::max(newSampleRate, 1.0));
    mixDecay = dsp::decayFactor(0.005f, sampleRate);
    pole18 = chain::dcBlockerPole(18.0f, sampleRate);
    pole85 = chain::dcBlockerPole(85.0f, sampleRate);
    pole12 = chain::dcBlockerPole(12.0f, sampleRate);
    coefficient11800 = chain::onePoleCoefficient(11800.0f, sampleRate);
    coefficient140 = chain::onePoleCoefficient(140.0f, sampleRate);
    reset();
}

float Drive424::process(float x, float amount, bool enabled) noexcept
{
    if (! enabled)
    {
        state = {};
        return x;
    }

    auto& s = state;
    const float a = std::clamp(amount, 0.0f, 1.0f);
    s.mix += (1.0f - mixDecay) * (chain::smoothStep(a) - s.mix);

    const float gainDb = 50.0f * std::pow(a, 1.8f) - 10.0f;
    const float g = gainDb <= -100.0f ? 0.0f : std::pow(10.0f, gainDb / 20.0f);

    // First stage: an asymmetric tanh (the small offset makes even harmonics), with its resting
    // output subtracted so that silence stays silent.
    const float v = x * g;
    const float h = v - s.inputPrevious + pole18 * s.inputBlocked;
    s.inputPrevious = v;
    s.inputBlocked = h;

    const float u = (std::tanh(1.0625f * (h + 0.02775f)) - std::tanh(0.029484376f))
                    / std::max(std::tanh(1.0625f), 0.2f);
    const float c = std::clamp(u - 0.004f * u * u, -1.5f, 1.5f) * 0.98280096f;

    s.low85 = pole85 * s.low85 + (1.0f - pole85) * c;
    s.average = 0.9965f * s.average + 0.0035f * c;
    const float d = std::tanh(1.55f * (c + 0.055f * s.low85 + 0.06f * s.average)) / std::tanh(1.55f);

    // Second stage, whose drive and brightness follow the level.
    s.lowG += coefficient11800 * ((d - 0.018f * d * d) - s.lowG);
    const float d2 = 0.98f * s.lowG;
    const float hh = d2 - s.stagePrevious + pole12 * s.stageBlocked;
    s.stagePrevious = d2;
    s.stageBlocked = hh;
    s.lowK += coefficient140 * (hh - s.lowK);

    const float level = std::min(std::abs(d2), 1.0f);
    const float n = 1.08f + 1.35f * level;
    const float o = std::tanh(n * (hh + 0.018f * s.lowK + 0.012f * d2)) / std::tanh(n);
    s.outputLow += chain::onePoleCoefficient(18500.0f - 4300.0f * level, sampleRate) * ((o - 0.012f * o * o) - s.outputLow);

    return x + s.mix * (0.995f * s.outputLow - x);
}

} // namespace kestrum
