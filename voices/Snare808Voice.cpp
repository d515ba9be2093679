#include "Snare808Voice.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

namespace
{
// Which entries of the one-pole bank the noise layer uses.
enum NoiseFilter
{
    noiseHighPass = 0,
    noiseBand = 1,
    noiseTop = 2,
    snapHighPass = 3
};
} // namespace

void Snare808Voice::resetDesign()
{
    resonatorA.clear();
    resonatorB.clear();
    noiseSmoother = 0.0f;
    low1 = band1 = low2 = band2 = 0.0f;
    hold.reset();
    gainReductionDb = 0.0f;
}

void Snare808Voice::onTrigger()
{
    setEnvelopesToVelocity();

    // The body rings from these seeds, so its level follows the velocity.
    resonatorA.y1 = 0.092f * velocity;
    resonatorA.y2 = 0.055f * velocity;
    resonatorB.y1 = 0.07f * velocity;
    resonatorB.y2 = 0.04f * velocity;

    low1 = band1 = low2 = band2 = 0.0f;
    hold.restart();
    gainReductionDb = 0.0f;
}

float Snare808Voice::render(const ChannelParameters& p)
{
    const float tune = p.tune * pitchRatio;
    const float dec = std::clamp(p.decay, 0.0035f, 1.0f);
    const float tone = p.tone;
    const float snap = p.noise;
    const float noiseDecayShape = p.shape;
    const float osc2Frequency = std::clamp(p.osc2Tune * pitchRatio, 40.0f, 8000.0f);
    const float osc2 = p.osc2On >= 0.5f ? 1.0f : 0.0f;

    // Body. Resonator B always rings so that switching it in mid-note lands on a live tone.
    const float yA = resonatorA.process(0.0f, 0.92f * std::clamp(tune, 40.0f, 5000.0f), 0.95f * dec, sampleRate);
    const float yB = resonatorB.process(0.0f, osc2Frequency, dec, sampleRate);
    const float body = (0.68f - 0.32f * snap) * (yA * (0.42f - 0.1f * tone) + (0.16f + 0.12f * tone) * osc2 * yB);

    // Noise layer: a slightly smoothed white noise, high-passed, then band-limited.
    const float n = noise.next();
    noiseSmoother += 0.06f * (n - noiseSmoother);
    const float nm = 0.92f * n + 0.26f * noiseSmoother;

    auto& z1 = onePoles[noiseHighPass];
    auto& z2 = onePoles[noiseBand];
    auto& z3 = onePoles[noiseTop];
    auto& z4 = onePoles[snapHighPass];
    z1.setCutoff(700.0f + 2600.0f * tone);
    z2.setCutoff(3800.0f + 11600.0f * tone);
    z3.setCutoff(5200.0f + 7600.0f * tone);
    z4.setCutoff(1850.0f + 4300.0f * tone);

    const float h1 = z1.highPass(nm);
    z2.lowPass(h1);
    const float shaped = z3.lowPass(z2.state);

    float& noiseEnvelope = envelopes[3];
    float& snapEnvelope = envelopes[2];
    const float noiseOut = (0.06f + 1.85f * snap) * noiseEnvelope * shaped;
    const float s = shaped + 0.1f * n;
    const float snapOut = (0.03f + 0.62f * snap) * snapEnvelope * z4.highPass(s);

    noiseEnvelope *= dsp::decayFactor(0.004f + 0.22f * std::pow(noiseDecayShape, 1.8f), sampleRate);
    snapEnvelope *= dsp::decayFactor(0.002f + 0.0065f * snap, sampleRate);

    const float x = std::tanh(1.48f * (body + noiseOut + snapOut));
    float y = renderFilter(x, p);
    y = hold.process(y, p.sp1200On, inverseSampleRate);

    if (p.snareLimit >= 0.5f)
        y = renderLimiter(y);

    return y * dsp::velocityGain(velocity, 0.22f);
}

float Snare808Voice::renderFilter(float x, const ChannelParameters& p) noexcept
{
    const float cut = p.sp1200Cutoff;
    const float res = p.sp1200Resonance;
    const float fc = 220.0f + 17600.0f * std::pow(cut, 2.1f);
    const float gf = std::clamp(2.0f * std::sin(dsp::pi * fc * inverseSampleRate), 0.001f, 0.78f);
    const float k = 1.62f - 1.28f * res;
    const float u = std::tanh(x * (1.08f + 0.52f * res));

    const float hp1 = u - low1 - k * band1;
    band1 += gf * hp1;
    low1 += gf * band1;
    const float hp2 = low1 - low2 - k * band2;
    band2 += gf * hp2;
    low2 += gf * band2;

    return std::tanh((1.02f + 0.16f * res) * (low2 + 0.42f * res * (band1 + band2)));
}

float Snare808Voice::renderLimiter(float y) noexcept
{
    // Fast attack, slower release, acting on the level in dB above -32 dBFS.
    const float level = 0.84f * std::max(20.0f * std::log10(std::abs(y) + 0.000001f) + 32.0f, 0.0f);
    const float t = level > gainReductionDb ? 0.0018f : 0.045f;
    gainReductionDb = level + (gainReductionDb - level) * std::exp(-1.0f / (sampleRate * t));
    return 0.88f * std::tanh(6.0f * y * std::pow(10.0f, -gainReductionDb / 20.0f));
}

} // namespace kestrum
