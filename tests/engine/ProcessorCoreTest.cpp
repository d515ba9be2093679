#include "support/AllocationCounter.h"
#include "support/ProcessorFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using druvex::test::FakePlayHead;
using druvex::test::makeProcessor;
using druvex::test::setParameter;

namespace
{

struct Trigger
{
    int channel;
    float velocity;
    float ratio;
};

// Records what reaches the engine's entry points while still running them.
class WatchedProcessor : public Kestrum8AudioProcessor
{
public:
    void triggerChannel(int channel, float velocity, float ratio) override
    {
        triggers.push_back({ channel, velocity, ratio });
        Kestrum8AudioProcessor::triggerChannel(channel, velocity, ratio);
    }

    void renderSamples(juce::AudioBuffer<float>& buffer, int start, int num) override
    {
        renders.emplace_back(start, num);
        Kestrum8AudioProcessor::renderSamples(buffer, start, num);
    }

    std::vector<Trigger> triggers;
    std::vector<std::pair<int, int>> renders;
};

struct ProcessorCore : ::testing::Test
{
    void SetUp() override
    {
        processor.prepareToPlay(48000.0, 512);
    }

    void run(juce::MidiBuffer midi, int numSamples = 512)
    {
        juce::AudioBuffer<float> buffer(2, numSamples);
        processor.triggers.clear();
        processor.renders.clear();
        processor.processBlock(buffer, midi);
    }

    static juce::MidiBuffer notes(std::initializer_list<std::pair<int, int>> noteAndVelocity, int position = 0)
    {
        juce::MidiBuffer midi;
        for (auto [note, velocity] : noteAndVelocity)
            midi.addEvent(juce::MidiMessage::noteOn(1, note, static_cast<juce::uint8>(velocity)), position);
        return midi;
    }

    WatchedProcessor processor;
};

TEST_F(ProcessorCore, NotesPlayTheirChannelsAtOwnPitch)
{
    struct Case
    {
        int note;
        int expectedChannel; // -1: nothing plays
    };
    const Case cases[] = { { 35, -1 }, { 36, 0 }, { 37, 1 }, { 40, 4 }, { 43, 7 }, { 44, -1 }, { 127, -1 } };

    for (const auto& c : cases)
    {
        run(notes({ { c.note, 100 } }));
        if (c.expectedChannel < 0)
        {
            EXPECT_TRUE(processor.triggers.empty()) << "note " << c.note;
            continue;
        }
        ASSERT_EQ(processor.triggers.size(), 1u) << "note " << c.note;
        EXPECT_EQ(processor.triggers[0].channel, c.expectedChannel);
        EXPECT_FLOAT_EQ(processor.triggers[0].ratio, 1.0f);
        EXPECT_FLOAT_EQ(processor.triggers[0].velocity, 100.0f / 127.0f);
    }
}

TEST_F(ProcessorCore, VelocityOneArrivesUnclampedAndVelocityZeroIsANoteOff)
{
    run(notes({ { 38, 1 } }));
    ASSERT_EQ(processor.triggers.size(), 1u);
    EXPECT_FLOAT_EQ(processor.triggers[0].velocity, 1.0f / 127.0f);

    const auto before = processor.channelTriggerCounts[2].load();
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage(0x92, 38, 0), 0);
    run(midi);
    EXPECT_TRUE(processor.triggers.empty());
    EXPECT_EQ(processor.channelTriggerCounts[2].load(), before);
}

TEST_F(ProcessorCore, ArmedChannelsPlayEveryNoteTransposedAgainstTheirRoot)
{
    setParameter(processor, "ch3SeqOverwrite", 1.0f);
    run(notes({ { 50, 100 } }));
    ASSERT_EQ(processor.triggers.size(), 1u);
    EXPECT_EQ(processor.triggers[0].channel, 2);
    EXPECT_NEAR(processor.triggers[0].ratio, 2.0f, 1e-6f);

    run(notes({ { 36, 100 } })); // the kick's note now plays channel 3 instead
    ASSERT_EQ(processor.triggers.size(), 1u);
    EXPECT_EQ(processor.triggers[0].channel, 2);
    EXPECT_NEAR(processor.triggers[0].ratio, std::pow(2.0f, -2.0f / 12.0f), 1e-6f);

    setParameter(processor, "ch2SeqOverwrite", 1.0f);
    setParameter(processor, "ch3SeqOverwrite", 0.0f);
    setParameter(processor, "ch4SeqOverwrite", 1.0f);
    run(notes({ { 120, 100 } })); // far above: the ratio is held at 8
    ASSERT_EQ(processor.triggers.size(), 2u);
    EXPECT_EQ(processor.triggers[0].channel, 1);
    EXPECT_EQ(processor.triggers[1].channel, 3);
    EXPECT_FLOAT_EQ(processor.triggers[1].ratio, 8.0f);
}

