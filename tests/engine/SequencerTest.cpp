#include "SequencerTestSupport.h"

#include <gtest/gtest.h>

using namespace druvex::test;

namespace
{

std::vector<int64_t> samplesOf(const std::vector<Hit>& hits)
{
    std::vector<int64_t> result;
    for (const auto& hit : hits)
        result.push_back(hit.sample);
    return result;
}

std::vector<int64_t> positionsOf(const std::vector<Hit>& hits)
{
    std::vector<int64_t> result;
    for (const auto& hit : hits)
        result.push_back(hit.position);
    return result;
}

void switchAllStepsOn(Kestrum8AudioProcessor& processor, int channel)
{
    for (int s = 0; s < kestrum::numSteps; ++s)
        setParameter(processor, kestrum::getStepParameterID(channel, s), 1.0f);
}

// ---------------------------------------------------------------------------------------------
// Internal clock

TEST(SequencerClock, StepsFallOnTheSameSamplesWhateverTheBlockSize)
{
    // 5512.5 samples a step: each boundary is the first sample whose countdown is 0.5 or below.
    const std::vector<int64_t> expected { 0, 5512, 11025, 16537, 22050 };

    for (const int blockSize : { 1, 64, 512, 4096 })
    {
        SteppedProcessor processor;
        switchAllStepsOn(processor, 0);
        prepare(processor, 44100.0, blockSize);
        run(processor, 22051, blockSize);

        const auto hits = processor.hitsOf(0);
        EXPECT_EQ(samplesOf(hits), expected) << "block size " << blockSize;
        EXPECT_EQ(positionsOf(hits), (std::vector<int64_t> { 0, 1, 2, 3, 4 })) << "block size " << blockSize;
        EXPECT_EQ(processor.currentSequencerStep.load(), 4);
    }
}

TEST(SequencerClock, TempoIsHeldInRange)
{
    struct Case
    {
        float tempo;
        std::vector<int64_t> expected;
    };
    const Case cases[] = { { 10.0f, { 0, 22050 } },           // runs as 30
                           { 400.0f, { 0, 2205, 4410, 6615 } } }; // runs as 300

    for (const auto& c : cases)
    {
        SteppedProcessor processor;
        switchAllStepsOn(processor, 0);
        prepare(processor, 44100.0, 512);
        setRaw(processor, "Tempo", c.tempo);
        run(processor, 22051, 512);

        auto samples = samplesOf(processor.hitsOf(0));
        samples.resize(std::min(samples.size(), c.expected.size()));
        EXPECT_EQ(samples, c.expected) << "tempo " << c.tempo;
    }
}

TEST(SequencerClock, ATempoChangeInMidStepAppliesFromTheNextStep)
{
    SteppedProcessor processor;
    switchAllStepsOn(processor, 0);
    prepare(processor, 44100.0, 500);
    run(processor, 1000, 500);
    setParameter(processor, "Tempo", 240.0f); // 2756.25 samples a step
    run(processor, 9000, 500);

    // The step that was playing keeps its end at 5512; the next one is half as long.
    EXPECT_EQ(samplesOf(processor.hitsOf(0)), (std::vector<int64_t> { 0, 5512, 8269 }));
}

TEST(SequencerClock, StoppingPublishesNoPositionAndStartingBeginsAtStepZero)
{
    SteppedProcessor processor;
    switchAllStepsOn(processor, 0);
    prepare(processor, 44100.0, 512);
    run(processor, 12000, 512);
    ASSERT_EQ(processor.currentSequencerPosition.load(), 2);

    setParameter(processor, "SequencerRun", 0.0f);
    processor.hits.clear();
    run(processor, 20000, 512);
    EXPECT_TRUE(processor.hits.empty());
    EXPECT_EQ(processor.currentSequencerStep.load(), -1);
    EXPECT_EQ(processor.currentSequencerPosition.load(), -1);
    for (const auto& step : processor.currentChannelSteps)
        EXPECT_EQ(step.load(), -1);

    setParameter(processor, "SequencerRun", 1.0f);
    const auto restart = processor.getTotalSamplesProcessed();
    run(processor, 512, 512);
    const auto hits = processor.hitsOf(0);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].sample, restart);
    EXPECT_EQ(hits[0].position, 0);
}

