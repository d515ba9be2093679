#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace druvex::render
{

// A host transport that is always playing at a fixed tempo from a start position, optionally
// looping, so host sync can be rendered from the command line.
class HostPlayHead : public juce::AudioPlayHead
{
public:
    HostPlayHead(double bpmToUse, double startPpq, std::optional<std::pair<double, double>> loopToUse)
        : bpm(bpmToUse), ppq(startPpq), loop(loopToUse)
    {
    }

    juce::Optional<PositionInfo> getPosition() const override
    {
        PositionInfo info;
        info.setBpm(bpm);
        info.setPpqPosition(ppq);
        info.setIsPlaying(true);
        info.setTimeSignature(juce::AudioPlayHead::TimeSignature {});
        if (loop)
        {
            info.setIsLooping(true);
            info.setLoopPoints(juce::AudioPlayHead::LoopPoints { loop->first, loop->second });
        }
        return info;
    }

    // Moves the transport on by one block, jumping back to the loop start as hosts do.
    void advance(int numSamples, double sampleRate)
    {
        ppq += numSamples * bpm / 60.0 / sampleRate;
        if (loop && ppq >= loop->second)
            ppq = loop->first + std::fmod(ppq - loop->first, loop->second - loop->first);
    }

private:
    double bpm;
    double ppq;
    std::optional<std::pair<double, double>> loop;
};

} // namespace druvex::render
