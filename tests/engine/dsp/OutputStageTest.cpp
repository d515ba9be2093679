#include "engine/dsp/OutputStage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kestrum
{
namespace
{

constexpr double sr = 48000.0;

// A 50 Hz square wave: its level never changes, so a settled limiter holds it exactly at the
// ceiling, sign changes included.
float square(int i, float level)
{
    return (i / 480) % 2 == 0 ? level : -level;
}

OutputStageControls glue(float push, bool autoGain = false, bool sidechainFilter = false)
{
    OutputStageControls c;
    c.glue = true;
    c.gluePush = push;
    c.autoGain = autoGain;
    c.sidechainFilter = sidechainFilter;
    return c;
}

TEST(OutputStage, GlueOffIsACleanGainOfUpToTwelveDecibels)
{
    struct Case
    {
        float push;
        float gain;
    };
    const Case cases[] = { { 0.0f, 1.0f }, { 5.0f, 1.9952623f }, { 10.0f, 3.9810717f }, { 14.0f, 3.9810717f },
                           { -3.0f, 1.0f } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.push);
        OutputStage stage;
        stage.prepare(sr, c.push);
        OutputStageControls controls;
        controls.gluePush = c.push;
        // Prepared at the gain it asks for: nothing ramps.
        for (int i = 0; i < 100; ++i)
            ASSERT_NEAR(stage.process(0.1f, controls), 0.1f * c.gain, 1.0e-6f) << i;
        EXPECT_EQ(stage.getGainReductionMeter(), 0.0f);
    }
}

TEST(OutputStage, OutputGainRampsOverTwentyMilliseconds)
{
    OutputStage stage;
    stage.prepare(sr, 0.0f);
    OutputStageControls controls;
    controls.gluePush = 10.0f;
    float out = 0.0f;
    for (int i = 0; i < 480; ++i)
        out = stage.process(1.0f, controls);
    EXPECT_NEAR(out, std::pow(10.0f, 6.0f / 20.0f), 1.0e-4f); // half way in decibels
    for (int i = 480; i < 959; ++i)
        out = stage.process(1.0f, controls);
    EXPECT_LT(out, 3.98f);
    EXPECT_NEAR(stage.process(1.0f, controls), 3.9810717f, 1.0e-5f);
}

TEST(OutputStage, GlueHoldsASteadyLevelAtTheCeiling)
{
    // The ceiling falls from 0.98 to 0.40 as the push rises (k = (push / 10)^2.4).
    struct Case
    {
        float push;
        float level;
        float ceiling;
    };
    const Case cases[] = {
        { 10.0f, 0.5f, 0.40f },
        { 10.0f, 0.05f, 0.40f }, // 19 times 0.05 is still above the ceiling
        { 5.0f, 0.5f, 0.98f - 0.58f * std::pow(0.5f, 2.4f) },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.push << " " << c.level);
        OutputStage stage;
        stage.prepare(sr, c.push);
        const auto controls = glue(c.push);
        float peak = 0.0f;
        for (int i = 0; i < 24000; ++i)
        {
            const float out = stage.process(square(i, c.level), controls);
            if (i >= 14400)
                peak = std::max(peak, std::abs(out));
        }
        EXPECT_NEAR(peak, c.ceiling, 0.004f * c.ceiling);
        EXPECT_NEAR(stage.getGlueAmount(), 1.0f, 1.0e-4f);
        EXPECT_NEAR(stage.getGainReductionMeter(), 1.0f - c.ceiling / stage.getLimiterEnvelope(), 1.0e-3f);
    }
}

TEST(OutputStage, AutoGainMakesTheLevelUpWithinAQuarterToTwice)
{
    // Settled, the limiter gives out the ceiling 0.40; auto gain scales that towards the level
    // that went in, but only by 0.25 to 2.
    struct Case
    {
        float level;
        float expectedOut;
    };
    const Case cases[] = { { 0.05f, 0.1f }, { 0.5f, 0.5f }, { 0.3f, 0.3f }, { 1.0f, 0.8f }, { 2.0f, 0.8f } };
    for (bool sidechainFilter : { false, true })
        for (const auto& c : cases)
        {
            SCOPED_TRACE(testing::Message() << c.level << (sidechainFilter ? " filtered" : ""));
            OutputStage stage;
            stage.prepare(sr, 10.0f);
            const auto controls = glue(10.0f, true, sidechainFilter);
            float peak = 0.0f;
            for (int i = 0; i < 96000; ++i)
            {
                const float out = stage.process(square(i, c.level), controls);
                ASSERT_GE(stage.getAutoGain(), 0.25f) << i;
                ASSERT_LE(stage.getAutoGain(), 2.0f) << i;
                if (i >= 86400 && ! sidechainFilter)
                {
                    peak = std::max(peak, std::abs(out));
                    ASSERT_LE(std::abs(out), 0.40f * stage.getAutoGain() * 1.004f) << i;
                }
            }
            // With the filtered detector the limiter hardly acts on a slow square; only the
            // bounds of the make-up gain are checked then.
            if (! sidechainFilter)
            {
                EXPECT_NEAR(peak, c.expectedOut, 0.02f * c.expectedOut);
                EXPECT_GE(peak / c.level, 0.25f * 0.98f);
                EXPECT_LE(peak / c.level, 2.0f * 1.02f);
            }
        }
}

