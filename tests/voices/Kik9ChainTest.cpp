#include "voices/Drive424.h"
#include "voices/Kik9MatchEqStage.h"
#include "voices/TapeCompressor.h"
#include "voices/XlaCompressor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kestrum
{
namespace
{

constexpr double rate = 48000.0;

float sine(int n, float frequency = 60.0f, float level = 0.9f)
{
    return level * std::sin(2.0f * 3.14159265f * frequency * static_cast<float>(n) / static_cast<float>(rate));
}

bool allZero(const float* values, int count)
{
    for (int i = 0; i < count; ++i)
        if (values[i] != 0.0f)
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Tape compressor

TEST(TapeCompressor, AmountZeroPassesThroughExactlyAndForgetsItsState)
{
    TapeCompressor tape;
    tape.prepare(rate);

    int n = 0;
    for (; n < 4800; ++n)
        tape.process(sine(n), 0.8f);
    EXPECT_LT(tape.getState().reductionDb, -1.0f) << "a loud signal at amount 0.8 must be compressed";

    // Both the exact floor and anything below it (including negative amounts) bypass.
    for (float amount : { 0.0001f, 0.0f, -0.5f })
        for (int i = 0; i < 64; ++i, ++n)
        {
            const float x = sine(n);
            ASSERT_EQ(tape.process(x, amount), x) << "amount " << amount;
            const auto& s = tape.getState();
            ASSERT_TRUE(allZero(&s.reductionDb, sizeof(s) / sizeof(float)));
        }
}

TEST(TapeCompressor, CompressesLoudPeaksMoreThanQuietOnes)
{
    // Steady-state gain from input peak to output peak at two input levels: a compressor's gain
    // must fall as the level rises, and more so at a higher amount.
    auto peakGain = [](float level, float amount) {
        TapeCompressor tape;
        tape.prepare(rate);
        float peak = 0.0f;
        for (int n = 0; n < 48000; ++n)
        {
            const float y = tape.process(sine(n, 100.0f, level), amount);
            if (n >= 24000)
                peak = std::max(peak, std::abs(y));
        }
        return peak / level;
    };

    EXPECT_LT(peakGain(0.9f, 1.0f), peakGain(0.05f, 1.0f) * 0.7f);
    EXPECT_LT(peakGain(0.9f, 1.0f) / peakGain(0.05f, 1.0f), peakGain(0.9f, 0.3f) / peakGain(0.05f, 0.3f));
}

// ---------------------------------------------------------------------------------------------
// 424 drive circuit

TEST(Drive424, SwitchedOffPassesThroughAndClearsItsState)
{
    Drive424 drive;
    drive.prepare(rate);

    int n = 0;
    for (; n < 2400; ++n)
        drive.process(sine(n), 0.7f, true);
    EXPECT_GT(drive.getState().mix, 0.5f);

    for (int i = 0; i < 32; ++i, ++n)
    {
        const float x = sine(n);
        ASSERT_EQ(drive.process(x, 0.7f, false), x);
        const auto& s = drive.getState();
        ASSERT_TRUE(allZero(&s.inputPrevious, sizeof(s) / sizeof(float)));
    }
}

TEST(Drive424, SwitchingOnFadesInFromTheDryInputOverAboutFiveMilliseconds)
{
    Drive424 drive;
    drive.prepare(rate);
    const float amount = 0.6f;
    const float full = amount * amount * (3.0f - 2.0f * amount);

    // Driven for a while, switched off, switched on again: the fade restarts from zero.
    int n = 0;
    for (; n < 4800; ++n)
        drive.process(sine(n), amount, true);
    drive.process(sine(n++), amount, false);

    std::vector<float> mix;
    for (int i = 0; i < 4800; ++i, ++n)
    {
        drive.process(sine(n), amount, true);
        mix.push_back(drive.getState().mix);
    }

    // The mix starts from zero, so the first output is almost exactly the dry input.
    EXPECT_LT(mix[0], 0.01f * full);
    // One time constant (5 ms = 240 samples) reaches 1 - 1/e of the way.
    EXPECT_NEAR(mix[239] / full, 1.0f - std::exp(-1.0f), 0.01f);
    EXPECT_NEAR(mix[4799], full, 1.0e-4f);
}

TEST(Drive424, AmountZeroLeavesTheSignalUntouchedWhileSwitchedOn)
{
    Drive424 drive;
    drive.prepare(rate);
    for (int n = 0; n < 2000; ++n)
    {
        const float x = sine(n);
        ASSERT_EQ(drive.process(x, 0.0f, true), x);
    }
    EXPECT_NE(drive.getState().outputLow, 0.0f) << "the circuit itself keeps running";
}

TEST(Drive424, HighAmountSaturatesTowardsAFixedCeiling)
{
    Drive424 drive;
    drive.prepare(rate);
    float peak = 0.0f;
    for (int n = 0; n < 24000; ++n)
    {
        const float y = drive.process(sine(n, 80.0f, 0.9f), 1.0f, true);
        ASSERT_TRUE(std::isfinite(y));
        if (n > 12000)
            peak = std::max(peak, std::abs(y));
    }
    // +40 dB into the circuit, but the tanh stages hold the output near unity.
    EXPECT_GT(peak, 0.5f);
    EXPECT_LT(peak, 1.2f);
}

// ---------------------------------------------------------------------------------------------
// XLA medium compressor

TEST(XlaCompressor, LoudSignalIsReducedWithBoundedMakeUp)
{
    XlaCompressor xla;
    xla.prepare(rate);
    for (int n = 0; n < 48000; ++n)
        xla.process(sine(n, 60.0f, 0.9f), 1.0f);

    const auto& s = xla.getState();
    EXPECT_LT(s.reductionDb, -6.0f);
    EXPECT_GT(s.makeUpDb, 0.0f);
    EXPECT_LE(s.makeUpDb, 7.5f);
    EXPECT_GT(s.programMemory, 0.0f);
    EXPECT_LE(s.programMemory, 1.0f);
}

TEST(XlaCompressor, AmountZeroReleasesWithAFortySixHundredthsSecondTimeConstant)
{
    XlaCompressor xla;
    xla.prepare(rate);
    int n = 0;
    for (; n < 24000; ++n)
        xla.process(sine(n, 60.0f, 0.9f), 1.0f);

    const auto held = xla.getState();
    ASSERT_LT(held.reductionDb, -6.0f);

    const float d = std::exp(-1.0f / (static_cast<float>(rate) * 0.46f));
    xla.process(sine(n++), 0.0f);
    EXPECT_FLOAT_EQ(xla.getState().reductionDb, held.reductionDb * d) << "no jump back to unity";
    EXPECT_FLOAT_EQ(xla.getState().makeUpDb, held.makeUpDb * d);
    EXPECT_FLOAT_EQ(xla.getState().programMemory, held.programMemory * d);

    // After one time constant about 1/e of the reduction remains.
    for (int i = 1; i < static_cast<int>(0.46 * rate); ++i, ++n)
        xla.process(sine(n), 0.0f);
    EXPECT_NEAR(xla.getState().reductionDb / held.reductionDb, std::exp(-1.0f), 0.002f);
}

TEST(XlaCompressor, SilenceSettlesToSilence)
{
    // The bias terms of the saturating stages must not leave a DC offset at the output.
    XlaCompressor xla;
    xla.prepare(rate);
    float y = 1.0f;
    for (int n = 0; n < 96000; ++n)
        y = xla.process(0.0f, 0.5f);
    EXPECT_LT(std::abs(y), 1.0e-4f);
}

// ---------------------------------------------------------------------------------------------
// Match equaliser stage

std::array<EqBandParameters, 3> boostingBands()
{
    return { EqBandParameters { true, 60.0f, 14.0f, 1.0f, Kik9Eq::Bell },
             EqBandParameters { true, 1000.0f, -6.0f, 2.0f, Kik9Eq::Notch },
             EqBandParameters { false, 8000.0f, 6.0f, 0.7f, Kik9Eq::HighShelf } };
}

TEST(Kik9MatchEqStage, InactiveReturnsTheInputExactlyOnceSettledWhileTheBandsRun)
{
    Kik9MatchEqStage stage;
    stage.prepare(rate);
    const auto bands = boostingBands();

    // Active for a while, then off: the 3 ms fade back to dry must end exactly at the input.
    int n = 0;
    for (; n < 1000; ++n)
        stage.process(sine(n), bands, true);
    const int rampLength = static_cast<int>(std::floor(rate * 0.003));
    for (int i = 0; i < rampLength; ++i, ++n)
        stage.process(sine(n), bands, false);

    for (int i = 0; i < 500; ++i, ++n)
    {
        const float x = sine(n);
        ASSERT_EQ(stage.process(x, bands, false), x);
    }
    EXPECT_TRUE(stage.getBand(0).wasEnabled);
    EXPECT_TRUE(stage.getBand(1).wasEnabled);
    EXPECT_FALSE(stage.getBand(2).wasEnabled);
}

TEST(Kik9MatchEqStage, SwitchingOnCrossfadesOverThreeMilliseconds)
{
    Kik9MatchEqStage stage;
    stage.prepare(rate);
    const auto bands = boostingBands();
    const int rampLength = static_cast<int>(std::floor(rate * 0.003));
    ASSERT_EQ(stage.getMix().getRampLength(), rampLength);

    stage.process(0.0f, bands, true);
    EXPECT_NEAR(stage.getMix().getCurrentValue(), 1.0f / rampLength, 1.0e-6f);
    for (int i = 1; i < rampLength - 1; ++i)
        stage.process(0.0f, bands, true);
    EXPECT_LT(stage.getMix().getCurrentValue(), 1.0f);
    stage.process(0.0f, bands, true);
    EXPECT_EQ(stage.getMix().getCurrentValue(), 1.0f);
}

TEST(Kik9MatchEqStage, StackedBoostsAreSoftClippedBelowTwo)
{
    Kik9MatchEqStage stage;
    stage.prepare(rate);
    auto bands = boostingBands();
    bands[1].enabled = false;

    float peak = 0.0f;
    for (int n = 0; n < 9600; ++n)
        peak = std::max(peak, std::abs(stage.process(sine(n, 60.0f, 0.9f), bands, true)));

    // A 14 dB boost of a 0.9 peak would reach about 4.5; the knee bends it towards 1.35 + 0.65.
    EXPECT_GT(peak, 1.35f);
    EXPECT_LT(peak, 2.0f);
}

TEST(Kik9MatchEqStage, ResetForgetsTheDesignsButKeepsTheCrossfade)
{
    Kik9MatchEqStage stage;
    stage.prepare(rate);
    const auto bands = boostingBands();
    for (int n = 0; n < 1000; ++n)
        stage.process(sine(n), bands, true);

    stage.reset();
    EXPECT_FALSE(stage.getBand(0).wasEnabled);
    EXPECT_EQ(stage.getBand(0).lastFrequency, -1.0f);
    EXPECT_EQ(stage.getMix().getCurrentValue(), 1.0f);
}

} // namespace
} // namespace kestrum
