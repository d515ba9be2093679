#include "BassBinVoice.h"

#include "SynthPhase.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

namespace
{
// F#2, the note the bass plays at the 8' octave with no fine tuning.
constexpr float basePitch = 92.498604f;
constexpr float octaveMultipliers[] = { 0.25f, 0.5f, 1.0f, 2.0f, 4.0f };
// 36 % of a turn, in radians.
constexpr float narrowSubDuty = 2.261947f;

enum LfoDestination
{
    lfoOff = 0,
    lfoPitch = 1,
    lfoFilter = 2,
    lfoPulseWidth = 3
};
} // namespace

void BassBinVoice::resetDesign()
{
    oscillator.phase = 0.0f;
    subPhase = subPulsePhase = lfoPhase = 0.0f;
    filterStages.fill(0.0f);
    dcLevel = 0.0f;
    ampEnvelope.clear();
}

void BassBinVoice::onTrigger()
{
    setEnvelopesToVelocity();
    ampEnvelope.attackLevel = 0.0f;
    ampEnvelope.decayLevel = 1.0f;
}

float BassBinVoice::render(const ChannelParameters& p)
{
    using dsp::pi;
    using dsp::twoPi;
    using synth::wrapPhase;

    const float T = inverseSampleRate;

    const float lfoRate = p.sh101LfoRate < 0.1f ? 0.1f : std::min(p.sh101LfoRate, 30.0f);
    lfoPhase = wrapPhase(lfoPhase + twoPi * lfoRate * T);
    const float lfo = std::sin(lfoPhase);
    const float amount = p.sh101LfoAmount;
    const int destination = p.sh101LfoDestination;

    const float octave = octaveMultipliers[std::clamp(p.sh101Octave, 0, 4)];
    const float cents = std::clamp(p.sh101Tune, -50.0f, 50.0f);
    float f = basePitch * octave * pitchRatio * std::exp2(cents / 1200.0f)
              * (destination == lfoPitch ? std::exp2(amount * lfo) : 1.0f);
    f = std::clamp(f, 7.0f, 0.34f * sampleRate);

    oscillator.advance(f, T);
    const float dt = f * T;
    const float width =
        std::clamp(p.sh101PulseWidth + (destination >= lfoPulseWidth ? 0.42f * amount * lfo : 0.0f), 0.05f, 0.95f);
    const float saw = oscillator.saw(dt);
    const float pulse = oscillator.pulse(width, dt);

    const int subType = p.sh101SubType;
    const float subFrequency =
        f * (subType < 1 ? 0.5f : 0.25f) * std::exp2(std::clamp(p.sh101SubDetune, -35.0f, 35.0f) / 1200.0f);
    subPhase = wrapPhase(subPhase + twoPi * subFrequency * T);
    float sub = subPhase < pi ? 1.0f : -1.0f;
    if (subType >= 2)
    {
        subPulsePhase = wrapPhase(subPulsePhase + twoPi * subFrequency * T);
        sub = subPulsePhase < narrowSubDuty ? 1.0f : -1.0f;
    }

    const float amp = ampEnvelope.next(p, sampleRate, envelopes[0]);

    // A negative envelope amount closes the filter from its base instead of opening it.
    const float base = 20.0f + 18400.0f * std::pow(p.sh101Cutoff, 2.1f);
    const float k = std::clamp(p.sh101FilterEnv, -1.0f, 1.0f);
    float cutoff = (base * (k < 0.0f ? 1.0f + 0.72f * k * amp : 1.0f) + (k >= 0.0f ? 9400.0f * k * amp : 0.0f))
                   * (destination == lfoFilter ? std::exp2(2.0f * amount * lfo) : 1.0f);
    cutoff = std::max(cutoff, 20.0f);
    const float a = std::clamp(1.0f - std::exp(-twoPi * std::min(cutoff, 0.34f * sampleRate) * T), 0.001f, 0.48f);

    const float sawLevel = p.sh101SawLevel;
    const float pulseLevel = p.sh101PulseLevel;
    const float subLevel = p.sh101SubLevel;
    const float mix =
        (sawLevel * saw + pulseLevel * pulse + subLevel * sub) / std::max(sawLevel + pulseLevel + subLevel, 0.28f);

    const float res = std::pow(p.sh101Resonance, 1.35f);
    const float u = std::tanh(mix * (1.0f + 0.9f * res) - 7.2f * res * filterStages[3]);
    filterStages[0] += a * (u - filterStages[0]);
    filterStages[1] += a * (filterStages[0] - filterStages[1]);
    filterStages[2] += a * (filterStages[1] - filterStages[2]);
    filterStages[3] += a * (filterStages[2] - filterStages[3]);

    // Resonance and the asymmetric subs leave an offset; follow it slowly and take it out.
    const float hp = filterStages[3] - dcLevel;
    dcLevel += 0.0011f * hp;

    return std::tanh((2.1f + 1.2f * res) * amp * hp) * dsp::velocityGain(velocity, 0.30f);
}

} // namespace kestrum
