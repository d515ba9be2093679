#include "engine/dsp/KickDucker.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrum
{
namespace
{

constexpr float sr = 48000.0f;

TEST(KickDucker, KickTriggerDucksAtOnceAndRecoversOver180Milliseconds)
{
    struct Case
    {
        float velocity;
        float envelope;
    };
    for (const auto& c : { Case { 1.0f, 1.0f }, Case { 0.5f, 0.75f }, Case { 0.0f, 0.5f } })
    {
        SCOPED_TRACE(c.velocity);
        KickDucker ducker;
        ducker.prepare(sr, true);
        EXPECT_EQ(ducker.advance(true), 1.0f);

        ducker.raise(c.velocity);
        EXPECT_EQ(ducker.getEnvelope(), c.envelope);
        EXPECT_NEAR(ducker.advance(true), 1.0f - 0.68f * c.envelope, 1.0e-4f);

        for (int i = 1; i < 8640; ++i)
            ducker.advance(true);
        EXPECT_NEAR(ducker.getEnvelope(), c.envelope * std::exp(-1.0f), 1.0e-3f);
        EXPECT_NEAR(ducker.advance(true), 1.0f - 0.68f * c.envelope * std::exp(-1.0f), 1.0e-3f);
    }
}

TEST(KickDucker, RaiseNeverLowersTheEnvelope)
{
    KickDucker ducker;
    ducker.prepare(sr, true);
    ducker.raise(1.0f);
    ducker.raise(0.2f);
    EXPECT_EQ(ducker.getEnvelope(), 1.0f);
}

TEST(KickDucker, KickAudioHoldsTheEnvelopeUpToItsLimit)
{
    struct Case
    {
        float kickSum;
        float envelope;
        float duckGain;
    };
    // Above 0.72 of the envelope the ducking stops deepening: 0.28 is the floor.
    const Case cases[] = { { 0.2f, 0.52f, 1.0f - 0.68f * 0.52f },
                           { -0.2f, 0.52f, 1.0f - 0.68f * 0.52f },
                           { 0.45f, 1.17f, 0.28f },
                           { 3.0f, 1.25f, 0.28f } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.kickSum);
        KickDucker ducker;
        ducker.prepare(sr, true);
        ducker.advance(true);
        ducker.followKick(c.kickSum);
        EXPECT_NEAR(ducker.getEnvelope(), c.envelope, 1.0e-6f);
        EXPECT_NEAR(ducker.advance(true), c.duckGain, 1.0e-4f);
    }
}

TEST(KickDucker, SwitchFadesTheDuckingInAndOut)
{
    KickDucker off;
    off.prepare(sr, false);
    off.raise(1.0f);
    EXPECT_EQ(off.advance(false), 1.0f);

    // Switched on, the ducking arrives with a 5 ms time constant.
    EXPECT_NEAR(off.advance(true), 1.0f - 0.68f * (1.0f - std::exp(-1.0f / 240.0f)), 1.0e-4f);
    for (int i = 0; i < 239; ++i)
        off.advance(true);
    EXPECT_NEAR(off.getAmount(), 1.0f - std::exp(-1.0f), 1.0e-3f);

    KickDucker on;
    on.prepare(sr, true);
    on.raise(1.0f);
    on.advance(false);
    EXPECT_GT(on.getAmount(), 0.99f); // switching off fades out as well
}

} // namespace
} // namespace kestrum
