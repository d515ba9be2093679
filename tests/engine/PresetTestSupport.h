#pragma once

#include "support/ProcessorFixture.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace druvex::test
{

// Every parameter's plain value, by identifier.
inline std::map<juce::String, float> parameterValues(Kestrum8AudioProcessor& processor)
{
    std::map<juce::String, float> values;
    for (auto* parameter : processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*>(parameter))
            values[ranged->paramID] = processor.parameters.getRawParameterValue(ranged->paramID)->load();
    return values;
}

inline float valueOf(Kestrum8AudioProcessor& processor, const juce::String& id)
{
    return processor.parameters.getRawParameterValue(id)->load();
}

// A parameter tree as XML text: one PARAM per entry, without "value" when the entry has none.
using PresetEntry = std::pair<juce::String, std::optional<juce::String>>;
inline juce::String presetXml(const std::vector<PresetEntry>& entries, const juce::String& rootTag = "PARAMETERS",
                              const juce::String& rootAttributes = {})
{
    juce::String text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<" + rootTag;
    if (rootAttributes.isNotEmpty())
        text << " " << rootAttributes;
    text << ">\n";
    for (const auto& [id, value] : entries)
    {
        text << "  <PARAM id=\"" << id << "\"";
        if (value)
            text << " value=\"" << *value << "\"";
        text << "/>\n";
    }
    return text << "</" << rootTag << ">\n";
}

// A state block around arbitrary text; the length field is the text's length unless given.
inline juce::MemoryBlock stateBlock(const juce::String& text, std::optional<uint32_t> lengthField = std::nullopt)
{
    const auto utf8 = text.toStdString();
    juce::MemoryBlock block;
    {
        juce::MemoryOutputStream out(block, false);
        out.write("VC2!", 4);
        out.writeInt(static_cast<int>(lengthField.value_or(static_cast<uint32_t>(utf8.size()))));
        out.write(utf8.data(), utf8.size());
        out.writeByte(0);
    }
    return block;
}

inline juce::MemoryBlock stateOf(Kestrum8AudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation(block);
    return block;
}

// A fresh folder under the system's temporary folder, removed with everything in it.
struct TemporaryFolder
{
    // Tests run in parallel processes: a name that is merely free now could be picked by another
    // process too, so each folder carries a random part.
    TemporaryFolder()
        : folder(juce::File::getSpecialLocation(juce::File::tempDirectory)
                     .getNonexistentChildFile("druvex-presets-" + juce::String::toHexString(
                                                  juce::Random::getSystemRandom().nextInt64()),
                                              "", false))
    {
        folder.createDirectory();
    }
    ~TemporaryFolder() { folder.deleteRecursively(); }

    juce::File folder;
};

} // namespace druvex::test