TEST_F(ProcessorCore, BlocksSplitAtEventsAndEventsPastTheEndComeLast)
{
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(1, 36, 0.5f), 100);
    midi.addEvent(juce::MidiMessage::noteOn(1, 37, 0.5f), 100);
    midi.addEvent(juce::MidiMessage::controllerEvent(1, 7, 10), 200);
    midi.addEvent(juce::MidiMessage::noteOn(1, 38, 0.5f), 10000);
    run(midi);

    const std::vector<std::pair<int, int>> expected { { 0, 100 }, { 100, 100 }, { 200, 312 }, { 512, 0 } };
    EXPECT_EQ(processor.renders, expected);
    ASSERT_EQ(processor.triggers.size(), 3u);
    EXPECT_EQ(processor.triggers[2].channel, 2);
}

TEST(ProcessorMidi, LongMessagesAreSkippedWithoutAllocating)
{
    auto processor = makeProcessor(false);
    processor->prepareToPlay(48000.0, 512);
    const juce::uint8 sysex[] = { 0xf0, 0x7e, 0x7f, 0x06, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xf7 };
    juce::MidiBuffer midi;
    midi.addEvent(sysex, static_cast<int>(sizeof(sysex)), 10);
    midi.addEvent(juce::MidiMessage::noteOn(1, 36, 1.0f), 20);
    juce::AudioBuffer<float> buffer(2, 512);
    const int before = processor->channelTriggerCounts[0].load();

    druvex::test::AllocationCounter counter;
    processor->processBlock(buffer, midi);
    EXPECT_EQ(counter.count(), 0u);
    EXPECT_EQ(processor->channelTriggerCounts[0].load(), before + 1);
}

TEST(ProcessorBuses, LayoutsAcceptedPerWrapper)
{
    struct Case
    {
        bool standalone;
        int outputs;
        int inputs;
        bool accepted;
    };
    const Case cases[] = { { true, 1, 0, true },   { true, 128, 0, true }, { true, 0, 0, false },
                           { true, 129, 0, false }, { true, 2, 2, false },  { false, 2, 0, true },
                           { false, 1, 0, false },  { false, 6, 0, false }, { false, 2, 1, false } };

    for (const auto& c : cases)
    {
        auto processor = makeProcessor(c.standalone);
        juce::AudioProcessor::BusesLayout layout;
        layout.outputBuses.add(juce::AudioChannelSet::discreteChannels(c.outputs));
        if (c.inputs > 0)
            layout.inputBuses.add(juce::AudioChannelSet::discreteChannels(c.inputs));
        EXPECT_EQ(processor->isBusesLayoutSupported(layout), c.accepted)
            << (c.standalone ? "standalone " : "plug-in ") << c.outputs << " out, " << c.inputs << " in";
    }

    EXPECT_EQ(makeProcessor(true)->getTotalNumOutputChannels(), 128);
    EXPECT_EQ(makeProcessor(false)->getTotalNumOutputChannels(), 2);
}

TEST(ProcessorTransport, HostTempoIsClampedAndOnlyUsedWhenSynced)
{
    struct Case
    {
        bool synced;
        bool hasTempo;
        double hostBpm;
        float expected;
    };
    const Case cases[] = { { true, true, 20.0, 30.0f },   { true, true, 400.0, 300.0f },
                           { true, true, 133.0, 133.0f }, { true, false, 0.0, 97.0f },
                           { false, true, 133.0, 97.0f } };

    for (const auto& c : cases)
    {
        auto processor = makeProcessor(false);
        FakePlayHead head;
        if (c.hasTempo)
            head.info.setBpm(c.hostBpm);
        head.info.setIsPlaying(true);
        processor->setPlayHead(&head);
        setParameter(*processor, "Tempo", 97.0f);
        setParameter(*processor, "SyncToDaw", c.synced ? 1.0f : 0.0f);
        processor->prepareToPlay(48000.0, 256);

        juce::AudioBuffer<float> buffer(2, 256);
        juce::MidiBuffer midi;
        processor->processBlock(buffer, midi);
        EXPECT_FLOAT_EQ(processor->currentTempo.load(), c.expected) << "host " << c.hostBpm;
        EXPECT_EQ(processor->getTransport().isPlaying, c.synced);
        processor->setPlayHead(nullptr);
    }
}

