#include "TapeCompressor.h"

#include "ChainMath.h"

#include <algorithm>
#include <cmath>

namespace kestrum
{

void TapeCompressor::prepare(double newSampleRate) noexcept
{
    const float sr = static_cast<float>(std::max(newSampleRate, 1.0));
    coefficient2600 = chain::onePoleCoefficient(2600.0f, sr);
    coefficient9000 = chain::onePoleCoefficient(9000.0f, sr);
    coefficient85 = chain::onePoleCoefficient(85.0f, sr);
    pole5 = chain::dcBlockerPole(5.0f, sr);
    attack = dsp::decayFactor(0.012f, sr);
    release = dsp::decayFactor(0.11f, sr);
    reset();
}

float TapeCompressor::process(float x, float amount) noexcept
{
    const float a = std::clamp(amount, 0.0f, 1.0f);
    if (a <= 0.0001f)
    {
        state = {};
        return x;
    }

    auto& s = state;
    const float threshold = -36.0f * std::pow(a, 1.25f);
    const float levelDb = 20.0f * std::log10(std::max(std::abs(x), 0.000001f));
    const float o = levelDb - (threshold - 5.0f);
    const float over = o <= 0.0f ? 0.0f : (o >= 10.0f ? levelDb - threshold : o * o / 20.0f);
    const float target = -over * (1.0f - 1.0f / (1.55f + 3.45f * (1.0f - std::exp(-over / 10.0f))));
    const float e = target < s.reductionDb ? attack : release;
    s.reductionDb = e * s.reductionDb + (1.0f - e) * target;

    // Only part of the reduction is applied, plus up to 2.4 dB of make-up.
    const float h = x * std::pow(10.0f, (s.reductionDb * (0.42f - 0.08f * a) + 2.4f * a) / 20.0f);

    // Saturation of an emphasised signal, with its resting offset and slope divided out so that
    // small signals keep their level.
    s.low2600 += coefficient2600 * (h - s.low2600);
    const float m = 1.0f + 2.2f * a + 0.8f * a * a;
    const float rest = std::tanh(0.05f * a * m);
    const float h2 = h + 0.28f * a * (h - s.low2600);
    float t = std::tanh(m * (0.05f * a + h2));
    t = h2 + a * (0.38f + 0.62f * a) * ((t - rest) / (m * std::max(1.0f - rest * rest, 0.1f)) - h2);

    s.low9000 += coefficient9000 * (t - s.low9000);
    const float w2 = t + (0.16f * a + 0.26f * a * a) * (s.low9000 - t);
    s.low85 += coefficient85 * (w2 - s.low85);
    const float w3 = w2 + 0.075f * a * a * s.low85;

    const float r = w3 - s.dcPrevious + pole5 * s.dcBlocked;
    s.dcPrevious = w3;
    s.dcBlocked = r;

    return r * std::pow(10.0f, 4.5f * a * a / 20.0f);
}

} // namespace kestrum
