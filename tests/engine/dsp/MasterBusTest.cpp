#include "engine/dsp/MasterBus.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrum
{
namespace
{

constexpr double sr = 48000.0;

// No delay, no glue, 0 dB: the master is the dry sum through trim and clip.
MasterControls dryControls()
{
    MasterControls c;
    c.delay.muted = true;
    return c;
}

MasterBus preparedBus(const MasterControls& c)
{
    MasterBus bus;
    bus.prepare(sr, c);
    bus.beginRange(c, 120.0f);
    return bus;
}

TEST(MasterBus, DrySumsPassThroughTrimAndClip)
{
    struct Case
    {
        float kick, others, out;
    };
    const Case cases[] = { { 0.5f, 0.0f, 0.41f }, { 0.0f, 0.5f, 0.41f }, { 0.25f, 0.25f, 0.41f },
                           { 1.0f, 1.0f, 0.98f }, { -3.0f, 0.5f, -0.98f } };
    for (const auto& c : cases)
    {
        auto bus = preparedBus(dryControls());
        bus.beginSample();
        bus.addToMaster(true, c.kick);
        bus.addToMaster(false, c.others);
        EXPECT_NEAR(bus.endSample(), c.out, 1.0e-6f) << c.kick << " " << c.others;

        // Sums start from nothing on every sample.
        bus.beginSample();
        EXPECT_EQ(bus.endSample(), 0.0f);
    }
}

TEST(MasterBus, KickAudioDucksTheNextSample)
{
    auto controls = dryControls();
    controls.kickDuck = true;
    auto bus = preparedBus(controls);

    EXPECT_EQ(bus.beginSample(), 1.0f);
    bus.addToMaster(false, 0.9f); // the other modules never raise the ducker
    bus.endSample();
    EXPECT_EQ(bus.beginSample(), 1.0f);
    bus.addToMaster(true, 0.3f);
    bus.endSample();
    const float envelope = 2.6f * 0.3f * std::exp(-1.0f / (0.18f * 48000.0f));
    const float duckGain = bus.beginSample();
    EXPECT_NEAR(bus.getDucker().getEnvelope(), envelope, 1.0e-6f);
    EXPECT_NEAR(duckGain, 1.0f - 0.68f * envelope, 1.0e-6f);
}

TEST(MasterBus, KickTriggerDucksAtOnceWhenPreparedWithDuckOn)
{
    auto controls = dryControls();
    controls.kickDuck = true;
    auto bus = preparedBus(controls);
    bus.raiseKickDuck(1.0f);
    EXPECT_NEAR(bus.beginSample(), 0.32f, 1.0e-4f);

    controls.kickDuck = false;
    auto undisturbed = preparedBus(controls);
    undisturbed.raiseKickDuck(1.0f);
    EXPECT_EQ(undisturbed.beginSample(), 1.0f);
}

TEST(MasterBus, DelayReturnJoinsTheMasterBeforeTheOutputGain)
{
    // Glue off at full push: +12 dB clean, applied to the delay return as to the dry sum.
    MasterControls c;
    c.output.gluePush = 10.0f;
    c.delay.time = 0.0f; // 20 ms
    c.delay.feedback = 0.0f;
    c.delay.wet = 0.5f;
    auto bus = preparedBus(c);
    for (int i = 0; i < 60000; ++i)
    {
        bus.beginSample();
        bus.endSample();
    }

    float sum = 0.0f;
    for (int i = 0; i < 1100; ++i)
    {
        bus.beginSample();
        if (i == 0)
            bus.addDelaySend(0.1f);
        const float out = bus.endSample();
        if (i < 959)
        {
            ASSERT_EQ(out, 0.0f) << i; // the send itself is not heard dry
        }
        sum += out;
    }
    EXPECT_NEAR(sum, 0.1f * 0.5f * 3.9810717f * masterTrim, 1.0e-5f);
}

TEST(MasterBus, DelayMuteFollowsEachRange)
{
    MasterControls c;
    c.delay.time = 0.0f;
    c.delay.feedback = 1.65f;
    c.delay.wet = 1.0f;
    auto bus = preparedBus(c);
    bus.beginSample();
    bus.addDelaySend(0.5f);
    bus.endSample();
    float peak = 0.0f;
    for (int i = 0; i < 96000; ++i)
    {
        bus.beginSample();
        peak = std::max(peak, std::abs(bus.endSample()));
    }
    ASSERT_GT(peak, 0.2f);

    c.delay.muted = true;
    bus.beginRange(c, 120.0f);
    c.delay.muted = false;
    bus.beginRange(c, 120.0f);
    for (int i = 0; i < 96000; ++i)
    {
        bus.beginSample();
        ASSERT_EQ(bus.endSample(), 0.0f) << i;
    }
}

TEST(MasterBus, ClearDelayEmptiesTheLine)
{
    MasterControls c;
    c.delay.time = 0.0f;
    c.delay.feedback = 1.65f;
    auto bus = preparedBus(c);
    bus.beginSample();
    bus.addDelaySend(0.5f);
    bus.endSample();
    bus.clearDelay();
    for (int i = 0; i < 48000; ++i)
    {
        bus.beginSample();
        ASSERT_EQ(bus.endSample(), 0.0f) << i;
    }
}

TEST(MasterBus, GlueLimitsAndReportsItsGainReduction)
{
    auto c = dryControls();
    c.output.glue = true;
    c.output.gluePush = 10.0f;
    auto bus = preparedBus(c);
    float out = 0.0f;
    for (int i = 0; i < 24000; ++i)
    {
        bus.beginSample();
        bus.addToMaster(false, 0.5f);
        out = bus.endSample();
    }
    EXPECT_NEAR(out, 0.40f * masterTrim, 0.002f);
    EXPECT_NEAR(bus.getGainReductionMeter(), 1.0f - 0.40f / (0.5f * 19.0f), 1.0e-3f);

    for (int i = 0; i < 24000; ++i)
    {
        bus.beginSample();
        bus.endSample();
    }
    EXPECT_EQ(bus.getGainReductionMeter(), 0.0f);
}

} // namespace
} // namespace kestrum
