#include "PluginProcessor.h"

#include "PresetFiles.h"
#include "PresetTree.h"

#if __has_include("BinaryData.h")
 #include "BinaryData.h"
 #define DRUVEX_HAS_BINARY_DATA 1
#else
 #define DRUVEX_HAS_BINARY_DATA 0
#endif

#include <cmath>

using namespace kestrum;

namespace
{
const juce::Identifier clockDelayProperty { "midiClockOutputDelayMs" };
const juce::Identifier skinProperty { "interfaceSkin" };

// Merging takes root properties from the base only, which would drop the editor's skin from the
// state on every load; the skin is carried over from `source` explicitly instead.
void carrySkin(juce::ValueTree& target, const juce::ValueTree& source)
{
    if (source.hasProperty(skinProperty))
        target.setProperty(skinProperty, source.getProperty(skinProperty), nullptr);
}

// A preset file is a few tens of kilobytes; anything far larger in a preset folder is not one,
// and is not read into memory.
constexpr juce::int64 maximumPresetFileSize = 16 * 1024 * 1024;

// The built-in preset, compiled in from resources/druvex_default.druvexpreset.
std::pair<const void*, int> builtInPreset()
{
#if DRUVEX_HAS_BINARY_DATA
    int size = 0;
    if (const auto* data = DruvexBinaryData::getNamedResource("druvex_default_druvexpreset", size))
        return { data, size };
#endif
    return { nullptr, 0 };
}

// The clock delay a preset asks for: whole milliseconds, halves away from zero, within +-50.
float presetClockDelay(const juce::ValueTree& preset)
{
    const auto delay = static_cast<double>(preset.getProperty(clockDelayProperty, 0.0));
    if (!std::isfinite(delay))
        return 0.0f;
    return static_cast<float>(juce::jlimit(-50.0, 50.0, std::round(delay)));
}
} // namespace

void Kestrum8AudioProcessor::loadDefaultPreset()
{
    presets.setCurrentName(presets.defaultPresetName);
    presets.defaultPresetState = parameters.copyState();

    const auto [data, size] = builtInPreset();
    const auto preset = readPresetState(data, size);
    if (!preset.isValid())
        return;

    auto merged = mergePresetState(presets.defaultPresetState, preset);
    dropNonFiniteValues(merged);
    parameters.replaceState(merged);
    presets.defaultPresetState = parameters.copyState();
}

void Kestrum8AudioProcessor::getStateInformation(juce::MemoryBlock& destData)
{
    const auto state = parameters.copyState();
    if (!state.isValid())
        return;
    if (auto xml = state.createXml())
        copyXmlToBinary(*xml, destData);
}

void Kestrum8AudioProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    // The standalone application hands back the block it saved at the last quit; every launch
    // starts from the built-in preset instead.
    if (isStandaloneWrapper())
    {
        presets.setCurrentName(presets.defaultPresetName);
        return;
    }

    if (data == nullptr || sizeInBytes <= 0)
        return;
    const auto state = readParameterTree(data, static_cast<size_t>(sizeInBytes), parameters.state.getType(), false);
    if (!state.isValid())
        return;

    auto merged = mergePresetState(presets.defaultPresetState, state);
    dropNonFiniteValues(merged);
    carrySkin(merged, state); // the skin travels with the host's saved state
    parameters.replaceState(merged);
    forgetOverwriteHistory();
    presets.setCurrentName("Host State");
}

juce::ValueTree Kestrum8AudioProcessor::readPresetState(const void* data, int sizeInBytes) const
{
    if (data == nullptr || sizeInBytes <= 0)
        return {};
    return readParameterTree(data, static_cast<size_t>(sizeInBytes), parameters.state.getType(), false);
}

juce::ValueTree Kestrum8AudioProcessor::readPresetState(const juce::File& file) const
{
    if (file == juce::File() || !file.existsAsFile() || file.getSize() > maximumPresetFileSize)
        return {};

    juce::MemoryBlock bytes;
    if (!file.loadFileAsData(bytes) || bytes.getSize() == 0)
        return {};
    return readParameterTree(bytes.getData(), bytes.getSize(), parameters.state.getType(), true);
}

juce::File Kestrum8AudioProcessor::getPresetDirectory() const
{
    return getCurrentPresetDirectory(presets.baseDirectory);
}

juce::StringArray Kestrum8AudioProcessor::getPresetNames() const
{
    auto names = findPresetNames(presets.baseDirectory,
                                 [this](const juce::File& file) { return readPresetState(file).isValid(); });
    names.removeString(presets.defaultPresetName, true);
    names.sortNatural();
    names.insert(0, presets.defaultPresetName);
    return names;
}

bool Kestrum8AudioProcessor::loadPresetByName(const juce::String& presetName)
{
    const auto name = presetName.trim();
    if (name.isEmpty())
        return false;

    // The built-in preset wins over a file of the same name.
    if (name.equalsIgnoreCase(presets.defaultPresetName))
    {
        applyPresetState(presets.defaultPresetState, name);
        return true;
    }

    juce::ValueTree preset;
    const auto file = findPresetFile(name, presets.baseDirectory, [&](const juce::File& candidate) {
        preset = readPresetState(candidate);
        return preset.isValid();
    });
    if (file == juce::File())
        return false;

    applyPresetState(preset, name);
    return true;
}

bool Kestrum8AudioProcessor::loadPresetFile(const juce::File& file)
{
    const auto preset = readPresetState(file);
    if (!preset.isValid())
        return false;
    applyPresetState(preset, file.getFileNameWithoutExtension().trim());
    return true;
}

void Kestrum8AudioProcessor::applyPresetState(const juce::ValueTree& preset, const juce::String& name)
{
    const auto delay = presetClockDelay(preset);

    // Gaps in the preset take the built-in preset's values, not whatever is playing now.
    auto merged = mergePresetState(presets.defaultPresetState, preset);
    dropNonFiniteValues(merged);

    // A preset never changes host sync, and never starts or stops the sequencer.
    const auto current = parameters.copyState();
    preserveParameterState(merged, current, ids::syncToDaw);
    preserveParameterState(merged, current, ids::sequencerRun);
    carrySkin(merged, current); // a sound preset leaves the interface as it is

    parameters.replaceState(merged);
    forgetOverwriteHistory();

    if (isStandaloneWrapper())
        setMidiClockDelayMs(delay);

    presets.setCurrentName(name);
}

bool Kestrum8AudioProcessor::writePresetFile(const juce::File& file)
{
    auto state = parameters.copyState();
    if (!state.isValid())
        return false;
    state.setProperty(clockDelayProperty, static_cast<double>(getMidiClockDelayMs()), nullptr);

    const auto block = writeStateBlock(state);
    return block.getSize() > 0 && file.replaceWithData(block.getData(), block.getSize());
}

bool Kestrum8AudioProcessor::savePreset(const juce::String& name)
{
    const auto file = presetFileForSaving(name, presets.baseDirectory);
    if (!file.getParentDirectory().createDirectory() || !writePresetFile(file))
        return false;
    presets.setCurrentName(file.getFileNameWithoutExtension().trim());
    return true;
}
