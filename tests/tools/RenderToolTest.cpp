#include "support/RenderToolRunner.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

namespace
{

using druvex::test::runRenderTool;


struct RenderTool : ::testing::Test
{
    juce::TemporaryFile temp { ".wav" };
    juce::File out = temp.getFile();
    juce::File dir = out.getParentDirectory();
};

TEST_F(RenderTool, WritesExactlyTheRequestedFramesAsStereoFloat)
{
    const auto result = runRenderTool({ "--seconds", "2", "--sample-rate", "44100", out.getFullPathName() });
    ASSERT_EQ(result.exitCode, 0) << result.output;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(wav.createReaderFor(out.createInputStream().release(), true));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->lengthInSamples, 88200);
    EXPECT_EQ(reader->numChannels, 2u);
    EXPECT_EQ(reader->bitsPerSample, 32u);
    EXPECT_TRUE(reader->usesFloatingPointData);
    EXPECT_DOUBLE_EQ(reader->sampleRate, 44100.0);

    // The built-in groove starts with its sequencer stopped: nothing plays.
    juce::AudioBuffer<float> audio(2, 88200);
    ASSERT_TRUE(reader->read(&audio, 0, 88200, 0, true, true));
    EXPECT_LT(audio.getMagnitude(0, 88200), 1.0e-6f);
}

TEST_F(RenderTool, BarsFollowTheTempoInForce)
{
    // Two bars of 4/4 at 120 BPM are 4 seconds.
    const auto result = runRenderTool({ "--bars", "2", "--set", "Tempo=120", "--sample-rate", "8000", out.getFullPathName() });
    ASSERT_EQ(result.exitCode, 0) << result.output;
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(wav.createReaderFor(out.createInputStream().release(), true));
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->lengthInSamples, 32000);
}

TEST_F(RenderTool, BadInputFailsInOneLineAndLeavesNoFile)
{
    const auto garbage = dir.getChildFile("druvex-render-test-garbage.bin");
    garbage.replaceWithText("this is not a preset");
    const auto missing = dir.getChildFile("druvex-render-test-missing.mid").getFullPathName();

    const juce::StringArray cases[] = {
        { "--frobnicate" },
        { "--seconds", "abc" },
        { "--seconds", "-1" },
        { "--block-size", "0" },
        { "--sample-rate", "0" },
        { "--set", "NoSuchParameter=1" },
        { "--set", "Tempo" },
        { "--set", "Tempo=fast" },
        { "--seconds", "1", "--bars", "1" },
        { "--host-loop", "8:4" },
        { "--preset", garbage.getFullPathName() },
        { "--midi", missing },
        { "--midi", garbage.getFullPathName() },
        { "--seconds" },
    };

    for (const auto& args : cases)
    {
        out.deleteFile();
        auto withOutput = args;
        withOutput.add(out.getFullPathName());
        const auto result = runRenderTool(withOutput);
        EXPECT_NE(result.exitCode, 0) << args.joinIntoString(" ");
        EXPECT_TRUE(result.output.startsWith("druvex-render: ")) << result.output;
        EXPECT_EQ(result.output.trim().indexOfChar('\n'), -1) << result.output;
        EXPECT_FALSE(out.exists()) << args.joinIntoString(" ");
    }
    garbage.deleteFile();

    const auto noOutput = runRenderTool({ "--seconds", "1" });
    EXPECT_NE(noOutput.exitCode, 0);
}

TEST_F(RenderTool, UnwritableOutputFailsCleanly)
{
    const auto result = runRenderTool({ "--seconds", "0.1", "/nonexistent-dir/x.wav" });
    EXPECT_NE(result.exitCode, 0);
    EXPECT_TRUE(result.output.startsWith("druvex-render: cannot write")) << result.output;
}

TEST_F(RenderTool, BenchPrintsMachineReadableFigures)
{
    const auto result = runRenderTool({ "--bench", "--seconds", "0.5" });
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(result.output.contains("real-time factor: ")) << result.output;
    EXPECT_TRUE(result.output.contains("% of deadline")) << result.output;
    const auto factor = result.output.fromFirstOccurrenceOf("real-time factor: ", false, false)
                            .upToFirstOccurrenceOf("x", false, false);
    EXPECT_GT(factor.getDoubleValue(), 0.0);
}

TEST_F(RenderTool, ListsEveryParameter)
{
    const auto result = runRenderTool({ "--list-parameters" });
    ASSERT_EQ(result.exitCode, 0);
    const auto lines = juce::StringArray::fromLines(result.output.trimEnd());
    EXPECT_EQ(lines.size(), 1067);
    EXPECT_TRUE(lines[0].startsWith("0\tTempo\tTempo\tfloat")) << lines[0];
}

} // namespace
