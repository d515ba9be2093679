#include "SequencerTestSupport.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <set>

using namespace druvex::test;
using kestrum::getStepChordCountParameterID;
using kestrum::getStepChordPitchParameterID;
using kestrum::getStepChordVelocityParameterID;
using kestrum::getStepParameterID;
using kestrum::getStepPitchParameterID;
using kestrum::getStepVelocityParameterID;

namespace
{

constexpr int snare = 1;
constexpr int chord = 7;

struct Note
{
    int note;
    int velocity; // 0: note off
    int offset;
};

juce::MidiBuffer midiOf(std::initializer_list<Note> notes)
{
    juce::MidiBuffer midi;
    for (const auto& n : notes)
        midi.addEvent(n.velocity > 0 ? juce::MidiMessage::noteOn(1, n.note, static_cast<juce::uint8>(n.velocity))
                                     : juce::MidiMessage::noteOff(1, n.note),
                      n.offset);
    return midi;
}

// 44.1 kHz at 120 BPM: a step lasts 5512.5 samples.
struct OverwriteRecording : ::testing::Test
{
    void SetUp() override { prepare(processor, 44100.0, 64); }

    void arm(int channel, bool on = true)
    {
        setParameter(processor, kestrum::getParameterID(channel, "SeqOverwrite"), on ? 1.0f : 0.0f);
    }

    // Runs until the position is reached; the position has then just begun.
    void runToPosition(int64_t position)
    {
        for (int guard = 0; guard < 100000 && processor.currentSequencerPosition.load() < position; ++guard)
            run(processor, 64, 64);
        ASSERT_EQ(processor.currentSequencerPosition.load(), position);
    }

    void play(std::initializer_list<Note> notes) { runWithMidi(processor, midiOf(notes)); }

    float step(const juce::String& id) { return valueOf(processor, id); }

    struct StepContent
    {
        float on, velocity, pitch;
    };

    StepContent contentOf(int channel, int s)
    {
        return { step(getStepParameterID(channel, s)), step(getStepVelocityParameterID(channel, s)),
                 step(getStepPitchParameterID(channel, s)) };
    }

    // Sequencer triggers of a channel after a position, leaving out notes played live.
    std::vector<int64_t> sequencerPositionsAfter(int channel, int64_t position)
    {
        std::vector<int64_t> positions;
        for (const auto& hit : processor.hitsOf(channel))
            if (hit.position > position)
                positions.push_back(hit.position);
        return positions;
    }

