#include "TevHat9OpenVoice.h"

#include "OpenHatResource.h"
#include "TwelveBit.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

namespace
{
// Above this the ladder's own cut-off knob counts as "off".
constexpr float ladderOpenCutoff = 98.99f;

float softCeiling(float y) noexcept
{
    const float magnitude = std::abs(y);
    if (! (magnitude > 0.96f))
        return y;
    const float e = magnitude - 0.96f;
    return std::copysign(std::min(0.96f + e / (1.0f + 22.0f * e), 0.995f), y);
}

float equaliserSoftClip(float y) noexcept
{
    const float magnitude = std::abs(y);
    if (! (magnitude > 1.35f))
        return y;
    return std::copysign(1.35f + 0.65f * std::tanh((magnitude - 1.35f) / 0.65f), y);
}

int bandShape(float value) noexcept
{
    // Nearest integer with ties to even; anything unusable falls back to the first shape.
    return value >= 0.0f ? static_cast<int>(std::nearbyint(std::min(value, 9.0f))) : 0;
}
} // namespace

bool TevHat9OpenVoice::loadSample(const uint8_t* wavBytes, size_t size) noexcept
{
    tableFilled = true;
    return block.loadFromWav(wavBytes, size);
}

void TevHat9OpenVoice::prepareDesign(double sr)
{
    block.prepare(sr);
    if (! tableFilled)
        loadSample(resources::openHatWav, resources::openHatWavSize);

    drive.prepare(sampleRate);
    ladderSmoothing = 1.0f - std::exp(-dsp::twoPi * 48.0f / sampleRate);
    preMix.reset(sr, 0.003);
    postMix.reset(sr, 0.003);
}

void TevHat9OpenVoice::resetDesign()
{
    hatTrigger = {};
    player = {};
    brightness = dcInput = dcOutput = 0.0f;
    ladder.fill(0.0f);
    ladderInitialised = false;
    smoothedCutoff = 99.0f;
    smoothedResonance = 0.0f;
    drive.reset();
    lastDrive = 0.0f;
    for (auto& band : preBands)
        band.reset();
    for (auto& band : postBands)
        band.reset();
}

void TevHat9OpenVoice::onTrigger()
{
    // The note starts at the next sample, where the accent knob is read.
    hatTrigger = { velocity, pitchRatio, true };
}

float TevHat9OpenVoice::render(const ChannelParameters& p)
{
    if (hatTrigger.pending)
    {
        player = TevHat9Voice::startPlayer(hatTrigger.velocity, hatTrigger.pitchRatio, p.hat9Accent);
        hatTrigger.pending = false;
    }

    const float decay = std::clamp(p.hat9OpenDecay, 0.015f, 0.62f);
    const float tune = std::clamp(p.hat9OpenTune, -12.0f, 12.0f);
    const float level = std::clamp(p.hat9OpenLevel, 0.0f, 1.5f);

    float accentOut = 0.0f;
    const float x = 0.94f * level * block.renderPlayer(player, decay, tune, accentOut);
    const float accent = std::clamp(accentOut, 0.0f, 1.0f);

    // Accented notes open the top up and add a little of the unfiltered edge.
    const float bc = block.getBrightnessCoefficient();
    brightness += (bc + 0.35f * accent * (1.0f - bc)) * (x - brightness);
    const float s = brightness + 0.08f * accent * (x - brightness);
    float y = s - dcInput + block.getDcBlockerPole() * dcOutput;
    dcInput = s;
    dcOutput = y;

    y = processLadder(y, p, accent);

    if (p.hat9EqSat >= 0.5f)
        y = std::clamp(2.064f * y, -0.96f, 0.96f);
    y = softCeiling(y);

    const bool eqActive = p.hat9Gs3EqEnabled >= 0.5f && ! (p.hat9Gs3EqMuted >= 0.5f);
    const bool eqPost = p.hat9Gs3EqPost >= 0.5f;
    y = processHat9Gs3Eq(y, p, preBands, eqActive && ! eqPost, preMix);

    float w = drive.process(y, p.hatSaturation);
    const float driven = w;
    if (p.hat9Dac12 >= 0.5f)
        w = converter12Bit(w, lastDrive);
    lastDrive = driven;

    y = std::tanh(w * std::clamp(p.hatGain, 0.0f, 2.5f));
    return processHat9Gs3Eq(y, p, postBands, eqActive && eqPost, postMix);
}

