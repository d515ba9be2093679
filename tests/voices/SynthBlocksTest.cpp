#include "voices/FoldBack.h"
#include "voices/PolyBlepOscillator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

namespace kestrum::synth
{
namespace
{

TEST(FoldBack, ZeroAmountPassesTheSignalThroughUntouched)
{
    for (float x : { 0.0f, 1e-7f, -0.3f, 0.99f, -1.7f, 42.0f })
        EXPECT_EQ(foldBack(x, 0.0f), x);
}

TEST(FoldBack, ThresholdAndGainFollowTheAmount)
{
    // At amount 1 the input gain is 7.5 and the threshold 0.28, the shaper gain 2.06 and the
    // blend fully wet; at 0.5 the gain is 4.25, the threshold 0.6, the shaper 1.46, half wet.
    struct Case
    {
        float x, amount, expected;
        const char* what;
    };
    const Case cases[] = {
        { 0.03f, 1.0f, std::tanh(2.06f * 0.225f), "below the threshold: gain only" },
        { 0.05f, 1.0f, std::tanh(2.06f * (0.56f - 0.375f)), "one reflection at +0.28" },
        { -0.05f, 1.0f, std::tanh(2.06f * (-0.56f + 0.375f)), "one reflection at -0.28" },
        { 0.2f, 1.0f, std::tanh(2.06f * 0.18f), "three reflections (1.5 -> -0.94 -> 0.38 -> 0.18)" },
        { 0.1f, 0.5f, 0.1f + 0.5f * (std::tanh(1.46f * 0.425f) - 0.1f), "half amount, inside" },
        { 0.3f, 0.5f, 0.3f + 0.5f * (std::tanh(1.46f * (1.2f - 1.275f)) - 0.3f), "half amount, reflected" },
    };
    for (const auto& c : cases)
        EXPECT_NEAR(foldBack(c.x, c.amount), c.expected, 1e-5f) << c.what;
}

TEST(FoldBack, AHotInputStopsAfterEightReflectionsAndStaysBounded)
{
    // 100 * 7.5 = 750 cannot be folded into range in eight reflections; the shaper catches it.
    EXPECT_NEAR(foldBack(100.0f, 1.0f), 1.0f, 1e-6f);
    EXPECT_NEAR(foldBack(-60.0f, 1.0f), -1.0f, 1e-6f);
}

// Energy that is not at a harmonic of the note (below Nyquist), from a DFT whose bins hold every
// harmonic and every folded-back alias exactly: 48 kHz, 4800 points, a note on the 10 Hz grid
// whose harmonics never fold onto one another.
struct Spectrum
{
    double harmonic = 0.0, alias = 0.0, fundamental = 0.0;
};

Spectrum spectrumOf(const std::vector<float>& x, int noteBin)
{
    const int n = static_cast<int>(x.size());
    std::vector<std::complex<double>> twiddle(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        twiddle[i] = std::polar(1.0, -6.283185307179586476925 * i / n);

    Spectrum s;
    for (int k = 1; k < n / 2; ++k)
    {
        std::complex<double> sum = 0.0;
        for (int i = 0; i < n; ++i)
            sum += static_cast<double>(x[i]) * twiddle[static_cast<size_t>((static_cast<long>(k) * i) % n)];
        const double energy = std::norm(sum);
        (k % noteBin == 0 ? s.harmonic : s.alias) += energy;
        if (k == noteBin)
            s.fundamental = std::abs(sum);
    }
    return s;
}

TEST(PolyBlepOscillator, AHighNoteCarriesFarLessAliasingThanANaiveWave)
{
    const float sampleRate = 48000.0f;
    const float frequency = 3130.0f; // bin 313 of 4800
    const float dt = frequency / sampleRate;
    const int n = 4800;

    struct Case
    {
        const char* name;
        float (*bandLimited)(const PolyBlepOscillator&, float dt);
        float (*naive)(float t);
    };
    const Case cases[] = {
        { "saw", [](const PolyBlepOscillator& o, float d) { return o.saw(d); },
          [](float t) { return 2.0f * t - 1.0f; } },
        { "pulse 30 %", [](const PolyBlepOscillator& o, float d) { return o.pulse(0.3f, d); },
          [](float t) { return t < 0.3f ? -1.0f : 1.0f; } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        PolyBlepOscillator osc;
        std::vector<float> smooth, plain;
        for (int i = 0; i < n; ++i)
        {
            osc.advance(frequency, 1.0f / sampleRate);
            smooth.push_back(c.bandLimited(osc, dt));
            plain.push_back(c.naive(osc.position()));
        }

        const auto a = spectrumOf(smooth, 313);
        const auto b = spectrumOf(plain, 313);
        EXPECT_LT(a.alias, 0.25 * b.alias) << "aliased energy " << a.alias << " vs naive " << b.alias;
        EXPECT_NEAR(a.fundamental / b.fundamental, 1.0, 0.1) << "the note itself must survive";
    }
}

} // namespace
} // namespace kestrum::synth
