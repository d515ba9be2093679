#pragma once

#include "params/ParameterLayout.h"

#include <juce_audio_processors/juce_audio_processors.h>

namespace druvex::test
{

// The smallest processor that owns a parameter tree: enough to see the layout as a host sees it,
// without the engine behind it.
class LayoutProcessor : public juce::AudioProcessor
{
public:
    explicit LayoutProcessor(juce::AudioProcessorValueTreeState::ParameterLayout layout = kestrum::createParameterLayout())
        : parameters(*this, nullptr, "PARAMETERS", std::move(layout))
    {
    }

    const juce::String getName() const override { return "LayoutProcessor"; }
    void prepareToPlay(double, int) override {}
    void releaseResources() override {}
    void processBlock(juce::AudioBuffer<float>&, juce::MidiBuffer&) override {}
    using juce::AudioProcessor::processBlock;
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    bool hasEditor() const override { return false; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram(int) override {}
    const juce::String getProgramName(int) override { return {}; }
    void changeProgramName(int, const juce::String&) override {}
    void getStateInformation(juce::MemoryBlock&) override {}
    void setStateInformation(const void*, int) override {}

    // Sets a parameter's plain value as a host would; the parameter must exist.
    void set(const juce::String& id, float plainValue)
    {
        auto* parameter = parameters.getParameter(id);
        jassert(parameter != nullptr);
        parameter->setValueNotifyingHost(parameter->convertTo0to1(plainValue));
    }

    float read(const juce::String& id) const { return parameters.getRawParameterValue(id)->load(); }

    juce::AudioProcessorValueTreeState parameters;
};

} // namespace druvex::test
