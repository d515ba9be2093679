#include "SynthTestSignals.h"
#include "voices/FlexibleSynthVoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kestrum
{
namespace
{

using synthtest::magnitudeAt;
using synthtest::render;
using synthtest::slice;

constexpr double sr = 48000.0;

// A plain tone: no sweep, noise, fold or filter envelope, filter wide open, and an envelope that
// sits at full level after a very short attack.
ChannelParameters plainTone(int waveform)
{
    ChannelParameters p;
    p.tune = 200.0f;
    p.genAWaveform = waveform;
    p.shape = 0.0f;
    p.noise = 0.0f;
    p.foldback = 0.0f;
    p.filterCutoff = 1.0f;
    p.filterEnv = 0.0f;
    p.sh101Attack = 0.002f;
    p.sh101Sustain = 1.0f;
    p.sh101Release = 4.0f;
    p.volume = 1.0f;
    return p;
}

TEST(FlexibleSynthVoice, GeneralDrumWaveformsPlayAtTuneTimesRatioWithTheirHarmonicSeries)
{
    struct Case
    {
        int waveform;
        double third, fifth; // amplitude relative to the fundamental
        const char* name;
    };
    const Case cases[] = { { 0, 0.0, 0.0, "sine" },
                           { 1, 1.0 / 9.0, 1.0 / 25.0, "triangle" },
                           { 2, 1.0 / 3.0, 1.0 / 5.0, "square" } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        FlexibleSynthVoice voice(VoiceType::GeneralDrumA);
        voice.prepare(sr);
        // Low velocity keeps the output saturation in its linear range.
        voice.trigger(0.2f, 1.5f);
        const auto out = slice(render(voice, plainTone(c.waveform), 7200), 2400, 4800);

        const double f = 300.0;
        const double h1 = magnitudeAt(out, f, sr);
        ASSERT_GT(h1, 0.01);
        EXPECT_LT(magnitudeAt(out, f * 0.5, sr), 0.02 * h1) << "an octave low";
        EXPECT_LT(magnitudeAt(out, f * 1.06, sr), 0.05 * h1) << "off pitch";
        EXPECT_LT(magnitudeAt(out, 2.0 * f, sr), 0.01 * h1) << "even harmonic";
        EXPECT_NEAR(magnitudeAt(out, 3.0 * f, sr) / h1, c.third, 0.012);
        EXPECT_NEAR(magnitudeAt(out, 5.0 * f, sr) / h1, c.fifth, 0.012);
    }
}

TEST(FlexibleSynthVoice, GeneralDrumLevelFollowsTheAmplitudeEnvelope)
{
    auto p = plainTone(2); // a square: each half period's peak is the level at that moment
    p.sh101Attack = 0.03f;
    p.sh101Decay = 0.08f;
    p.sh101Sustain = 0.4f;
    p.sh101Release = 0.5f;

    FlexibleSynthVoice voice(VoiceType::GeneralDrumA);
    voice.prepare(sr);
    voice.trigger(0.1f, 1.0f);
    const auto out = render(voice, p, 24000);

    // Expected shape, in closed form from the three time constants.
    auto envelope = [&](double t) {
        return (1.0 - std::exp(-t / 0.03)) * (0.4 + 0.6 * std::exp(-t / 0.08)) * std::exp(-t / 0.5);
    };

    const int halfPeriod = 120; // 200 Hz
    double ratioAtReference = 0.0;
    for (int start = 2400; start + halfPeriod <= 24000; start += 2400)
    {
        float peak = 0.0f;
        int at = start;
        for (int i = start; i < start + halfPeriod; ++i)
            if (std::abs(out[i]) > peak)
            {
                peak = std::abs(out[i]);
                at = i;
            }
        const double ratio = peak / envelope((at + 1) / sr);
        if (ratioAtReference == 0.0)
            ratioAtReference = ratio;
        EXPECT_NEAR(ratio / ratioAtReference, 1.0, 0.03) << "at sample " << at;
    }
}

TEST(FlexibleSynthVoice, RetriggerContinuesTheGeneralDrumButRestartsTheChordSynth)
{
    auto p = plainTone(1);
    p.sh101Attack = 0.05f; // slow enough that the resumed attack adds no step of its own
    p.sh101Decay = 0.1f;
    p.sh101Sustain = 0.3f;
    p.sh101Release = 1.0f;
    const int retriggerAt = 7211;

    // General drum: the first sample of the new note is no larger a step than the waveform's own.
    {
        FlexibleSynthVoice voice(VoiceType::GeneralDrumA);
        voice.prepare(sr);
        voice.trigger(0.8f, 1.0f);
        auto before = render(voice, p, retriggerAt);
        voice.trigger(0.8f, 1.0f);
        const float first = voice.process(p);

        float largestStep = 0.0f;
        for (int i = retriggerAt - 480; i < retriggerAt; ++i)
            largestStep = std::max(largestStep, std::abs(before[i] - before[i - 1]));
        EXPECT_LE(std::abs(first - before.back()), 1.05f * largestStep);
        EXPECT_GT(largestStep, 0.0f);
    }

    // Chord synth: after the retrigger it plays exactly what a fresh voice plays, in either mode
    // (each mode hides the other's filter, so both are needed to see every state cleared).
    for (float obhMode : { 0.0f, 1.0f })
    {
        SCOPED_TRACE(obhMode);
        p.fmAmount = 0.4f;
        p.genCSemMode = obhMode;
        FlexibleSynthVoice voice(VoiceType::ChordPuller);
        voice.prepare(sr);
        voice.trigger(0.8f, 1.0f);
        const auto before = render(voice, p, retriggerAt);
        voice.trigger(0.8f, 1.0f);
        const auto after = render(voice, p, 2400);

        FlexibleSynthVoice fresh(VoiceType::ChordPuller);
        fresh.prepare(sr);
        render(fresh, p, 1000); // silent, but lets the OBH crossfade arrive
        fresh.trigger(0.8f, 1.0f);
        const auto expected = render(fresh, p, 2400);

        float peakBefore = 0.0f;
        for (float s : before)
            peakBefore = std::max(peakBefore, std::abs(s));
        EXPECT_LT(std::abs(after[0]), 0.02f * peakBefore) << "does not drop to silence";
        for (size_t i = 0; i < after.size(); ++i)
            ASSERT_EQ(after[i], expected[i]) << "sample " << i;
    }
}

TEST(FlexibleSynthVoice, ObhModeCrossfadesOverEightMilliseconds)
{
    struct Case
    {
        double rate;
        int rampSamples;
    };
    const Case cases[] = { { 44100.0, 352 }, { 48000.0, 384 }, { 96000.0, 768 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.rate);
        ChannelParameters fmMode; // chord synth defaults of the record, FM source
        fmMode.fmAmount = 0.3f;
        fmMode.volume = 1.0f;
        auto obhMode = fmMode;
        obhMode.genCSemMode = 1.0f;

        FlexibleSynthVoice switched(VoiceType::ChordPuller), stayFm(VoiceType::ChordPuller),
            stayObh(VoiceType::ChordPuller);
        for (auto* v : { &switched, &stayFm, &stayObh })
        {
            v->prepare(c.rate);
            v->trigger(0.9f, 1.0f);
        }

        const int switchAt = static_cast<int>(c.rate * 0.02);
        for (int i = 0; i < switchAt; ++i)
        {
            ASSERT_EQ(switched.process(fmMode), stayFm.process(fmMode));
            stayObh.process(obhMode);
        }
        EXPECT_EQ(switched.getObhMix(), 0.0f);

        float fmPeak = 0.0f, largestGap = 0.0f, firstGap = 0.0f;
        for (int i = 1; i <= c.rampSamples; ++i)
        {
            const float a = switched.process(obhMode);
            const float b = stayFm.process(fmMode);
            stayObh.process(obhMode);
            EXPECT_NEAR(switched.getObhMix(), static_cast<float>(i) / c.rampSamples, 1e-4f);
            fmPeak = std::max(fmPeak, std::abs(b));
            largestGap = std::max(largestGap, std::abs(a - b));
            if (i == 1)
                firstGap = std::abs(a - b);
        }
        EXPECT_EQ(switched.getObhMix(), 1.0f);
        EXPECT_LT(firstGap, 0.02f * fmPeak) << "jumps instead of fading";
        EXPECT_GT(largestGap, 0.2f * fmPeak) << "OBH never faded in";

        // Once the fade is over and the filters have forgotten the old source, the switched voice
        // sounds like one that was in OBH mode all along.
        for (int i = 0; i < static_cast<int>(c.rate * 0.006); ++i)
        {
            switched.process(obhMode);
            stayObh.process(obhMode);
        }
        for (int i = 0; i < 256; ++i)
            ASSERT_NEAR(switched.process(obhMode), stayObh.process(obhMode), 1e-4f);
    }
}

TEST(FlexibleSynthVoice, GeneralDrumIgnoresTheChordSynthControls)
{
    auto p = plainTone(0);
    p.shape = 0.5f;
    p.noise = 0.4f;
    auto withChordControls = p;
    withChordControls.genCSemMode = 1.0f;
    withChordControls.fmAmount = 1.0f;

    FlexibleSynthVoice a(VoiceType::GeneralDrumA);
    a.prepare(sr);
    auto b = a;
    a.trigger(0.7f, 1.0f);
    b.trigger(0.7f, 1.0f);
    for (int i = 0; i < 4800; ++i)
        ASSERT_EQ(a.process(p), b.process(withChordControls)) << "sample " << i;
    EXPECT_EQ(b.getObhMix(), 0.0f);
}

TEST(FlexibleSynthVoice, ChordSynthStaysFiniteAndBoundedAtExtremeSettings)
{
    ChannelParameters p;
    p.tune = 9000.0f;
    p.decay = 5.0f;
    p.tone = 1.0f;
    p.shape = 1.0f;
    p.noise = 1.0f;
    p.foldback = 1.0f;
    p.fmAmount = 1.0f;
    p.genCSemMode = 1.0f;
    p.filterCutoff = 1.0f;
    p.filterEnv = 1.0f;
    p.volume = 1.0f;

    for (double rate : { 8000.0, 48000.0 })
    {
        FlexibleSynthVoice voice(VoiceType::ChordPuller);
        voice.prepare(rate);
        voice.trigger(1.0f, 8.0f);
        for (float s : render(voice, p, 4000))
        {
            ASSERT_TRUE(std::isfinite(s));
            ASSERT_LE(std::abs(s), 1.2f);
        }
    }
}

} // namespace
} // namespace kestrum
