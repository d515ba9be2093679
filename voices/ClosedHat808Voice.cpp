#include "ClosedHat808Voice.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

namespace
{
// Inharmonic ratios and alternating-sign mix weights: the alternation keeps the sum from lining
// up into one big pulse when several squares flip together.
constexpr std::array<float, ClosedHat808Voice::numOscillators> ratios { 1.0f, 1.42f, 1.86f, 2.21f, 2.78f, 3.64f };
constexpr std::array<float, ClosedHat808Voice::numOscillators> weights { 0.3f, -0.24f, 0.2f, -0.17f, 0.14f, -0.12f };

// Which entries of the one-pole bank the hat uses.
enum HatFilter
{
    firstHighPass = 0,
    secondHighPass = 1,
    topLowPass = 2,
    clickHighPass = 3
};
} // namespace

void ClosedHat808Voice::prepareDesign(double sr)
{
    drive.prepare(static_cast<float>(sr));
}

void ClosedHat808Voice::resetDesign()
{
    phases.fill(0.0f);
    drive.reset();
}

void ClosedHat808Voice::onTrigger()
{
    setEnvelopesToVelocity();
}

float ClosedHat808Voice::render(const ChannelParameters& p)
{
    const float f = std::clamp(p.tune * pitchRatio, 60.0f, 12000.0f);
    const float metal = p.shape;
    const float tone = p.tone;
    const float det = 0.94f + 0.1f * metal;

    float sum = 0.0f;
    for (int i = 0; i < numOscillators; ++i)
    {
        float& ph = phases[static_cast<size_t>(i)];
        ph += dsp::twoPi * ratios[static_cast<size_t>(i)] * f * det * inverseSampleRate;
        if (ph >= dsp::twoPi)
            ph -= dsp::twoPi;
        if (ph >= dsp::twoPi) // only at absurdly low sample rates
            ph = std::fmod(ph, dsp::twoPi);
        sum += weights[static_cast<size_t>(i)] * (ph < dsp::pi ? 1.0f : -1.0f);
    }

    const float m = std::tanh((1.05f + 0.8f * metal) * sum + (0.1f + 0.28f * tone) * p.noise * noise.next());

    auto& zA = onePoles[firstHighPass];
    auto& zB = onePoles[secondHighPass];
    auto& zC = onePoles[topLowPass];
    auto& zD = onePoles[clickHighPass];
    zA.setCutoff(5100.0f + 4300.0f * tone);
    zB.setCutoff(6900.0f + 5200.0f * tone);
    zC.setCutoff(9200.0f + 10500.0f * tone);
    zD.setCutoff(7600.0f + 6200.0f * tone);

    const float h1 = zA.highPass(m);
    const float h2 = zB.highPass(h1);
    const float metalTone = zC.lowPass(h2);
    const float s = metalTone + 0.1f * noise.next();

    float& e1 = envelopes[0];
    float& e3 = envelopes[2];
    float& e4 = velocityEnvelope;
    const float click = (0.08f + 0.2f * metal) * e3 * zD.highPass(s);
    const float h = std::tanh(2.35f * (metalTone * e1 * (0.92f + 0.18f * e4) + click));

    const float dec = std::clamp(p.decay, 0.006f, 0.75f);
    e1 *= dsp::decayFactor((0.48f + 0.2f * metal) * dec, sampleRate);
    e4 *= dsp::decayFactor(0.006f + 0.014f * metal, sampleRate);
    e3 *= dsp::decayFactor(0.0012f + 0.0038f * metal, sampleRate);

    const float w = drive.process(h, p.hatSaturation);
    return std::tanh(std::clamp(p.hatGain, 0.0f, 2.5f) * w) * dsp::velocityGain(velocity, 0.16f);
}

} // namespace kestrum
