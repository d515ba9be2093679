#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace kestrum
{

constexpr int numLayoutParameters = 1067;

// Every parameter of the instrument, in the fixed order a host sees (automation lanes and saved
// presets depend on both the order and the identifiers).
juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

// The texts of an OutputRoute choice: the master pair, then 126 mono outputs 3..128, then 63 stereo
// pairs 3-4..127-128.
juce::StringArray getOutputRouteChoices();

} // namespace kestrum
