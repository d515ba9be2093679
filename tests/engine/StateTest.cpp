#include "PresetTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

using namespace druvex::test;

namespace
{

uint32_t lengthFieldOf(const juce::MemoryBlock& block)
{
    uint32_t length = 0;
    std::memcpy(&length, static_cast<const char*>(block.getData()) + 4, 4);
    return juce::ByteOrder::swapIfBigEndian(length);
}

// Gives every parameter a value of its own, away from its default, so a round trip that drops or
// mixes up any parameter shows.
void scatterParameters(Kestrum8AudioProcessor& processor)
{
    int i = 0;
    for (auto* parameter : processor.getParameters())
    {
        const float normalised = std::fmod(0.37f + 0.618034f * static_cast<float>(i++), 1.0f);
        parameter->setValueNotifyingHost(normalised);
    }
}

void expectSameValues(const std::map<juce::String, float>& actual, const std::map<juce::String, float>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (const auto& [id, value] : expected)
    {
        const auto found = actual.find(id);
        ASSERT_NE(found, actual.end()) << id;
        EXPECT_NEAR(found->second, value, 1.0e-5f * std::max(1.0f, std::abs(value))) << id;
    }
}

} // namespace

TEST(StateBlock, FreshProcessorWritesTheWholeTreeAsOneLineBehindTheMagic)
{
    auto processor = makeProcessor(false);
    const auto block = stateOf(*processor);
    ASSERT_GT(block.getSize(), 9u);

    const auto* bytes = static_cast<const char*>(block.getData());
    EXPECT_EQ(juce::String(bytes, 4), "VC2!");
    EXPECT_EQ(lengthFieldOf(block), block.getSize() - 9);
    EXPECT_EQ(bytes[block.getSize() - 1], 0);

    const auto text = juce::String::fromUTF8(bytes + 8, static_cast<int>(lengthFieldOf(block)));
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMETERS"));
    EXPECT_FALSE(text.containsAnyOf("\r\n"));

    const auto xml = juce::parseXML(text);
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(xml->getTagName(), "PARAMETERS");
    EXPECT_EQ(xml->getNumChildElements(), 1067);
    for (auto* child : xml->getChildIterator())
        ASSERT_EQ(child->getTagName(), "PARAM");
}

TEST(StateBlock, RoundTripThroughAPlugInRestoresEveryValueAndNamesTheHostState)
{
    auto source = makeProcessor(false);
    scatterParameters(*source);
    const auto expected = parameterValues(*source);

    const auto block = stateOf(*source);
    auto target = makeProcessor(false);
    target->setStateInformation(block.getData(), static_cast<int>(block.getSize()));

    expectSameValues(parameterValues(*target), expected);
    EXPECT_EQ(target->presets.getCurrentName(), "Host State");
}

TEST(StateBlock, StandaloneApplicationKeepsItsParametersAndReturnsToTheDefaultName)
{
    auto source = makeProcessor(false);
    scatterParameters(*source);
    const auto block = stateOf(*source);

    auto standalone = makeProcessor(true);
    setParameter(*standalone, "Tempo", 100.0f);
    standalone->presets.setCurrentName("Something Else");
    const auto before = parameterValues(*standalone);

    standalone->setStateInformation(block.getData(), static_cast<int>(block.getSize()));

    EXPECT_EQ(parameterValues(*standalone), before);
    EXPECT_EQ(standalone->presets.getCurrentName(), "Groove 1");
}

TEST(StateBlock, ParametersTheBlockLeavesOutTakeTheDefaultPresetsValues)
{
    auto processor = makeProcessor(false);
    setParameter(*processor, "Tempo", 77.0f);
    setParameter(*processor, "DelayWet", 0.1f);

    const auto block = stateBlock(presetXml({ { "DelayWet", juce::String("0.25") } }));
    processor->setStateInformation(block.getData(), static_cast<int>(block.getSize()));

    EXPECT_FLOAT_EQ(valueOf(*processor, "DelayWet"), 0.25f);
    EXPECT_FLOAT_EQ(valueOf(*processor, "Tempo"), 138.0f); // the built-in preset's, not the 77 before
}

