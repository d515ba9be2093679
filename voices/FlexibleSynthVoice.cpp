#include "FlexibleSynthVoice.h"

#include "FoldBack.h"
#include "SynthPhase.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

namespace
{
// Which entries of the one-pole bank do what.
constexpr int noiseHighPass = 0; // band-passed noise, low edge
constexpr int noiseBand = 1;     // band-passed noise, high edge
constexpr int clickHighPass = 2; // second noise draw, high-passed for the click
constexpr int toneFilter = 3;    // first of three low-passes in series
} // namespace

FlexibleSynthVoice::FlexibleSynthVoice(VoiceType type) noexcept
    : DrumVoiceDesign(type), mode(type == VoiceType::ChordPuller ? 2 : 0)
{
}

void FlexibleSynthVoice::prepareDesign(double newSampleRate)
{
    semMix.reset(newSampleRate, 0.008);
}

void FlexibleSynthVoice::resetDesign()
{
    carrierPhase = modulatorPhase = squarePhase = obhSawPhase = obhSquarePhase = 0.0f;
    obhFilter.clear();
    ampEnvelope.clear();
    releaseLevel = 0.0f;
}

void FlexibleSynthVoice::onTrigger()
{
    setEnvelopesToVelocity();

    if (mode == 2)
    {
        ampEnvelope.attackLevel = 0.0f;
        ampEnvelope.decayLevel = 1.0f;
        releaseLevel = 1.0f;
        obhFilter.clear();
        for (auto& filter : onePoles)
            filter.state = 0.0f;
        carrierPhase = modulatorPhase = squarePhase = obhSawPhase = obhSquarePhase = 0.0f;
    }
    else
    {
        // Pick up from where the amplitude is now, so a fast repeat does not click.
        ampEnvelope.attackLevel =
            std::clamp(ampEnvelope.attackLevel * ampEnvelope.decayLevel * releaseLevel, 0.0f, 1.0f);
        ampEnvelope.decayLevel = 1.0f;
        releaseLevel = 1.0f;
    }
}

float FlexibleSynthVoice::render(const ChannelParameters& p)
{
    return processFlexible(p, mode);
}