// ---------------------------------------------------------------------------------------------
// Polymeter

TEST(SequencerPolymeter, ChannelsOfDifferentLengthsLoopAgainstOnePosition)
{
    SteppedProcessor processor;
    prepare(processor, 44100.0, 512);
    setParameter(processor, "ch3SeqLength", 3.0f);
    setParameter(processor, kestrum::getStepParameterID(2, 2), 1.0f); // channel 3, step 3
    setParameter(processor, kestrum::getStepParameterID(0, 1), 1.0f); // channel 1, step 2
    setParameter(processor, kestrum::getStepParameterID(1, 2), 1.0f); // channel 2, step 3

    processor.setCurrentSequencerStep(17);
    EXPECT_EQ(processor.currentSequencerStep.load(), 1);
    EXPECT_EQ(processor.currentSequencerPosition.load(), 17);
    for (int c = 0; c < kestrum::numChannels; ++c)
        EXPECT_EQ(processor.currentChannelSteps[static_cast<size_t>(c)].load(), c == 2 ? 2 : 1) << "channel " << c;

    processor.triggerSequencerStep(17);
    ASSERT_EQ(processor.hits.size(), 2u);
    EXPECT_EQ(processor.hits[0].channel, 0);
    EXPECT_EQ(processor.hits[1].channel, 2);
}

TEST(SequencerPolymeter, LengthIsRoundedAndHeldBetweenOneAndSixteen)
{
    struct Case
    {
        float length;
        int expectedStep; // at position 21
    };
    const Case cases[] = { { 0.0f, 0 }, { 1.4f, 0 }, { 40.0f, 5 }, { 2.4f, 1 }, { 2.5f, 0 }, { 16.0f, 5 } };

    for (const auto& c : cases)
    {
        SteppedProcessor processor;
        setRaw(processor, "ch4SeqLength", c.length);
        processor.setCurrentSequencerStep(21);
        EXPECT_EQ(processor.currentChannelSteps[3].load(), c.expectedStep) << "length " << c.length;
    }
}

// ---------------------------------------------------------------------------------------------
// Host clock. At 32768 Hz and 120 BPM a quarter note is exactly 16384 samples and a step 4096.

constexpr double hostRate = 32768.0;

struct HostRun
{
    SteppedProcessor processor;
    MovingPlayHead head;

    explicit HostRun(double startPpq) : head(120.0, startPpq)
    {
        switchAllStepsOn(processor, 0);
        setParameter(processor, "SyncToDaw", 1.0f);
        processor.setPlayHead(&head);
        prepare(processor, hostRate, 512);
    }

    void play(int64_t numSamples) { run(processor, numSamples, 512, &head, hostRate); }
};

TEST(SequencerHostClock, AStartInMidBarShowsThePositionButWaitsForTheBar)
{
    HostRun host(2.5); // position 10
    host.play(512);
    EXPECT_EQ(host.processor.currentSequencerPosition.load(), 10);
    EXPECT_EQ(host.processor.currentSequencerStep.load(), 10);
    EXPECT_TRUE(host.processor.hits.empty());

    host.play(30000);
    const auto hits = host.processor.hitsOf(0);
    EXPECT_EQ(positionsOf(hits), (std::vector<int64_t> { 16, 17 }));
    EXPECT_EQ(samplesOf(hits), (std::vector<int64_t> { 24576, 28672 }));
}

TEST(SequencerHostClock, AStartOnABarTriggersAtOnce)
{
    HostRun host(4.0);
    host.play(512);
    const auto hits = host.processor.hitsOf(0);
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0].sample, 0);
    EXPECT_EQ(hits[0].position, 16);
}

