#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <functional>

namespace kestrum
{

// Where preset files live and how a preset name maps to a file. Every function takes the base
// folder (the user's application-data folder in the product) so tests can point it elsewhere.

// Preset extensions, most current first.
inline constexpr std::array<const char*, 3> presetExtensions { ".druvexpreset", ".tevdrumspreset", ".kestrum8preset" };

juce::String presetWildcard(const char* extension);

// The current, previous and legacy preset folders, in search order. None is created here.
juce::File getCurrentPresetDirectory(const juce::File& base);
juce::File getPreviousDruvexPresetDirectory(const juce::File& base);
juce::File getLegacyPresetDirectory(const juce::File& base);
std::array<juce::File, 3> getPresetDirectories(const juce::File& base);

// Tells whether a file reads as a preset (and gives its tree when it does).
using PresetReader = std::function<bool(const juce::File&)>;

// The first file for `presetName` that `reads` accepts, trying in order: the exact file name with
// the current extension in each folder; then, folder by folder, the exact name with the older
// extensions; then every file whose trimmed name matches ignoring case, folder by folder and
// extension by extension. Gives an empty File when none reads.
juce::File findPresetFile(const juce::String& presetName, const juce::File& base, const PresetReader& reads);

// The names of every readable preset file in the three folders: trimmed file names without
// extension, duplicates (ignoring case) and empty names left out, in folder order.
juce::StringArray findPresetNames(const juce::File& base, const PresetReader& reads);

// The file a preset of this name is saved to: a legal file name ("User Preset" when nothing
// legal is left) with the current extension in the current folder.
juce::File presetFileForSaving(const juce::String& presetName, const juce::File& base);

} // namespace kestrum