float FlexibleSynthVoice::processFlexible(const ChannelParameters& p, int modeIndex) noexcept
{
    using dsp::pi;
    using dsp::twoPi;
    using synth::wrapPhase;

    const bool chord = modeIndex == 2;
    const float m = static_cast<float>(modeIndex);
    const float T = inverseSampleRate;

    const float f0 = std::clamp(p.tune * pitchRatio, 8.0f, 9000.0f);
    const float dec = std::clamp(p.decay, 0.01f, 5.0f);
    const float tone = p.tone;
    const float sweep = p.shape;
    const float noiseAmount = p.noise;
    const float cut = p.filterCutoff;
    const float fenv = p.filterEnv;
    const float fm = chord ? p.fmAmount : 0.0f;

    semMix.setTargetValue(chord && p.genCSemMode >= 0.5f ? 1.0f : 0.0f);
    const float obhMix = chord ? semMix.getNextValue() : 0.0f;

    float& env0 = envelopes[0];
    float& sweepEnv = envelopes[1];
    float& clickEnv = envelopes[2];
    float& noiseEnv = envelopes[3];
    float& filterEnvLevel = velocityEnvelope;

    const float f = f0 * std::max(1.0f + sweep * sweepEnv * (chord ? 9.0f : 5.5f), 0.18f);

    float sm = 0.0f;
    if (fm > 0.0f)
    {
        const float fmod = std::clamp(f0 * (1.52f + 1.35f * tone + 1.1f * sweep), 8.0f, 9000.0f);
        modulatorPhase = wrapPhase(modulatorPhase + twoPi * fmod * T);
        sm = std::sin(modulatorPhase);
    }

    const float index = 0.08f + env0 * (1.1f + 1.5f * tone + 2.65f * sweep);
    const float fc = std::clamp(f * std::max(1.0f + sm * fm * index, 0.05f), 15.0f, 9000.0f);
    carrierPhase = wrapPhase(carrierPhase + twoPi * fc * T);
    const float sine = std::sin(carrierPhase);
    const float tri = (2.0f / pi) * std::asin(std::clamp(sine, -1.0f, 1.0f));
    squarePhase = wrapPhase(squarePhase + twoPi * (1.0f + 0.32f * m) * fc * T);
    const float sq = squarePhase < pi ? 1.0f : -1.0f;
    const float shaped = std::tanh((1.0f + 2.5f * tone) * (0.78f * tri + 0.34f * sq));

    const float bleed = fm * sm * env0 * (0.04f + 0.16f * tone + 0.08f * sweep);

    float w = sine;
    if (chord)
        w = sine + tone * (shaped - sine);
    else if (p.genAWaveform == 1)
        w = tri;
    else if (p.genAWaveform >= 2)
        w = sq;
    const float osc = (w + bleed) * env0;

    float source = osc;
    if (chord)
    {
        obhSawPhase = wrapPhase(obhSawPhase + twoPi * f * T);
        const float saw = obhSawPhase / pi - 1.0f;
        obhSquarePhase = wrapPhase(obhSquarePhase + twoPi * 1.003f * f * T);
        const float sq2 = obhSquarePhase < pi ? 0.38f : -0.38f;
        const float obh = std::tanh(0.68f * saw + sq2) * env0;
        source = osc + obhMix * (obh - osc);
    }

    // Noise: a band of the first draw for the body, the top of the second for the sweep click.
    const float na = noise.next();
    const float nb = noise.next();
    onePoles[noiseHighPass].setCutoff(140.0f + f0 * (0.35f + 1.4f * tone));
    onePoles[noiseBand].setCutoff(1100.0f + 13800.0f * tone);
    onePoles[clickHighPass].setCutoff(1100.0f + 8200.0f * tone);
    const float band = onePoles[noiseBand].lowPass(onePoles[noiseHighPass].highPass(na));
    const float click = onePoles[clickHighPass].highPass(nb);
    float x = source + (0.72f + 0.2f * m) * noiseAmount * noiseEnv * band + 0.18f * sweep * clickEnv * click;

    x = synth::foldBack(x, p.foldback);

    const float fcut = 24.0f + 15500.0f * std::pow(cut, 3.15f)
                       + fenv * filterEnvLevel * (220.0f + std::sqrt(cut) * (4400.0f + 6200.0f * tone))
                       + (0.24f + 0.76f * fenv) * (180.0f + 1850.0f * tone) * velocity * velocity;

    onePoles[toneFilter].setCutoff(fcut);
    onePoles[toneFilter + 1].setCutoff(0.94f * fcut);
    onePoles[toneFilter + 2].setCutoff(0.88f * fcut);
    float l = onePoles[toneFilter + 2].lowPass(onePoles[toneFilter + 1].lowPass(onePoles[toneFilter].lowPass(x)));

    if (chord)
    {
        const float obhOut = obhFilter.process(x, fcut, fm, tone, sampleRate, T);
        l = l + obhMix * (obhOut - l);
    }

    // The general drum holds its oscillator level for the whole note; its shape comes from the
    // amplitude envelope alone.
    if (chord)
        env0 *= dsp::decayFactor(dec * (0.72f + 0.35f * tone), sampleRate);
    sweepEnv *= dsp::decayFactor(0.018f + 0.2f * sweep, sampleRate);
    clickEnv *= dsp::decayFactor(0.002f + 0.01f * sweep, sampleRate);
    noiseEnv *= dsp::decayFactor(dec * (0.35f + 0.5f * noiseAmount), sampleRate);
    filterEnvLevel *= dsp::decayFactor(0.018f + dec * (0.16f + 0.44f * fenv), sampleRate);

    const float amp = ampEnvelope.next(p, sampleRate, releaseLevel);

    return std::tanh((1.15f + 0.28f * m) * l * amp) * dsp::velocityGain(velocity, 0.12f);
}

} // namespace kestrum
