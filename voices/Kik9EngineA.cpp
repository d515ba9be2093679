#include "Kik9EngineA.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

using namespace kik9;
using dsp::twoPi;

void Kik9EngineA::start(const NoteStart& levels) noexcept
{
    declick.restart(active);
    active = true;
    counter = 0.0f;
    clickCounter = 0.0f;
    phase1 = 0.0f;
    phase2 = 0.0f;
    amp = levels.amp;
    amp2 = levels.amp2;
    pitchEnvelope = levels.pitchEnvelope;
    click = levels.click;
    click2 = levels.click2;
}

namespace
{
// The engine's drive stage: asymmetric clip, make-up, a touch of low-pass smear and a DC blocker.
float drivePath(float x, float distortion, float& z, DcBlocker& dc) noexcept
{
    const float D = distortion;
    const float knee = std::max(0.3f + 0.08f * (1.0f - D), 0.0001f);
    x = softClip(x, 1.22f - 0.04f * D - knee, -1.14f + 0.03f * D + knee, knee);
    x /= 1.0f + 0.18f * D;
    z += (0.58f + 0.2f * D) * (x - z);
    x = 0.58f * x + 0.42f * z;
    return dc.process(x, 0.995f);
}
} // namespace

float Kik9EngineA::render(const Kik9Parameters& p, float pitchRatio, const Kik9EngineANoise& n,
                          float sampleRate) noexcept
{
    const float sr = sampleRate;

    // Pitch sweep: up to ten semitones plus the depth above the tuned pitch, kept in 18..360 Hz.
    const float f = p.pitch * pitchRatio * std::exp2((10.0f + 0.6f * p.tuneDepth) * pitchEnvelope / 12.0f);
    const float w = f < 18.0f ? twoPi * 18.0f : twoPi * std::min(f, 360.0f);
    phase1 += w / sr;
    if (phase1 >= twoPi)
        phase1 -= twoPi;
    phase2 += 2.018f * w / sr;
    if (phase2 >= twoPi)
        phase2 -= twoPi;

    // The growl (extra harmonics, a slightly sharp octave and rumble) fades in 32..110 ms after
    // the attack, when the sweep has settled.
    const float growl = smooth(std::clamp((counter - 0.032f * sr) / (0.078f * sr), 0.0f, 1.0f));
    lp4 += 0.028f * (n.cn - lp4);
    lp5 += 0.0065f * (lp4 - lp5);

    float body = std::sin(phase1) + 0.035f * std::sin(2.0f * phase1) - 0.01f * std::sin(3.0f * phase1);
    if (growl > 0.0f)
        body += growl
                * (0.072f * std::sin(2.0f * phase1 + 0.18f) - 0.03f * std::sin(3.0f * phase1 - 0.3f)
                   + 0.03f * std::sin(phase2 + 0.52f) + 0.022f * (lp4 - lp5));
    body *= 0.86f + 0.06f * amp2;
    body = softClip(body, 1.02f, 0.36f);

    const float noiseAmount = std::clamp(p.noise, 0.0f, 1.0f);
    const float noiseSignal = noiseAmount * (0.38f * (n.lp1 - n.lp2) + 0.1f * n.lp3);
    const float at = std::clamp(p.attack, 0.0f, 1.0f);

    // Click: a 0.55 ms pulse and a 1.05 ms burst of a 3.1 kHz ring on a falling ramp.
    const float t1 = std::max(0.00105f * sr, 1.0f);
    const float t2 = std::max(0.00055f * sr, 1.0f);
    const float k = clickCounter;
    const float clickSquared = click * click;
    const float pulse = k < t2 ? clickSquared : 0.0f;
    float ring = 0.0f;
    if (k < t1)
    {
        const float u = std::clamp(k / t1, 0.0f, 1.0f);
        const float wc = twoPi * 3100.0f * k / sr;
        ring = (0.34f * (1.0f - 2.35f * u) * std::exp(-8.0f * u)
                + 0.66f * (std::sin(wc) + 0.24f * std::sin(2.0f * wc)) * std::exp(-6.5f * u))
               * click2;
    }
    clickCounter += 1.0f;
    counter += 1.0f;

    const float attackGain = 1.18f + 0.62f * at;
    const float noiseClick = softClip(attackGain * 0.3f * at * noiseSignal * clickSquared, 0.84f, -0.78f, 0.18f);
    const float clickMix =
        softClip(attackGain * (0.36f * at * pulse + 0.14f * std::sqrt(at) * ring), 0.84f, -0.78f, 0.18f);

    const float D = std::clamp(p.distortion, 0.0f, 1.0f);
    const float bodyGain = std::clamp(0.08f + 0.88f * amp2, 0.0f, 1.12f);
    const float drive = 0.88f + 1.05f * D + 3.2f * D * D;

    const float x1 = (0.34f * noiseClick + 0.72f * bodyGain * body * amp + 0.03f * at * noiseAmount * noiseSignal * clickSquared)
                     * drive;
    const float x2 = (0.34f * clickMix + 0.62f * std::sqrt(at) * ring) * drive;

    float y1 = drivePath(x1, D, toneZ, toneDc);
    const float y2 = drivePath(x2, D, clickZ, clickDc);
    y1 = declick.process(y1, 1.0f / std::max(0.0015f * sr, 1.0f));

    amp *= p.ampDecay;
    amp2 *= p.ampDecay;
    pitchEnvelope *= p.pitchEnvelopeDecay;
    click *= p.clickDecayA;
    click2 *= p.clickDecayB;
    if (amp < silenceLevel && click < silenceLevel && click2 < silenceLevel)
        active = false;

    return y1 + y2;
}

} // namespace kestrum
