#include "RimShot808Voice.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

namespace
{
// Which entries of the one-pole bank the rim uses.
enum RimFilter
{
    clickHighPass = 0,
    outputHighPass = 1
};
} // namespace

void RimShot808Voice::resetDesign()
{
    lowResonator.clear();
    highResonator.clear();
    impulsePending = false;
}

void RimShot808Voice::onTrigger()
{
    setEnvelopesToVelocity();
    impulsePending = true;
}

float RimShot808Voice::render(const ChannelParameters& p)
{
    const float lowFrequency = std::clamp(p.rimLowTune * pitchRatio, 240.0f, 1000.0f);
    const float highFrequency = std::clamp(p.rimHighTune * pitchRatio, 800.0f, 4800.0f);
    const float dec = std::clamp(p.rimDecay, 0.003f, 0.1f);
    const float drive = p.rimDrive;
    const float snap = p.rimSnap;

    const float impulse = impulsePending ? (0.02f + 0.035f * snap) * velocity : 0.0f;
    impulsePending = false;

    const float yL = lowResonator.process(impulse, lowFrequency, 0.03f + 0.018f * (1.0f - snap), sampleRate);
    const float yH = highResonator.process(0.82f * impulse, highFrequency, 0.018f + 0.012f * (1.0f - snap), sampleRate);
    const float tone = 0.62f * p.rimLowLevel * yL + 0.48f * p.rimHighLevel * yH;

    auto& click = onePoles[clickHighPass];
    click.setCutoff(2200.0f + 5200.0f * p.rimHighPass);
    const float clickNoise = click.highPass(noise.next());

    float& bodyEnvelope = envelopes[0];
    float& clickEnvelope = envelopes[2];
    const float u1 = std::tanh((1.8f + 5.2f * drive) * bodyEnvelope
                               * (tone + clickEnvelope * clickNoise * (0.008f + 0.04f * snap)));

    auto& output = onePoles[outputHighPass];
    output.setCutoff(180.0f + 1900.0f * p.rimHighPass);
    const float y = output.highPass(u1);

    bodyEnvelope *= dsp::decayFactor(dec, sampleRate);
    clickEnvelope *= dsp::decayFactor(0.00045f + 0.0018f * snap, sampleRate);

    return (0.78f + 0.3f * drive) * y * dsp::velocityGain(velocity, 0.32f);
}

} // namespace kestrum
