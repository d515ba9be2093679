#include "PresetTree.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <cmath>
#include <unordered_map>

namespace kestrum
{

namespace
{
constexpr uint32_t stateBlockMagic = 0x21324356; // "VC2!" read as a little-endian number
constexpr size_t stateBlockHeaderSize = 8;

const juce::Identifier idProperty { "id" };
const juce::Identifier valueProperty { "value" };

uint32_t readLittleEndian32(const uint8_t* bytes) noexcept
{
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8)
         | (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// Decodes text without reading past `size`: UTF-8 when it is valid, otherwise the framework's
// single-byte fallback, so damaged bytes still give a string (which then fails to parse).
juce::String decodeText(const uint8_t* bytes, size_t size)
{
    if (size == 0)
        return {};
    const auto limited = static_cast<int>(std::min<size_t>(size, static_cast<size_t>(std::numeric_limits<int>::max())));
    return juce::String::createStringFromData(bytes, limited);
}

// Skips past `terminator`; returns false when the text ends first.
bool skipPast(juce::String::CharPointerType& p, const char* terminator)
{
    const auto length = static_cast<int>(std::strlen(terminator));
    for (; !p.isEmpty(); ++p)
        if (p.compareUpTo(juce::CharPointer_ASCII(terminator), length) == 0)
        {
            p += length;
            return true;
        }
    return false;
}

// The framework's XML reader recurses once per nesting level, so a file of a few hundred
// kilobytes of nested tags would exhaust the stack. A parameter tree is two levels deep; this
// rough pre-scan of start and end tags rejects anything nested far deeper before it is parsed.
bool nestsDeeperThan(const juce::String& text, int limit)
{
    int depth = 0;
    auto p = text.getCharPointer();

    while (!p.isEmpty())
    {
        if (*p != '<')
        {
            ++p;
            continue;
        }
        ++p;

        if (*p == '/')
        {
            depth = std::max(0, depth - 1);
            continue;
        }
        if (*p == '?')
        {
            if (!skipPast(p, "?>"))
                return false;
            continue;
        }
        if (*p == '!')
        {
            const bool skipped = p.compareUpTo(juce::CharPointer_ASCII("!--"), 3) == 0   ? skipPast(p, "-->")
                               : p.compareUpTo(juce::CharPointer_ASCII("![CDATA["), 8) == 0 ? skipPast(p, "]]>")
                                                                                           : skipPast(p, ">");
            if (!skipped)
                return false;
            continue;
        }

        // A start tag: find its end outside quoted attribute values.
        juce::juce_wchar quote = 0, previous = 0;
        bool selfClosing = false;
        for (; !p.isEmpty(); ++p)
        {
            const auto c = *p;
            if (quote != 0)
            {
                if (c == quote)
                    quote = 0;
            }
            else if (c == '"' || c == '\'')
                quote = c;
            else if (c == '>')
            {
                selfClosing = previous == '/';
                break;
            }
            previous = c;
        }
        if (!selfClosing && ++depth > limit)
            return true;
    }
    return false;
}

juce::ValueTree treeFromText(const juce::String& text, const juce::Identifier& stateType)
{
    constexpr int maximumNesting = 16;
    if (text.isEmpty() || nestsDeeperThan(text, maximumNesting))
        return {};

    const auto xml = juce::parseXML(text);
    if (xml == nullptr || !xml->getTagName().equalsIgnoreCase(stateType.toString()))
        return {};
    return juce::ValueTree::fromXml(*xml);
}

bool isFiniteNumber(const juce::var& value)
{
    if (value.isString())
    {
        // The framework's number parser reads "nan" and "inf"; anything else is finite or zero.
        return std::isfinite(value.toString().getDoubleValue());
    }
    if (value.isDouble() || value.isInt() || value.isInt64() || value.isBool())
        return std::isfinite(static_cast<double>(value));
    return false;
}
} // namespace

juce::ValueTree readParameterTree(const void* data, size_t sizeInBytes, const juce::Identifier& stateType,
                                  bool acceptPlainXml)
{
    if (data == nullptr || sizeInBytes == 0)
        return {};

    const auto* bytes = static_cast<const uint8_t*>(data);

    if (sizeInBytes > stateBlockHeaderSize && readLittleEndian32(bytes) == stateBlockMagic)
    {
        // A length field beyond the block is read up to the block's end.
        const auto declared = static_cast<size_t>(readLittleEndian32(bytes + 4));
        const auto length = std::min(declared, sizeInBytes - stateBlockHeaderSize);
        return treeFromText(decodeText(bytes + stateBlockHeaderSize, length), stateType);
    }

    if (!acceptPlainXml)
        return {};
    return treeFromText(decodeText(bytes, sizeInBytes), stateType);
}

juce::MemoryBlock writeStateBlock(const juce::ValueTree& tree)
{
    juce::MemoryBlock block;
    if (auto xml = tree.createXml())
        juce::AudioProcessor::copyXmlToBinary(*xml, block);
    return block;
}

juce::ValueTree mergePresetState(const juce::ValueTree& base, const juce::ValueTree& overlay)
{
    auto result = base.createCopy();
    if (!result.isValid())
        return result;

    // First child per id: presets list each parameter once, but a damaged one may repeat ids.
    std::unordered_map<juce::String, int> childIndex;
    childIndex.reserve(static_cast<size_t>(result.getNumChildren()));
    for (int i = result.getNumChildren(); --i >= 0;)
        childIndex[result.getChild(i).getProperty(idProperty).toString()] = i;

    for (const auto& overlayChild : overlay)
    {
        const auto id = overlayChild.getProperty(idProperty).toString();
        if (id.isEmpty())
            continue;
        const auto found = childIndex.find(id);
        if (found != childIndex.end())
            result.getChild(found->second).copyPropertiesFrom(overlayChild, nullptr);
    }
    return result;
}

void preserveParameterState(juce::ValueTree& target, const juce::ValueTree& source, const juce::String& parameterID)
{
    for (const auto& sourceChild : source)
    {
        if (sourceChild.getProperty(idProperty).toString() != parameterID)
            continue;
        auto targetChild = target.getChildWithProperty(idProperty, parameterID);
        if (targetChild.isValid())
        {
            targetChild.copyPropertiesFrom(sourceChild, nullptr);
            return;
        }
    }
}

void dropNonFiniteValues(juce::ValueTree& tree)
{
    for (auto child : tree)
        if (child.hasProperty(valueProperty) && !isFiniteNumber(child.getProperty(valueProperty)))
            child.removeProperty(valueProperty, nullptr);
}

} // namespace kestrum
