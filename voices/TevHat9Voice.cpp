#include "TevHat9Voice.h"

#include "DspBlocks.h"
#include "WavImage.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

void TevHat9Voice::prepare(double newSampleRate) noexcept
{
    sampleRate = std::max(newSampleRate, 1.0);
    rateRatio = sourceRate / sampleRate;
    const float sr = static_cast<float>(sampleRate);
    brightnessCoefficient = 1.0f - std::exp(-dsp::twoPi * 11200.0f / sr);
    dcBlockerPole = std::exp(-dsp::twoPi * 18.0f / sr);
}

bool TevHat9Voice::loadFromWav(const uint8_t* bytes, size_t size) noexcept
{
    samples.fill(0.0f);
    sampleCount = tableSize;

    WavImage wav;
    if (! parseWavImage(bytes, size, wav))
        return false;
    if (wav.formatTag != 1 || wav.channels != 1 || wav.sampleRate != 32000 || wav.bitsPerSample != 8
        || wav.dataSize < static_cast<size_t>(tableSize))
        return false;

    double sum = 0.0;
    for (size_t i = 0; i < samples.size(); ++i)
    {
        samples[i] = (static_cast<float>(wav.data[i]) - 128.0f) / 128.0f;
        sum += samples[i];
    }

    const float mean = static_cast<float>(sum / tableSize);
    for (auto& s : samples)
        s -= mean;

    return true;
}

TevHat9Voice::Player TevHat9Voice::startPlayer(float velocity, float pitchRatio, float accentAmount) noexcept
{
    // Only hard hits (above 0.82) take the accent, and then in proportion to how hard.
    const float accent = std::clamp((velocity - 0.82f) / 0.18f, 0.0f, 1.0f);
    const float accentAmt = std::clamp(accentAmount * accent, 0.0f, 1.0f);

    Player p;
    p.position = 0.0;
    p.end = playedLength;
    p.gain = std::clamp((0.46f + 0.54f * std::min(velocity, 1.0f)) * (1.0f + 0.58f * accentAmt) * 0.95f, 0.0f, 1.25f);
    p.accent = accentAmt;
    p.semitones = std::clamp(12.0f * std::log2(std::max(pitchRatio, 0.125f)), -36.0f, 36.0f);
    p.active = true;
    return p;
}

float TevHat9Voice::renderPlayer(Player& p, float decay, float tune, float& accentOut) const noexcept
{
    if (! p.active)
        return 0.0f;

    if (p.position >= p.end - 1.0)
    {
        p.active = false;
        return 0.0f;
    }

    accentOut = std::max(accentOut, p.gain * p.accent);

    const int i = std::clamp(static_cast<int>(p.position), 0, sampleCount - 2);
    const int j = std::min(static_cast<int>(p.end - 1.0), i + 1);
    const float f = static_cast<float>(p.position - i);
    const float a = samples[static_cast<size_t>(i)];
    const float s = a + f * (samples[static_cast<size_t>(j)] - a);

    const float shift = std::clamp(tune + p.semitones, -36.0f, 36.0f);
    p.position += rateRatio * std::pow(2.0, static_cast<double>(shift) / 12.0);

    const float out = s * p.gain;
    p.gain *= std::exp(-1.0f / (std::max(decay, 0.0001f) * static_cast<float>(sampleRate)));

    if (p.gain < 0.00004f || p.position >= p.end - 1.0)
        p.active = false;

    return out;
}

} // namespace kestrum