TEST(SequencerHostClock, PositionsPastTheLoopEndFoldBackIntoTheLoop)
{
    {
        HostRun host(8.5);
        host.head.setLoop(4.0, 8.0);
        host.play(1);
        EXPECT_EQ(host.processor.currentSequencerPosition.load(), 18); // played as 4.5
    }
    {
        // The loop end falls inside a block: the bar start of the loop triggers on that sample.
        HostRun host(7.75);
        host.head.setLoop(4.0, 8.0);
        host.play(8193);
        const auto hits = host.processor.hitsOf(0);
        EXPECT_EQ(positionsOf(hits), (std::vector<int64_t> { 16, 17 }));
        EXPECT_EQ(samplesOf(hits), (std::vector<int64_t> { 4096, 8192 }));
    }
}

TEST(SequencerHostClock, InterruptionsWaitForTheNextBar)
{
    enum class Interruption
    {
        hostStops,
        positionMissing,
        syncSwitchedOffAndOn
    };

    for (const auto interruption :
         { Interruption::hostStops, Interruption::positionMissing, Interruption::syncSwitchedOffAndOn })
    {
        const auto name = static_cast<int>(interruption);
        HostRun host(4.0);
        host.play(1024);
        ASSERT_EQ(host.processor.hitsOf(0).size(), 1u);

        switch (interruption)
        {
            case Interruption::hostStops: host.head.info.setIsPlaying(false); break;
            case Interruption::positionMissing: host.head.hasPosition = false; break;
            case Interruption::syncSwitchedOffAndOn: setParameter(host.processor, "SyncToDaw", 0.0f); break;
        }
        host.processor.hits.clear();
        const auto interrupted = host.processor.getTotalSamplesProcessed();
        host.play(4608); // the host moves on past the bar start, to position 17

        if (interruption == Interruption::syncSwitchedOffAndOn)
        {
            // The internal clock takes over from its first step.
            const auto hits = host.processor.hitsOf(0);
            ASSERT_FALSE(hits.empty()) << name;
            EXPECT_EQ(hits[0].sample, interrupted);
            EXPECT_EQ(hits[0].position, 0);
        }
        else
        {
            EXPECT_TRUE(host.processor.hits.empty()) << name;
            EXPECT_EQ(host.processor.currentSequencerPosition.load(), -1) << name;
        }

        host.head.info.setIsPlaying(true);
        host.head.hasPosition = true;
        setParameter(host.processor, "SyncToDaw", 1.0f);
        host.processor.hits.clear();
        host.play(70000); // positions 17 to 31 pass without a trigger; 32 is the next bar

        const auto hits = host.processor.hitsOf(0);
        ASSERT_FALSE(hits.empty()) << name;
        EXPECT_EQ(hits[0].position, 32) << name;
        EXPECT_EQ(hits[0].sample, 65536) << name;
    }
}

// ---------------------------------------------------------------------------------------------
// Triggering

TEST(SequencerTrigger, StepVelocityAndPitchAreHeldInRangeWhenPlayed)
{
    struct Case
    {
        int channel;
        float velocity;
        float pitch;
        float expectedVelocity;
        float expectedRatio;
    };
    const Case cases[] = {
        { 0, 0.1f, 36.0f, 0.25f, 1.0f },                              // velocity floor
        { 0, 1.7f, 36.0f, 1.0f, 1.0f },                               // velocity ceiling
        { 0, 0.86f, 200.0f, 0.86f, 8.0f },                            // pitch 127, ratio ceiling
        { 0, 0.86f, 48.0f, 0.86f, 2.0f },                             // an octave up
        { 0, 0.86f, 47.5f, 0.86f, 2.0f },                             // halves round away from zero
        { 0, 0.86f, 47.4f, 0.86f, std::pow(2.0f, 11.0f / 12.0f) },    //
        { 7, 0.5f, 0.0f, 0.5f, 0.125f },                              // 2^(-43/12), held at 0.125
        { 3, 0.86f, 27.0f, 0.86f, 0.5f },                             // own pitch 39, an octave down
    };

    for (const auto& c : cases)
    {
        SteppedProcessor processor;
        prepare(processor, 44100.0, 512);
        setParameter(processor, kestrum::getStepParameterID(c.channel, 4), 1.0f);
        setRaw(processor, kestrum::getStepVelocityParameterID(c.channel, 4), c.velocity);
        setRaw(processor, kestrum::getStepPitchParameterID(c.channel, 4), c.pitch);

        processor.triggerSequencerStep(20);
        ASSERT_EQ(processor.hits.size(), 1u) << "channel " << c.channel << " pitch " << c.pitch;
        EXPECT_FLOAT_EQ(processor.hits[0].velocity, c.expectedVelocity) << "velocity " << c.velocity;
        EXPECT_NEAR(processor.hits[0].ratio, c.expectedRatio, 1e-5f) << "pitch " << c.pitch;

        // The channel's real voice (the first chord voice for channel 8) took the note.
        auto& voice = processor.getVoice(c.channel == 7 ? 12 : c.channel);
        EXPECT_NEAR(voice.getPitchRatio(), c.expectedRatio, 1e-5f);
    }
}

