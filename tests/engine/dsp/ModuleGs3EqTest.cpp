#include "engine/dsp/ModuleGs3Eq.h"
#include "support/AllocationCounter.h"
#include "voices/EqBand.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrum
{
namespace
{

constexpr double piDouble = 3.14159265358979323846;
constexpr double rate = 48000.0;

float sine(int n, float frequency, float level = 0.5f)
{
    return level * std::sin(static_cast<float>(2.0 * piDouble * std::fmod(frequency * n / rate, 1.0)));
}

ModuleGs3Eq::Settings activeSettings()
{
    ModuleGs3Eq::Settings s;
    s.enabled = true;
    s.frequency = { 120.0f, 900.0f, 6000.0f };
    s.gainDb = { 5.0f, -7.0f, 3.0f };
    s.q = { 0.8f, 2.5f, 0.707f };
    s.shape = { Kik9Eq::LowShelf, Kik9Eq::Bell, Kik9Eq::TiltShelf };
    return s;
}

// ---------------------------------------------------------------------------------------------

TEST(TransposedBiquad, NormalisesByA0AndRunsTheCookbookDifferenceEquation)
{
    TransposedBiquad filter;
    filter.setCoefficients(0.4f, 0.6f, 0.2f, 2.0f, -0.9f, 0.3f);
    EXPECT_EQ(filter.getCoefficients(), (std::array<float, 5> { 0.2f, 0.3f, 0.1f, -0.45f, 0.15f }));

    // Against y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2 in double.
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (int n = 0; n < 200; ++n)
    {
        const float x = n == 0 ? 1.0f : sine(n, 700.0f);
        const double y = 0.2 * x + 0.3 * x1 + 0.1 * x2 + 0.45 * y1 - 0.15 * y2;
        x2 = x1, x1 = x, y2 = y1, y1 = y;
        ASSERT_NEAR(filter.processSample(x), y, 1.0e-6) << n;
    }

    filter.setCoefficients(1.0f, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(filter.getCoefficients(), (std::array<float, 5> {})) << "a0 of zero gives silence, not infinity";
}

// ---------------------------------------------------------------------------------------------

TEST(ModuleGs3Eq, InactiveAndSettledReturnsTheInputExactlyWhileTheBandsRun)
{
    ModuleGs3Eq eq;
    eq.prepare(rate);
    auto s = activeSettings();

    // From prepare the mix sits at dry; after an active spell it fades back to exactly dry.
    int n = 0;
    for (bool wasActive : { false, true })
    {
        s.enabled = wasActive;
        for (int i = 0; i < 1000; ++i, ++n)
            eq.process(sine(n, 100.0f), s);
        s.enabled = false;
        for (int i = 0; i < 144; ++i, ++n)
            eq.process(sine(n, 100.0f), s);
        for (int i = 0; i < 500; ++i, ++n)
        {
            const float x = sine(n, 100.0f, 1.9f);
            ASSERT_EQ(eq.process(x, s), x);
        }
    }
    for (int b = 0; b < ModuleGs3Eq::numBands; ++b)
        EXPECT_TRUE(eq.isBandDesigned(b));

    // Muted counts as inactive.
    s.enabled = true;
    s.muted = true;
    for (int i = 0; i < 100; ++i, ++n)
    {
        const float x = sine(n, 100.0f);
        ASSERT_EQ(eq.process(x, s), x);
    }
}

TEST(ModuleGs3Eq, SwitchingOnCrossfadesOverItsRampAndCurve)
{
    struct Case
    {
        bool smooth;
        double sr;
        int rampLength;
    };
    const Case cases[] = { { false, 48000.0, 144 }, { true, 48000.0, 240 }, { false, 44100.0, 132 }, { true, 44100.0, 220 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.smooth ? "smooth " : "linear ") << c.sr);
        ModuleGs3Eq eq(c.smooth);
        eq.prepare(c.sr);
        EXPECT_EQ(eq.getMix().getRampLength(), c.rampLength);

        // A -12 dB low shelf fed with DC settles at a steady wet value, which makes the mix
        // readable from the output: out = x + m (wet - x).
        ModuleGs3Eq::Settings s;
        s.bandEnabled = { true, false, false };
        s.frequency[0] = 1000.0f;
        s.gainDb[0] = -12.0f;
        s.shape[0] = Kik9Eq::LowShelf;
        for (int i = 0; i < static_cast<int>(c.sr); ++i)
            ASSERT_EQ(eq.process(1.0f, s), 1.0f);

        const float wet = std::pow(10.0f, -12.0f / 20.0f);
        s.enabled = true;
        for (int i = 1; i <= c.rampLength + 10; ++i)
        {
            const float m = (eq.process(1.0f, s) - 1.0f) / (wet - 1.0f);
            const float u = std::min(static_cast<float>(i) / static_cast<float>(c.rampLength), 1.0f);
            ASSERT_NEAR(m, c.smooth ? u * u * (3.0f - 2.0f * u) : u, 2.0e-4f) << "sample " << i;
        }
    }
}

TEST(ModuleGs3Eq, OutputIsHardLimitedToTwo)
{
    struct Case
    {
        bool active;
        float x, expected;
    };
    // +14 dB of low shelf turns DC 0.9 into about 4.5; with the equaliser off the dry signal is
    // still limited, as the mixer relies on.
    const Case cases[] = { { true, 0.9f, 2.0f }, { true, -0.9f, -2.0f }, { false, 3.0f, 2.0f }, { false, -2.5f, -2.0f } };
    for (const auto& c : cases)
    {
        ModuleGs3Eq eq;
        eq.prepare(rate);
        ModuleGs3Eq::Settings s;
        s.enabled = c.active;
        s.bandEnabled = { true, false, false };
        s.frequency[0] = 2000.0f;
        s.gainDb[0] = 14.0f;
        s.shape[0] = Kik9Eq::LowShelf;
        float y = 0.0f;
        for (int i = 0; i < 24000; ++i)
            y = eq.process(c.x, s);
        EXPECT_EQ(y, c.expected) << c.x;
    }
}

TEST(ModuleGs3Eq, SoundsLikeTheSameBandsAsTheVoiceEqualisers)
{
    // Transposed direct form II and the voices' direct form I are the same filters; with the
    // crossfade settled the module equaliser must match three EqBands in series up to the
    // different rounding of the two structures (a few 1e-5 here, from the 120 Hz shelf; a wrong
    // coefficient or a skipped section is off by orders of magnitude more).
    ModuleGs3Eq eq;
    eq.prepare(rate);
    const auto s = activeSettings();
    std::array<EqBand, 3> reference {};

    for (int n = 0; n < 9600; ++n)
    {
        const float x = sine(n, 37.0f, 0.3f) + sine(n, 2900.0f, 0.2f);
        float y = x;
        for (size_t b = 0; b < 3; ++b)
            y = reference[b].process(y, rate, true, s.frequency[b], s.gainDb[b], s.q[b], s.shape[b]);
        const float actual = eq.process(x, s);
        if (n >= 144)
            ASSERT_NEAR(actual, y, 1.0e-4f) << n;
    }
}

TEST(ModuleGs3Eq, TiltShelfBandGivesMinusAndPlusSixDecibels)
{
    ModuleGs3Eq::Settings s;
    s.enabled = true;
    s.bandEnabled = { false, true, false };
    s.frequency[1] = 1000.0f;
    s.gainDb[1] = 12.0f;
    s.q[1] = 0.707f;
    s.shape[1] = Kik9Eq::TiltShelf;

    for (auto [probe, expectedDb] : { std::pair { 40.0f, -6.0 }, std::pair { 16000.0f, 6.0 } })
    {
        ModuleGs3Eq eq;
        eq.prepare(rate);
        double in = 0, out = 0;
        for (int n = 0; n < 48000; ++n)
        {
            const float x = sine(n, probe, 0.2f);
            const float y = eq.process(x, s);
            if (n >= 24000)
                in += double(x) * x, out += double(y) * y;
        }
        EXPECT_NEAR(10.0 * std::log10(out / in), expectedDb, 0.15) << probe;
    }
}

TEST(ModuleGs3Eq, ReEnablingABandRedesignsItFromSilentState)
{
    ModuleGs3Eq eq;
    eq.prepare(rate);
    auto s = activeSettings();
    s.bandEnabled = { false, false, true };
    for (int n = 0; n < 500; ++n)
        eq.process(sine(n, 300.0f), s);
    ASSERT_NE(eq.getSecondSection(2).getState()[0], 0.0f);

    s.bandEnabled[2] = false;
    EXPECT_EQ(eq.process(0.25f, s), 0.25f) << "no band on: the wet signal is the dry one";
    EXPECT_FALSE(eq.isBandDesigned(2));
    EXPECT_EQ(eq.getFirstSection(2).getState(), (std::array<float, 2> {}));
    EXPECT_EQ(eq.getSecondSection(2).getState(), (std::array<float, 2> {}));

    // Same settings as before; from silent state the first wet sample is b0 * b0' * x.
    s.bandEnabled[2] = true;
    eq.process(0.25f, s);
    EXPECT_TRUE(eq.isBandDesigned(2));
    const auto design = Kik9Eq::designBand(rate, s.frequency[2], s.q[2], s.gainDb[2], Kik9Eq::TiltShelf);
    EXPECT_EQ(eq.getFirstSection(2).getCoefficients()[0], design.section1.b0);
    EXPECT_EQ(eq.getSecondSection(2).getCoefficients()[0], design.section2.b0);
}

TEST(ModuleGs3Eq, MovingABandAllocatesNothing)
{
    ModuleGs3Eq eq;
    eq.prepare(rate);
    auto s = activeSettings();
    eq.process(0.0f, s);

    druvex::test::AllocationCounter counter;
    for (int n = 0; n < 4800; ++n)
    {
        // Every sample redesigns: a sweep, a gain ride and a shape change now and then.
        s.frequency[0] = 60.0f + 0.5f * static_cast<float>(n);
        s.gainDb[1] = -10.0f + 0.004f * static_cast<float>(n);
        s.shape[2] = (n / 480) % Kik9Eq::numShapes;
        s.bandEnabled[2] = (n / 1000) % 2 == 0;
        eq.process(sine(n, 200.0f), s);
    }
    EXPECT_EQ(counter.count(), 0u);
}

TEST(AllocationCounter, SeesAllocationsOnItsThread)
{
    // The volatile sink keeps the compiler from eliding the new/delete pairs.
    static int* volatile sink = nullptr;
    druvex::test::AllocationCounter counter;
    sink = new int(3);
    delete sink;
    sink = new int[4];
    delete[] sink;
    EXPECT_EQ(counter.count(), 2u);
}

} // namespace
} // namespace kestrum