    SteppedProcessor processor;
};

TEST_F(OverwriteRecording, ANoteOverwritesThePlayingStepAndUndoBringsTheOldStepBack)
{
    setParameter(processor, getStepVelocityParameterID(snare, 5), 0.5f);
    setParameter(processor, getStepPitchParameterID(snare, 5), 40.0f);
    arm(snare);
    runToPosition(5);

    play({ { 50, 100, 0 } });
    auto content = contentOf(snare, 5);
    EXPECT_EQ(content.on, 1.0f);
    EXPECT_NEAR(content.velocity, 100.0f / 127.0f, 0.0006f); // the parameter keeps 0.001 steps
    EXPECT_EQ(content.pitch, 50.0f);
    EXPECT_TRUE(processor.hasOverwriteBackup(snare, 5));
    EXPECT_EQ(processor.channelTriggerCounts[snare].load(), 1); // and it plays

    play({ { 52, 64, 0 } }); // the same step again: overwritten, backed up only once
    content = contentOf(snare, 5);
    EXPECT_EQ(content.pitch, 52.0f);
    EXPECT_NEAR(content.velocity, 64.0f / 127.0f, 0.0006f);

    // Other steps and channels are left alone.
    EXPECT_EQ(step(getStepParameterID(snare, 4)), 0.0f);
    EXPECT_EQ(step(getStepParameterID(0, 5)), 0.0f);

    processor.undoOverwrittenSteps(snare);
    content = contentOf(snare, 5);
    EXPECT_EQ(content.on, 0.0f);
    EXPECT_FLOAT_EQ(content.velocity, 0.5f);
    EXPECT_EQ(content.pitch, 40.0f);
    EXPECT_FALSE(processor.hasOverwriteBackup(snare, 5));

    processor.undoOverwrittenSteps(snare); // nothing left to undo
    EXPECT_EQ(contentOf(snare, 5).pitch, 40.0f);
}

TEST_F(OverwriteRecording, VelocityIsHeldInRangeWhenWritten)
{
    arm(snare);
    runToPosition(1);
    play({ { 38, 1, 0 } });
    EXPECT_FLOAT_EQ(contentOf(snare, 1).velocity, 0.25f);
}

TEST_F(OverwriteRecording, ArmingAgainStartsANewPassThatCannotUndoTheLastOne)
{
    arm(snare);
    runToPosition(2);
    play({ { 50, 100, 0 } });
    ASSERT_TRUE(processor.hasOverwriteBackup(snare, 2));

    arm(snare, false);
    run(processor, 64, 64);
    EXPECT_TRUE(processor.hasOverwriteBackup(snare, 2)); // still undoable while disarmed

    arm(snare);
    run(processor, 64, 64);
    EXPECT_FALSE(processor.hasOverwriteBackup(snare, 2));
    processor.undoOverwrittenSteps(snare);
    EXPECT_EQ(contentOf(snare, 2).pitch, 50.0f);
}

TEST_F(OverwriteRecording, ChordNotesWithinEightyMillisecondsBuildOneChordStep)
{
    setParameter(processor, "ch8PolyMode", 0.0f);
    arm(chord);
    runToPosition(5);

    play({ { 60, 127, 0 }, { 55, 64, 10 }, { 64, 100, 20 } });
    EXPECT_EQ(step(getStepParameterID(chord, 5)), 1.0f);
    EXPECT_EQ(step(getStepPitchParameterID(chord, 5)), 55.0f);
    EXPECT_NEAR(step(getStepVelocityParameterID(chord, 5)), 64.0f / 127.0f, 0.0006f);
    EXPECT_EQ(step(getStepChordPitchParameterID(chord, 5, 0)), 60.0f);
    EXPECT_NEAR(step(getStepChordVelocityParameterID(chord, 5, 0)), 1.0f, 0.0006f);
    EXPECT_EQ(step(getStepChordPitchParameterID(chord, 5, 1)), 64.0f);
    EXPECT_EQ(step(getStepChordCountParameterID(chord, 5)), 3.0f);
    EXPECT_GE(step("ch8PolyMode"), 0.5f); // a chord needs the extra voices

    play({ { 67, 90, 0 } });
    EXPECT_EQ(step(getStepChordPitchParameterID(chord, 5, 2)), 67.0f);
    EXPECT_EQ(step(getStepChordCountParameterID(chord, 5)), 4.0f);

    const auto triggersBefore = processor.channelTriggerCounts[chord].load();
    play({ { 48, 90, 0 } }); // a fifth note plays but is not recorded
    EXPECT_EQ(processor.channelTriggerCounts[chord].load(), triggersBefore + 1);
    EXPECT_EQ(step(getStepPitchParameterID(chord, 5)), 55.0f);
    EXPECT_EQ(step(getStepChordCountParameterID(chord, 5)), 4.0f);
    const float expectedChord[] = { 60.0f, 64.0f, 67.0f };
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(step(getStepChordPitchParameterID(chord, 5, k)), expectedChord[k]);
}

TEST_F(OverwriteRecording, AChordClosesWhenReleasedOrAfterAPause)
{
    arm(chord);
    runToPosition(3);

    play({ { 60, 100, 0 }, { 64, 100, 10 } });
    ASSERT_EQ(step(getStepChordCountParameterID(chord, 3)), 2.0f);

    // A note already held records nothing.
    play({ { 64, 100, 0 } });
    EXPECT_EQ(step(getStepChordCountParameterID(chord, 3)), 2.0f);

    // Everything released: the next note starts a chord of its own.
    play({ { 60, 0, 0 }, { 64, 0, 0 }, { 62, 100, 10 } });
    EXPECT_EQ(step(getStepPitchParameterID(chord, 3)), 62.0f);
    EXPECT_EQ(step(getStepChordCountParameterID(chord, 3)), 1.0f);

    // Still held, but more than 80 ms (3528 samples) later: a new chord too, by now nearer to
    // the next step.
    run(processor, 3600, 64);
    play({ { 50, 100, 0 } });
    EXPECT_EQ(step(getStepPitchParameterID(chord, 4)), 50.0f);
    EXPECT_EQ(step(getStepChordCountParameterID(chord, 4)), 1.0f);
    EXPECT_EQ(step(getStepPitchParameterID(chord, 3)), 62.0f);
}

TEST_F(OverwriteRecording, AChordPastHalfAStepLandsOnTheNextStepWhichWaitsForTheNextCycle)
{
    arm(chord);
    runToPosition(5);
    run(processor, 3000, 64); // more than half of step 5 has passed
    ASSERT_EQ(processor.currentSequencerPosition.load(), 5);

    play({ { 60, 100, 0 } });
    EXPECT_EQ(step(getStepParameterID(chord, 6)), 1.0f);
    EXPECT_EQ(step(getStepPitchParameterID(chord, 6)), 60.0f);
    EXPECT_EQ(step(getStepParameterID(chord, 5)), 0.0f);

    // Already sounding live, so position 6 stays silent; the next cycle plays it.
    runToPosition(23);
    EXPECT_EQ(sequencerPositionsAfter(chord, 5), (std::vector<int64_t> { 22 }));
}

TEST_F(OverwriteRecording, AChordRoundedOverThePatternEndWaitsForTheCycleAfter)
{
    setParameter(processor, "ch8SeqLength", 8.0f);
    arm(chord);
    runToPosition(7);
    run(processor, 3000, 64);

    play({ { 60, 100, 0 } }); // lands on position 8, which is step 1 of the next cycle
    EXPECT_EQ(step(getStepParameterID(chord, 0)), 1.0f);

    runToPosition(17);
    EXPECT_EQ(sequencerPositionsAfter(chord, 7), (std::vector<int64_t> { 16 }));
}

TEST_F(OverwriteRecording, AStoppedSequencerPlaysButRecordsNothing)
{
    setParameter(processor, "SequencerRun", 0.0f);
    arm(2);
    arm(chord);
    run(processor, 64, 64);

    play({ { 50, 100, 0 }, { 55, 100, 10 } });
    EXPECT_EQ(processor.channelTriggerCounts[2].load(), 2);
    EXPECT_EQ(processor.channelTriggerCounts[chord].load(), 2);
    for (const int channel : { 2, chord })
        for (int s = 0; s < kestrum::numSteps; ++s)
        {
            EXPECT_EQ(step(getStepParameterID(channel, s)), 0.0f) << channel << " " << s;
            EXPECT_EQ(step(getStepPitchParameterID(channel, s)), 36.0f + channel) << channel << " " << s;
            EXPECT_FALSE(processor.hasOverwriteBackup(channel, s));
        }
}

TEST_F(OverwriteRecording, AChordPlayedWhileStoppedDoesNotSilenceTheFirstStepAfterwards)
{
    setParameter(processor, "SequencerRun", 0.0f);
    setParameter(processor, getStepParameterID(chord, 0), 1.0f);
    arm(chord);
    run(processor, 64, 64);
    play({ { 60, 100, 0 }, { 64, 100, 5 } });
    play({ { 60, 0, 0 }, { 64, 0, 0 } });
    const auto livePlayed = processor.hitsOf(chord).size();

    setParameter(processor, "SequencerRun", 1.0f);
    run(processor, 64, 64);
    const auto hits = processor.hitsOf(chord);
    ASSERT_GT(hits.size(), livePlayed) << "the stored chord on step 1 must play when the sequencer starts";
    EXPECT_EQ(hits[livePlayed].position, 0);
}

TEST_F(OverwriteRecording, LoadingAPatternDropsTheUndoOfThePreviousOne)
{
    arm(snare);
    runToPosition(2);
    play({ { 37, 100, 0 } });
    ASSERT_TRUE(processor.hasOverwriteBackup(snare, 2));

    juce::MemoryBlock state;
    processor.getStateInformation(state);
    processor.setStateInformation(state.getData(), static_cast<int>(state.getSize()));
    for (int s = 0; s < kestrum::numSteps; ++s)
        EXPECT_FALSE(processor.hasOverwriteBackup(snare, s)) << s;
}

TEST_F(OverwriteRecording, StepSwitchedOnByHandWhileArmedStartsFromTheOwnPitch)
{
    arm(snare);
    arm(chord);
    run(processor, 64, 64);
    setParameter(processor, getStepPitchParameterID(snare, 3), 50.0f);
    setParameter(processor, getStepVelocityParameterID(snare, 3), 0.5f);
    setParameter(processor, getStepPitchParameterID(chord, 3), 50.0f);
    setParameter(processor, getStepChordCountParameterID(chord, 3), 3.0f);
    for (int k = 0; k < 3; ++k)
        setParameter(processor, getStepChordPitchParameterID(chord, 3, k), 60.0f + k);

    processor.restoreOverwriteStep(snare, 3);
    processor.restoreOverwriteStep(chord, 3);

    EXPECT_EQ(step(getStepPitchParameterID(snare, 3)), 37.0f);
    EXPECT_FLOAT_EQ(step(getStepVelocityParameterID(snare, 3)), 0.5f);
    EXPECT_EQ(step(getStepPitchParameterID(chord, 3)), 43.0f);
    EXPECT_EQ(step(getStepChordCountParameterID(chord, 3)), 1.0f);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(step(getStepChordPitchParameterID(chord, 3, k)), 43.0f);

    // A step this pass has recorded keeps what was played.
    runToPosition(2);
    play({ { 50, 100, 0 } });
    processor.restoreOverwriteStep(snare, 2);
    EXPECT_EQ(step(getStepPitchParameterID(snare, 2)), 50.0f);
    EXPECT_TRUE(processor.hasOverwriteBackup(snare, 2));
}

TEST_F(OverwriteRecording, StepSwitchedOnByHandAfterRecordingGetsItsOldValuesButStaysOn)
{
    setParameter(processor, getStepVelocityParameterID(snare, 5), 0.5f);
    setParameter(processor, getStepPitchParameterID(snare, 5), 40.0f);
    arm(snare);
    runToPosition(5);
    play({ { 50, 100, 0 } });
    arm(snare, false);
    run(processor, 64, 64);

    processor.restoreOverwriteStep(snare, 5);
    auto content = contentOf(snare, 5);
    EXPECT_EQ(content.on, 1.0f);
    EXPECT_FLOAT_EQ(content.velocity, 0.5f);
    EXPECT_EQ(content.pitch, 40.0f);
    EXPECT_FALSE(processor.hasOverwriteBackup(snare, 5));

    // Without a backup only the step's values stay as they are.
    setParameter(processor, getStepPitchParameterID(snare, 5), 45.0f);
    processor.restoreOverwriteStep(snare, 5);
    EXPECT_EQ(contentOf(snare, 5).pitch, 45.0f);

    processor.restoreOverwriteStep(snare, 16); // out of range: ignored
    processor.restoreOverwriteStep(8, 0);
}

TEST_F(OverwriteRecording, ResettingAChannelClearsItsPatternAndItsRecording)
{
    arm(chord);
    runToPosition(4);
    play({ { 60, 100, 0 }, { 64, 100, 10 } });
    setParameter(processor, getStepParameterID(chord, 9), 1.0f);
    setParameter(processor, getStepVelocityParameterID(chord, 9), 0.3f);
    setParameter(processor, getStepChordVelocityParameterID(chord, 9, 2), 0.3f);
    setParameter(processor, getStepParameterID(snare, 9), 1.0f);

    processor.resetChannelPattern(chord);
    for (int s = 0; s < kestrum::numSteps; ++s)
    {
        EXPECT_EQ(step(getStepParameterID(chord, s)), 0.0f);
        EXPECT_FLOAT_EQ(step(getStepVelocityParameterID(chord, s)), 0.86f);
        EXPECT_EQ(step(getStepPitchParameterID(chord, s)), 43.0f);
        EXPECT_EQ(step(getStepChordCountParameterID(chord, s)), 1.0f);
        for (int k = 0; k < 3; ++k)
        {
            EXPECT_EQ(step(getStepChordPitchParameterID(chord, s, k)), 43.0f);
            EXPECT_FLOAT_EQ(step(getStepChordVelocityParameterID(chord, s, k)), 0.86f);
        }
        EXPECT_FALSE(processor.hasOverwriteBackup(chord, s));
    }
    EXPECT_EQ(step(getStepParameterID(snare, 9)), 1.0f);

    // The chord in progress is forgotten: a note within 80 ms, still held, starts a new one.
    play({ { 67, 100, 0 } });
    EXPECT_EQ(step(getStepPitchParameterID(chord, 4)), 67.0f);
    EXPECT_EQ(step(getStepChordCountParameterID(chord, 4)), 1.0f);
}

TEST(OverwriteVelocities, RandomisedVelocitiesStayAtOrAboveTheFloorAndResetRestoresTheDefault)
{
    SteppedProcessor processor;
    std::set<float> seen;
    for (int round = 0; round < 20; ++round)
    {
        processor.randomizeStepVelocities(3);
        for (int s = 0; s < kestrum::numSteps; ++s)
        {
            const float v = valueOf(processor, getStepVelocityParameterID(3, s));
            EXPECT_GE(v, 0.34f);
            EXPECT_LE(v, 1.0f);
            seen.insert(v);
        }
    }
    EXPECT_GT(seen.size(), 50u);
    EXPECT_FLOAT_EQ(valueOf(processor, getStepVelocityParameterID(2, 0)), 0.86f); // other channels untouched

    processor.resetStepVelocities(3);
    for (int s = 0; s < kestrum::numSteps; ++s)
        EXPECT_FLOAT_EQ(valueOf(processor, getStepVelocityParameterID(3, s)), 0.86f);

    processor.randomizeStepVelocities(-1);
    processor.resetStepVelocities(8);
}

TEST(OverwriteAudioPath, RecordingNotesAllocatesNothing)
{
    Kestrum8AudioProcessor processor;
    restoreLayoutDefaults(processor);
    setParameter(processor, "ch8PolyMode", 0.0f);
    setParameter(processor, "ch2SeqOverwrite", 1.0f);
    setParameter(processor, "ch8SeqOverwrite", 1.0f);
    prepare(processor, 44100.0, 512);

    juce::AudioBuffer<float> buffer(2, 512);
    juce::MidiBuffer empty;
    processor.processBlock(buffer, empty);

    auto midi = midiOf({ { 60, 100, 0 }, { 55, 100, 100 }, { 64, 100, 200 }, { 60, 0, 300 } });
    AllocationCounter counter;
    processor.processBlock(buffer, midi);
    EXPECT_EQ(counter.count(), 0u);

    // The notes were written.
    EXPECT_EQ(valueOf(processor, getStepChordCountParameterID(chord, 0)), 3.0f);
    EXPECT_EQ(valueOf(processor, getStepPitchParameterID(snare, 0)), 64.0f);
}

} // namespace