TEST(SequencerTrigger, NothingPlaysBeforePositionZero)
{
    SteppedProcessor processor;
    switchAllStepsOn(processor, 0);
    processor.triggerSequencerStep(-1);
    processor.triggerSequencerStep(-16);
    EXPECT_TRUE(processor.hits.empty());
}

TEST(SequencerTrigger, ChannelsThatCannotBeHeardAreNotTriggered)
{
    struct Case
    {
        const char* what;
        bool mute, fxSend, preFader, otherSolo, ownSolo;
        bool triggered;
    };
    const Case cases[] = {
        { "plain", false, false, false, false, false, true },
        { "muted, feeding the delay before the mute", true, true, true, false, false, true },
        { "muted, delay after the mute", true, true, false, false, false, false },
        { "muted, no send", true, false, true, false, false, false },
        { "another channel soloed", false, false, false, true, false, false },
        { "another channel soloed, feeding the delay before the mute", false, true, true, true, false, true },
        { "soloed with another", false, false, false, true, true, true },
        { "muted and soloed", true, false, false, false, true, false },
    };

    for (const auto& c : cases)
    {
        SteppedProcessor processor;
        prepare(processor, 44100.0, 512);
        setParameter(processor, "ch2Mute", c.mute ? 1.0f : 0.0f);
        setParameter(processor, "ch2FxSend", c.fxSend ? 1.0f : 0.0f);
        setParameter(processor, "DelayPreFader", c.preFader ? 1.0f : 0.0f);
        setParameter(processor, "ch5Solo", c.otherSolo ? 1.0f : 0.0f);
        setParameter(processor, "ch2Solo", c.ownSolo ? 1.0f : 0.0f);

        processor.triggerChannel(1, 0.6f, 1.5f);
        EXPECT_EQ(processor.channelTriggerCounts[1].load(), c.triggered ? 1 : 0) << c.what;
        EXPECT_EQ(processor.getVoice(1).getPitchRatio() == 1.5f, c.triggered) << c.what;
    }
}

TEST(SequencerTrigger, OutOfRangeChannelsAreIgnored)
{
    SteppedProcessor processor;
    processor.triggerChannel(-1, 1.0f, 1.0f);
    processor.triggerChannel(8, 1.0f, 1.0f);
    for (const auto& count : processor.channelTriggerCounts)
        EXPECT_EQ(count.load(), 0);
}

TEST(SequencerTrigger, GeneralDrumInPolyModeRotatesOverItsFourVoices)
{
    SteppedProcessor processor;
    prepare(processor, 44100.0, 512);
    processor.triggerChannel(5, 0.9f, 1.0f); // mono: the channel's own voice
    setParameter(processor, "ch6PolyMode", 1.0f);

    const float velocities[] = { 0.3f, 0.4f, 0.5f, 0.6f, 0.7f };
    for (const float v : velocities)
        processor.triggerChannel(5, v, 1.0f);

    EXPECT_FLOAT_EQ(processor.getVoice(8).getVelocity(), 0.7f); // the fifth wraps round
    EXPECT_FLOAT_EQ(processor.getVoice(9).getVelocity(), 0.4f);
    EXPECT_FLOAT_EQ(processor.getVoice(10).getVelocity(), 0.5f);
    EXPECT_FLOAT_EQ(processor.getVoice(11).getVelocity(), 0.6f);
    EXPECT_FLOAT_EQ(processor.getVoice(5).getVelocity(), 0.9f);
    EXPECT_EQ(processor.channelTriggerCounts[5].load(), 6);
}

