#include "Kik9EngineB.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

using namespace kik9;
using dsp::pi;
using dsp::twoPi;

void Kik9EngineB::prepare(float newSampleRate) noexcept
{
    sampleRate = newSampleRate;
    clickLowPassCoefficient = onePoleCoefficient(6200.0f, sampleRate);
}

void Kik9EngineB::reset() noexcept
{
    const float keepRate = sampleRate;
    const float keepCoefficient = clickLowPassCoefficient;
    *this = Kik9EngineB {};
    sampleRate = keepRate;
    clickLowPassCoefficient = keepCoefficient;
}

void Kik9EngineB::start(const NoteStart& levels) noexcept
{
    declick.restart(active);
    active = true;
    counter = 0.0f;
    time = 0.0f;
    phase1 = 0.0f;
    phase2 = 0.0f;
    phase3 = 0.0f;
    amp = levels.amp;
    pitchEnvelope = levels.pitchEnvelope;
    click = levels.click;
    click2 = levels.click2;
}

namespace
{
void advancePhase(float& phase, float increment) noexcept
{
    phase += increment;
    if (phase >= twoPi)
        phase -= twoPi;
}
} // namespace

float Kik9EngineB::tone(const Kik9Parameters& p, float pitchRatio, float t) noexcept
{
    const int b = p.model;
    const auto E = [t](float tau) { return std::exp(-t / tau); };

    const float r7 = p.isModel7() ? 0.9438743f : 1.0f;
    const float fB =
        std::clamp(p.pitch * r7 * pitchRatio * std::exp2(0.94f * p.tuneDepth * pitchEnvelope / 12.0f), 18.0f, 430.0f);
    advancePhase(phase1, twoPi * fB / sampleRate);
    advancePhase(phase2, 3.0f * pi * fB / sampleRate);
    advancePhase(phase3, 11.195364f * fB / sampleRate);

    // A sine leaning a little towards a triangle, with a faint second and third harmonic.
    const float s1 = std::sin(phase1);
    const float x = 0.72f * s1 + 0.28f * (2.0f / pi) * std::asin(s1);
    const float h2 = std::sin(2.0f * phase1 + 0.08f);
    const float third = 0.008f * std::sin(3.0f * phase1 - 0.12f);
    const float B1 = x + (b == 6 ? 0.005f : 0.024f) * h2 - third;
    const float B2 = x + 0.024f * h2 - third;

    const float hu = E(0.0085f);
    const float hv = std::sin(2.0f * phase1 + 0.18f);
    const float hG = (p.isModel5To7() ? 0.055f : 0.068f) * hu * hv;
    const float hB = 0.03f + 0.145f * E(0.055f);
    const float T24 = std::tanh(2.4f);
    const float P1 = std::tanh(2.4f * B1) / T24 * 0.8134f - B1;
    const float P2 = std::tanh(2.4f * B2) / T24 * 0.8134f - B2;
    const float hH = hB * P2 + hG + B2;

    float az = 0.0f;
    if (b == 6)
    {
        az = hH;
    }
    else if (b == 7)
    {
        az = hB * P2 + 0.068f * hu * hv + B2;
    }
    else
    {
        const float m = b == 3 ? 0.038f : b == 6 ? 0.001f : b == 4 ? 0.012f : b <= 2 ? 0.0f : 0.008f;
        const float e4 = b < 3 ? 1.0f : 0.88f + 0.12f * (1.0f - E(0.016f));
        az = (hB + E(0.06f) * ((b == 3 ? 0.012f : 0.0f) * (1.0f - E(0.0035f)))) * P1
             + hv * E(0.022f) * (1.0f - E(0.0028f)) * m + e4 * B1 + hG;

        if (b == 4 || b == 5)
        {
            float hU = E(0.055f) * ((b == 5 ? 0.0038f : 0.0065f) * (1.0f - E(0.0045f))) * std::sin(4.0f * phase1 + 0.1f)
                       + az;
            float e3 = 0.0f;
            if (b == 5)
            {
                const float V = std::clamp((pitchEnvelope - 0.45f) / 0.4f, 0.0f, 1.0f);
                hU += E(0.17f) * (1.0f - smooth(V)) * 0.018f * (1.0f - E(0.01f)) * h2
                      + E(0.15f) * (1.0f - E(0.008f)) * 0.0225f * s1
                      + E(0.045f) * (1.0f - E(0.0055f)) * 0.0016f * std::sin(phase3 - 0.06f);
                e3 = 0.052f * (1.0f - E(0.01f));
            }
            else
            {
                e3 = 0.044f * (1.0f - E(0.01f));
            }
            az = hU - E(0.14f) * e3 * P1;
        }
    }

    // The tone swells in over a couple of milliseconds and is a touch quieter while the sweep is high.
    const float pe = 1.5f * pitchEnvelope;
    const float h3amp = (pe < 0.0f ? 1.0f : 1.0f - 0.08f * std::min(pe, 1.0f)) * (1.0f - E(0.0023f))
                        * (0.018f * E(0.02f) + 0.78f);
    float out = h3amp * az * amp;

    if (b >= 4 && b <= 6)
    {
        // These models start on the plain harmonic body and blend into their own voicing.
        const float h8 = E(b == 4 ? 0.0115f : 0.0092f);
        out = h8 * (h3amp * hH * amp) + (0.18f + 0.76f * (1.0f - E(0.022f))) * out * (1.0f - h8);
    }

    if (b == 5)
    {
        // A resonant partial that sings briefly as the sweep passes just below its top.
        const float base = std::max(p.pitch * pitchRatio, 18.0f);
        const float top = std::exp2(0.94f * p.tuneDepth / 12.0f) * base;
        const float ref = top < 18.0f ? 14.76f : 0.82f * std::min(top, 430.0f);
        const float z = (std::log2(std::max(fB / base, 0.001f)) - std::log2(std::max(ref / base, 1.0f))) / 0.43f;
        out += E(0.0065f) * (1.0f - E(0.0012f)) * 0.0012f * std::sin(phase3 - 0.06f)
               + hu * (1.0f - E(0.0016f)) * 0.008f * std::sin(phase2 + 0.1f)
               + s1 * E(0.024f) * (1.0f - E(0.0018f)) * 0.024f * std::exp(-z * z / 2.0f);
    }
    return out;
}

