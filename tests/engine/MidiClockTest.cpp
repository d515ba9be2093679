#include "support/AllocationCounter.h"
#include "support/ProcessorFixture.h"
#include "support/RecordingMidiClockDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using druvex::test::FakePlayHead;
using druvex::test::makeProcessor;
using druvex::test::MidiClockDeviceLog;
using druvex::test::RecordingMidiClockDevices;
using druvex::test::setParameter;

namespace
{

constexpr std::uint8_t clockByte = 0xF8, startByte = 0xFA, stopByte = 0xFC;
constexpr double sampleRate = 48000.0;

// Hand-over times come from this clock, which advances exactly one block per block, so every due
// time is known to the sample.
double fakeNowMs = 0.0;
double fakeClock()
{
    return fakeNowMs;
}

double samplesToMs(double samples)
{
    return samples * 1000.0 / sampleRate;
}

struct MidiClockTest : ::testing::Test
{
    void SetUp() override { makeFresh(512); }

    void makeFresh(int blockSize, bool standalone = true)
    {
        processor = makeProcessor(standalone);
        processor->setMidiClockTimeSource(&fakeClock);
        processor->getMidiClockOutputs().setDeviceOpener(devices.opener());
        processor->setRateAndBufferSizeDetails(sampleRate, blockSize);
        processor->prepareToPlay(sampleRate, blockSize);
        setParameter(*processor, "SyncToDaw", 0.0f);
        setParameter(*processor, "SequencerRun", 1.0f);
        setTempoExactly(120.0f);
        fakeNowMs = 10000.0;
        blockStarts.clear();
    }

    // Set through the parameter, 120 comes back as 119.99999; the tests need whole tick lengths.
    void setTempoExactly(float tempo) { processor->parameters.getRawParameterValue("Tempo")->store(tempo); }

    void openOutput(const juce::String& id, bool clock = true)
    {
        auto& outputs = processor->getMidiClockOutputs();
        outputs.setClockSelected(id, clock);
        outputs.setOutputEnabled(id, true);
    }

    void run(int numSamples = 512)
    {
        blockStarts.push_back(fakeNowMs);
        juce::AudioBuffer<float> buffer(2, numSamples);
        juce::MidiBuffer midi;
        processor->processBlock(buffer, midi);
        EXPECT_TRUE(midi.isEmpty()) << "the host never receives clock messages";
        fakeNowMs += samplesToMs(numSamples);
    }

    // A real device paces blocks in real time; here they come as fast as the machine allows, so
    // let the sender catch up now and then rather than overrun the queue on a busy machine.
    void runBlocks(int count, int numSamples = 512)
    {
        for (int i = 0; i < count; ++i)
        {
            run(numSamples);
            if (i % 64 == 63)
                ASSERT_TRUE(processor->waitForMidiClockDelivery(5000));
        }
    }

    MidiClockDeviceLog delivered(const juce::String& id)
    {
        EXPECT_TRUE(processor->waitForMidiClockDelivery(5000));
        return devices.log(id);
    }

    // Due time of tick k of a clock started at the first block, with no delay.
    double nominalDue(int64_t k, double samplesPerTick) const
    {
        return blockStarts.front() + samplesToMs(static_cast<double>(k) * samplesPerTick);
    }

    RecordingMidiClockDevices devices; // outlives the processor, which holds its opener
    std::unique_ptr<Kestrum8AudioProcessor> processor;
    std::vector<double> blockStarts;
};

TEST_F(MidiClockTest, FirstBlocksCarryTheirTicksAtNominalOffsets)
{
    openOutput("A");
    run();

    auto log = delivered("A");
    ASSERT_EQ(log.messages.size(), 4u);
    const std::uint8_t statuses[] = { startByte, clockByte, clockByte, clockByte };
    const int offsets[] = { 0, 0, 1000, 2000 };
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(log.messages[i].status, statuses[i]);
        EXPECT_EQ(log.messages[i].sampleOffset, offsets[i]);
        EXPECT_DOUBLE_EQ(log.messages[i].blockTimeMs, blockStarts[0]) << "the starting block is based at 0 ms";
    }
    const auto& state = processor->getMidiClockState();
    EXPECT_DOUBLE_EQ(state.clockPhase, 488.0);
    EXPECT_EQ(state.clockTickCount, 1);
    EXPECT_EQ(state.barStartMarker, 0);
    EXPECT_TRUE(processor->midiClockRunning.load());

