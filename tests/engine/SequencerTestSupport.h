#pragma once

#include "support/ProcessorFixture.h"

#include <cmath>
#include <vector>

namespace druvex::test
{

// One call of triggerChannel as the processor saw it (before mute and solo decide).
struct Hit
{
    int64_t sample;   // since prepareToPlay
    int64_t position; // the published sequencer position at that moment
    int channel;
    float velocity;
    float ratio;
};

// Every parameter back at its layout default (no pattern, nothing armed, internal clock), so a
// test starts from a known state rather than from the built-in preset.
inline void restoreLayoutDefaults(Kestrum8AudioProcessor& processor)
{
    for (auto* parameter : processor.getParameters())
        parameter->setValueNotifyingHost(parameter->getDefaultValue());
}

// Renders one sample at a time, so every trigger is stamped with the sample it happened at. The
// clock still sees each sample's index within the processBlock buffer, as in an unsplit render.
class SteppedProcessor : public Kestrum8AudioProcessor
{
public:
    SteppedProcessor() { restoreLayoutDefaults(*this); }

    void triggerChannel(int channel, float velocity, float ratio) override
    {
        hits.push_back({ now, currentSequencerPosition.load(), channel, velocity, ratio });
        Kestrum8AudioProcessor::triggerChannel(channel, velocity, ratio);
    }

    void renderSamples(juce::AudioBuffer<float>& buffer, int start, int num) override
    {
        for (int i = start; i < start + num; ++i)
        {
            now = getTotalSamplesProcessed() + i;
            Kestrum8AudioProcessor::renderSamples(buffer, i, 1);
        }
    }

    std::vector<Hit> hitsOf(int channel) const
    {
        std::vector<Hit> result;
        for (const auto& hit : hits)
            if (hit.channel == channel)
                result.push_back(hit);
        return result;
    }

    int64_t now = -1;
    std::vector<Hit> hits;
};

// Prepares as a host does: the sample rate is set before prepareToPlay.
inline void prepare(Kestrum8AudioProcessor& processor, double sampleRate, int blockSize)
{
    processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor.prepareToPlay(sampleRate, blockSize);
}

// A host transport that moves on by each block it hands out.
struct MovingPlayHead : FakePlayHead
{
    MovingPlayHead(double bpm, double ppq)
    {
        info.setBpm(bpm);
        info.setPpqPosition(ppq);
        info.setIsPlaying(true);
    }

    void setLoop(double start, double end)
    {
        info.setIsLooping(true);
        info.setLoopPoints(juce::AudioPlayHead::LoopPoints { start, end });
    }

    void advance(int numSamples, double sampleRate)
    {
        double ppq = *info.getPpqPosition() + numSamples * *info.getBpm() / 60.0 / sampleRate;
        if (info.getIsLooping() && info.getLoopPoints() && ppq >= info.getLoopPoints()->ppqEnd)
        {
            const auto loop = *info.getLoopPoints();
            ppq = loop.ppqStart + std::fmod(ppq - loop.ppqStart, loop.ppqEnd - loop.ppqStart);
        }
        info.setPpqPosition(ppq);
    }
};

// Runs `numSamples` samples in blocks of `blockSize`, moving the play head along when there is one.
inline void run(Kestrum8AudioProcessor& processor, int64_t numSamples, int blockSize,
                MovingPlayHead* head = nullptr, double sampleRate = 0.0)
{
    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::MidiBuffer midi;
    for (int64_t done = 0; done < numSamples;)
    {
        const int n = static_cast<int>(std::min<int64_t>(blockSize, numSamples - done));
        buffer.setSize(2, n, false, false, true);
        processor.processBlock(buffer, midi);
        if (head != nullptr)
            head->advance(n, sampleRate);
        done += n;
    }
}

// Runs one block with MIDI in it.
inline void runWithMidi(Kestrum8AudioProcessor& processor, juce::MidiBuffer midi, int numSamples = 64)
{
    juce::AudioBuffer<float> buffer(2, numSamples);
    processor.processBlock(buffer, midi);
}

// Writes a parameter's value behind its back, past the range the parameter itself enforces, so
// that the engine's own limits are what a test sees.
inline void setRaw(Kestrum8AudioProcessor& processor, const juce::String& id, float value)
{
    processor.parameters.getRawParameterValue(id)->store(value);
}

inline float valueOf(Kestrum8AudioProcessor& processor, const juce::String& id)
{
    return processor.parameters.getRawParameterValue(id)->load();
}

} // namespace druvex::test