float TevHat9OpenVoice::processLadder(float y, const ChannelParameters& p, float accent) noexcept
{
    const float cutTarget = std::clamp(p.hat9RfCutoff, 0.0f, 99.0f);
    const float resTarget = std::clamp(p.hat9RfRes, 0.0f, 99.0f);

    if (p.hat9RfBypass >= 0.5f || cutTarget >= ladderOpenCutoff)
    {
        ladder.fill(0.0f);
        ladderInitialised = false;
        smoothedCutoff = cutTarget;
        smoothedResonance = resTarget;
        return std::tanh((1.8f + 0.62f * accent) * y) * (0.6f + 0.07f * accent);
    }

    if (ladderInitialised)
    {
        smoothedCutoff += ladderSmoothing * (cutTarget - smoothedCutoff);
        smoothedResonance += ladderSmoothing * (resTarget - smoothedResonance);
    }
    else
    {
        smoothedCutoff = cutTarget;
        smoothedResonance = resTarget;
    }

    // 85 Hz to 19 kHz over the knob's travel.
    const float fc = 85.0f * std::pow(223.529419f, std::min(smoothedCutoff, 99.0f) / 99.0f);
    const double srd = std::max(block.getSampleRate(), 1.0);
    const float limited = static_cast<float>(std::max(std::min(static_cast<double>(fc), 0.425 * srd), 20.0));
    const float bigG = static_cast<float>(std::tan(static_cast<double>(dsp::pi) * limited / srd));
    const float g = bigG / (1.0f + bigG);
    const float k = 3.82f * std::pow(std::min(smoothedResonance, 99.0f) / 99.0f, 1.42f);

    // Start from the steady state of the present input so that switching in does not click.
    if (! ladderInitialised)
    {
        ladder.fill(y / (1.0f + k));
        ladderInitialised = true;
    }

    const float g2 = g * g;
    const float g3 = g2 * g;
    const float g4 = g3 * g;
    const float feedbackEstimate = (1.0f - g) * (g3 * ladder[0] + g2 * ladder[1] + g * ladder[2] + ladder[3]);
    const float y4 = (g4 * y + feedbackEstimate) / (1.0f + k * g4);

    float in = y - k * y4;
    for (auto& z : ladder)
    {
        const float v = g * (in - z);
        const float out = z + v;
        z = std::clamp(out + v, -8.0f, 8.0f);
        in = out;
    }

    return std::clamp(in, -8.0f, 8.0f) * (0.6f + 0.07f * accent);
}

float TevHat9OpenVoice::processHat9Gs3Eq(float x, const ChannelParameters& p, std::array<EqBand, 3>& bands,
                                         bool active, dsp::LinearRamp& mix) noexcept
{
    mix.setTargetValue(active ? 1.0f : 0.0f);

    // The bands run even while the equaliser is out, so switching it in fades into settled filters.
    float y = x;
    for (size_t i = 0; i < bands.size(); ++i)
        y = bands[i].process(y, static_cast<double>(sampleRate), p.hat9Gs3EqBandEnabled[i] >= 0.5f,
                             p.hat9Gs3EqFrequency[i], p.hat9Gs3EqGain[i], p.hat9Gs3EqQ[i],
                             bandShape(p.hat9Gs3EqShape[i]));

    y = equaliserSoftClip(y);
    return x + mix.getNextValue() * (y - x);
}

} // namespace kestrum
