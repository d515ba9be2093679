#include "SynthTestSignals.h"
#include "voices/BassBinVoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kestrum
{
namespace
{

using synthtest::magnitudeAt;
using synthtest::measureSquare;
using synthtest::render;
using synthtest::slice;

constexpr double sr = 48000.0;
constexpr double fSharp2 = 92.498604;

// One source at a time, a steady envelope, no resonance, no filter envelope, no LFO.
ChannelParameters bassSource(float saw, float pulse, float sub)
{
    ChannelParameters p;
    p.sh101SawLevel = saw;
    p.sh101PulseLevel = pulse;
    p.sh101SubLevel = sub;
    p.sh101Cutoff = 1.0f;
    p.sh101Resonance = 0.0f;
    p.sh101FilterEnv = 0.0f;
    p.sh101LfoDestination = 0;
    p.sh101Attack = 0.002f;
    p.sh101Sustain = 1.0f;
    p.sh101Release = 4.0f;
    p.volume = 1.0f;
    return p;
}

std::vector<float> playBass(const ChannelParameters& p, int numSamples, float velocity = 0.3f)
{
    BassBinVoice voice;
    voice.prepare(sr);
    voice.trigger(velocity, 1.0f);
    return render(voice, p, numSamples);
}

TEST(BassBinVoice, OctaveIndexIsClampedToTheFiveFootages)
{
    struct Case
    {
        int octave, playsAs;
        double frequency;
    };
    const Case cases[] = { { 7, 4, 4.0 * fSharp2 }, { 100, 4, 4.0 * fSharp2 }, { -1, 0, 0.25 * fSharp2 },
                           { 2, 2, fSharp2 },       { 1, 1, 0.5 * fSharp2 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.octave);
        auto p = bassSource(1.0f, 0.0f, 0.0f);
        p.sh101Cutoff = 0.5f;
        p.sh101Octave = c.octave;
        auto reference = p;
        reference.sh101Octave = c.playsAs;

        // Forty cycles after the attack: enough resolution to tell a semitone apart at 23 Hz.
        const int length = static_cast<int>(40.0 * sr / c.frequency);
        const auto out = playBass(p, 4800 + length);
        ASSERT_EQ(out, playBass(reference, 4800 + length));

        const auto tail = slice(out, 4800, static_cast<size_t>(length));
        const double fundamental = magnitudeAt(tail, c.frequency, sr);
        EXPECT_GT(fundamental, 4.0 * magnitudeAt(tail, 0.5 * c.frequency, sr)) << "an octave low";
        EXPECT_GT(fundamental, 1.5 * magnitudeAt(tail, 2.0 * c.frequency, sr)) << "an octave high";
        EXPECT_GT(fundamental, 4.0 * magnitudeAt(tail, c.frequency * 1.0595, sr)) << "off pitch";
    }
}

TEST(BassBinVoice, SubOscillatorTypesSetOctaveAndDuty)
{
    struct Case
    {
        int type;
        double divide, duty;
        const char* name;
    };
    const Case cases[] = { { 0, 2.0, 0.5, "-1 SQ" }, { 1, 4.0, 0.5, "-2 SQ" }, { 2, 4.0, 0.36, "-2 PW" } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        auto p = bassSource(0.0f, 0.0f, 1.0f);
        p.sh101Octave = 4; // 370 Hz, so the sub sits at 185 or 92.5 Hz
        p.sh101SubType = c.type;

        const auto m = measureSquare(slice(playBass(p, 19200), 4800, 14400));
        const double expectedPeriod = sr / (4.0 * fSharp2 / c.divide);
        EXPECT_NEAR(m.period, expectedPeriod, 0.01 * expectedPeriod);
        EXPECT_NEAR(m.duty, c.duty, 0.02);
    }
}

TEST(BassBinVoice, PulseWidthModulationStaysWithinFiveAndNinetyFivePercent)
{
    struct Case
    {
        float width, widest, narrowest; // the LFO swings the width by +-0.42
    };
    const Case cases[] = { { 0.9f, 0.95f, 0.48f }, { 0.1f, 0.52f, 0.05f }, { 0.5f, 0.92f, 0.08f } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.width);
        auto p = bassSource(0.0f, 1.0f, 0.0f);
        p.sh101Octave = 2;
        p.sh101PulseWidth = c.width;
        p.sh101LfoDestination = 3;
        p.sh101LfoAmount = 1.0f;
        p.sh101LfoRate = 0.5f;

        const auto out = playBass(p, 2 * 48000 + 4800);
        const int period = 519; // one cycle of F#2 at 48 kHz, within 0.1 sample
        float globalRange = 0.0f;
        for (int start = 4800; start + period <= static_cast<int>(out.size()); start += period)
            globalRange = std::max(globalRange, static_cast<float>(measureSquare(slice(out, start, period)).range));

        double lowest = 1.0, highest = 0.0;
        for (int start = 4800; start + period <= static_cast<int>(out.size()); start += period)
        {
            const auto m = measureSquare(slice(out, start, period));
            ASSERT_GT(m.range, 0.5 * globalRange) << "a cycle without both edges at sample " << start;
            // The inverted pulse is low for the set width.
            const double width = 1.0 - m.duty;
            lowest = std::min(lowest, width);
            highest = std::max(highest, width);
        }
        EXPECT_GE(lowest, 0.04);
        EXPECT_LE(highest, 0.96);
        EXPECT_NEAR(highest, c.widest, 0.015);
        EXPECT_NEAR(lowest, c.narrowest, 0.015);
    }
}

TEST(BassBinVoice, TriggerRestartsTheEnvelopeWhileOscillatorsLfoAndFilterRunOn)
{
    // Without a filter envelope nothing but the amplitude depends on the note. So a retriggered
    // voice must sound exactly like one that ran silently until the same moment, and follow the
    // waveform of one that was never retriggered, only at another level.
    ChannelParameters p;
    p.sh101FilterEnv = 0.0f;
    p.sh101LfoDestination = 2;
    p.sh101Resonance = 0.6f;
    p.volume = 1.0f;
    const int retriggerAt = 9000;

    BassBinVoice retriggered, silentUntilThen, notRetriggered;
    for (auto* v : { &retriggered, &silentUntilThen, &notRetriggered })
        v->prepare(sr);
    retriggered.trigger(0.9f, 1.0f);
    notRetriggered.trigger(0.9f, 1.0f);
    float peak = 0.0f;
    for (int i = 0; i < retriggerAt; ++i)
    {
        peak = std::max(peak, std::abs(retriggered.process(p)));
        notRetriggered.process(p);
        EXPECT_EQ(silentUntilThen.process(p), 0.0f);
    }
    ASSERT_GT(peak, 0.1f);

    retriggered.trigger(0.6f, 1.0f);
    silentUntilThen.trigger(0.6f, 1.0f);
    int signDisagreements = 0;
    for (int i = 0; i < 9600; ++i)
    {
        const float y = retriggered.process(p);
        ASSERT_EQ(y, silentUntilThen.process(p)) << "sample " << i;
        const float reference = notRetriggered.process(p);
        if (i > 0 && std::abs(reference) > 0.01f && (y > 0.0f) != (reference > 0.0f))
            ++signDisagreements;
    }
    EXPECT_EQ(signDisagreements, 0) << "the waveform restarted instead of running on";
}

TEST(BassBinVoice, StaysFiniteAndBoundedAtExtremeSettings)
{
    ChannelParameters p;
    p.sh101Octave = 4;
    p.sh101Tune = 50.0f;
    p.sh101Resonance = 1.0f;
    p.sh101Cutoff = 1.0f;
    p.sh101FilterEnv = -1.0f;
    p.sh101LfoDestination = 1;
    p.sh101LfoAmount = 1.0f;
    p.sh101LfoRate = 30.0f;
    p.sh101SubType = 2;
    p.sh101SawLevel = p.sh101PulseLevel = p.sh101SubLevel = 0.0f; // the 0.28 floor of the mix
    p.volume = 1.0f;

    for (double rate : { 8000.0, 192000.0 })
    {
        BassBinVoice voice;
        voice.prepare(rate);
        voice.trigger(1.0f, 8.0f);
        for (float s : render(voice, p, 8000))
        {
            ASSERT_TRUE(std::isfinite(s));
            ASSERT_LE(std::abs(s), 1.2f);
        }
    }
}

} // namespace
} // namespace kestrum
