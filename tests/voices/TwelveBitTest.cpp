#include "voices/TwelveBit.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrum
{
namespace
{

TEST(TwelveBit, QuantiserSnapsToStepsOf1Over2047AndHoldsTheRails)
{
    for (int i = 0; i < 20000; ++i)
    {
        const float x = std::sin(0.001234f * static_cast<float>(i));
        const float q = quantise12Bit(x);
        const float steps = q * 2047.0f;
        EXPECT_NEAR(steps, std::round(steps), 1e-3f) << x;
        EXPECT_LE(std::abs(q - x), 0.5f / 2047.0f + 1e-6f) << x;
    }

    struct Case
    {
        float in, out;
    };
    const Case rails[] = { { 1.0f, 1.0f }, { -1.0f, -1.0f }, { 3.0f, 1.0f }, { -3.0f, -1.0f }, { 0.0f, 0.0f } };
    for (const auto& c : rails)
        EXPECT_EQ(quantise12Bit(c.in), c.out) << c.in;
}

TEST(TwelveBit, ConverterRepeatsItselfOnSteadyInputAndSmearsAQuarterTowardsThePreviousSample)
{
    const float x = 0.3f;
    EXPECT_EQ(converter12Bit(x, x), converter12Bit(x, x));

    // With a silent previous sample the quantised value moves a quarter of the way to 0.
    const float q = quantise12Bit(x);
    const float steady = converter12Bit(x, x);
    const float smeared = converter12Bit(x, 0.0f);
    const float shape = [](float m) { return 0.95f * m + 0.05f * std::tanh(1.1f * m) / std::tanh(1.1f); }(0.75f * q);
    EXPECT_NEAR(smeared, shape, 1e-6f);
    EXPECT_LT(smeared, steady);

    for (float in : { -5.0f, -1.0f, 1.0f, 5.0f })
        for (float prev : { -5.0f, 0.0f, 5.0f })
            EXPECT_LE(std::abs(converter12Bit(in, prev)), 1.0f);
}

TEST(TwelveBit, SampleHoldAtZeroIsBypassedEntirely)
{
    SampleHold12Bit hold;
    hold.restart();
    for (int i = 0; i < 1000; ++i)
    {
        const float y = 0.8f * std::sin(0.05f * static_cast<float>(i));
        EXPECT_EQ(hold.process(y, 0.0f, 1.0f / 48000.0f), y);
    }
    EXPECT_EQ(hold.holdPhase, 1.0f); // the clock did not run
    EXPECT_EQ(hold.heldSample, 0.0f);
}

TEST(TwelveBit, SampleHoldRateFallsWithTheAmountAndBlendsByIt)
{
    struct Case
    {
        float amount;
        int holdsPerSecond;
    };
    const Case cases[] = { { 0.5f, 19040 }, { 1.0f, 12040 }, { 0.25f, 22540 }, { 0.001f, 26026 } };

    for (const auto& c : cases)
    {
        SampleHold12Bit hold;
        int holds = 0;
        for (int i = 0; i < 48000; ++i)
        {
            const float y = 0.7f * std::sin(0.0123f * static_cast<float>(i));
            const float before = hold.holdPhase;
            const float out = hold.process(y, c.amount, 1.0f / 48000.0f);
            holds += hold.holdPhase < before ? 1 : 0;

            // Held values are 12-bit; the output is the input moved by `amount` towards the
            // saturated held value (half and half at 0.5).
            ASSERT_NEAR(hold.heldSample * 2047.0f, std::round(hold.heldSample * 2047.0f), 1e-3f);
            const float wet = std::tanh((1.03f + 0.24f * c.amount) * hold.heldSample);
            ASSERT_NEAR(out, (1.0f - c.amount) * y + c.amount * wet, 1e-6f);
        }
        EXPECT_NEAR(holds, c.holdsPerSecond, 1) << c.amount;
    }
}

TEST(TwelveBit, SampleHoldTakesAFreshValueOnTheFirstSampleAfterARestart)
{
    SampleHold12Bit hold;
    hold.heldSample = 0.5f;
    hold.holdPhase = 0.2f;
    hold.restart();
    hold.process(-0.4f, 0.5f, 1.0f / 48000.0f);
    EXPECT_NEAR(hold.heldSample, quantise12Bit(std::tanh(1.275f * -0.4f)), 1e-7f);
}

} // namespace
} // namespace kestrum
