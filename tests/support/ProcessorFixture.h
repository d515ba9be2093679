#pragma once

#include "engine/PluginProcessor.h"

#include <memory>

namespace druvex::test
{

// Builds a processor as the standalone application or as a plug-in would.
inline std::unique_ptr<Kestrum8AudioProcessor> makeProcessor(bool standalone)
{
    const auto type = standalone ? juce::AudioProcessor::wrapperType_Standalone
                                 : juce::AudioProcessor::wrapperType_Undefined;
    juce::PluginHostType::jucePlugInClientCurrentWrapperType = type;
    juce::AudioProcessor::setTypeOfNextNewPlugin(type);
    auto processor = std::make_unique<Kestrum8AudioProcessor>();
    juce::PluginHostType::jucePlugInClientCurrentWrapperType = juce::AudioProcessor::wrapperType_Undefined;
    juce::AudioProcessor::setTypeOfNextNewPlugin(juce::AudioProcessor::wrapperType_Undefined);
    return processor;
}

// Sets a parameter's plain value as a host or the editor would.
inline void setParameter(Kestrum8AudioProcessor& processor, const juce::String& id, float plainValue)
{
    auto* parameter = processor.parameters.getParameter(id);
    if (parameter == nullptr)
        throw std::runtime_error(("no parameter " + id).toStdString());
    parameter->setValueNotifyingHost(parameter->convertTo0to1(plainValue));
}

// A play head reporting whatever the test puts in `info` (or nothing at all).
struct FakePlayHead : juce::AudioPlayHead
{
    juce::Optional<PositionInfo> getPosition() const override { return hasPosition ? info : juce::Optional<PositionInfo>(); }

    PositionInfo info;
    bool hasPosition = true;
};

} // namespace druvex::test
