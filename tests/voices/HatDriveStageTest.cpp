#include "voices/HatDriveStage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrum
{
namespace
{

float testSignal(int i)
{
    return 0.9f * std::sin(0.031f * static_cast<float>(i)) + 0.3f * std::sin(0.37f * static_cast<float>(i)) + 0.05f;
}

TEST(HatDriveStage, AtZeroPassesItsInputWhileItsFiltersKeepRunning)
{
    HatDriveStage stage;
    stage.prepare(48000.0f);
    for (int i = 0; i < 4800; ++i)
        ASSERT_EQ(stage.process(testSignal(i), 0.0f), testSignal(i)) << i;

    // The filters have followed the signal, so turning the drive up starts from settled states.
    EXPECT_NE(stage.lp85, 0.0f);
    EXPECT_NE(stage.avg, 0.0f);
    EXPECT_NE(stage.lpHi, 0.0f);
}

TEST(HatDriveStage, DrivenOutputIsBoundedAndChangesTheSignal)
{
    for (float drive : { 0.3f, 1.0f })
    {
        HatDriveStage stage;
        stage.prepare(48000.0f);
        float largestChange = 0.0f;
        for (int i = 0; i < 4800; ++i)
        {
            const float x = 4.0f * testSignal(i);
            const float y = stage.process(x, drive);
            ASSERT_TRUE(std::isfinite(y));
            // The fully driven part is a normalised tanh (at most about 1); the rest is the dry input.
            ASSERT_LE(std::abs(y), (1.0f - drive) * std::abs(x) + drive * 1.15f) << drive << " " << i;
            largestChange = std::max(largestChange, std::abs(y - x));
        }
        EXPECT_GT(largestChange, 0.5f) << drive;
    }
}

} // namespace
} // namespace kestrum
