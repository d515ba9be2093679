#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <memory>

namespace kestrum
{

// The processor's preset bookkeeping. Message thread, except the current name, which a plug-in
// host may read or replace from a thread of its own through the state calls.
class PresetState
{
public:
    PresetState() : currentName(std::make_shared<const juce::String>(defaultPresetName)) {}

    // The built-in preset's name; fixed.
    const juce::String defaultPresetName { "Groove 1" };

    // Every parameter as the built-in preset sets it (layout defaults where it is silent). Loading
    // completes presets with it, so a preset's gaps take the built-in values, not the current ones.
    juce::ValueTree defaultPresetState;

    // The folder that holds the three preset folders: the user's application-data folder, or a
    // temporary one in tests.
    juce::File baseDirectory { juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory) };

    // The name the editor shows. Swapped as a whole, so a reader never sees a half-written string.
    juce::String getCurrentName() const { return *std::atomic_load(&currentName); }
    void setCurrentName(const juce::String& name)
    {
        std::atomic_store(&currentName, std::make_shared<const juce::String>(name));
    }

private:
    std::shared_ptr<const juce::String> currentName;
};

} // namespace kestrum