// Blocks that are not a parameter state: the plug-in keeps every value and its preset name.
TEST(StateBlock, RejectedBlocksChangeNothing)
{
    const auto text = presetXml({ { "Tempo", juce::String("99") } });
    const auto valid = stateBlock(text);

    auto withByte = [&](size_t index, char value) {
        juce::MemoryBlock block(valid);
        static_cast<char*>(block.getData())[index] = value;
        return block;
    };
    auto firstBytes = [&](size_t count) { return juce::MemoryBlock(valid.getData(), count); };

    const std::vector<std::pair<const char*, juce::MemoryBlock>> cases {
        { "fourth magic byte not '!'", withByte(3, '?') },
        { "magic in the wrong byte order", withByte(0, '!') },
        { "header only", firstBytes(8) },
        { "fewer bytes than a header", firstBytes(5) },
        { "XML cut in the middle", firstBytes(valid.getSize() / 2) },
        { "length field zero", stateBlock(text, 0u) },
        { "root of another type", stateBlock(presetXml({ { "Tempo", juce::String("99") } }, "PROGRAM")) },
        { "not XML at all", stateBlock("Tempo=99") },
        { "plain XML without the header", juce::MemoryBlock(text.toRawUTF8(), text.getNumBytesAsUTF8()) },
    };

    for (const auto& [what, block] : cases)
    {
        SCOPED_TRACE(what);
        auto processor = makeProcessor(false);
        setParameter(*processor, "Tempo", 123.0f);
        processor->presets.setCurrentName("Before");
        const auto before = parameterValues(*processor);

        processor->setStateInformation(block.getData(), static_cast<int>(block.getSize()));

        EXPECT_EQ(parameterValues(*processor), before);
        EXPECT_EQ(processor->presets.getCurrentName(), "Before");
        EXPECT_FALSE(processor->readPresetState(block.getData(), static_cast<int>(block.getSize())).isValid());
    }

    auto processor = makeProcessor(false);
    const auto before = parameterValues(*processor);
    processor->setStateInformation(nullptr, 100);
    processor->setStateInformation(valid.getData(), 0);
    EXPECT_EQ(parameterValues(*processor), before);
}

TEST(StateBlock, AcceptedBlockForms)
{
    const auto text = presetXml({ { "Tempo", juce::String("99") } });
    const std::vector<std::pair<const char*, juce::MemoryBlock>> cases {
        { "exact length", stateBlock(text) },
        // Read up to the end of the block; a reader that took the field as a signed size would
        // reject the largest values.
        { "length field a little beyond the block", stateBlock(text, static_cast<uint32_t>(text.getNumBytesAsUTF8() + 100)) },
        { "length field 0xffffffff", stateBlock(text, 0xffffffffu) },
        { "root tag in lower case", stateBlock(presetXml({ { "Tempo", juce::String("99") } }, "parameters")) },
    };

    for (const auto& [what, block] : cases)
    {
        SCOPED_TRACE(what);
        auto processor = makeProcessor(false);
        processor->setStateInformation(block.getData(), static_cast<int>(block.getSize()));
        EXPECT_FLOAT_EQ(valueOf(*processor, "Tempo"), 99.0f);
        EXPECT_EQ(processor->presets.getCurrentName(), "Host State");
    }
}

TEST(StateBlock, NonFiniteValuesFallBackToTheLayoutDefault)
{
    for (const char* value : { "nan", "inf", "-inf", "1e999" })
    {
        SCOPED_TRACE(value);
        auto processor = makeProcessor(false);
        const auto block = stateBlock(presetXml({ { "Tempo", juce::String(value) }, { "DelayWet", juce::String("0.5") } }));
        processor->setStateInformation(block.getData(), static_cast<int>(block.getSize()));

        EXPECT_FLOAT_EQ(valueOf(*processor, "Tempo"), 120.0f);
        EXPECT_FLOAT_EQ(valueOf(*processor, "DelayWet"), 0.5f);
    }
}

