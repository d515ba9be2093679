#include "params/ParameterIDs.h"

#include <gtest/gtest.h>

namespace kestrum
{
namespace
{

TEST(LayoutIdentifiers, BuildersNumberChannelsAndStepsFromOne)
{
    struct Case
    {
        juce::String built;
        const char* expected;
    };

    const Case cases[] = {
        { getParameterID(0, "Kik9Tune"), "ch1Kik9Tune" },
        { getParameterID(6, "Sh101Octave"), "ch7Sh101Octave" },
        { getParameterID(-1, "Tune"), "ch0Tune" },          // not clamped: names no parameter
        { getParameterID(8, "Tune"), "ch9Tune" },
        { getStepParameterID(0, 0), "ch1Step01" },
        { getStepParameterID(1, 0), "ch2Step01" },
        { getStepParameterID(0, 9), "ch1Step10" },          // padding stops at two digits
        { getStepParameterID(0, 99), "ch1Step100" },        // longer numbers stay whole
        { getStepParameterID(-1, 0), "ch0Step01" },
        { getStepVelocityParameterID(0, 0), "ch1Step01Velocity" },
        { getStepPitchParameterID(6, 15), "ch7Step16Pitch" },
        { getStepChordCountParameterID(7, 4), "ch8Step05ChordCount" },
        { getStepChordPitchParameterID(6, 0, 2), "ch7Step01Chord4Pitch" },
        { getStepChordPitchParameterID(6, 0, 3), "ch7Step01Chord4Pitch" },   // chord note clamped
        { getStepChordPitchParameterID(6, 0, -1), "ch7Step01Chord2Pitch" },
        { getStepChordPitchParameterID(6, 0, -5), "ch7Step01Chord2Pitch" },
        { getStepChordPitchParameterID(6, 0, 9), "ch7Step01Chord4Pitch" },
        { getStepChordVelocityParameterID(7, 15, 0), "ch8Step16Chord2Velocity" },
        { getStepChordVelocityParameterID(7, 15, 1), "ch8Step16Chord3Velocity" },
    };

    for (const auto& c : cases)
        EXPECT_EQ(c.built, juce::String(c.expected));
}

TEST(LayoutCatalogue, LookupClampsTheChannelIndex)
{
    EXPECT_STREQ(getChannelDescriptor(12).name, "CHORD PULLER");
    EXPECT_STREQ(getChannelDescriptor(-3).name, "KIK 9");
    EXPECT_STREQ(getChannelDescriptor(4).shortName, "OH");
    EXPECT_EQ(&getChannelDescriptor(8), &channelDescriptors[7]);
}

TEST(LayoutCatalogue, RowsMatchTheirChannels)
{
    const char* names[] = { "KIK 9",          "808 Snare",      "808 Rim Shot", "808 Closed Hat",
                            "TEV HAT 9 Open", "General Drum A", "Bass Bin",     "CHORD PULLER" };
    const char* notes[] = { "C1", "C#1", "D1", "D#1", "E1", "F1", "F#1", "G1" };
    const int counts[] = { 16, 11, 8, 7, 11, 13, 18, 15 };

    for (int c = 0; c < numChannels; ++c)
    {
        SCOPED_TRACE(c);
        const auto& row = channelDescriptors[static_cast<size_t>(c)];
        EXPECT_STREQ(row.name, names[c]);
        EXPECT_STREQ(row.noteName, notes[c]);
        EXPECT_EQ(static_cast<int>(row.voiceType), c);
        ASSERT_EQ(row.controlCount, counts[c]);

        for (int slot = 0; slot < maxControlSlots; ++slot)
        {
            const bool used = slot < row.controlCount;
            const auto* label = row.controlLabels[static_cast<size_t>(slot)];
            const auto* suffix = row.parameterSuffixes[static_cast<size_t>(slot)];
            EXPECT_EQ(label != nullptr && *label != 0, used) << "slot " << slot;
            EXPECT_EQ(suffix != nullptr && *suffix != 0, used) << "slot " << slot;
        }
    }
}

TEST(LayoutCatalogue, TwoWordLabelsBreakTheLineExceptTheModeSwitch)
{
    int modeLabels = 0;

    for (const auto& row : channelDescriptors)
        for (int slot = 0; slot < row.controlCount; ++slot)
        {
            const juce::String label = row.controlLabels[static_cast<size_t>(slot)];
            if (label == "FM  /  OBH")
                ++modeLabels;
            else
                EXPECT_FALSE(label.containsChar(' ')) << label;
        }

    EXPECT_EQ(modeLabels, 1);
    EXPECT_STREQ(channelDescriptors[0].controlLabels[1], "TUNE\nDEC");
}

} // namespace
} // namespace kestrum
