#include "support/ProcessorFixture.h"

#include <gtest/gtest.h>

using druvex::test::makeProcessor;
using druvex::test::setParameter;

namespace
{

// A device with `count` outputs, all active (or only the first two when `twoOnly`).
void mapOutputs(Kestrum8AudioProcessor& processor, int count)
{
    for (int i = 0; i < kestrum::maxOutputChannels; ++i)
        processor.outputChannelMap[static_cast<size_t>(i)].store(i < count ? i : -1);
}

// Renders `blocks` blocks after a note on the given MIDI note; returns the peak per buffer channel.
std::vector<float> peaksAfterNote(Kestrum8AudioProcessor& processor, int note, int numChannels, int blocks = 20)
{
    std::vector<float> peaks(static_cast<size_t>(numChannels), 0.0f);
    for (int b = 0; b < blocks; ++b)
    {
        juce::AudioBuffer<float> buffer(numChannels, 512);
        juce::MidiBuffer midi;
        if (b == 0)
            midi.addEvent(juce::MidiMessage::noteOn(1, note, 1.0f), 0);
        processor.processBlock(buffer, midi);
        for (int c = 0; c < numChannels; ++c)
            peaks[static_cast<size_t>(c)] = std::max(peaks[static_cast<size_t>(c)], buffer.getMagnitude(c, 0, 512));
    }
    return peaks;
}

std::unique_ptr<Kestrum8AudioProcessor> quietStandalone()
{
    auto processor = makeProcessor(true);
    setParameter(*processor, "SequencerRun", 0.0f);
    setParameter(*processor, "DelayWet", 0.0f);
    return processor;
}

TEST(MixerRouting, DirectOutputsReceiveTheModuleInsteadOfTheMaster)
{
    struct Case
    {
        float route;
        int deviceOutputs;
        std::vector<int> expectedChannels; // buffer channels that carry the snare
        bool onMaster;
    };
    const Case cases[] = {
        { 0.0f, 8, {}, true },          // master
        { 1.0f, 8, { 2 }, false },      // OUT 3 MONO
        { 127.0f, 8, { 2, 3 }, false }, // OUT 3-4 STEREO, equal level
        { 1.0f, 2, {}, true },          // a two-channel device has no output 3: back to the master
        { 127.0f, 2, {}, true },
    };

    for (const auto& c : cases)
    {
        auto processor = quietStandalone();
        setParameter(*processor, "ch2OutputRoute", c.route);
        mapOutputs(*processor, c.deviceOutputs);
        processor->prepareToPlay(48000.0, 512);
        const auto peaks = peaksAfterNote(*processor, 37, 8);

        EXPECT_EQ(peaks[0] > 0.01f, c.onMaster) << "route " << c.route;
        EXPECT_FLOAT_EQ(peaks[0], peaks[1]);
        for (int ch = 2; ch < 8; ++ch)
        {
            const bool expected = std::find(c.expectedChannels.begin(), c.expectedChannels.end(), ch)
                                  != c.expectedChannels.end();
            EXPECT_EQ(peaks[static_cast<size_t>(ch)] > 0.01f, expected) << "route " << c.route << " channel " << ch;
        }
        if (c.expectedChannels.size() == 2)
            EXPECT_FLOAT_EQ(peaks[2], peaks[3]);
    }
}

TEST(MixerRouting, PlugInUsesBufferChannelsDirectly)
{
    auto processor = makeProcessor(false);
    setParameter(*processor, "SequencerRun", 0.0f);
    setParameter(*processor, "ch2OutputRoute", 1.0f); // output 3 does not exist in a stereo plug-in
    processor->prepareToPlay(48000.0, 512);
    const auto peaks = peaksAfterNote(*processor, 37, 2);
    EXPECT_GT(peaks[0], 0.01f);
    EXPECT_FLOAT_EQ(peaks[0], peaks[1]);
}

TEST(MixerMaster, OutputNeverExceedsTheClipAndTheMeterIsPublished)
{
    auto processor = makeProcessor(false);
    setParameter(*processor, "SequencerRun", 0.0f);
    setParameter(*processor, "Glue", 1.0f);
    setParameter(*processor, "GluePush", 10.0f);
    for (int c = 1; c <= 8; ++c)
        setParameter(*processor, "ch" + juce::String(c) + "Volume", 1.0f);
    processor->prepareToPlay(48000.0, 256);

    float peak = 0.0f;
    for (int b = 0; b < 40; ++b)
    {
        juce::AudioBuffer<float> buffer(2, 256);
        juce::MidiBuffer midi;
        if (b % 4 == 0)
            for (int note = 36; note <= 43; ++note)
                midi.addEvent(juce::MidiMessage::noteOn(1, note, 1.0f), 0);
        processor->processBlock(buffer, midi);
        peak = std::max(peak, buffer.getMagnitude(0, 256));
    }
    EXPECT_LE(peak, 0.98f);
    EXPECT_GT(processor->gainReductionMeter.load(), 0.005f);
}

TEST(MixerKick, AlternativeModelsBypassTheModuleEqualiser)
{
    // The alternative models run the match equaliser inside the voice; the mixer must not run
    // the module equaliser on top, so its crossfade never leaves dry.
    for (const bool altModel : { false, true })
    {
        auto processor = makeProcessor(false);
        setParameter(*processor, "SequencerRun", 0.0f);
        setParameter(*processor, "ch1Kik9AltModel", altModel ? 1.0f : 0.0f);
        setParameter(*processor, "ch1Kik9MatchEqEnabled", 1.0f);
        processor->prepareToPlay(48000.0, 512);
        peaksAfterNote(*processor, 36, 2, 4);
        EXPECT_FLOAT_EQ(processor->getModuleEq(0).getMix().getCurrentValue(), altModel ? 0.0f : 1.0f)
            << (altModel ? "alternative model" : "main model");
    }
}

TEST(MixerKick, TheLegacyFourthMatchBandChangesNothing)
{
    auto render = [](bool fourthBandOn) {
        auto processor = makeProcessor(false);
        setParameter(*processor, "SequencerRun", 0.0f);
        setParameter(*processor, "ch1Kik9MatchEqEnabled", 1.0f);
        setParameter(*processor, "ch1Kik9MatchEqBand4Enabled", fourthBandOn ? 1.0f : 0.0f);
        setParameter(*processor, "ch1Kik9MatchEqGain4", fourthBandOn ? 18.0f : 0.0f);
        setParameter(*processor, "ch1Kik9MatchEqFrequency4", 3000.0f);
        processor->prepareToPlay(48000.0, 512);
        std::vector<float> out;
        for (int b = 0; b < 8; ++b)
        {
            juce::AudioBuffer<float> buffer(2, 512);
            juce::MidiBuffer midi;
            if (b == 0)
                midi.addEvent(juce::MidiMessage::noteOn(1, 36, 1.0f), 0);
            processor->processBlock(buffer, midi);
            out.insert(out.end(), buffer.getReadPointer(0), buffer.getReadPointer(0) + 512);
        }
        return out;
    };
    const auto off = render(false);
    EXPECT_GT(*std::max_element(off.begin(), off.end()), 0.01f);
    EXPECT_EQ(render(true), off);
}

TEST(MixerRobustness, NonFiniteAutomationNeverReachesTheOutput)
{
    auto processor = makeProcessor(false);
    for (const char* id : { "ch1Step01", "ch2Step01", "ch8Step01", "ch6Step03", "SequencerRun", "DelayWet" })
        setParameter(*processor, id, 1.0f);
    setParameter(*processor, "ch2FxSend", 1.0f);
    processor->prepareToPlay(48000.0, 256);

    // JUCE lets a NaN from a host through to the stored values.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const char* id : { "Tempo", "DelayFeedback", "DelayTime", "GluePush", "ch3SeqLength", "ch2Step01Velocity",
                            "ch8Step01Pitch", "ch8Step01ChordCount", "ch2ModuleGs3EqFrequency", "ch2Tune",
                            "ch2Volume", "ch7Sh101Octave", "ch2OutputRoute" })
        processor->parameters.getParameter(id)->setValueNotifyingHost(nan);

    for (int b = 0; b < 200; ++b)
    {
        juce::AudioBuffer<float> buffer(2, 256);
        juce::MidiBuffer midi;
        processor->processBlock(buffer, midi);
        for (int i = 0; i < 256; ++i)
            ASSERT_TRUE(std::isfinite(buffer.getSample(0, i))) << "block " << b << " sample " << i;
    }
    EXPECT_GE(processor->currentSequencerPosition.load(), 8); // 1.07 s at the fallback 120 BPM: it kept running
}

TEST(MixerAnalyser, EachModuleOutputReachesItsFifo)
{
    auto processor = makeProcessor(false);
    setParameter(*processor, "SequencerRun", 0.0f);
    processor->prepareToPlay(48000.0, 512);
    peaksAfterNote(*processor, 38, 2, 2);

    auto& rim = *processor->moduleEqAnalyserBuffers[2];
    EXPECT_EQ(rim.fifo.getNumReady(), 1024);
    float peak = 0.0f;
    for (int i = 0; i < 1024; ++i)
        peak = std::max(peak, std::abs(rim.ringSamples[static_cast<size_t>(i)]));
    EXPECT_GT(peak, 0.01f);
}

} // namespace
