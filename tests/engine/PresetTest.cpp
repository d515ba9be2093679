#include "PresetTestSupport.h"

#include "engine/PresetFiles.h"
#include "engine/PresetTree.h"
#include "params/ParameterIDs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using namespace druvex::test;

namespace
{

juce::ValueTree treeOf(const juce::String& xmlText)
{
    return juce::ValueTree::fromXml(xmlText);
}

juce::var valueIn(const juce::ValueTree& tree, const juce::String& id)
{
    return tree.getChildWithProperty("id", id).getProperty("value");
}

void writePreset(const juce::File& file, float tempo)
{
    file.getParentDirectory().createDirectory();
    file.replaceWithText(presetXml({ { "Tempo", juce::String(tempo) } }));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Tree operations

TEST(PresetMerge, OverlayValuesWinAndEverythingElseComesFromTheBase)
{
    auto processor = makeProcessor(false);
    const auto base = processor->presets.defaultPresetState;
    ASSERT_EQ(base.getNumChildren(), 1067);

    const auto merged = kestrum::mergePresetState(base, treeOf(presetXml({ { "Tempo", juce::String("99") } })));

    ASSERT_EQ(merged.getNumChildren(), base.getNumChildren());
    for (int i = 0; i < base.getNumChildren(); ++i)
    {
        const auto id = base.getChild(i).getProperty("id").toString();
        if (id == "Tempo")
            EXPECT_EQ(merged.getChild(i).getProperty("value").toString(), "99");
        else
            EXPECT_TRUE(merged.getChild(i).isEquivalentTo(base.getChild(i))) << id;
    }
    EXPECT_EQ(static_cast<double>(valueIn(base, "Tempo")), 138.0); // the base is untouched
}

TEST(PresetMerge, AChildWithoutValueMeansTheLayoutDefaultNotTheBase)
{
    auto processor = makeProcessor(false);
    const auto merged = kestrum::mergePresetState(processor->presets.defaultPresetState,
                                                  treeOf(presetXml({ { "Tempo", std::nullopt } })));
    EXPECT_FALSE(merged.getChildWithProperty("id", "Tempo").hasProperty("value"));

    const auto block = stateBlock(presetXml({ { "Tempo", std::nullopt } }));
    processor->setStateInformation(block.getData(), static_cast<int>(block.getSize()));
    EXPECT_FLOAT_EQ(valueOf(*processor, "Tempo"), 120.0f);
}

TEST(PresetMerge, UnknownIdentifiersEmptyIdsAndOverlayRootPropertiesAreIgnored)
{
    const auto base = treeOf(presetXml({ { "Tempo", juce::String("138") }, { "DelayWet", juce::String("0.77") } }));
    const auto overlay = treeOf(presetXml({ { "NoSuchParameter", juce::String("5") },
                                            { "", juce::String("1") },
                                            { "tempo", juce::String("60") }, // identifiers are case-sensitive
                                            { "DelayWet", juce::String("0.5") } },
                                          "PARAMETERS", "interfaceSkin=\"Wake\" midiClockOutputDelayMs=\"20\""));

    const auto merged = kestrum::mergePresetState(base, overlay);

    EXPECT_EQ(merged.getNumChildren(), 2);
    EXPECT_EQ(valueIn(merged, "Tempo").toString(), "138");
    EXPECT_EQ(valueIn(merged, "DelayWet").toString(), "0.5");
    EXPECT_EQ(merged.getNumProperties(), 0);
    EXPECT_FALSE(kestrum::mergePresetState(juce::ValueTree(), overlay).isValid());
}

TEST(PresetMerge, PreserveCopiesOneParameterAndNeverAddsOne)
{
    auto target = treeOf(presetXml({ { "SequencerRun", juce::String("0") }, { "Tempo", juce::String("99") } }));
    const auto source = treeOf(presetXml({ { "SequencerRun", juce::String("1") }, { "SyncToDaw", juce::String("1") } }));

    kestrum::preserveParameterState(target, source, "SequencerRun");
    kestrum::preserveParameterState(target, source, "SyncToDaw");
    kestrum::preserveParameterState(target, source, "Tempo");

    EXPECT_EQ(target.getNumChildren(), 2);
    EXPECT_EQ(valueIn(target, "SequencerRun").toString(), "1");
    EXPECT_EQ(valueIn(target, "Tempo").toString(), "99");
}

// ---------------------------------------------------------------------------------------------
// The built-in preset

TEST(DefaultPreset, FreshProcessorPlaysGrooveOne)
{
    auto processor = makeProcessor(false);
    EXPECT_EQ(processor->presets.getCurrentName(), "Groove 1");
    EXPECT_EQ(processor->presets.defaultPresetName, "Groove 1");

    const std::vector<std::pair<const char*, float>> settings {
        { "Tempo", 138.0f },        { "SequencerRun", 0.0f },  { "SyncToDaw", 0.0f },
        { "DelaySync", 1.0f },      { "DelayTime", 0.415f },   { "DelayFeedback", 0.454f },
        { "DelayWet", 0.77f },      { "DelayHighPass", 0.541f }, { "DelayPreFader", 0.0f },
        { "GluePush", 8.836f },     { "LimiterSidechainFilter", 1.0f }, { "LimiterAutoGain", 1.0f },
    };
    for (const auto& [id, value] : settings)
        EXPECT_NEAR(valueOf(*processor, id), value, 1.0e-4f) << id;

    struct Pattern
    {
        std::set<int> stepsOn; // numbered from 1
        int length;
    };
    const std::array<Pattern, 8> patterns { {
        { { 1, 5, 9, 13 }, 16 },
        { { 5, 10, 11, 12, 13, 14, 15, 16 }, 8 },
        { { 2, 5, 6, 8, 10, 13 }, 3 },
        { { 1, 2, 3, 4 }, 4 },
        { { 3, 7, 10, 12, 13 }, 4 },
        { { 3, 4, 5, 7, 8, 9, 11, 13 }, 8 },
        { { 4 }, 8 },
        { { 1, 4, 7, 9, 11, 14 }, 16 },
    } };
    for (int c = 0; c < 8; ++c)
    {
        SCOPED_TRACE("channel " + std::to_string(c + 1));
        EXPECT_EQ(valueOf(*processor, kestrum::getParameterID(c, "SeqLength")), patterns[static_cast<size_t>(c)].length);
        for (int s = 0; s < 16; ++s)
            EXPECT_EQ(valueOf(*processor, kestrum::getStepParameterID(c, s)) >= 0.5f,
                      patterns[static_cast<size_t>(c)].stepsOn.count(s + 1) == 1)
                << "step " << s + 1;
    }
}

TEST(DefaultPreset, DefaultStateIsTheLoadedStateAndTheResourceListsEveryParameterInOrder)
{
    auto processor = makeProcessor(false);
    EXPECT_TRUE(processor->presets.defaultPresetState.isEquivalentTo(processor->parameters.copyState()));

    const auto resource = juce::File(DRUVEX_GOLDEN_DIR).getParentDirectory().getParentDirectory().getChildFile(
        "resources/druvex_default.druvexpreset");
    const auto preset = processor->readPresetState(resource);
    ASSERT_TRUE(preset.isValid()) << resource.getFullPathName();

    // Stored as a state block, with every parameter in ascending byte order of identifier.
    juce::MemoryBlock bytes;
    ASSERT_TRUE(resource.loadFileAsData(bytes));
    EXPECT_TRUE(processor->readPresetState(bytes.getData(), static_cast<int>(bytes.getSize())).isValid());
    ASSERT_EQ(preset.getNumChildren(), 1067);
    for (int i = 1; i < preset.getNumChildren(); ++i)
        EXPECT_LT(std::strcmp(preset.getChild(i - 1).getProperty("id").toString().toRawUTF8(),
                              preset.getChild(i).getProperty("id").toString().toRawUTF8()),
                  0);
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST(PresetLoad, KeepsHostSyncAndTheRunningSequencer)
{
    TemporaryFolder temp;
    const auto file = temp.folder.getChildFile("Stopped.druvexpreset");
    file.replaceWithText(presetXml({ { "Tempo", juce::String("99") },
                                     { "SequencerRun", juce::String("0") },
                                     { "SyncToDaw", juce::String("0") } }));

    auto processor = makeProcessor(false);
    setParameter(*processor, "SequencerRun", 1.0f);
    setParameter(*processor, "SyncToDaw", 1.0f);
    setParameter(*processor, "DelayWet", 0.1f);

    ASSERT_TRUE(processor->loadPresetFile(file));

    EXPECT_FLOAT_EQ(valueOf(*processor, "Tempo"), 99.0f);
    EXPECT_FLOAT_EQ(valueOf(*processor, "SequencerRun"), 1.0f);
    EXPECT_FLOAT_EQ(valueOf(*processor, "SyncToDaw"), 1.0f);
    EXPECT_NEAR(valueOf(*processor, "DelayWet"), 0.77f, 1.0e-4f); // the built-in value fills the gap
    EXPECT_EQ(processor->presets.getCurrentName(), "Stopped");
}

TEST(PresetLoad, TheInterfaceSkinStaysWithTheProcessorNotWithThePreset)
{
    TemporaryFolder temp;
    const auto file = temp.folder.getChildFile("Deep.druvexpreset");
    file.replaceWithText(presetXml({ { "Tempo", juce::String("99") } }, "PARAMETERS", "interfaceSkin=\"Deep\""));

    auto processor = makeProcessor(false);
    processor->parameters.state.setProperty("interfaceSkin", "Wake", nullptr);
    ASSERT_TRUE(processor->loadPresetFile(file));
    EXPECT_EQ(processor->parameters.state.getProperty("interfaceSkin").toString(), "Wake");

    // A host restoring its saved state brings the skin saved with it.
    auto source = makeProcessor(false);
    source->parameters.state.setProperty("interfaceSkin", "Wake", nullptr);
    const auto block = stateOf(*source);
    auto restored = makeProcessor(false);
    restored->setStateInformation(block.getData(), static_cast<int>(block.getSize()));
    EXPECT_EQ(restored->parameters.state.getProperty("interfaceSkin").toString(), "Wake");
}

TEST(PresetLoad, ClockDelayIsRoundedAndLimitedInTheStandaloneApplication)
{
    TemporaryFolder temp;
    const auto file = temp.folder.getChildFile("Delay.druvexpreset");

    const std::vector<std::pair<juce::String, float>> cases {
        { "72.6", 50.0f }, { "-12.5", -13.0f }, { "12.5", 13.0f }, { "-80", -50.0f },
        { "7.4", 7.0f },   { "", 0.0f },        { "nan", 0.0f },   { "none", 0.0f },
    };
    for (const auto& [delay, expected] : cases)
    {
        SCOPED_TRACE(delay.toStdString());
        const auto attribute = delay == "none" ? juce::String() : "midiClockOutputDelayMs=\"" + delay + "\"";
        file.replaceWithText(presetXml({ { "Tempo", juce::String("99") } }, "PARAMETERS", attribute));

        auto standalone = makeProcessor(true);
        standalone->setMidiClockDelayMs(20.0f);
        ASSERT_TRUE(standalone->loadPresetFile(file));
        EXPECT_FLOAT_EQ(standalone->getMidiClockDelayMs(), expected);
    }

    // A plug-in sends no clock, so the preset's delay is not applied.
    file.replaceWithText(presetXml({}, "PARAMETERS", "midiClockOutputDelayMs=\"30\""));
    auto plugin = makeProcessor(false);
    ASSERT_TRUE(plugin->loadPresetFile(file));
    EXPECT_FLOAT_EQ(plugin->getMidiClockDelayMs(), 0.0f);
}

TEST(PresetLoad, FilesThatAreNotPresetsChangeNothing)
{
    TemporaryFolder temp;
    const auto folder = temp.folder;
    folder.getChildFile("empty.druvexpreset").create();
    folder.getChildFile("text.druvexpreset").replaceWithText("Tempo=99");
    folder.getChildFile("other-root.druvexpreset").replaceWithText(presetXml({ { "Tempo", juce::String("99") } }, "PROGRAM"));
    folder.getChildFile("broken.druvexpreset").replaceWithText(presetXml({ { "Tempo", juce::String("99") } }).upToFirstOccurrenceOf("id=\"Tem", true, false));
    folder.getChildFile("folder.druvexpreset").createDirectory();
    const unsigned char binary[] = { 0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00 };
    folder.getChildFile("binary.druvexpreset").replaceWithData(binary, sizeof(binary));

    for (const auto* name : { "empty", "text", "other-root", "broken", "folder", "binary", "missing" })
    {
        SCOPED_TRACE(name);
        auto processor = makeProcessor(false);
        processor->presets.setCurrentName("Before");
        const auto before = parameterValues(*processor);

        const auto file = folder.getChildFile(juce::String(name) + ".druvexpreset");
        EXPECT_FALSE(processor->readPresetState(file).isValid());
        EXPECT_FALSE(processor->loadPresetFile(file));
        EXPECT_EQ(parameterValues(*processor), before);
        EXPECT_EQ(processor->presets.getCurrentName(), "Before");
    }
    EXPECT_FALSE(makeProcessor(false)->readPresetState(juce::File()).isValid());
}

TEST(PresetLoad, PlainXmlFilesAreAcceptedWhateverTheCaseOfTheRootTag)
{
    TemporaryFolder temp;
    const auto file = temp.folder.getChildFile("Lower.druvexpreset");
    file.replaceWithText(presetXml({ { "Tempo", juce::String("99") } }, "parameters"));

    auto processor = makeProcessor(false);
    EXPECT_TRUE(processor->readPresetState(file).isValid());
    ASSERT_TRUE(processor->loadPresetFile(file));
    EXPECT_FLOAT_EQ(valueOf(*processor, "Tempo"), 99.0f);
}

// ---------------------------------------------------------------------------------------------
// Preset folders

struct PresetFolders : ::testing::Test
{
    TemporaryFolder temp;
    juce::File base = temp.folder;
    juce::File current = kestrum::getCurrentPresetDirectory(base);
    juce::File previous = kestrum::getPreviousDruvexPresetDirectory(base);
    juce::File legacy = kestrum::getLegacyPresetDirectory(base);

    std::unique_ptr<Kestrum8AudioProcessor> processor = makeProcessor(false);

    void SetUp() override
    {
        processor->presets.baseDirectory = base;
        writePreset(current.getChildFile("Alpha.druvexpreset"), 101);
        writePreset(legacy.getChildFile("Alpha.druvexpreset"), 199);           // shadowed by the current folder
        writePreset(previous.getChildFile("Beta.tevdrumspreset"), 102);
        writePreset(legacy.getChildFile("Gamma.kestrum8preset"), 103);
        writePreset(previous.getChildFile(" delta .druvexpreset"), 104);       // named without the blanks
        writePreset(legacy.getChildFile("Echo.druvexpreset"), 105);            // current extension first ...
        writePreset(current.getChildFile("Echo.tevdrumspreset"), 106);         // ... before the current folder
        current.getChildFile("Foxtrot.druvexpreset").replaceWithText("not a preset");
        writePreset(previous.getChildFile("Foxtrot.druvexpreset"), 107);       // the next readable candidate
        current.getChildFile("Junk.druvexpreset").replaceWithText("not a preset");
        writePreset(current.getChildFile("Groove 1.druvexpreset"), 177);      // the built-in one wins
        writePreset(current.getChildFile("Ignored.txt"), 108);
    }

    bool load(const juce::String& name) { return processor->loadPresetByName(name); }
    float tempo() { return valueOf(*processor, "Tempo"); }
};

TEST_F(PresetFolders, LiveUnderTheBaseFolder)
{
    EXPECT_EQ(current, base.getChildFile("Application Support/DRUVEX/Presets"));
    EXPECT_EQ(previous, base.getChildFile("DRUVEX/Presets"));
    EXPECT_EQ(legacy, base.getChildFile("TEV DRUMS/Presets"));
    EXPECT_EQ(processor->getPresetDirectory(), current);
}

TEST_F(PresetFolders, ListTheBuiltInPresetFirstThenEveryReadablePresetOnce)
{
    EXPECT_EQ(processor->getPresetNames(),
              juce::StringArray({ "Groove 1", "Alpha", "Beta", "delta", "Echo", "Foxtrot", "Gamma" }));
}

TEST_F(PresetFolders, LoadByNameFollowsTheSearchOrder)
{
    const std::vector<std::pair<const char*, float>> cases {
        { "Alpha", 101 }, { "alpha", 101 }, { "Beta", 102 }, { "Gamma", 103 }, { "DELTA", 104 },
        { " delta ", 104 }, { "Echo", 105 }, { "Foxtrot", 107 }, { "groove 1", 138 },
    };
    for (const auto& [name, expected] : cases)
    {
        SCOPED_TRACE(name);
        setParameter(*processor, "Tempo", 60.0f);
        ASSERT_TRUE(load(name));
        EXPECT_FLOAT_EQ(tempo(), expected);
        EXPECT_EQ(processor->presets.getCurrentName(), juce::String(name).trim());
    }
}

TEST_F(PresetFolders, NamesWithoutAReadablePresetChangeNothing)
{
    setParameter(*processor, "Tempo", 60.0f);
    processor->presets.setCurrentName("Before");
    for (const auto* name : { "Junk", "Ignored", "Nobody", "", "   " })
    {
        SCOPED_TRACE(name);
        EXPECT_FALSE(load(name));
        EXPECT_FLOAT_EQ(tempo(), 60.0f);
        EXPECT_EQ(processor->presets.getCurrentName(), "Before");
    }
}

TEST_F(PresetFolders, SavingCreatesTheCurrentFolderAndLoadsBackAsSaved)
{
    current.deleteRecursively();
    auto standalone = makeProcessor(true);
    standalone->presets.baseDirectory = base;
    setParameter(*standalone, "Tempo", 87.5f);
    setParameter(*standalone, "ch3Step07", 1.0f);
    standalone->setMidiClockDelayMs(-7.0f);

    ASSERT_TRUE(standalone->savePreset("My/Groove"));
    const auto file = current.getChildFile("MyGroove.druvexpreset");
    ASSERT_TRUE(file.existsAsFile());
    EXPECT_EQ(standalone->presets.getCurrentName(), "MyGroove");
    EXPECT_EQ(static_cast<double>(standalone->readPresetState(file).getProperty("midiClockOutputDelayMs")), -7.0);
    EXPECT_TRUE(standalone->getPresetNames().contains("MyGroove"));

    auto other = makeProcessor(true);
    other->presets.baseDirectory = base;
    ASSERT_TRUE(other->loadPresetByName("MyGroove"));
    EXPECT_FLOAT_EQ(valueOf(*other, "Tempo"), 87.5f);
    EXPECT_FLOAT_EQ(valueOf(*other, "ch3Step07"), 1.0f);
    EXPECT_FLOAT_EQ(other->getMidiClockDelayMs(), -7.0f);

    ASSERT_TRUE(standalone->savePreset("  "));
    EXPECT_TRUE(current.getChildFile("User Preset.druvexpreset").existsAsFile());
}
