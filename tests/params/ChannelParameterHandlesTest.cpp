#include "LayoutProcessor.h"
#include "params/ChannelParameterHandles.h"
#include "params/ParameterIDs.h"

#include <gtest/gtest.h>

#include <functional>

namespace kestrum
{
namespace
{

using druvex::test::LayoutProcessor;

TEST(SnapshotHandles, EachChannelResolvesExactlyTheFieldsItHas)
{
    LayoutProcessor processor;

    // kick: its 43 fields + volume; snare and closed hat: the drum, hat-drive and snare-processing
    // fields; rim: its 8 + volume; open hat: drum + all hat fields + processing; general drum and
    // chord: drum + processing + their own mode + amp envelope; bass: drum + processing + the 18
    // synthesiser fields.
    const int expected[numChannels] = { 44, 18, 9, 18, 45, 23, 36, 23 };

    for (int c = 0; c < numChannels; ++c)
        EXPECT_EQ(ChannelParameterHandles::resolve(processor.parameters, c).countResolved(), expected[c])
            << "channel index " << c;

    EXPECT_EQ(ChannelParameterHandles::resolve(processor.parameters, 8).countResolved(), 0);
    EXPECT_EQ(ChannelParameterHandles::resolve(processor.parameters, -1).countResolved(), 0);
}

TEST(SnapshotHandles, ModeParametersAreOnlyTakenFromTheirOwnChannel)
{
    // A tree that (wrongly) gives every channel a waveform and a mode switch: only the general drum
    // (index 5) may read the waveform and only the chord synthesiser (index 7) the mode.
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    for (int c = 0; c < numChannels; ++c)
    {
        layout.add(std::make_unique<juce::AudioParameterInt>(juce::ParameterID { getParameterID(c, "GenAWaveform"), 1 },
                                                             "w", 0, 2, 1));
        layout.add(std::make_unique<juce::AudioParameterBool>(juce::ParameterID { getParameterID(c, "GenCSemMode"), 1 },
                                                              "m", true));
    }
    LayoutProcessor processor(std::move(layout));

    for (int c = 0; c < numChannels; ++c)
    {
        const auto handles = ChannelParameterHandles::resolve(processor.parameters, c);
        EXPECT_EQ(handles.genAWaveform != nullptr, c == 5) << c;
        EXPECT_EQ(handles.genCSemMode != nullptr, c == 7) << c;

        ChannelParameters record;
        handles.fill(record);
        EXPECT_EQ(record.genAWaveform, c == 5 ? 1 : 0) << c;
        EXPECT_EQ(record.genCSemMode, c == 7 ? 1.0f : 0.0f) << c;
    }
}

TEST(SnapshotFill, MissingParametersKeepTheRecordDefaultsNotTheLayouts)
{
    LayoutProcessor processor;
    const ChannelParameters defaults;

    ChannelParameters kick;
    ChannelParameterHandles::resolve(processor.parameters, 0).fill(kick);
    EXPECT_EQ(kick.tune, 80.0f);                     // the kick has no Tune
    EXPECT_EQ(kick.hatSaturation, defaults.hatSaturation);
    EXPECT_EQ(kick.sh101Octave, 1);
    EXPECT_FLOAT_EQ(kick.volume, 0.82f);             // present: the layout's default

    // Present parameters bring the layout's defaults, even where the record's differ.
    EXPECT_FLOAT_EQ(kick.kik9MatchEqFrequency[1], 1000.0f);
    EXPECT_FLOAT_EQ(kick.kik9MatchEqQ[0], 0.7f);
    EXPECT_FLOAT_EQ(kick.kik9MatchEqShape[2], 3.0f);

    ChannelParameters snare;
    ChannelParameterHandles::resolve(processor.parameters, 1).fill(snare);
    EXPECT_FLOAT_EQ(snare.tune, 265.0f);
    EXPECT_FLOAT_EQ(snare.sp1200Cutoff, 0.82f);
    EXPECT_FLOAT_EQ(snare.sp1200Resonance, 0.14f);
    EXPECT_FLOAT_EQ(snare.hatSaturation, 0.0f);
    EXPECT_EQ(snare.rimLowTune, defaults.rimLowTune);
    EXPECT_EQ(snare.kik9Tune, defaults.kik9Tune);
    EXPECT_EQ(snare.hat9Gs3EqGain, defaults.hat9Gs3EqGain);

    ChannelParameters openHat;
    ChannelParameterHandles::resolve(processor.parameters, 4).fill(openHat);
    EXPECT_FLOAT_EQ(openHat.hat9Gs3EqGain[0], 0.0f); // layout 0, record -1.6
    EXPECT_FLOAT_EQ(openHat.hat9Gs3EqFrequency[1], 653.0f);
    EXPECT_FLOAT_EQ(openHat.hat9OpenDecay, 0.38f);
}

TEST(SnapshotFill, StartsOverFromTheDefaultsEveryTime)
{
    LayoutProcessor processor;
    ChannelParameters record;
    record.tune = 999.0f;
    record.genAWaveform = 2;
    record.volume = 0.1f;

    ChannelParameterHandles::resolve(processor.parameters, 0).fill(record);
    EXPECT_EQ(record.tune, 80.0f);
    EXPECT_EQ(record.genAWaveform, 0);
    EXPECT_FLOAT_EQ(record.volume, 0.82f);
}

TEST(SnapshotFill, FollowsParameterChanges)
{
    LayoutProcessor processor;
    const auto bass = ChannelParameterHandles::resolve(processor.parameters, 6);
    ChannelParameters record;

    processor.set("ch7Tune", 300.0f);
    processor.set("ch7Sh101Octave", 3.0f);
    processor.set("ch7Sh101LfoDestination", 2.0f);
    processor.set("ch7Volume", 0.5f);
    bass.fill(record);

    EXPECT_FLOAT_EQ(record.tune, 300.0f);
    EXPECT_EQ(record.sh101Octave, 3);
    EXPECT_EQ(record.sh101LfoDestination, 2);
    EXPECT_FLOAT_EQ(record.volume, 0.5f);
}

TEST(SnapshotFill, ConversionsClampRoundOrPassThrough)
{
    using Handles = ChannelParameterHandles;
    struct Case
    {
        const char* field;
        std::function<Handles::Handle&(Handles&)> handle;
        std::function<double(const ChannelParameters&)> read;
        float value;
        double expected;
    };

    const Case cases[] = {
        // clamp to 0..1
        { "tone", [](Handles& h) -> auto& { return h.tone; }, [](auto& r) { return r.tone; }, 1.3f, 1.0 },
        { "tone", [](Handles& h) -> auto& { return h.tone; }, [](auto& r) { return r.tone; }, -0.2f, 0.0 },
        { "volume", [](Handles& h) -> auto& { return h.volume; }, [](auto& r) { return r.volume; }, 1.3f, 1.0 },
        { "kik9MatchEqBandEnabled[2]", [](Handles& h) -> auto& { return h.kik9MatchEqBandEnabled[2]; },
          [](auto& r) { return r.kik9MatchEqBandEnabled[2]; }, 2.0f, 1.0 },
        { "sh101Sustain", [](Handles& h) -> auto& { return h.sh101Sustain; }, [](auto& r) { return r.sh101Sustain; },
          0.37f, 0.37f },
        // as read: the parameter's own range applies
        { "kik9Tune", [](Handles& h) -> auto& { return h.kik9Tune; }, [](auto& r) { return r.kik9Tune; }, 91.37f,
          91.37f },
        { "hatGain", [](Handles& h) -> auto& { return h.hatGain; }, [](auto& r) { return r.hatGain; }, 2.4f, 2.4f },
        { "sh101FilterEnv", [](Handles& h) -> auto& { return h.sh101FilterEnv; },
          [](auto& r) { return r.sh101FilterEnv; }, -0.7f, -0.7f },
        { "kik9MatchEqShape[2]", [](Handles& h) -> auto& { return h.kik9MatchEqShape[2]; },
          [](auto& r) { return r.kik9MatchEqShape[2]; }, 2.6f, 2.6f },
        { "hat9Gs3EqGain[1]", [](Handles& h) -> auto& { return h.hat9Gs3EqGain[1]; },
          [](auto& r) { return r.hat9Gs3EqGain[1]; }, -12.5f, -12.5f },
        // round, halves away from zero
        { "sh101Octave", [](Handles& h) -> auto& { return h.sh101Octave; }, [](auto& r) { return r.sh101Octave; },
          1.5f, 2 },
        { "sh101Octave", [](Handles& h) -> auto& { return h.sh101Octave; }, [](auto& r) { return r.sh101Octave; },
          2.49f, 2 },
        { "sh101Octave", [](Handles& h) -> auto& { return h.sh101Octave; }, [](auto& r) { return r.sh101Octave; },
          -1.5f, -2 },
        { "sh101SubType", [](Handles& h) -> auto& { return h.sh101SubType; }, [](auto& r) { return r.sh101SubType; },
          0.5f, 1 },
        { "sh101LfoDestination", [](Handles& h) -> auto& { return h.sh101LfoDestination; },
          [](auto& r) { return r.sh101LfoDestination; }, 2.5f, 3 },
        // the waveform rounds, then stays among the three waveforms
        { "genAWaveform", [](Handles& h) -> auto& { return h.genAWaveform; }, [](auto& r) { return r.genAWaveform; },
          2.6f, 2 },
        { "genAWaveform", [](Handles& h) -> auto& { return h.genAWaveform; }, [](auto& r) { return r.genAWaveform; },
          -0.4f, 0 },
        { "genAWaveform", [](Handles& h) -> auto& { return h.genAWaveform; }, [](auto& r) { return r.genAWaveform; },
          -0.6f, 0 },
        { "genAWaveform", [](Handles& h) -> auto& { return h.genAWaveform; }, [](auto& r) { return r.genAWaveform; },
          1.5f, 2 },
        { "genAWaveform", [](Handles& h) -> auto& { return h.genAWaveform; }, [](auto& r) { return r.genAWaveform; },
          1.49f, 1 },
    };

    for (const auto& c : cases)
    {
        std::atomic<float> value { c.value };
        Handles handles;
        c.handle(handles) = &value;
        ChannelParameters record;
        handles.fill(record);
        EXPECT_NEAR(c.read(record), c.expected, 1e-6) << c.field << " read as " << c.value;
    }
}

} // namespace
} // namespace kestrum