TEST(ProcessorTransport, LoopPointsCountOnlyWhenFiniteAndOrdered)
{
    struct Case
    {
        double start, end;
        bool valid;
    };
    const Case cases[] = { { 4.0, 8.0, true }, { 8.0, 4.0, false }, { 4.0, 4.0, false },
                           { 0.0, std::numeric_limits<double>::infinity(), false } };
    for (const auto& c : cases)
    {
        auto processor = makeProcessor(false);
        FakePlayHead head;
        head.info.setIsLooping(true);
        head.info.setLoopPoints(juce::AudioPlayHead::LoopPoints { c.start, c.end });
        head.info.setPpqPosition(2.0);
        processor->setPlayHead(&head);
        setParameter(*processor, "SyncToDaw", 1.0f);
        processor->prepareToPlay(44100.0, 64);
        juce::AudioBuffer<float> buffer(2, 64);
        juce::MidiBuffer midi;
        processor->processBlock(buffer, midi);
        EXPECT_EQ(processor->getTransport().loopValid, c.valid) << c.start << ":" << c.end;
        EXPECT_TRUE(processor->getTransport().ppqValid);
        processor->setPlayHead(nullptr);
    }
}

// A device that reports eight outputs with a chosen set active.
class FakeDevice : public juce::AudioIODevice
{
public:
    explicit FakeDevice(juce::BigInteger activeOutputs) : juce::AudioIODevice("fake", "fake"), active(activeOutputs) {}
    juce::StringArray getOutputChannelNames() override { return { "1", "2", "3", "4", "5", "6", "7", "8" }; }
    juce::StringArray getInputChannelNames() override { return {}; }
    juce::Array<double> getAvailableSampleRates() override { return { 48000.0 }; }
    juce::Array<int> getAvailableBufferSizes() override { return { 512 }; }
    int getDefaultBufferSize() override { return 512; }
    juce::String open(const juce::BigInteger&, const juce::BigInteger&, double, int) override { return {}; }
    void close() override {}
    bool isOpen() override { return true; }
    void start(juce::AudioIODeviceCallback*) override {}
    void stop() override {}
    bool isPlaying() override { return true; }
    juce::String getLastError() override { return {}; }
    int getCurrentBufferSizeSamples() override { return 512; }
    double getCurrentSampleRate() override { return 48000.0; }
    int getCurrentBitDepth() override { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return active; }
    juce::BigInteger getActiveInputChannels() const override { return {}; }
    int getOutputLatencyInSamples() override { return 0; }
    int getInputLatencyInSamples() override { return 0; }

private:
    juce::BigInteger active;
};

TEST(ProcessorOutputMap, ActiveOutputsAreNumberedInOrderAndTheRestAreMissing)
{
    auto processor = makeProcessor(true);
    for (const auto& entry : processor->outputChannelMap)
        EXPECT_EQ(entry.load(), 0); // before the shell builds the map everything lands on channel 0

    juce::BigInteger active;
    for (int bit : { 0, 1, 4, 5 })
        active.setBit(bit);
    FakeDevice device(active);
    processor->rebuildOutputChannelMap(&device);

    const int expected[] = { 0, 1, -1, -1, 2, 3, -1, -1, -1, -1 };
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(processor->outputChannelMap[static_cast<size_t>(i)].load(), expected[i]) << "output " << i;
    EXPECT_EQ(processor->outputChannelMap[127].load(), -1);

    processor->rebuildOutputChannelMap(nullptr); // no device: the map stays as it was
    EXPECT_EQ(processor->outputChannelMap[4].load(), 2);
}

TEST(ProcessorHandles, EachChannelResolvesTheFieldsItsVoiceCanRead)
{
    // Fields of the per-sample record that each channel has a parameter for; the others keep
    // the record's defaults.
    const int expected[] = { 44, 18, 9, 18, 45, 23, 36, 23 };
    auto processor = makeProcessor(false);
    for (int c = 0; c < kestrum::numChannels; ++c)
        EXPECT_EQ(processor->getChannelHandles(c).countResolved(), expected[c]) << "channel " << c;
}

TEST(ProcessorHostFacing, FixedAnswers)
{
    auto processor = makeProcessor(false);
    EXPECT_EQ(processor->getName(), "DRUVEX");
    EXPECT_DOUBLE_EQ(processor->getTailLengthSeconds(), 60.0);
    EXPECT_EQ(processor->getNumPrograms(), 1);
    EXPECT_EQ(processor->getCurrentProgram(), 0);
    EXPECT_TRUE(processor->getProgramName(0).isEmpty());
    EXPECT_TRUE(processor->acceptsMidi());
    EXPECT_FALSE(processor->producesMidi());
}

TEST(ProcessorHostFacing, MidiNeverReachesTheHost)
{
    auto processor = makeProcessor(false);
    processor->prepareToPlay(48000.0, 128);
    juce::AudioBuffer<float> buffer(2, 128);
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(1, 36, 1.0f), 3);
    processor->processBlock(buffer, midi);
    EXPECT_TRUE(midi.isEmpty());
}

} // namespace
