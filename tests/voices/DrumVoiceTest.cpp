#include "voices/DrumVoice.h"

#include <gtest/gtest.h>

namespace kestrum
{
namespace
{

constexpr VoiceType allTypes[] = { VoiceType::Kik9,         VoiceType::Snare808,    VoiceType::RimShot808,
                                   VoiceType::ClosedHat808, VoiceType::TevHat9Open, VoiceType::GeneralDrumA,
                                   VoiceType::BassBin,      VoiceType::ChordPuller };

TEST(DrumVoice, FactoryBuildsEachTypeAndAnUnknownTypeIsSilent)
{
    for (auto type : allTypes)
        EXPECT_EQ(DrumVoice::create(type)->getType(), type);

    auto unknown = DrumVoice::create(static_cast<VoiceType>(12));
    unknown->prepare(48000.0);
    unknown->trigger(1.0f, 1.0f);
    ChannelParameters p;
    p.volume = 1.0f;
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(unknown->process(p), 0.0f);
}

TEST(DrumVoice, TriggerClampsVelocityAndPitchRatio)
{
    struct Case
    {
        float velocity, ratio, expectedVelocity, expectedRatio;
    };
    const Case cases[] = { { 0.0f, 20.0f, 0.05f, 8.0f },
                           { 2.0f, 0.01f, 1.0f, 0.125f },
                           { 0.5f, 1.5f, 0.5f, 1.5f } };

    for (auto type : allTypes)
        for (const auto& c : cases)
        {
            auto voice = DrumVoice::create(type);
            voice->trigger(c.velocity, c.ratio);
            EXPECT_FLOAT_EQ(voice->getVelocity(), c.expectedVelocity);
            EXPECT_FLOAT_EQ(voice->getPitchRatio(), c.expectedRatio);
        }
}

TEST(DrumVoice, NoiseStartsFromItsSeedAndRunsOnAcrossResetsAndPrepares)
{
    dsp::WhiteNoise noise;
    noise.next();
    EXPECT_EQ(noise.state, 0x87985aa5u);

    auto voice = DrumVoice::create(VoiceType::Snare808);
    EXPECT_EQ(voice->getNoiseState(), 0x12345678u);
    voice->prepare(48000.0);
    ChannelParameters p;
    voice->trigger(1.0f, 1.0f);
    for (int i = 0; i < 100; ++i)
        voice->process(p); // the snare draws noise every sample
    const auto running = voice->getNoiseState();
    ASSERT_NE(running, 0x12345678u);

    voice->reset();
    EXPECT_EQ(voice->getNoiseState(), running);
    voice->prepare(96000.0);
    EXPECT_EQ(voice->getNoiseState(), running);
    EXPECT_FLOAT_EQ(voice->getSampleRate(), 96000.0f);
}

TEST(DrumVoice, ClonesAreIndependentCopiesWithTheSameState)
{
    for (auto type : allTypes)
    {
        auto voice = DrumVoice::create(type);
        voice->prepare(44100.0);
        auto copy = voice->clone();
        EXPECT_EQ(copy->getType(), type);

        ChannelParameters p;
        p.volume = 1.0f;
        voice->trigger(0.9f, 1.0f);
        copy->trigger(0.9f, 1.0f);
        for (int i = 0; i < 2000; ++i)
            ASSERT_EQ(voice->process(p), copy->process(p)) << "type " << static_cast<int>(type) << " sample " << i;
    }
}

TEST(DspBlocks, LinearRampMovesInWholeSamplesAndJumpsWithoutLength)
{
    dsp::LinearRamp ramp;
    ramp.reset(4);
    ramp.setTargetValue(1.0f);
    const float expected[] = { 0.25f, 0.5f, 0.75f, 1.0f, 1.0f };
    for (float e : expected)
        EXPECT_FLOAT_EQ(ramp.getNextValue(), e);

    dsp::LinearRamp jump;
    jump.setTargetValue(0.7f);
    EXPECT_FLOAT_EQ(jump.getNextValue(), 0.7f);
    EXPECT_FALSE(jump.isSmoothing());
}

TEST(DspBlocks, VelocityGainCurveEnds)
{
    EXPECT_NEAR(dsp::velocityGain(0.05f, 0.22f), 0.22f + 0.34f * 0.78f, 1e-6f);
    EXPECT_NEAR(dsp::velocityGain(1.0f, 0.22f), 0.22f + 1.18f * 0.78f, 1e-6f);
    EXPECT_NEAR(dsp::velocityGain(3.0f, 0.5f), dsp::velocityGain(1.0f, 0.5f), 1e-7f);
}

TEST(DspBlocks, OnePoleLimitsItsCutoff)
{
    EXPECT_FLOAT_EQ(dsp::OnePole::coefficientFor(2.0f, 48000.0f), dsp::OnePole::coefficientFor(10.0f, 48000.0f));
    EXPECT_FLOAT_EQ(dsp::OnePole::coefficientFor(40000.0f, 48000.0f),
                    dsp::OnePole::coefficientFor(0.45f * 48000.0f, 48000.0f));
}

} // namespace
} // namespace kestrum