    run();
    log = delivered("A");
    ASSERT_EQ(log.messages.size(), 5u);
    EXPECT_EQ(log.messages[4].status, clockByte);
    EXPECT_EQ(log.messages[4].sampleOffset, 88);
    EXPECT_DOUBLE_EQ(log.messages[4].blockTimeMs, blockStarts[1] + 50.0);
    EXPECT_NEAR(log.messages[4].dueMs, nominalDue(3, 1000.0), 1e-6);
    EXPECT_EQ(processor->getMidiClockState().barStartMarker, -1);
}

TEST_F(MidiClockTest, EveryTickIsDeliveredOnceInOrderAtItsNominalTime)
{
    struct Case
    {
        float tempo;
        int blockSize;
    };
    // Whole and fractional tick lengths, block sizes that do and do not divide them.
    const Case cases[] = { { 120.0f, 512 }, { 123.4f, 512 }, { 300.0f, 441 }, { 30.0f, 1024 }, { 97.0f, 64 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "tempo " << c.tempo << ", block " << c.blockSize);
        makeFresh(c.blockSize);
        setTempoExactly(c.tempo);
        const juce::String id = "out" + juce::String(c.tempo) + "-" + juce::String(c.blockSize);
        openOutput(id);

        const int numBlocks = static_cast<int>(3.0 * sampleRate / c.blockSize);
        runBlocks(numBlocks, c.blockSize);
        const auto log = delivered(id);

        ASSERT_FALSE(log.messages.empty());
        EXPECT_EQ(log.messages.front().status, startByte);
        EXPECT_EQ(log.withStatus(startByte).size(), 1u);
        EXPECT_TRUE(log.withStatus(stopByte).empty());

        const double tick = sampleRate * 60.0 / (24.0 * static_cast<double>(c.tempo));
        const auto clocks = log.withStatus(clockByte);
        const double horizon = static_cast<double>(numBlocks) * c.blockSize + 2400.0;
        EXPECT_EQ(static_cast<double>(clocks.size()), std::ceil(horizon / tick));

        const double halfSampleMs = samplesToMs(0.5) + 1e-6;
        for (size_t k = 0; k < clocks.size(); ++k)
        {
            ASSERT_NEAR(clocks[k].dueMs, nominalDue(static_cast<int64_t>(k), tick), halfSampleMs) << "tick " << k;
            if (k > 0)
                ASSERT_GT(clocks[k].dueMs, clocks[k - 1].dueMs);
        }
    }
}

TEST_F(MidiClockTest, TicksAreSpacedByExactlyOneTickAtWholeTickLengths)
{
    // Host tempo, clamped to 30 to 300 beats per minute, sets the tick length.
    struct Case
    {
        double hostTempo;
        double samplesPerTick;
    };
    const Case cases[] = { { 20.0, 4000.0 }, { 30.0, 4000.0 }, { 200.0, 600.0 }, { 400.0, 400.0 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "host tempo " << c.hostTempo);
        makeFresh(512);
        FakePlayHead head;
        head.info.setBpm(c.hostTempo);
        head.info.setPpqPosition(0.0);
        head.info.setIsPlaying(true);
        processor->setPlayHead(&head);
        setParameter(*processor, "SyncToDaw", 1.0f);
        const juce::String id = "host" + juce::String(c.hostTempo);
        openOutput(id);

        runBlocks(200);
        const auto clocks = delivered(id).withStatus(clockByte);
        ASSERT_GE(clocks.size(), 10u);
        for (size_t k = 0; k < clocks.size(); ++k)
            ASSERT_NEAR(clocks[k].dueMs, nominalDue(static_cast<int64_t>(k), c.samplesPerTick), 1e-6) << "tick " << k;
        processor->setPlayHead(nullptr);
    }
}