float Kik9EngineB::clickSignal(const Kik9Parameters& p, float t, const Kik9EngineBNoise& n) const noexcept
{
    const int b = p.model;
    const float at = std::clamp(p.attack, 0.0f, 1.0f);
    const auto E = [t](float tau) { return std::exp(-t / tau); };

    // A one-sample-wide step, a quick negative rebound and two short high rings; model 3 adds a
    // lower ring and a burst of band-passed noise.
    const float rebound = t >= 0.00009f ? -0.24f * std::exp(-(t - 0.00009f) / 0.00032f) : 0.0f;
    const float pulse = E(0.00108f) * (0.086f * std::sin(5969.0264f * t) + 0.044f * std::sin(5026.5483f * t))
                        + (t < 0.00009f ? 1.0f : 0.0f) + rebound
                        + (b == 3 ? 0.085f * E(0.0082f) * std::sin(2488.1414f * t + 0.12f) : 0.0f);
    const float amount = 0.68f * std::pow(at, 1.35f) + (b == 3 ? 0.0f : 0.1f);
    const float noiseBurst = b == 3 ? 0.075f * (n.nC - n.nD) * E(0.0055f) : 0.0f;
    return amount * (0.72f * pulse + 0.28f * (n.nA - n.nB)) * E(0.0021f) + noiseBurst;
}

void Kik9EngineB::advanceEnvelopes(const Kik9Parameters& p) noexcept
{
    const int b = p.model;
    const float at = std::clamp(p.attack, 0.0f, 1.0f);
    const float sr = sampleRate;

    counter += 1.0f;
    time += 1.0f;

    // The body holds its level for the first 9..17 ms, then decays, faster after 120 ms.
    const float hold = (b >= 3 && b <= 6 ? 0.0085f + 0.004f * at : 0.011f + 0.006f * at) * sr;
    if (counter > hold)
        amp *= std::pow(p.ampDecay, counter < 0.12f * sr ? 1.26f : 1.85f);

    float exponent = 1.5f;
    if (b == 5 || b == 6)
        exponent = 1.68f - 0.44f * smooth(std::clamp((pitchEnvelope - 0.52f) / 0.38f, 0.0f, 1.0f));
    pitchEnvelope *= std::pow(p.pitchEnvelopeDecay, exponent);
    click *= p.clickDecayA;
    click2 *= p.clickDecayB;
    if (amp < silenceLevel && click < silenceLevel && click2 < silenceLevel)
        active = false;
}

float Kik9EngineB::render(const Kik9Parameters& p, float pitchRatio, const Kik9EngineBNoise& n) noexcept
{
    const float t = time / sampleRate;
    const float toneSignal = tone(p, pitchRatio, t);
    const float clickIn = clickSignal(p, t, n);

    // Gentle offset tanh shaper: adds even harmonics, more with the distortion control.
    const float D = std::clamp(p.distortion, 0.0f, 1.0f);
    const float kw = 1.18f + 1.35f * D;
    const float o = 0.01f + 0.012f * D;
    const float ly = std::tanh(kw * o);
    const float lz = (std::tanh(kw * (toneSignal + o)) - ly) / std::max(kw * (1.0f - ly * ly), 0.1f);
    const float shaped = toneSignal + (0.22f + 0.35f * D) * (lz * (lz >= 0.0f ? 1.015f : 0.985f) - toneSignal);
    const float toneOut = declick.process(toneDc.process(shaped, 0.995f), 1.0f / std::max(0.0015f * sampleRate, 1.0f));

    clickLowPass += clickLowPassCoefficient * (clickIn - clickLowPass);
    const float clickOut = clickDc.process(clickLowPass, 0.995f);

    advanceEnvelopes(p);
    return toneOut + clickOut;
}

} // namespace kestrum
