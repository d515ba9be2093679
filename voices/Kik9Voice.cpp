#include "Kik9Voice.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

using namespace kik9;

void Kik9Voice::prepareDesign(double sr)
{
    const float rate = static_cast<float>(sr);
    modelGlide = 1.0f - dsp::decayFactor(0.005f, rate);
    velocityGlide = 1.0f - dsp::decayFactor(0.0012f, rate);
    noiseGlide = 1.0f - dsp::decayFactor(0.00075f, rate);
    noiseCoefficientA = onePoleCoefficient(425.0f, rate);
    noiseCoefficientB = onePoleCoefficient(17.0f, rate);
    noiseCoefficientC = onePoleCoefficient(1250.0f, rate);
    noiseCoefficientD = onePoleCoefficient(350.0f, rate);

    engineB.prepare(rate);
    tapeCompressor.prepare(sr);
    chainA.prepare(sr);
    chainB.prepare(sr);
}

void Kik9Voice::resetDesign()
{
    triggerPending = false;
    noiseA = {};
    noiseB = {};
    modelMix = 0.0f;
    velocityGainLevel = 0.0f;
    velocityGainTarget = 0.0f;
    kickPitchRatio = 1.0f;
    engineA.reset();
    engineB.reset();
    tapeCompressor.reset();
    chainA.reset();
    chainB.reset();
}

void Kik9Voice::onTrigger()
{
    // The note starts at the next sample, where the channel's accent and attack can be read.
    triggerPending = true;
}

void Kik9Voice::startNote(const ChannelParameters& channel, const Parameters& p) noexcept
{
    const float v = std::clamp(velocity, 0.0f, 1.0f);
    const float accent = (v < 0.72f || channel.kik9Accent < 0.0f) ? 0.0f : std::min(channel.kik9Accent, 1.0f);
    const float sa = p.attack < 0.0f ? 0.0f : std::sqrt(std::min(p.attack, 1.0f));
    kickPitchRatio = std::clamp(pitchRatio, 0.25f, 4.0f);

    NoteStart levels;
    levels.amp = std::clamp((0.8f + 0.22f * v) * (1.0f + 0.18f * accent), 0.0f, 1.18f);
    levels.amp2 = std::clamp(0.94f * (1.0f + 0.12f * accent), 0.0f, 1.12f);
    levels.pitchEnvelope = std::clamp(0.62f + 0.38f * v + 0.04f * accent, 0.0f, 1.0f);
    levels.click = std::clamp((0.34f + 0.66f * v + 0.06f * accent) * sa, 0.0f, 1.0f);
    levels.click2 = std::clamp((0.1f + 0.9f * std::pow(v, 2.4f)) * (1.0f + 0.06f * accent) * sa, 0.0f, 1.08f);

    engineA.start(levels);
    engineB.start(levels);

    lfsr = noiseSeed;
    noiseA = {};
    noiseB = {};

    velocityGainLevel = velocityGainTarget = (0.3f + 0.7f * v) * (1.0f + 0.08f * accent);
    triggerPending = false;
}

float Kik9Voice::nextNoise() noexcept
{
    const uint32_t s = lfsr;
    const uint32_t bit = ((s >> 31) ^ (s >> 28) ^ (s >> 6) ^ (s >> 4)) & 1u;
    lfsr = (s << 1) | bit;
    return bit != 0 ? 1.0f : -1.0f;
}

void Kik9Voice::advanceVelocityGain() noexcept
{
    velocityGainLevel += velocityGlide * (velocityGainTarget - velocityGainLevel);
}

float Kik9Voice::renderEngineA(const Parameters& p, float cn) noexcept
{
    noiseA.cn = cn;
    noiseA.lp1 += noiseGlide * (cn - noiseA.lp1);
    noiseA.lp2 += 0.018f * (noiseA.lp1 - noiseA.lp2);
    noiseA.lp3 += 0.58f * (cn - noiseA.lp3);

    const bool sounding = engineA.isActive();
    float x = 0.0f;
    if (sounding)
    {
        x = engineA.render(p, kickPitchRatio, noiseA, sampleRate);
        advanceVelocityGain();
        x *= velocityGainLevel;
    }

    // The main model ends in the tape compressor; with an alternative model selected engine A's
    // tail goes through the same chain as engine B so the two match while they crossfade.
    const float processed = p.model >= 2 ? chainA.process(x, p) : tapeCompressor.process(x, p.compression);
    const float out = processed * p.level;
    return sounding ? std::clamp(out, -1.0f, 1.0f) : out;
}

float Kik9Voice::renderEngineB(const Parameters& p, float cn) noexcept
{
    noiseB.cn = cn;
    noiseB.nA += noiseCoefficientA * (cn - noiseB.nA);
    noiseB.nB += noiseCoefficientB * (noiseB.nA - noiseB.nB);
    noiseB.nC += noiseCoefficientC * (cn - noiseB.nC);
    noiseB.nD += noiseCoefficientD * (cn - noiseB.nD);

    if (! engineB.isActive())
        return chainB.process(0.0f, p);

    float x = engineB.render(p, kickPitchRatio, noiseB);
    advanceVelocityGain();
    x *= velocityGainLevel;
    return std::clamp(chainB.process(x, p) * p.level, -1.0f, 1.0f);
}

float Kik9Voice::render(const ChannelParameters& channel)
{
    const Parameters p = Parameters::fromChannel(channel, sampleRate);
    if (triggerPending)
        startNote(channel, p);

    const float cn = nextNoise();

    // A new note jumps straight to the selected model; a model change during a note glides.
    const float target = p.model > 1 ? 1.0f : 0.0f;
    if (engineA.samplesSinceStart() < 0.5f && engineB.samplesSinceStart() < 0.5f)
        modelMix = target;
    else
        modelMix += modelGlide * (target - modelMix);

    const float outA = renderEngineA(p, cn);
    const float outB = renderEngineB(p, cn);
    return outA + modelMix * (outB - outA);
}

} // namespace kestrum
