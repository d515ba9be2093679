#include "TapeDelay.h"

#include "DelayTime.h"
#include "voices/DspBlocks.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

void TapeDelay::prepare(float newSampleRate)
{
    sampleRate = std::max(newSampleRate, 1.0f);

    // 8.25 s covers the longest division (a whole note at 30 bpm, 8 s) with room for the glide.
    const float n = std::ceil(sampleRate * 8.25f);
    line.assign(n < 3.0f ? 4u : static_cast<size_t>(n) + 2u, 0.0f);
    clear();
}

void TapeDelay::clear() noexcept
{
    std::fill(line.begin(), line.end(), 0.0f);
    writeIndex = 0;
    smoothedDelaySamples = 1.0f;
    highPassState = 0.0f;
}

void TapeDelay::setControls(const DelayControls& c, float tempo) noexcept
{
    if (c.muted && ! wasMuted)
        clear();
    wasMuted = c.muted;
    muted = c.muted;

    feedback = std::clamp(c.feedback, 0.0f, 1.65f);
    highPass = std::clamp(c.highPass, 0.0f, 1.0f);
    wet = std::clamp(c.wet, 0.0f, 1.0f);

    targetDelaySamples = delayTimeSeconds(c.time, c.sync, tempo) * sampleRate;

    // The loop saturates harder as the feedback rises, so high settings bloom instead of
    // just getting louder.
    const float u = feedback / 1.65f;
    drive = 1.0f + 1.2f * u * u * u;

    // 35 Hz at the bottom of the knob up to 3.6 kHz, square-law so the low end gets the travel.
    const float hpOmega = -dsp::twoPi * (35.0f + 3565.0f * highPass * highPass);
    highPassCoefficient = std::exp(hpOmega / sampleRate);
}

float TapeDelay::process(float send) noexcept
{
    if (muted)
        return 0.0f;

    const int length = static_cast<int>(line.size());
    if (length < 4)
        return 0.0f;

    const float target = std::clamp(targetDelaySamples, 1.0f, static_cast<float>(length - 2));
    smoothedDelaySamples += (target - smoothedDelaySamples) * 0.0015f;

    float p = static_cast<float>(writeIndex) - smoothedDelaySamples;
    if (p < 0.0f)
        p += static_cast<float>(length);
    int j = static_cast<int>(std::floor(p));
    const float f = p - static_cast<float>(j);
    // Float rounding of p + length on a long line could land exactly on length.
    if (j >= length)
        j -= length;
    int k = j + 1;
    if (k >= length)
        k = 0;
    float r = line[static_cast<size_t>(j)] + f * (line[static_cast<size_t>(k)] - line[static_cast<size_t>(j)]);

    if (highPass > 1.0e-4f)
    {
        highPassState += (1.0f - highPassCoefficient) * (r - highPassState);
        r -= highPassState;
    }
    else
    {
        highPassState = r;
    }

    line[static_cast<size_t>(writeIndex)] = std::clamp(send + std::tanh(drive * feedback * r), -1.5f, 1.5f);
    if (++writeIndex >= length)
        writeIndex = 0;

    return wet * r;
}

} // namespace kestrum
