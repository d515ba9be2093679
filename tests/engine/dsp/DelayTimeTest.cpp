#include "engine/dsp/DelayTime.h"

#include <gtest/gtest.h>

#include <limits>

namespace kestrum
{
namespace
{

TEST(DelayTime, SyncedDivisionsInOrder)
{
    // At 60 bpm a quarter note lasts one second, so the seconds are the multipliers themselves.
    const char* names[] = { "1/32", "1/16", "1/8", "1/8D", "1/4", "1/4D", "1/2", "1/2D", "1/1" };
    const float quarters[] = { 0.125f, 0.25f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f, 3.0f, 4.0f };

    for (int i = 0; i < numDelayDivisions; ++i)
    {
        const float time = static_cast<float>(i) / 8.0f;
        SCOPED_TRACE(i);
        EXPECT_EQ(delayDivisionIndex(time), i);
        EXPECT_FLOAT_EQ(delayTimeSeconds(time, true, 60.0f), quarters[i]);
        EXPECT_EQ(delayTimeDisplayText(time, true, 60.0f), names[i]);
    }
}

TEST(DelayTime, SecondsAndTextForSyncedAndFreeTimes)
{
    struct Case
    {
        float time;
        bool sync;
        float tempo;
        float seconds;
        const char* text;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        { 0.415f, true, 120.0f, 0.375f, "1/8D" },
        { 0.415f, true, 20.0f, 1.5f, "1/8D" },  // below 30 bpm a quarter note counts as 2 s
        { 0.415f, true, 400.0f, 0.15f, "1/8D" }, // tempo capped at 300: 0.2 s quarter note
        { 1.0f, true, 20.0f, 8.0f, "1/1" },      // the longest delay there is
        { 0.0f, true, 300.0f, 0.025f, "1/32" },
        { -0.5f, true, 120.0f, 0.0625f, "1/32" },
        { 1.7f, true, 120.0f, 2.0f, "1/1" },
        { 0.0f, false, 120.0f, 0.02f, "20 MS" },
        { 1.0f, false, 120.0f, 2.0f, "2000 MS" },
        { -0.5f, false, 120.0f, 0.02f, "20 MS" },
        { 0.18f, false, 120.0f, 0.3764f, "376 MS" },
        { 0.18f, false, 20.0f, 0.3764f, "376 MS" }, // free time ignores the tempo
        { 3.0f, false, 120.0f, 2.0f, "2000 MS" },
        { nan, false, 120.0f, 0.02f, "20 MS" },
        { nan, true, 120.0f, 0.0625f, "1/32" },
        { 0.5f, true, nan, 2.0f, "1/4" }, // an unusable tempo takes the slowest quarter note
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.time << (c.sync ? " synced at " : " free at ") << c.tempo);
        EXPECT_NEAR(delayTimeSeconds(c.time, c.sync, c.tempo), c.seconds, 1.0e-6f);
        EXPECT_EQ(delayTimeDisplayText(c.time, c.sync, c.tempo), c.text);
    }
}

} // namespace
} // namespace kestrum
