#include "LayoutProcessor.h"
#include "params/ParameterListing.h"

#include <gtest/gtest.h>

namespace kestrum
{
namespace
{

using druvex::test::LayoutProcessor;

TEST(LayoutListing, OneLinePerParameterWithTenFields)
{
    LayoutProcessor processor;
    auto lines = juce::StringArray::fromLines(describeParameterLayout(processor));
    ASSERT_EQ(lines[lines.size() - 1], ""); // every line ends with a newline
    lines.removeEmptyStrings(false);
    ASSERT_EQ(lines.size(), 1067);

    for (int i = 0; i < lines.size(); ++i)
    {
        const auto fields = juce::StringArray::fromTokens(lines[i], "\t", "");
        ASSERT_EQ(fields.size(), 10) << lines[i];
        EXPECT_EQ(fields[0].getIntValue(), i);
    }
}

TEST(LayoutListing, EachKindIsDescribed)
{
    LayoutProcessor processor;
    const auto lines = juce::StringArray::fromLines(describeParameterLayout(processor));

    auto lineOf = [&](const juce::String& id) {
        for (const auto& line : lines)
            if (line.upToFirstOccurrenceOf("\t", false, false).isNotEmpty()
                && line.fromFirstOccurrenceOf("\t", false, false).upToFirstOccurrenceOf("\t", false, false) == id)
                return line;
        return juce::String();
    };

    EXPECT_EQ(lines[0], "0\tTempo\tTempo\tfloat\t30\t300\t0.001\t1\t120\t");
    EXPECT_EQ(lines[1], "1\tSyncToDaw\tSync To DAW\tswitch\t0\t1\t1\t1\t0\t");
    EXPECT_EQ(lines[2], "2\tSequencerRun\tSequencer Start Stop\tswitch\t0\t1\t1\t1\t1\t");
    EXPECT_EQ(lines[15], "15\tch1Kik9Tune\t1 KIK 9 KIK 9 Tune\tfloat\t30\t92\t0.01\t0.38\t54\t");
    EXPECT_TRUE(lineOf("ch5Step01Pitch").endsWith("\tch5Step01Pitch\t5 TEV HAT 9 Open Step 1 Pitch\tint\t0\t127\t1\t1\t40\t"));
    EXPECT_TRUE(lineOf("ch6GenAWaveform").endsWith("\tchoice\t0\t2\t1\t1\t0\tSine|Triangle|Square"));
    EXPECT_TRUE(lineOf("ch1EqLow").endsWith("\tfloat\t-15\t15\t0.001\t1\t0\t")); // no float noise
    EXPECT_TRUE(lineOf("ch5Hat9RfCutoff").endsWith("\tfloat\t0\t99\t0.01\t0.66\t92.21\t")); // default on a step
    EXPECT_TRUE(lineOf("ch3RimDecay").endsWith("\tfloat\t0.004\t0.08\t0.0001\t0.34\t0.01\t"));
    EXPECT_TRUE(lineOf("ch7OutputRoute").contains("\tchoice\t0\t189\t1\t1\t0\tOUT 1-2 MASTER|OUT 3 MONO|"));
    EXPECT_TRUE(lineOf("ch7OutputRoute").endsWith("|OUT 127-128 STEREO"));
    EXPECT_TRUE(lines[1066].startsWith("1066\tch8ModuleGs3EqShape3\tCHORD PULLER EQ Band 3 Shape\tchoice\t0\t9\t1\t1\t3\tBell|"));
}

} // namespace
} // namespace kestrum