TEST_F(MidiClockTest, StoppingSendsOneStopAndRestartingCountsFromZero)
{
    openOutput("A");
    runBlocks(5);

    setParameter(*processor, "SequencerRun", 0.0f);
    run();
    const double stopBlockStart = blockStarts.back();
    runBlocks(5);

    auto log = delivered("A");
    const auto stops = log.withStatus(stopByte);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(stops[0].sampleOffset, -2400);
    EXPECT_DOUBLE_EQ(stops[0].blockTimeMs, stopBlockStart + 50.0);
    EXPECT_NEAR(stops[0].dueMs, stopBlockStart, 1e-6) << "due at the start of the block that stopped";
    EXPECT_EQ(log.messages.back().status, stopByte) << "nothing after the Stop while stopped";
    EXPECT_FALSE(processor->midiClockRunning.load());

    const size_t before = log.messages.size();
    setParameter(*processor, "SequencerRun", 1.0f);
    run();
    log = delivered("A");
    ASSERT_EQ(log.messages.size(), before + 4);
    EXPECT_EQ(log.messages[before].status, startByte);
    EXPECT_DOUBLE_EQ(log.messages[before].blockTimeMs, blockStarts.back());
    EXPECT_EQ(log.messages[before + 1].sampleOffset, 0);
    EXPECT_EQ(processor->getMidiClockState().clockTickCount, 1);
    EXPECT_EQ(processor->getMidiClockState().barStartMarker, 0) << "the new count starts on a bar";
}

