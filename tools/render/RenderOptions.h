#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <utility>
#include <vector>

namespace druvex::render
{

struct RenderOptions
{
    std::optional<double> seconds;
    std::optional<double> bars;
    double sampleRate = 48000.0;
    int blockSize = 512;
    juce::File presetFile;
    bool layoutDefaults = false;  // start from the layout defaults instead of the built-in preset
    juce::File savePresetFile;     // write the parameter state here after the settings
    std::vector<std::pair<juce::String, double>> settings; // --set ID=VALUE, in order
    juce::File midiFile;
    bool bench = false;
    bool listParameters = false;
    std::optional<double> hostBpm;
    double hostStartPpq = 0.0;
    std::optional<std::pair<double, double>> hostLoop;
    juce::File outputFile;
};

// Parses the command line (without the program name). On failure returns nothing and puts a
// one-line message into `error`.
std::optional<RenderOptions> parseRenderOptions(const juce::StringArray& args, juce::String& error);

juce::String renderUsage();

} // namespace druvex::render
