// druvex-render's preset options: --save-preset writes what --layout-defaults, --preset and --set
// made, and --preset loads as the editor does.

#include "engine/PluginProcessor.h"
#include "engine/PresetTestSupport.h"
#include "support/ProcessorFixture.h"
#include "support/RenderToolRunner.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

namespace
{

using druvex::test::runRenderTool;

float peakOf(const juce::File& wavFile)
{
    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(wav.createReaderFor(wavFile.createInputStream().release(), true));
    if (reader == nullptr)
        return -1.0f;
    juce::AudioBuffer<float> buffer(static_cast<int>(reader->numChannels), static_cast<int>(reader->lengthInSamples));
    reader->read(&buffer, 0, buffer.getNumSamples(), 0, true, true);
    return buffer.getMagnitude(0, buffer.getNumSamples());
}

struct RenderPresets : ::testing::Test
{
    druvex::test::TemporaryFolder temporary;
    juce::File folder = temporary.folder;
    juce::File preset = folder.getChildFile("Saved.druvexpreset");
    juce::File wav = folder.getChildFile("out.wav");
    std::unique_ptr<Kestrum8AudioProcessor> reader = druvex::test::makeProcessor(false);


    float savedValue(const juce::String& id)
    {
        const auto state = reader->readPresetState(preset);
        return static_cast<float>(state.getChildWithProperty("id", id).getProperty("value", -1.0));
    }
};

TEST_F(RenderPresets, SavePresetWritesTheStateAfterTheSettingsWithoutAudio)
{
    const auto run = runRenderTool({ "--set", "Tempo=97", "--set", "ch2Step03=1", "--save-preset", preset.getFullPathName() });
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ASSERT_TRUE(reader->readPresetState(preset).isValid());
    EXPECT_FLOAT_EQ(savedValue("Tempo"), 97.0f);
    EXPECT_FLOAT_EQ(savedValue("ch2Step03"), 1.0f);
    EXPECT_FLOAT_EQ(savedValue("ch1Step01"), 1.0f); // the built-in groove underneath
    EXPECT_TRUE(reader->readPresetState(preset).hasProperty("midiClockOutputDelayMs"));
}

TEST_F(RenderPresets, LayoutDefaultsStartFromNothingButTheLayout)
{
    const auto run = runRenderTool({ "--layout-defaults", "--save-preset", preset.getFullPathName() });
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_FLOAT_EQ(savedValue("Tempo"), 120.0f);
    EXPECT_FLOAT_EQ(savedValue("ch1Step01"), 0.0f);
    EXPECT_FLOAT_EQ(savedValue("SequencerRun"), 1.0f);
}

TEST_F(RenderPresets, PresetLoadsAsTheEditorDoesSoTheSequencerKeepsItsState)
{
    // A preset that would start the sequencer: loading keeps it stopped, as the built-in preset has it.
    ASSERT_EQ(runRenderTool({ "--set", "SequencerRun=1", "--save-preset", preset.getFullPathName() }).exitCode, 0);

    const juce::StringArray common { "--seconds", "1", "--sample-rate", "8000", "--preset", preset.getFullPathName() };
    auto stopped = common;
    stopped.add(wav.getFullPathName());
    ASSERT_EQ(runRenderTool(stopped).exitCode, 0);
    EXPECT_EQ(peakOf(wav), 0.0f);

    auto running = common;
    running.addArray({ "--set", "SequencerRun=1", wav.getFullPathName() });
    ASSERT_EQ(runRenderTool(running).exitCode, 0);
    EXPECT_GT(peakOf(wav), 0.01f);
}

TEST_F(RenderPresets, AFileThatIsNotAPresetFailsInOneLine)
{
    preset.replaceWithText("not a preset");
    const auto run = runRenderTool({ "--preset", preset.getFullPathName(), "--seconds", "1", wav.getFullPathName() });
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.contains("cannot load preset")) << run.output;
    EXPECT_FALSE(wav.exists());
}

} // namespace