TEST_F(MidiClockTest, HostSyncWithoutAPlayingPositionSendsNothing)
{
    struct Case
    {
        const char* name;
        bool hasPlayHead, hasPosition, playing, hasPpq;
        bool runs;
    };
    const Case cases[] = {
        { "no play head", false, false, false, false, false },
        { "no position", true, false, false, false, false },
        { "stopped", true, true, false, true, false },
        { "playing without a position in beats", true, true, true, false, false },
        { "playing", true, true, true, true, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        makeFresh(512);
        FakePlayHead head;
        head.hasPosition = c.hasPosition;
        head.info.setIsPlaying(c.playing);
        if (c.hasPpq)
            head.info.setPpqPosition(4.0);
        processor->setPlayHead(c.hasPlayHead ? &head : nullptr);
        setParameter(*processor, "SyncToDaw", 1.0f);
        const juce::String id = juce::String("sync ") + c.name;
        openOutput(id);

        runBlocks(10);
        EXPECT_EQ(processor->midiClockRunning.load(), c.runs);
        EXPECT_EQ(delivered(id).messages.empty(), !c.runs);
        processor->setPlayHead(nullptr);
    }
}

// Applied delay of every delivered tick: its due time minus its nominal time (tempo 120).
std::vector<double> tickDelays(const MidiClockDeviceLog& log, double firstBlockStart)
{
    std::vector<double> delays;
    int64_t k = 0;
    for (const auto& m : log.messages)
        if (m.status == clockByte)
            delays.push_back(m.dueMs - (firstBlockStart + samplesToMs(1000.0 * static_cast<double>(k++))));
    return delays;
}

TEST_F(MidiClockTest, NegativeDelayMovesEveryMessageEarlierOnceReached)
{
    processor->setMidiClockDelayMs(-50.0f);
    openOutput("A");
    runBlocks(400);

    const auto delays = tickDelays(delivered("A"), blockStarts.front());
    ASSERT_GT(delays.size(), 100u);
    // The applied delay glides from 0 by at most 4.8 ms per block that sends something, so it
    // reaches -50 ms within 11 such blocks (the first carries three ticks, later ones about one);
    // from there every tick is exactly 50 ms early.
    for (size_t k = 0; k < delays.size(); ++k)
        ASSERT_LE(delays[k], 0.0);
    for (size_t k = 14; k < delays.size(); ++k)
        ASSERT_NEAR(delays[k], -50.0, 1e-6) << "tick " << k;
}

TEST_F(MidiClockTest, DelayChangesGlideByAtMostFortyFivePercentOfABlock)
{
    openOutput("A");
    runBlocks(20);
    processor->setMidiClockDelayMs(50.0f);
    runBlocks(60);
    // Below half a millisecond the setting counts as 0; the way back glides as well.
    processor->setMidiClockDelayMs(0.3f);
    runBlocks(60);

    const double step = 512.0 * 1000.0 / sampleRate * 0.45; // 4.8 ms
    const auto delays = tickDelays(delivered("A"), blockStarts.front());
    ASSERT_GT(delays.size(), 60u);

    double largestStep = 0.0, peak = 0.0;
    for (size_t k = 1; k < delays.size(); ++k)
    {
        largestStep = std::max(largestStep, std::abs(delays[k] - delays[k - 1]));
        peak = std::max(peak, delays[k]);
    }
    EXPECT_NEAR(largestStep, step, 1e-6);
    EXPECT_NEAR(peak, 50.0, 1e-6);
    EXPECT_NEAR(delays.front(), 0.0, 1e-6);
    EXPECT_NEAR(delays.back(), 0.0, 1e-6);
}

TEST_F(MidiClockTest, DelaySettingIsWholeMillisecondsWithinFifty)
{
    const std::pair<float, float> cases[] = { { 0.3f, 0.0f },   { 7.0f, 7.0f },     { 72.6f, 50.0f },
                                              { -12.5f, -13.0f }, { -80.0f, -50.0f }, { NAN, 0.0f } };
    for (auto [setting, stored] : cases)
    {
        processor->setMidiClockDelayMs(setting);
        EXPECT_EQ(processor->getMidiClockDelayMs(), stored) << setting;
    }
}

TEST_F(MidiClockTest, ReleasingTheDeviceStopsEnabledOutputsAtOnce)
{
    openOutput("A");
    openOutput("B");
    openOutput("noClock", false);
    runBlocks(8);
    ASSERT_TRUE(processor->waitForMidiClockDelivery(5000));

    processor->releaseResources();

    for (const juce::String id : { "A", "B" })
    {
        const auto log = devices.log(id);
        ASSERT_GE(log.actions.size(), 2u);
        EXPECT_EQ(log.actions[log.actions.size() - 2], MidiClockDeviceLog::Action::clearPending) << id;
        EXPECT_EQ(log.actions.back(), MidiClockDeviceLog::Action::sendNow) << id;
        EXPECT_EQ(log.messages.back().status, stopByte) << id;
        EXPECT_EQ(log.messages.back().dueMs, -1.0) << "sent immediately";
    }
    const auto idle = devices.log("noClock");
    EXPECT_TRUE(idle.messages.empty());
    EXPECT_EQ(idle.count(MidiClockDeviceLog::Action::clearPending), 0);

    const auto& state = processor->getMidiClockState();
    EXPECT_FALSE(processor->midiClockRunning.load());
    EXPECT_FALSE(state.midiClockStarted);
    EXPECT_EQ(state.clockPhase, 0.0);
    EXPECT_EQ(state.clockTickCount, 0);
    EXPECT_EQ(state.barStartMarker, -1);

    // Released again while stopped: nothing more is sent.
    processor->releaseResources();
    EXPECT_EQ(devices.log("A").withStatus(stopByte).size(), 1u);

    // Prepared again, the clock starts afresh.
    processor->prepareToPlay(sampleRate, 512);
    run();
    const auto log = delivered("A");
    EXPECT_EQ(log.withStatus(startByte).size(), 2u);
    EXPECT_EQ(log.messages[log.messages.size() - 4].status, startByte);
}

TEST_F(MidiClockTest, OutputSelectedWhileRunningJoinsAtTheNextBarStart)
{
    openOutput("A");
    runBlocks(10);
    // Selected once the first bar start has gone out; otherwise it would join there.
    ASSERT_TRUE(processor->waitForMidiClockDelivery(5000));
    openOutput("late");
    auto& outputs = processor->getMidiClockOutputs();
    EXPECT_TRUE(outputs.getStatus("late").clockStartPending);
    EXPECT_FALSE(outputs.getStatus("late").clockEnabled);
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 2);

    runBlocks(100); // about 1.1 s: no bar start yet (the next is tick 96, at 2 s)
    EXPECT_TRUE(delivered("late").messages.empty());

    runBlocks(200);
    const auto everyTick = delivered("A").withStatus(clockByte);
    const auto joined = delivered("late").messages;
    ASSERT_GT(joined.size(), 10u);
    EXPECT_EQ(joined[0].status, startByte);
    ASSERT_GT(everyTick.size(), 96u + joined.size() - 2);
    EXPECT_DOUBLE_EQ(joined[0].dueMs, everyTick[96].dueMs) << "the Start falls on the bar start";
    for (size_t i = 1; i < joined.size(); ++i)
    {
        ASSERT_EQ(joined[i].status, clockByte);
        ASSERT_DOUBLE_EQ(joined[i].dueMs, everyTick[95 + i].dueMs) << "every tick from the bar start on";
    }
    EXPECT_TRUE(outputs.getStatus("late").clockEnabled);
    EXPECT_FALSE(outputs.getStatus("late").clockStartPending);
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 2);
}

