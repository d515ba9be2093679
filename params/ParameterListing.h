#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

namespace kestrum
{

// One tab-separated line per parameter, in the processor's order: index, identifier, display name,
// kind (float, switch, int or choice), minimum, maximum, step, skew, default as a plain value, and
// a choice's texts joined with '|' (empty for other kinds). It is what a user needs to automate or
// map the instrument from outside.
juce::String describeParameterLayout(juce::AudioProcessor& processor);

} // namespace kestrum
