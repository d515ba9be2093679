#include "support/RenderToolRunner.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <gtest/gtest.h>

#include <cmath>

namespace
{

// Renders a pattern whose only note is the kick on the first step and returns the first sample
// that is not silent, or -1.
int64_t firstSoundingSample(const juce::StringArray& extraArgs, const juce::File& out)
{
    juce::StringArray args { "--seconds", "1.5", "--layout-defaults", "--set", "ch1Step01=1" };
    args.addArray(extraArgs);
    args.add(out.getFullPathName());

    const auto run = druvex::test::runRenderTool(args);
    if (run.exitCode != 0)
    {
        ADD_FAILURE() << run.output;
        return -2;
    }

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatReader> reader(wav.createReaderFor(out.createInputStream().release(), true));
    if (reader == nullptr)
        return -2;
    juce::AudioBuffer<float> audio(2, static_cast<int>(reader->lengthInSamples));
    reader->read(&audio, 0, audio.getNumSamples(), 0, true, true);
    for (int i = 0; i < audio.getNumSamples(); ++i)
        if (std::abs(audio.getSample(0, i)) > 1.0e-6f)
            return i;
    return -1;
}

TEST(RenderHostTransport, HostOptionsDriveTheSequencerOnlyWhenSynced)
{
    // 48 kHz at 120 BPM: a quarter note is 24000 samples, a sixteenth 6000.
    struct Case
    {
        const char* what;
        juce::StringArray args;
        int64_t expected;
    };
    const Case cases[] = {
        { "started in mid-bar: silent until the next bar at quarter note 4",
          { "--host-bpm", "120", "--host-start-ppq", "2.5", "--set", "SyncToDaw=1" }, 36000 },
        { "started on a bar", { "--host-bpm", "120", "--host-start-ppq", "4", "--set", "SyncToDaw=1" }, 0 },
        { "looping: the loop end brings the bar start round",
          { "--host-bpm", "120", "--host-start-ppq", "7.75", "--host-loop", "4:8", "--set", "SyncToDaw=1" }, 6000 },
        { "host tempo used: at 60 BPM the bar is twice as far away",
          { "--host-bpm", "60", "--host-start-ppq", "3.5", "--set", "SyncToDaw=1" }, 24000 },
        { "not synced: the internal clock ignores the host",
          { "--host-bpm", "120", "--host-start-ppq", "2.5", "--set", "SyncToDaw=0" }, 0 },
    };

    for (const auto& c : cases)
    {
        juce::TemporaryFile temp { ".wav" };
        EXPECT_EQ(firstSoundingSample(c.args, temp.getFile()), c.expected) << c.what;
    }
}

} // namespace
