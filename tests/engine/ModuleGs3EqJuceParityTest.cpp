// The module equaliser keeps its coefficients inline instead of in JUCE's reference-counted
// coefficient objects. This checks, sample for sample and bit for bit, that it still computes
// exactly what the same algorithm computes with juce::dsp::IIR::Filter and juce::SmoothedValue.

#include "engine/dsp/ModuleGs3Eq.h"
#include "voices/Kik9Eq.h"

#include <juce_dsp/juce_dsp.h>

#include <gtest/gtest.h>

#include <cmath>

namespace
{

using kestrum::ModuleGs3Eq;
namespace Kik9Eq = kestrum::Kik9Eq;

// The equaliser written with JUCE's filters: a new coefficient object on every redesign.
class JuceModuleEq
{
public:
    JuceModuleEq(double sr, bool smoothCurve) : sampleRate(sr), useSmoothCurve(smoothCurve)
    {
        mix.reset(static_cast<int>(std::floor(sampleRate * (useSmoothCurve ? 0.005 : 0.003))));
        mix.setCurrentAndTargetValue(0.0f);
    }

    float process(float x, const ModuleGs3Eq::Settings& s)
    {
        mix.setTargetValue(s.isActive() ? 1.0f : 0.0f);
        float y = x;
        for (size_t i = 0; i < 3; ++i)
        {
            auto& first = filters[i];
            auto& second = filters[i + 3];
            if (s.bandEnabled[i])
            {
                const float f = s.frequency[i] < 20.0f ? 20.0f
                                                       : std::min(s.frequency[i], static_cast<float>(std::min(0.49 * sampleRate, 20000.0)));
                const int shape = std::clamp(s.shape[i], 0, 9);
                const float q = std::clamp(s.q[i], 0.05f, 12.0f);
                const float g = std::clamp(s.gainDb[i], -14.0f, 14.0f);
                if (! designed[i] || std::abs(f - lastFrequency[i]) > 0.01f || std::abs(g - lastGain[i]) > 0.001f
                    || std::abs(q - lastQ[i]) > 0.001f || shape != lastShape[i])
                {
                    const auto d = Kik9Eq::designBand(sampleRate, f, q, g, static_cast<Kik9Eq::Shape>(shape));
                    first.coefficients = new juce::dsp::IIR::Coefficients<float>(
                        d.section1.b0, d.section1.b1, d.section1.b2, 1.0f, d.section1.a1, d.section1.a2);
                    second.coefficients = new juce::dsp::IIR::Coefficients<float>(
                        d.section2.b0, d.section2.b1, d.section2.b2, 1.0f, d.section2.a1, d.section2.a2);
                    if (! d.hasSecondSection)
                        second.reset();
                    lastFrequency[i] = f;
                    lastGain[i] = g;
                    lastQ[i] = q;
                    lastShape[i] = shape;
                    designed[i] = true;
                }
                y = first.processSample(y);
                if (shape == 7 || shape == 8)
                    y = second.processSample(y);
            }
            else if (designed[i])
            {
                first.reset();
                second.reset();
                designed[i] = false;
            }
        }

        float m = mix.getNextValue();
        if (useSmoothCurve)
            m = m * m * (3.0f - 2.0f * m);
        return juce::jlimit(-2.0f, 2.0f, x + m * (y - x));
    }

private:
    double sampleRate;
    bool useSmoothCurve;
    std::array<juce::dsp::IIR::Filter<float>, 6> filters;
    std::array<float, 3> lastFrequency { -1.0f, -1.0f, -1.0f };
    std::array<float, 3> lastGain { 1000.0f, 1000.0f, 1000.0f };
    std::array<float, 3> lastQ { -1.0f, -1.0f, -1.0f };
    std::array<int, 3> lastShape { -1, -1, -1 };
    std::array<bool, 3> designed {};
    juce::SmoothedValue<float, juce::ValueSmoothingTypes::Linear> mix;
};

TEST(ModuleGs3EqJuceParity, MatchesJuceFiltersBitForBitUnderAutomation)
{
    for (bool smooth : { false, true })
        for (double sr : { 44100.0, 48000.0, 96000.0 })
        {
            SCOPED_TRACE(testing::Message() << (smooth ? "smooth " : "linear ") << sr);
            ModuleGs3Eq eq(smooth);
            eq.prepare(sr);
            JuceModuleEq reference(sr, smooth);
            juce::Random random(1234);

            ModuleGs3Eq::Settings s;
            for (int n = 0; n < 40000; ++n)
            {
                // Slow sweeps redesign in small steps; every so often a switch or a shape jumps.
                s.frequency[0] = 30.0f + 200.0f * (1.0f + std::sin(static_cast<float>(n) * 0.0003f));
                s.frequency[1] = 500.0f + 0.004f * static_cast<float>(n % 5000);
                s.gainDb[2] = -16.0f + 32.0f * static_cast<float>(n % 9000) / 9000.0f;
                s.q[1] = 0.5f + 0.0007f * static_cast<float>(n % 3000);
                if (n % 2500 == 0)
                {
                    s.enabled = random.nextFloat() < 0.7f;
                    s.muted = random.nextFloat() < 0.2f;
                    for (size_t b = 0; b < 3; ++b)
                    {
                        s.bandEnabled[b] = random.nextFloat() < 0.8f;
                        s.shape[b] = random.nextInt(12) - 1;
                    }
                    s.frequency[2] = 20.0f + 25000.0f * random.nextFloat();
                }

                const float x = 0.9f * std::sin(static_cast<float>(n) * 0.031f) + 0.4f * (random.nextFloat() - 0.5f);
                const float expected = reference.process(x, s);
                const float actual = eq.process(x, s);
                ASSERT_EQ(actual, expected) << "sample " << n;
            }
        }
}

} // namespace
