#include "XlaCompressor.h"

#include "ChainMath.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{
namespace
{

float follow(float value, float target, float factor) noexcept
{
    return factor * value + (1.0f - factor) * target;
}

} // namespace

void XlaCompressor::prepare(double newSampleRate) noexcept
{
    sampleRate = static_cast<float>(std::max(newSampleRate, 1.0));
    pole17 = chain::dcBlockerPole(17.0f, sampleRate);
    pole14 = chain::dcBlockerPole(14.0f, sampleRate);
    coefficient95 = chain::onePoleCoefficient(95.0f, sampleRate);
    coefficient72 = chain::onePoleCoefficient(72.0f, sampleRate);
    coefficient19500 = chain::onePoleCoefficient(19500.0f, sampleRate);
    idleRelease = dsp::decayFactor(0.46f, sampleRate);
    memoryRise = dsp::decayFactor(0.06f, sampleRate);
    memoryFall = dsp::decayFactor(0.48f, sampleRate);
    makeUpRise = dsp::decayFactor(0.26f, sampleRate);
    makeUpFall = dsp::decayFactor(0.62f, sampleRate);
    reset();
}

float XlaCompressor::process(float x, float amount) noexcept
{
    auto& s = state;

    const float y = x - s.inputPrevious + pole17 * s.inputBlocked;
    s.inputPrevious = x;
    s.inputBlocked = y;
    s.low95 += coefficient95 * (y - s.low95);
    const float m = std::tanh(1.07f * (y + 0.018f * s.low95)) / std::tanh(1.07f);
    const float a = std::clamp(amount, 0.0f, 1.0f);

    if (a <= 0.0001f)
    {
        s.reductionDb *= idleRelease;
        s.programMemory *= idleRelease;
        s.makeUpDb *= idleRelease;
    }
    else
    {
        const float threshold = -5.0f - 27.0f * std::pow(a, 1.15f);
        const float levelDb = 20.0f * std::log10(std::max(std::abs(m), 0.000001f));
        const float o = levelDb - (threshold - 4.0f);
        const float over = o <= 0.0f ? 0.0f : (o >= 8.0f ? levelDb - threshold : o * o / 16.0f);

        // The ratio grows with the overshoot, from 2:1 towards 6:1.
        const float target = -over * (1.0f - 1.0f / (2.0f + 4.0f * (1.0f - std::exp(-over / 9.0f))));

        float time;
        if (target < s.reductionDb)
        {
            const float depth = -target / 18.0f;
            time = depth < 0.0f ? 0.014f : 0.014f - 0.007f * std::min(depth, 1.0f);
        }
        else
        {
            // Release slows down after long or deep reduction.
            time = 0.12f + 0.22f * s.programMemory;
        }

        s.reductionDb = follow(s.reductionDb, target, dsp::decayFactor(time, sampleRate));

        const float memoryTarget = std::clamp(-s.reductionDb / 16.0f, 0.0f, 1.0f);
        const float makeUpTarget = std::clamp(-0.78f * s.reductionDb, 0.0f, 7.5f);
        s.programMemory = follow(s.programMemory, memoryTarget, memoryTarget > s.programMemory ? memoryRise : memoryFall);
        s.makeUpDb = follow(s.makeUpDb, makeUpTarget, makeUpTarget > s.makeUpDb ? makeUpRise : makeUpFall);
    }

    const float gain = std::pow(10.0f, (s.reductionDb + s.makeUpDb) / 20.0f);
    s.average = 0.997f * s.average + 0.003f * m * gain;
    const float k = 1.05f + 0.38f * a;
    const float w = std::tanh(k * (m * gain + 0.014f * s.average + 0.008f)) / std::tanh(k) - 0.008f;

    const float q = w - s.stagePrevious + pole14 * s.stageBlocked;
    s.stagePrevious = w;
    s.stageBlocked = q;
    s.low72 += coefficient72 * (q - s.low72);
    const float k2 = 1.055f + 0.3f * a;
    const float f = std::tanh(k2 * (q + 0.022f * s.low72)) / std::tanh(k2);
    s.output += coefficient19500 * (f - s.output);
    return s.output;
}

} // namespace kestrum
