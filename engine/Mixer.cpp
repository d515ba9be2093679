#include "PluginProcessor.h"

using namespace kestrum;

void Kestrum8AudioProcessor::prepareMasterBus(double)
{
}

void Kestrum8AudioProcessor::releaseMasterBus()
{
}

void Kestrum8AudioProcessor::prepareModuleEqs(double)
{
}

void Kestrum8AudioProcessor::raiseKickDuck(float)
{
}

juce::String Kestrum8AudioProcessor::getDelayTimeDisplayText() const
{
    return {};
}

void Kestrum8AudioProcessor::renderSamples(juce::AudioBuffer<float>& buffer, int startSample, int numSamples)
{
    if (numSamples < 1)
        return;

    std::array<ChannelParameters, numChannels> records;
    const int outputs = juce::jmin(buffer.getNumChannels(), 2);

    for (int i = startSample; i < startSample + numSamples; ++i)
    {
        advanceSequencerClock(i);
        float master = 0.0f;
        for (int c = 0; c < numChannels; ++c)
        {
            auto& record = records[static_cast<size_t>(c)];
            record = ChannelParameters {};
            channelParams[static_cast<size_t>(c)].fill(record);
            master += drumVoices[static_cast<size_t>(c)]->process(record) * 0.14f;
        }
        for (int ch = 0; ch < outputs; ++ch)
            buffer.setSample(ch, i, juce::jlimit(-0.98f, 0.98f, master * masterTrim));
    }
}