// Damaged copies of a valid state block and of a valid XML preset file: none may crash, every
// accepted one leaves finite values, and every rejected one leaves all parameters as they were.
TEST(StateBlock, DamagedBlocksAndFilesAreReadSafely)
{
    auto processor = makeProcessor(false);
    setParameter(*processor, "Tempo", 111.0f);
    const auto validBlock = stateOf(*processor);
    const auto validXml = processor->parameters.copyState().toXmlString();

    TemporaryFolder temp;
    const auto file = temp.folder.getChildFile("damaged.druvexpreset");

    std::mt19937 random(20261211);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % std::max<size_t>(n, 1)); };
    const char tagSoup[] = "<>/\"'= !?-[]PARAMidvalue0123456789.e\n";

    auto damage = [&](std::vector<char> bytes) {
        switch (random() % 5)
        {
        case 0: // flip a few bytes anywhere
            for (int i = 0, n = 1 + static_cast<int>(random() % 8); i < n && !bytes.empty(); ++i)
                bytes[pick(bytes.size())] = static_cast<char>(random());
            break;
        case 1: // cut short
            bytes.resize(pick(bytes.size()));
            break;
        case 2: // overwrite a stretch with XML punctuation and names
            for (size_t i = pick(bytes.size()), end = std::min(bytes.size(), i + 1 + pick(40)); i < end; ++i)
                bytes[i] = tagSoup[pick(sizeof(tagSoup) - 1)];
            break;
        case 3: // splice in a stretch of another position
        {
            const auto from = pick(bytes.size()), to = pick(bytes.size()), n = pick(200);
            std::vector<char> stretch(bytes.begin() + static_cast<long>(from),
                                      bytes.begin() + static_cast<long>(std::min(bytes.size(), from + n)));
            bytes.insert(bytes.begin() + static_cast<long>(to), stretch.begin(), stretch.end());
            break;
        }
        default: // damage the header or the start of the text
            for (int i = 0, n = 1 + static_cast<int>(random() % 3); i < n && !bytes.empty(); ++i)
                bytes[pick(std::min<size_t>(bytes.size(), 48))] = static_cast<char>(random());
            break;
        }
        return bytes;
    };

    const auto* blockBytes = static_cast<const char*>(validBlock.getData());
    const std::vector<char> blockOriginal(blockBytes, blockBytes + validBlock.getSize());
    const std::vector<char> xmlOriginal(validXml.toRawUTF8(), validXml.toRawUTF8() + validXml.getNumBytesAsUTF8());

    // Plain value copies through the raw handles: thousands of snapshots stay cheap.
    std::vector<std::atomic<float>*> handles;
    for (const auto& entry : parameterValues(*processor))
        handles.push_back(processor->parameters.getRawParameterValue(entry.first));
    auto snapshot = [&] {
        std::vector<float> values;
        values.reserve(handles.size());
        for (auto* handle : handles)
            values.push_back(handle->load());
        return values;
    };

    int accepted = 0, rejected = 0;
    for (int i = 0; i < 2000; ++i)
    {
        const bool asFile = i % 2 == 1;
        const auto bytes = damage(asFile ? xmlOriginal : blockOriginal);
        const auto before = snapshot();

        bool loaded = false;
        if (asFile)
        {
            file.replaceWithData(bytes.data(), bytes.size());
            loaded = processor->loadPresetFile(file);
        }
        else
        {
            loaded = processor->readPresetState(bytes.data(), static_cast<int>(bytes.size())).isValid();
            processor->setStateInformation(bytes.data(), static_cast<int>(bytes.size()));
        }

        if (loaded)
        {
            ++accepted;
            for (const auto value : snapshot())
                ASSERT_TRUE(std::isfinite(value)) << "after damage " << i;
        }
        else
        {
            ++rejected;
            ASSERT_EQ(snapshot(), before) << "rejected damage " << i << " changed parameters";
        }
    }
    // Both outcomes were exercised.
    EXPECT_GT(accepted, 100);
    EXPECT_GT(rejected, 100);
}

TEST(StateBlock, DeeplyNestedXmlIsRejectedWithoutExhaustingTheStack)
{
    auto processor = makeProcessor(false);
    const auto before = parameterValues(*processor);

    std::string text = "<PARAMETERS>";
    for (int i = 0; i < 200000; ++i)
        text += "<a>";
    const auto block = stateBlock(juce::String(text));
    processor->setStateInformation(block.getData(), static_cast<int>(block.getSize()));

    EXPECT_EQ(parameterValues(*processor), before);
}