TEST_F(MidiClockTest, ChangingTheClockSelectionOfAnOpenOutputFollowsTheRuleAtOpening)
{
    auto& outputs = processor->getMidiClockOutputs();
    openOutput("A", false);
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 0);

    outputs.setClockSelected("A", true); // stopped: enabled at once
    EXPECT_TRUE(outputs.getStatus("A").clockEnabled);
    outputs.setClockSelected("A", false);
    EXPECT_FALSE(outputs.getStatus("A").clockEnabled);
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 0);

    runBlocks(3);
    outputs.setClockSelected("A", true); // running: waits for a bar start
    EXPECT_TRUE(outputs.getStatus("A").clockStartPending);
    EXPECT_FALSE(outputs.getStatus("A").clockEnabled);
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 1);

    outputs.setClockSelected("A", false);
    EXPECT_FALSE(outputs.getStatus("A").clockStartPending);
    EXPECT_EQ(outputs.getActiveClockOutputCount(), 0);
    EXPECT_EQ(outputs.getMidiClockOutputIdentifiers(), juce::StringArray());
}

TEST_F(MidiClockTest, WaitingOutputStartsWithTheNextStartWhenTheClockStopsFirst)
{
    runBlocks(3);
    ASSERT_TRUE(processor->waitForMidiClockDelivery(5000)); // else it would join at the Start
    openOutput("late");
    runBlocks(10);
    setParameter(*processor, "SequencerRun", 0.0f);
    runBlocks(3);
    ASSERT_TRUE(processor->waitForMidiClockDelivery(5000));
    EXPECT_TRUE(devices.log("late").messages.empty()) << "it never started, so it gets no Stop";
    EXPECT_TRUE(processor->getMidiClockOutputs().getStatus("late").clockEnabled);

    setParameter(*processor, "SequencerRun", 1.0f);
    run();
    const auto log = delivered("late");
    ASSERT_EQ(log.messages.size(), 4u);
    EXPECT_EQ(log.messages[0].status, startByte);
}

