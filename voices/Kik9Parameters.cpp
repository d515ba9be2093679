#include "Kik9Parameters.h"

#include "DspBlocks.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

namespace
{
bool isOn(float switchValue) noexcept { return switchValue >= 0.5f; }

// Shape values arrive as floats; round half to even and keep the result a valid shape number.
int roundShape(float value) noexcept
{
    if (! (value > 0.0f))
        return 0;
    return static_cast<int>(std::nearbyint(std::min(value, static_cast<float>(Kik9Eq::numShapes - 1))));
}

// The main decay knob is compressed towards 0.58 s on both sides so its ends stay musical.
float mainDecayTime(float k) noexcept
{
    return k < 0.58f ? 0.58f + (k - 0.58f) * 0.9f : 0.58f + (k - 0.58f) * 0.72f;
}

// The alternative models' decay: never shorter than 22 ms, rising on a gentle power curve.
float altDecayTime(float knob) noexcept
{
    const float s = (knob - 0.022f) / 0.211f;
    return s < 0.0f ? 0.022f : 0.022f + 0.538f * std::pow(std::min(s, 1.0f), 1.25f);
}
} // namespace

int selectKik9Model(const ChannelParameters& p) noexcept
{
    if (isOn(p.kik9Model7))
        return 7;
    if (isOn(p.kik9Model6))
        return 6;
    if (isOn(p.kik9Model5))
        return 5;
    if (isOn(p.kik9Model4))
        return 4;
    if (isOn(p.kik9Model3))
        return 3;
    if (isOn(p.kik9AltModel))
        return 2;
    return 1;
}

Kik9Parameters Kik9Parameters::fromChannel(const ChannelParameters& p, float sampleRate) noexcept
{
    Kik9Parameters k;
    k.model = selectKik9Model(p);
    const bool alt = k.model > 1;
    const auto d = [sampleRate](float seconds) { return dsp::decayFactor(seconds, sampleRate); };

    k.pitch = alt ? p.kik9AltPitch : p.kik9Tune;
    k.tuneDepth = alt ? p.kik9AltTuneDepth : p.kik9TuneDepth;
    k.pitchEnvelopeDecay = d(alt ? p.kik9AltTune : p.kik9TuneDecay);
    k.ampDecay = d(alt ? altDecayTime(p.kik9AltDecay) : mainDecayTime(p.kik9Decay));
    k.attack = alt ? p.kik9AltAttack : p.kik9Attack;
    k.clickDecayA = d(alt ? 0.0038f : 0.0012f + 0.0065f * k.attack);
    // A negative attack (only possible from a hand-built record) must not turn the decay into NaN.
    k.clickDecayB = d(alt ? 0.0038f : 0.0009f + 0.0011f * std::sqrt(std::max(k.attack, 0.0f)));
    k.noise = p.kik9Noise;
    k.distortion = p.kik9Distortion;
    k.drive424 = alt ? p.kik9AltDrive424 : p.kik9Distortion;
    k.drive424Enabled = isOn(p.kik9AltDrive424Enabled);
    k.compression = alt ? p.kik9AltCompressionXla : p.kik9Compression;
    k.level = alt ? p.kik9AltLevel : p.kik9Level;
    k.matchEqEnabled = alt && isOn(p.kik9MatchEqEnabled);
    k.matchEqMuted = isOn(p.kik9MatchEqMuted);
    k.matchEqPost = isOn(p.kik9MatchEqPost);

    for (size_t i = 0; i < k.bands.size(); ++i)
    {
        auto& band = k.bands[i];
        band.enabled = isOn(p.kik9MatchEqBandEnabled[i]);
        band.frequency = p.kik9MatchEqFrequency[i];
        band.gainDb = p.kik9MatchEqGain[i];
        band.q = p.kik9MatchEqQ[i];
        band.shape = roundShape(p.kik9MatchEqShape[i]);
    }
    return k;
}

} // namespace kestrum
