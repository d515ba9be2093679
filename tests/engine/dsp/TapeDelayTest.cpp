#include "engine/dsp/TapeDelay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace kestrum
{
namespace
{

constexpr float sr = 48000.0f;

// A delay whose tap has finished gliding from its start at one sample to the set time.
TapeDelay settledDelay(const DelayControls& controls, float tempo = 120.0f, float sampleRate = sr)
{
    TapeDelay delay;
    delay.prepare(sampleRate);
    delay.setControls(controls, tempo);
    for (int i = 0; i < 60000; ++i)
        delay.process(0.0f);
    return delay;
}

std::vector<float> run(TapeDelay& delay, int numSamples, float firstSend = 0.0f)
{
    std::vector<float> out(static_cast<size_t>(numSamples));
    for (int i = 0; i < numSamples; ++i)
        out[static_cast<size_t>(i)] = delay.process(i == 0 ? firstSend : 0.0f);
    return out;
}

float peakOf(const std::vector<float>& x, size_t from)
{
    float peak = 0.0f;
    for (size_t i = from; i < x.size(); ++i)
        peak = std::max(peak, std::abs(x[i]));
    return peak;
}

TEST(TapeDelay, SilentBeforePrepare)
{
    TapeDelay delay;
    delay.setControls({}, 120.0f);
    EXPECT_EQ(delay.getLineLength(), 0);
    EXPECT_EQ(delay.process(1.0f), 0.0f);
    EXPECT_EQ(delay.process(0.0f), 0.0f);
}

TEST(TapeDelay, LineHoldsTheLongestDelayAtAnyRate)
{
    for (float rate : { 0.0f, 1.0f, 22050.0f, 48000.0f, 96000.0f })
    {
        TapeDelay delay;
        delay.prepare(rate);
        const float effectiveRate = std::max(rate, 1.0f);
        EXPECT_EQ(delay.getLineLength(), static_cast<int>(std::ceil(effectiveRate * 8.25f)) + 2) << rate;
        EXPECT_GT(static_cast<float>(delay.getLineLength() - 2), 8.0f * effectiveRate);
    }
}

TEST(TapeDelay, ImpulseReturnsAfterTheDelayTime)
{
    struct Case
    {
        DelayControls controls;
        float tempo;
        int delaySamples;
    };
    DelayControls free0;
    free0.time = 0.0f;
    DelayControls free18;
    free18.wet = 0.5f;
    DelayControls sync16;
    sync16.sync = true;
    sync16.time = 0.125f; // 1/16
    DelayControls sync8d;
    sync8d.sync = true;
    sync8d.time = 0.415f; // 1/8D
    const Case cases[] = {
        { free0, 120.0f, 960 },    // 20 ms
        { free18, 120.0f, 18067 }, // 0.3764 s
        { sync16, 120.0f, 6000 },  // 0.125 s
        { sync8d, 138.0f, 15652 }, // 0.75 * 60 / 138 s
    };

    for (auto c : cases)
    {
        c.controls.feedback = 0.0f;
        SCOPED_TRACE(c.delaySamples);
        TapeDelay delay = settledDelay(c.controls, c.tempo);
        const auto out = run(delay, c.delaySamples + 50, 1.0f);

        // The tap sits a fraction of a sample short of the target (the float glide stalls there),
        // so the impulse may split over two neighbouring samples; all of it comes back, scaled by
        // the wet level, and nothing comes back anywhere else.
        float sum = 0.0f;
        double centre = 0.0;
        for (size_t i = 0; i < out.size(); ++i)
        {
            sum += out[i];
            centre += static_cast<double>(i) * out[i];
            if (std::abs(static_cast<int>(i) - c.delaySamples) > 1)
            {
                EXPECT_EQ(out[i], 0.0f) << i;
            }
        }
        EXPECT_NEAR(sum, c.controls.wet, 1.0e-4f);
        EXPECT_NEAR(centre / sum, delay.getTargetDelaySamples(), 1.0);
        EXPECT_NEAR(delay.getTargetDelaySamples(), static_cast<float>(c.delaySamples), 0.5f);
    }
}

TEST(TapeDelay, LongestDelayComesBackAfterEightSeconds)
{
    DelayControls c;
    c.sync = true;
    c.time = 1.0f;
    c.feedback = 0.0f;
    c.wet = 1.0f;
    TapeDelay delay;
    delay.prepare(sr);
    delay.setControls(c, 20.0f);
    for (int i = 0; i < 1200000; ++i)
        delay.process(0.0f);
    const auto out = run(delay, 384100, 1.0f);
    const auto peakAt = std::max_element(out.begin(), out.end()) - out.begin();
    // On a line this long the float glide stops about ten samples short of the target.
    EXPECT_NEAR(static_cast<double>(peakAt), 384000.0, 12.0);
    EXPECT_GT(out[static_cast<size_t>(peakAt)], 0.5f);
}

TEST(TapeDelay, FeedbackDecidesWhetherRepeatsDieOrSustain)
{
    struct Case
    {
        float feedback;
        bool sustains;
    };
    for (const auto& c : { Case { 0.0f, false }, Case { 0.36f, false }, Case { 1.65f, true } })
    {
        SCOPED_TRACE(c.feedback);
        DelayControls controls;
        controls.time = 0.0f;
        controls.feedback = c.feedback;
        controls.wet = 1.0f;
        TapeDelay delay = settledDelay(controls);
        const auto out = run(delay, static_cast<int>(5.0f * sr), 0.5f);
        const float lateLevel = peakOf(out, out.size() - 4800);
        if (c.sustains)
        {
            EXPECT_GT(lateLevel, 0.3f);
            EXPECT_LE(peakOf(out, 0), 1.5f); // held by the saturation and the clamp
        }
        else
        {
            EXPECT_LT(lateLevel, 1.0e-6f);
        }
    }
}

TEST(TapeDelay, MuteSilencesAndEmptiesTheLine)
{
    DelayControls controls;
    controls.time = 0.0f;
    controls.feedback = 1.65f;
    controls.wet = 1.0f;
    TapeDelay delay = settledDelay(controls);
    const auto ringing = run(delay, 9600, 0.5f);
    ASSERT_GT(peakOf(ringing, 4800), 0.3f);

    controls.muted = true;
    delay.setControls(controls, 120.0f);
    EXPECT_EQ(delay.getSmoothedDelaySamples(), 1.0f);
    for (int i = 0; i < 4800; ++i)
        ASSERT_EQ(delay.process(0.8f), 0.0f) << i; // sends while muted are not recorded either

    // A second range still muted changes nothing.
    delay.setControls(controls, 120.0f);
    EXPECT_EQ(delay.process(0.0f), 0.0f);

    controls.muted = false;
    delay.setControls(controls, 120.0f);
    const auto after = run(delay, static_cast<int>(2.0f * sr));
    EXPECT_EQ(peakOf(after, 0), 0.0f);
}

TEST(TapeDelay, ClearEmptiesTheLine)
{
    DelayControls controls;
    controls.time = 0.0f;
    controls.feedback = 1.0f;
    TapeDelay delay = settledDelay(controls);
    run(delay, 2000, 0.5f);
    delay.clear();
    EXPECT_EQ(delay.getSmoothedDelaySamples(), 1.0f);
    EXPECT_EQ(peakOf(run(delay, 48000), 0), 0.0f);
}

TEST(TapeDelay, HighPassOnTheRepeats)
{
    // Steady-state gain of the return for a sine (0 Hz: a constant) sent into a delay without
    // feedback. At full travel the filter is a 3.6 kHz one-pole, whose gain at the top of the
    // band is 2a / (1 + a) with a = exp(-2 pi 3600 / sr), about 0.77.
    struct Case
    {
        float highPass;
        float frequency;
        float minGain;
        float maxGain;
    };
    const Case cases[] = {
        { 0.0f, 0.0f, 0.999f, 1.001f },   // untouched
        { 0.0f, 200.0f, 0.99f, 1.001f },
        { 0.0f, 12000.0f, 0.95f, 1.001f }, // only the tap's interpolation shaves the top
        { 1.0f, 0.0f, 0.0f, 1.0e-3f },
        { 1.0f, 200.0f, 0.0f, 0.1f },
        { 1.0f, 3600.0f, 0.5f, 0.7f },
        { 1.0f, 12000.0f, 0.7f, 0.8f },
        { 0.3f, 0.0f, 0.0f, 1.0e-3f },     // any setting above zero blocks a constant
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.highPass << " at " << c.frequency << " Hz");
        DelayControls controls;
        controls.time = 0.0f;
        controls.feedback = 0.0f;
        controls.wet = 1.0f;
        controls.highPass = c.highPass;
        TapeDelay delay = settledDelay(controls);

        float peak = 0.0f;
        const int n = static_cast<int>(sr);
        for (int i = 0; i < n; ++i)
        {
            const float phase = 6.2831853f * c.frequency * static_cast<float>(i) / sr;
            const float in = c.frequency > 0.0f ? 0.5f * std::sin(phase) : 0.5f;
            const float out = delay.process(in);
            if (i >= n - 4800)
                peak = std::max(peak, std::abs(out));
        }
        const float gain = peak / 0.5f;
        EXPECT_GE(gain, c.minGain);
        EXPECT_LE(gain, c.maxGain);
    }
}

TEST(TapeDelay, TimeChangesGlideInsteadOfJumping)
{
    DelayControls controls;
    controls.time = 0.0f;
    TapeDelay delay = settledDelay(controls);
    const float before = delay.getSmoothedDelaySamples();
    controls.time = 1.0f;
    delay.setControls(controls, 120.0f);
    EXPECT_FLOAT_EQ(delay.getTargetDelaySamples(), 96000.0f);
    delay.process(0.0f);
    // One step moves 0.15 % of the way.
    EXPECT_NEAR(delay.getSmoothedDelaySamples() - before, (96000.0f - before) * 0.0015f, 0.01f);
}

} // namespace
} // namespace kestrum