TEST(OutputStage, WithoutAutoGainTheMakeUpIsOne)
{
    OutputStage stage;
    stage.prepare(sr, 10.0f);
    for (int i = 0; i < 4800; ++i)
    {
        stage.process(square(i, 0.5f), glue(10.0f, false));
        ASSERT_EQ(stage.getAutoGain(), 1.0f);
    }
}

TEST(OutputStage, SidechainFilterMakesTheLimiterIgnoreLows)
{
    // A constant is all lows: the filtered detector sees nothing once the filter settles.
    OutputStage stage;
    stage.prepare(sr, 10.0f);
    float out = 0.0f;
    for (int i = 0; i < 48000; ++i)
        out = stage.process(0.02f, glue(10.0f, false, true));
    EXPECT_NEAR(out, 0.02f * 19.0f, 1.0e-3f);
    EXPECT_LT(stage.getLimiterEnvelope(), 1.0e-3f);
}

TEST(OutputStage, GluePushZeroWithGlueOnIsTheCleanPath)
{
    // Two stages fed the same signal and the same push moves, one with glue: once the push is
    // back at zero the glued one resets its limiter and matches the clean one exactly.
    OutputStage glued;
    OutputStage clean;
    glued.prepare(sr, 10.0f);
    clean.prepare(sr, 10.0f);
    OutputStageControls cleanControls;
    cleanControls.gluePush = 10.0f;
    for (int i = 0; i < 9600; ++i)
    {
        glued.process(square(i, 0.5f), glue(10.0f, true));
        clean.process(square(i, 0.5f), cleanControls);
    }
    ASSERT_GT(glued.getGainReductionValue(), 0.5f);

    cleanControls.gluePush = 0.0f;
    for (int i = 0; i < 4800; ++i)
    {
        const float x = 0.7f * std::sin(0.01f * static_cast<float>(i));
        ASSERT_EQ(glued.process(x, glue(0.0f, true, true)), clean.process(x, cleanControls)) << i;
        ASSERT_EQ(glued.getLimiterEnvelope(), 0.0f);
        ASSERT_EQ(glued.getAutoGain(), 1.0f);
    }
    // The ramp back to 0 dB has finished: the output is the input.
    EXPECT_EQ(glued.process(0.3f, glue(0.0f, true)), 0.3f);
}

TEST(OutputStage, GlueSwitchCrossfades)
{
    OutputStage stage;
    stage.prepare(sr, 10.0f);
    const float first = stage.process(0.5f, glue(10.0f));
    // Glue fades in from nothing after a prepare: the first sample is almost the clean gain.
    EXPECT_NEAR(first, 0.5f * 3.9810717f, 0.01f);
    for (int i = 0; i < 1440; ++i)
        stage.process(0.5f, glue(10.0f));
    EXPECT_NEAR(stage.getGlueAmount(), 1.0f - std::exp(-1.0f), 0.01f); // 30 ms time constant
}

TEST(OutputStage, MeterReadsZeroBelowHalfAPercent)
{
    // A gentle push whose ceiling sits just under a constant input gives a known, small, steady
    // reduction: 1 - threshold / (push * level).
    const float m = 0.5f;
    const float k = std::pow(m * 0.1f, 2.4f);
    const float push = 1.0f + 18.0f * k;
    const float threshold = 0.98f - 0.58f * k;
    struct Case
    {
        float reduction;
        bool shown;
    };
    for (const auto& c : { Case { 0.003f, false }, Case { 0.0049f, false }, Case { 0.01f, true },
                           Case { 0.2f, true } })
    {
        SCOPED_TRACE(c.reduction);
        const float level = threshold / (push * (1.0f - c.reduction));
        OutputStage stage;
        stage.prepare(sr, m);
        for (int i = 0; i < 48000; ++i)
            stage.process(level, glue(m));
        EXPECT_NEAR(stage.getGainReductionValue(), c.reduction, 2.0e-4f);
        if (c.shown)
            EXPECT_NEAR(stage.getGainReductionMeter(), c.reduction, 2.0e-4f);
        else
            EXPECT_EQ(stage.getGainReductionMeter(), 0.0f);

        // Released, the reading falls away and then shows nothing.
        for (int i = 0; i < 48000; ++i)
            stage.process(0.0f, glue(m));
        EXPECT_EQ(stage.getGainReductionMeter(), 0.0f);
    }
}

TEST(OutputStage, TrimThenClip)
{
    struct Case
    {
        float in;
        float out;
    };
    const Case cases[] = { { 0.0f, 0.0f },     { 1.0f, 0.82f },   { -1.0f, -0.82f }, { 1.19f, 0.9758f },
                           { 1.2f, 0.98f },    { 2.0f, 0.98f },   { -2.0f, -0.98f }, { 100.0f, 0.98f } };
    for (const auto& c : cases)
        EXPECT_NEAR(trimAndClip(c.in), c.out, 1.0e-6f) << c.in;
}

} // namespace
} // namespace kestrum