float peakOf(Kestrum8AudioProcessor& processor, int voice, int numSamples)
{
    kestrum::ChannelParameters record;
    processor.getChannelHandles(7).fill(record);
    float peak = 0.0f;
    for (int i = 0; i < numSamples; ++i)
        peak = std::max(peak, std::abs(processor.getVoice(voice).process(record)));
    return peak;
}

TEST(SequencerTrigger, AChordStepRestartsEveryChordVoiceAndPlaysFromTheFirst)
{
    SteppedProcessor processor;
    prepare(processor, 44100.0, 512);
    ASSERT_GE(valueOf(processor, "ch8PolyMode"), 0.5f); // on by default

    const int step = 2;
    setParameter(processor, kestrum::getStepParameterID(7, step), 1.0f);
    setParameter(processor, kestrum::getStepVelocityParameterID(7, step), 0.5f);
    setParameter(processor, kestrum::getStepChordCountParameterID(7, step), 3.0f);
    const float chordPitches[] = { 47.0f, 50.0f, 55.0f };
    const float chordVelocities[] = { 0.6f, 0.7f, 0.8f };
    for (int k = 0; k < 3; ++k)
    {
        setParameter(processor, kestrum::getStepChordPitchParameterID(7, step, k), chordPitches[k]);
        setParameter(processor, kestrum::getStepChordVelocityParameterID(7, step, k), chordVelocities[k]);
    }

    // Something is sounding on the channel's own voice and on the last chord voice, and the
    // rotation stands at the third voice.
    processor.getVoice(7).trigger(1.0f, 1.0f);
    processor.getVoice(15).trigger(1.0f, 1.0f);
    processor.triggerChannel(7, 1.0f, 1.0f);
    processor.triggerChannel(7, 1.0f, 1.0f);
    ASSERT_GT(peakOf(processor, 7, 200), 0.0f);
    ASSERT_GT(peakOf(processor, 15, 200), 0.0f);

    processor.hits.clear();
    processor.triggerSequencerStep(step);

    ASSERT_EQ(processor.hits.size(), 3u);
    const float expectedRatios[] = { 1.0f, std::pow(2.0f, 4.0f / 12.0f), std::pow(2.0f, 7.0f / 12.0f) };
    const float expectedVelocities[] = { 0.5f, 0.6f, 0.7f };
    for (int i = 0; i < 3; ++i)
    {
        auto& voice = processor.getVoice(12 + i);
        EXPECT_NEAR(voice.getPitchRatio(), expectedRatios[i], 1e-5f) << "voice " << 12 + i;
        EXPECT_FLOAT_EQ(voice.getVelocity(), expectedVelocities[i]) << "voice " << 12 + i;
    }
    EXPECT_EQ(peakOf(processor, 7, 200), 0.0f);
    EXPECT_EQ(peakOf(processor, 15, 200), 0.0f);

    // The rotation carries on after the chord.
    processor.triggerChannel(7, 0.3f, 1.0f);
    EXPECT_FLOAT_EQ(processor.getVoice(15).getVelocity(), 0.3f);
}

TEST(SequencerTrigger, ChordChannelInMonoModePlaysOnlyTheRootAndResetsNothing)
{
    SteppedProcessor processor;
    prepare(processor, 44100.0, 512);
    setParameter(processor, "ch8PolyMode", 0.0f);
    setParameter(processor, kestrum::getStepParameterID(7, 0), 1.0f);
    setParameter(processor, kestrum::getStepChordCountParameterID(7, 0), 4.0f);
    processor.getVoice(12).trigger(1.0f, 1.0f);
    ASSERT_GT(peakOf(processor, 12, 200), 0.0f);

    processor.triggerSequencerStep(0);
    ASSERT_EQ(processor.hits.size(), 1u);
    EXPECT_GT(peakOf(processor, 12, 200), 0.0f);
    EXPECT_EQ(processor.channelTriggerCounts[7].load(), 1);
}

} // namespace