TEST_F(MidiClockTest, LongBlockLosesNoTick)
{
    const int twoSeconds = 96000;
    makeFresh(twoSeconds);
    setTempoExactly(300.0f); // a tick every 400 samples
    openOutput("A");
    runBlocks(3, twoSeconds);

    const auto log = delivered("A");
    const auto clocks = log.withStatus(clockByte);
    ASSERT_EQ(clocks.size(), static_cast<size_t>((3 * twoSeconds + 2400) / 400));
    for (size_t k = 0; k < clocks.size(); ++k)
        ASSERT_NEAR(clocks[k].dueMs, nominalDue(static_cast<int64_t>(k), 400.0), 1e-6) << "tick " << k;

    // A batch holds at most 64 messages, so the first block (a Start and 246 ticks) takes four.
    std::map<int, int> perCall;
    for (const auto& m : log.messages)
        ++perCall[m.call];
    for (const auto& [call, count] : perCall)
        EXPECT_LE(count, 64) << "call " << call;
    EXPECT_EQ(perCall.size(), 12u);
}

TEST_F(MidiClockTest, OutputWaitingDuringALongBlockJoinsAtItsBarStart)
{
    const int twoSeconds = 96000;
    makeFresh(twoSeconds);
    setTempoExactly(300.0f);
    openOutput("A");
    run(twoSeconds); // ticks 0 to 245
    ASSERT_TRUE(processor->waitForMidiClockDelivery(5000)); // else it would join at tick 192
    openOutput("late");
    run(twoSeconds); // ticks 246 to 485: bar starts at 288, 384 and 480

    const auto everyTick = delivered("A").withStatus(clockByte);
    const auto joined = delivered("late").messages;
    ASSERT_FALSE(joined.empty());
    EXPECT_EQ(joined[0].status, startByte);
    EXPECT_DOUBLE_EQ(joined[0].dueMs, everyTick[288].dueMs);
    ASSERT_EQ(joined.size(), 1 + everyTick.size() - 288);
    for (size_t i = 1; i < joined.size(); ++i)
        ASSERT_DOUBLE_EQ(joined[i].dueMs, everyTick[287 + i].dueMs);
}

TEST_F(MidiClockTest, AudioThreadDoesNotAllocate)
{
    openOutput("A");
    openOutput("B");
    run();
    juce::AudioBuffer<float> buffer(2, 512);
    juce::MidiBuffer midi;

    druvex::test::AllocationCounter counter;
    for (int i = 0; i < 300; ++i) // crosses a bar start
        processor->processBlock(buffer, midi);
    EXPECT_EQ(counter.count(), 0u);

    setParameter(*processor, "SequencerRun", 0.0f);
    counter.restart();
    processor->processBlock(buffer, midi); // Stop
    EXPECT_EQ(counter.count(), 0u);

    setParameter(*processor, "SequencerRun", 1.0f);
    counter.restart();
    processor->processBlock(buffer, midi); // Start
    EXPECT_EQ(counter.count(), 0u);
}

TEST_F(MidiClockTest, PluginSendsNoClock)
{
    makeFresh(512, false);
    openOutput("A");
    juce::AudioBuffer<float> buffer(2, 512);
    for (int i = 0; i < 20; ++i)
    {
        juce::MidiBuffer midi;
        midi.addEvent(juce::MidiMessage::noteOn(1, 36, static_cast<juce::uint8>(100)), 3);
        processor->processBlock(buffer, midi);
        EXPECT_TRUE(midi.isEmpty());
    }
    EXPECT_FALSE(processor->waitForMidiClockDelivery(10)) << "no sender outside the application";
    EXPECT_TRUE(devices.log("A").messages.empty());
}

TEST_F(MidiClockTest, DestructionStopsTheSenderBeforeClosingTheOutputs)
{
    openOutput("A");
    openOutput("B", false);
    runBlocks(50);
    processor.reset();

    for (const juce::String id : { "A", "B" })
    {
        const auto log = devices.log(id);
        EXPECT_FALSE(log.threadRunning) << id;
        EXPECT_FALSE(log.sentWhileStopped) << id;
        ASSERT_GE(log.actions.size(), 2u);
        EXPECT_EQ(log.actions[log.actions.size() - 2], MidiClockDeviceLog::Action::clearPending) << id;
        EXPECT_EQ(log.actions.back(), MidiClockDeviceLog::Action::stopThread) << id;
    }
}

} // namespace
