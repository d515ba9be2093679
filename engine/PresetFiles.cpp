#include "PresetFiles.h"

namespace kestrum
{

namespace
{
juce::Array<juce::File> filesWithExtension(const juce::File& directory, const char* extension)
{
    if (!directory.isDirectory())
        return {};
    auto files = directory.findChildFiles(juce::File::findFiles, false, presetWildcard(extension));
    files.sort(); // a stable order whatever the file system returns
    return files;
}

juce::String presetNameOf(const juce::File& file)
{
    return file.getFileNameWithoutExtension().trim();
}
} // namespace

juce::String presetWildcard(const char* extension)
{
    return "*" + juce::String(extension);
}

juce::File getCurrentPresetDirectory(const juce::File& base)
{
    return base.getChildFile("Application Support").getChildFile("DRUVEX").getChildFile("Presets");
}

juce::File getPreviousDruvexPresetDirectory(const juce::File& base)
{
    return base.getChildFile("DRUVEX").getChildFile("Presets");
}

juce::File getLegacyPresetDirectory(const juce::File& base)
{
    return base.getChildFile("TEV DRUMS").getChildFile("Presets");
}

std::array<juce::File, 3> getPresetDirectories(const juce::File& base)
{
    return { getCurrentPresetDirectory(base), getPreviousDruvexPresetDirectory(base), getLegacyPresetDirectory(base) };
}

juce::File findPresetFile(const juce::String& presetName, const juce::File& base, const PresetReader& reads)
{
    const auto name = presetName.trim();
    if (name.isEmpty())
        return {};

    auto fileName = juce::File::createLegalFileName(name);
    if (fileName.isEmpty())
        fileName = "User Preset";

    const auto directories = getPresetDirectories(base);
    auto tryFile = [&](const juce::File& file) { return file.existsAsFile() && reads(file); };

    for (const auto& directory : directories)
    {
        const auto file = directory.getChildFile(fileName + presetExtensions[0]);
        if (tryFile(file))
            return file;
    }
    for (const auto& directory : directories)
        for (size_t e = 1; e < presetExtensions.size(); ++e)
        {
            const auto file = directory.getChildFile(fileName + presetExtensions[e]);
            if (tryFile(file))
                return file;
        }

    // Names that differ in case or surrounding blanks from their file.
    for (const auto& directory : directories)
        for (const auto* extension : presetExtensions)
            for (const auto& file : filesWithExtension(directory, extension))
                if (presetNameOf(file).equalsIgnoreCase(name) && reads(file))
                    return file;
    return {};
}

juce::StringArray findPresetNames(const juce::File& base, const PresetReader& reads)
{
    juce::StringArray names;
    for (const auto& directory : getPresetDirectories(base))
        for (const auto* extension : presetExtensions)
            for (const auto& file : filesWithExtension(directory, extension))
            {
                const auto name = presetNameOf(file);
                if (name.isNotEmpty() && !names.contains(name, true) && reads(file))
                    names.add(name);
            }
    return names;
}

juce::File presetFileForSaving(const juce::String& presetName, const juce::File& base)
{
    auto fileName = juce::File::createLegalFileName(presetName.trim()).trim();
    if (fileName.isEmpty())
        fileName = "User Preset";
    return getCurrentPresetDirectory(base).getChildFile(fileName + presetExtensions[0]);
}

} // namespace kestrum
