#include "LayoutProcessor.h"
#include "params/ParameterIDs.h"
#include "params/ParameterLayout.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace kestrum
{
namespace
{

using druvex::test::LayoutProcessor;
using Strings = std::vector<juce::String>;

juce::String idOf(juce::AudioProcessorParameter* parameter)
{
    return dynamic_cast<juce::AudioProcessorParameterWithID*>(parameter)->paramID;
}

Strings layoutIDs(juce::AudioProcessor& processor)
{
    Strings ids;
    for (auto* parameter : processor.getParameters())
        ids.push_back(idOf(parameter));
    return ids;
}

// ---------------------------------------------------------------------------------------------
// The order a host sees, written out independently of the layout's own tables.

Strings withPrefix(const juce::String& prefix, const Strings& suffixes)
{
    Strings out;
    for (const auto& s : suffixes)
        out.push_back(prefix + s);
    return out;
}

void append(Strings& to, const Strings& from) { to.insert(to.end(), from.begin(), from.end()); }

const Strings sharedTone { "Tune",     "Decay",    "Tone",      "Shape",     "Noise",        "HatSaturation",
                           "HatGain",  "FMAmount", "Foldback",  "Osc2On",    "Osc2Tune",     "Osc2Fine",
                           "Osc2Level", "FilterCutoff", "FilterEnv", "Sp1200On", "Sp1200Cutoff", "Sp1200Resonance",
                           "SnareLimit" };

Strings sharedToneSlice(const juce::String& first, const juce::String& last)
{
    const auto begin = std::find(sharedTone.begin(), sharedTone.end(), first);
    const auto end = std::find(sharedTone.begin(), sharedTone.end(), last) + 1;
    return { begin, end };
}

Strings equaliser(const juce::String& prefix, bool withFourthBand)
{
    Strings s = withPrefix(prefix, { "Enabled", "Muted", "Post", "Band1Enabled", "Frequency", "Gain", "Q",
                                     "Band2Enabled", "Frequency2", "Gain2", "Q2", "Band3Enabled", "Frequency3",
                                     "Gain3", "Q3" });
    if (withFourthBand)
        append(s, withPrefix(prefix, { "Band4Enabled", "Frequency4", "Gain4", "Q4" }));
    return s;
}

const Strings ampEnvelope { "Sh101Attack", "Sh101Decay", "Sh101Sustain", "Sh101Release" };

Strings toneBlock(int channelIndex)
{
    Strings s;
    switch (channelIndex)
    {
        case 0:
            s = { "Kik9Tune",   "Kik9TuneDecay",  "Kik9TuneDepth",     "Kik9Decay",          "Kik9Attack",
                  "Kik9Noise",  "Kik9Distortion", "Kik9Compression",   "Kik9Level",          "Kik9Accent",
                  "Kik9EqLowShelfFreq", "Kik9EqLowMidFreq", "Kik9EqHighMidFreq", "Kik9EqHighShelfFreq",
                  "Kik9AltModel", "Kik9Model3",   "Kik9Model4",        "Kik9Model5",         "Kik9Model6",
                  "Kik9Model7" };
            append(s, equaliser("Kik9MatchEq", true));
            append(s, { "Kik9AltPitch", "Kik9AltTune", "Kik9AltTuneDepth", "Kik9AltDecay", "Kik9AltAttack",
                        "Kik9AltLevel", "Kik9AltDrive424", "Kik9AltDrive424Enabled", "Kik9AltCompressionXla" });
            break;
        case 1:
            s = sharedToneSlice("Tune", "Noise");
            append(s, { "SnareEqLowShelfFreq", "SnareEqLowMidFreq", "SnareEqHighMidFreq", "SnareEqHighShelfFreq" });
            append(s, sharedToneSlice("HatSaturation", "SnareLimit"));
            break;
        case 2:
            s = { "RimLowTune",  "RimHighTune", "RimDecay", "RimLowLevel",
                  "RimHighLevel", "RimHighPass", "RimDrive", "RimSnap" };
            break;
        case 3: s = sharedTone; break;
        case 4:
            s = sharedToneSlice("Tune", "HatGain");
            append(s, { "Hat9OpenDecay", "Hat9OpenTune", "Hat9OpenLevel", "Hat9Accent", "Hat9RfCutoff",
                        "Hat9RfRes", "Hat9HpCutoff", "Hat9RfBypass", "Hat9EqOn", "Hat9EqMidGain", "Hat9EqMidQ",
                        "Hat9EqTopGain", "Hat9EqTopQ", "Hat9EqSat", "Hat9Dac12" });
            append(s, equaliser("Hat9Gs3Eq", false));
            append(s, sharedToneSlice("FMAmount", "SnareLimit"));
            break;
        case 5:
        case 7:
            s = sharedToneSlice("Tune", "FMAmount");
            s.push_back(channelIndex == 5 ? "GenAWaveform" : "GenCSemMode");
            append(s, sharedToneSlice("Foldback", "SnareLimit"));
            append(s, ampEnvelope);
            break;
        case 6:
            s = sharedTone;
            append(s, { "Sh101Octave", "Sh101Tune", "Sh101SawLevel", "Sh101PulseLevel", "Sh101PulseWidth",
                        "Sh101SubDetune", "Sh101SubLevel", "Sh101SubType", "Sh101Cutoff", "Sh101Resonance",
                        "Sh101FilterEnv", "Sh101LfoRate", "Sh101LfoAmount", "Sh101LfoDestination" });
            append(s, ampEnvelope);
            break;
        default: break;
    }
    return s;
}

Strings expectedOrder()
{
    Strings ids(globalParameterIDs.begin(), globalParameterIDs.end());

    for (int c = 0; c < numChannels; ++c)
    {
        const juce::String prefix = "ch" + juce::String(c + 1);
        append(ids, withPrefix(prefix, toneBlock(c)));
        append(ids, withPrefix(prefix, { "Volume", "Mute", "Solo", "FxSend", "OutputRoute", "VelocityRandom",
                                         "SeqOverwrite", "PolyMode", "SeqLength", "EqLow", "EqMid", "EqHigh" }));
        if (c == 0)
            ids.push_back(prefix + "Kik9EqHighShelf");
        if (c != 0 && c != 4)
            append(ids, withPrefix(prefix, equaliser("ModuleGs3Eq", false)));
        if (c == 1)
            ids.push_back(prefix + "SnareEqHighShelf");

        for (int step = 1; step <= 16; ++step)
        {
            const juce::String s = prefix + "Step" + juce::String(step).paddedLeft('0', 2);
            append(ids, { s, s + "Velocity", s + "Pitch" });
            if (c == 6 || c == 7)
            {
                ids.push_back(s + "ChordCount");
                for (int k = 2; k <= 4; ++k)
                    append(ids, { s + "Chord" + juce::String(k) + "Pitch", s + "Chord" + juce::String(k) + "Velocity" });
            }
        }
    }

    const char* shapePrefixes[] = { "Kik9MatchEq", "ModuleGs3Eq", "ModuleGs3Eq", "ModuleGs3Eq",
                                    "Hat9Gs3Eq",   "ModuleGs3Eq", "ModuleGs3Eq", "ModuleGs3Eq" };
    for (int c = 0; c < numChannels; ++c)
        for (const char* shape : { "Shape", "Shape2", "Shape3" })
            ids.push_back("ch" + juce::String(c + 1) + shapePrefixes[c] + shape);

    return ids;
}

class Layout : public ::testing::Test
{
protected:
    LayoutProcessor processor;

    juce::RangedAudioParameter& parameter(const juce::String& id)
    {
        auto* p = processor.parameters.getParameter(id);
        if (p == nullptr)
            throw std::runtime_error(("no parameter " + id).toStdString());
        return *p;
    }
};

TEST_F(Layout, EveryParameterInTheFixedOrder)
{
    const auto actual = layoutIDs(processor);
    const auto expected = expectedOrder();

    ASSERT_EQ(expected.size(), 1067u); // the expectation itself adds up
    ASSERT_EQ(actual.size(), expected.size());
    EXPECT_EQ(processor.getParameters().size(), numLayoutParameters);

    for (size_t i = 0; i < actual.size(); ++i)
        ASSERT_EQ(actual[i], expected[i]) << "at index " << i;
}

TEST_F(Layout, LandmarksAndPerChannelCounts)
{
    const auto ids = layoutIDs(processor);
    ASSERT_EQ(ids.size(), 1067u);
    EXPECT_EQ(ids[0], "Tempo");
    EXPECT_EQ(ids[15], "ch1Kik9Tune");
    EXPECT_EQ(ids[1043], "ch1Kik9MatchEqShape");
    EXPECT_EQ(ids[1066], "ch8ModuleGs3EqShape3");

    // Channel blocks are contiguous, in channel order, between the globals and the shapes.
    std::map<int, int> counts;
    int previous = 1;
    for (size_t i = 15; i < 1043; ++i)
    {
        ASSERT_TRUE(ids[i].startsWith("ch")) << ids[i];
        const int channel = ids[i].substring(2, 3).getIntValue();
        ASSERT_GE(channel, previous) << ids[i];
        previous = channel;
        ++counts[channel];
    }

    const std::map<int, int> expected { { 1, 109 }, { 2, 99 }, { 3, 83 }, { 4, 94 },
                                        { 5, 109 }, { 6, 99 }, { 7, 224 }, { 8, 211 } };
    EXPECT_EQ(counts, expected);
}

TEST_F(Layout, IdentifiersThatExistAndThatDoNot)
{
    for (const char* id : { "ch8Step16Chord4Velocity", "ch7Step01Chord2Pitch", "ch7Step16ChordCount",
                            "ch1Kik9MatchEqQ4", "ch1Kik9EqHighShelf", "ch2SnareEqHighShelf", "ch5Hat9Gs3EqQ3",
                            "ch6GenAWaveform", "ch8GenCSemMode", "ch3ModuleGs3EqShape3", "ch5Hat9HpCutoff" })
        EXPECT_NE(processor.parameters.getParameter(id), nullptr) << id;

    for (const char* id : { "ch6Step01ChordCount", // chords on channels 7 and 8 only
                            "ch1Step01Chord2Pitch", "ch1Tune", "ch3Tune", "ch0Step01", "ch9Tune",
                            "ch1Step17",           "ch1Kik9MatchEqShape4", "ch2ModuleGs3EqFrequency4",
                            "ch1ModuleGs3EqEnabled", "ch5ModuleGs3EqEnabled", "ch4Hat9Gs3EqEnabled",
                            "ch7GenAWaveform", "ch6GenCSemMode", "ch3Kik9EqHighShelf", "ch4SnareEqHighShelf",
                            "ch6Sh101Octave", "ch1Volume1" })
        EXPECT_EQ(processor.parameters.getParameter(id), nullptr) << id;
}

TEST_F(Layout, EveryCatalogueControlHasItsParameter)
{
    for (int c = 0; c < numChannels; ++c)
    {
        const auto& row = getChannelDescriptor(c);
        for (int slot = 0; slot < row.controlCount; ++slot)
        {
            const auto id = getParameterID(c, row.parameterSuffixes[static_cast<size_t>(slot)]);
            EXPECT_NE(processor.parameters.getParameter(id), nullptr) << id;
        }
    }
}

TEST_F(Layout, DisplayNames)
{
    const std::pair<const char*, const char*> cases[] = {
        { "Tempo", "Tempo" },
        { "GluePush", "Dial Into Limiter / Output Gain" },
        { "DelayPreFader", "Delay Send Pre-Mute" },
        { "ch1Kik9Tune", "1 KIK 9 KIK 9 Tune" },
        { "ch5Volume", "5 TEV HAT 9 Open Volume" },
        { "ch5Hat9OpenDecay", "5 TEV HAT 9 Open TEV HAT 9 Open Decay" },
        { "ch2Tune", "2 808 Snare Synth Pitch" },
        { "ch2Noise", "2 808 Snare Snappy" },
        { "ch4Tune", "4 808 Closed Hat Tune" },
        { "ch2Osc2Tune", "2 808 Snare Osc2 Pitch" },
        { "ch7Osc2Tune", "7 Bass Bin Osc2 Pitch" },
        { "ch4Osc2Tune", "4 808 Closed Hat Aux Pitch" },
        { "ch2Sp1200On", "2 808 Snare 12 Bit Amount" },
        { "ch8SnareLimit", "8 CHORD PULLER Aux Limit" },
        { "ch2SnareLimit", "2 808 Snare LA2A Smash" },
        { "ch1EqLow", "1 KIK 9 Trident 80B Low Shelf Gain" },
        { "ch2EqHigh", "2 808 Snare Trident 80B High Mid Gain" },
        { "ch3EqLow", "3 808 Rim Shot EQ Low" },
        { "ch2SnareEqLowShelfFreq", "2 808 Snare Trident 80B Low Shelf Frequency" },
        { "ch1Kik9EqHighShelf", "1 KIK 9 Trident 80B High Shelf Gain" },
        { "ch6Sh101Attack", "6 General Drum A Amp Envelope Attack" },
        { "ch7Sh101Attack", "7 Bass Bin SH-101 VCA Attack" },
        { "ch6GenAWaveform", "6 General Drum A Waveform" },
        { "ch1Kik9MatchEqPost", "1 KIK 9 GS3 EQ Post Drive And Compression" },
        { "ch3ModuleGs3EqPost", "3 808 Rim Shot GS3 EQ Post Module Output Saturation" },
        { "ch5Hat9Gs3EqPost", "5 TEV HAT 9 Open GS3 EQ Post 424 Drive and 12 Bit" },
        { "ch5Hat9Gs3EqFrequency3", "5 TEV HAT 9 Open GS3 EQ HF Turnover" },
        { "ch1Kik9MatchEqGain4", "1 KIK 9 Legacy Fourth EQ Band Gain" },
        { "ch1SeqOverwrite", "1 KIK 9 MIDI Span Ext Seq Overwrite" },
        { "ch3Step01", "3 808 Rim Shot Step 1" },
        { "ch3Step16Velocity", "3 808 Rim Shot Step 16 Velocity" },
        { "ch7Step01ChordCount", "7 Bass Bin Step 1 Chord Notes" },
        { "ch8Step16Chord3Pitch", "8 CHORD PULLER Step 16 Chord 3 Pitch" },
        { "ch8Step16Chord4Velocity", "8 CHORD PULLER Step 16 Chord 4 Velocity" },
        // The equaliser shapes are named by the short channel name alone.
        { "ch1Kik9MatchEqShape", "KICK EQ Band 1 Shape" },
        { "ch4ModuleGs3EqShape2", "CH EQ Band 2 Shape" },
        { "ch5Hat9Gs3EqShape3", "OH EQ Band 3 Shape" },
        { "ch8ModuleGs3EqShape3", "CHORD PULLER EQ Band 3 Shape" },
    };

    for (const auto& [id, name] : cases)
        EXPECT_EQ(parameter(id).getName(1024), juce::String(name)) << id;
}

enum class Kind
{
    Float,
    Switch,
    Int,
    Choice
};

Kind kindOf(juce::RangedAudioParameter& p)
{
    if (dynamic_cast<juce::AudioParameterBool*>(&p) != nullptr)
        return Kind::Switch;
    if (dynamic_cast<juce::AudioParameterInt*>(&p) != nullptr)
        return Kind::Int;
    if (dynamic_cast<juce::AudioParameterChoice*>(&p) != nullptr)
        return Kind::Choice;
    return Kind::Float;
}

TEST_F(Layout, RangesSkewsAndDefaults)
{
    struct Case
    {
        const char* id;
        Kind kind;
        float start, end, step, skew;
        float defaultValue; // plain; a choice's index
    };

    const Case cases[] = {
        { "Tempo", Kind::Float, 30, 300, 0.001f, 1, 120 },
        { "SyncToDaw", Kind::Switch, 0, 1, 1, 1, 0 },
        { "SequencerRun", Kind::Switch, 0, 1, 1, 1, 1 },
        { "LimiterAutoGain", Kind::Switch, 0, 1, 1, 1, 1 },
        { "DelayFeedback", Kind::Float, 0, 1.65f, 0.001f, 1, 0.36f },
        { "ch1Kik9Tune", Kind::Float, 30, 92, 0.01f, 0.38f, 54 },
        { "ch1Kik9AltTuneDepth", Kind::Float, 0, 42, 0.01f, 2.409f, 31.51f },
        { "ch1Kik9EqLowShelfFreq", Kind::Choice, 0, 1, 1, 1, 1 },
        { "ch1Kik9EqHighMidFreq", Kind::Float, 1000, 15000, 1, 0.42f, 1000 },
        { "ch1Kik9MatchEqEnabled", Kind::Switch, 0, 1, 1, 1, 0 },
        { "ch1Kik9MatchEqQ3", Kind::Float, 0.05f, 12, 0.001f, 0.36f, 0.707f },
        { "ch1Kik9MatchEqFrequency4", Kind::Float, 1500, 16000, 1, 0.44f, 8000 },
        { "ch1Kik9MatchEqShape3", Kind::Choice, 0, 9, 1, 1, 3 },
        { "ch1Volume", Kind::Float, 0, 1, 0.001f, 1, 0.82f },
        { "ch1EqLow", Kind::Float, -15, 15, 0.001f, 1, 0 },
        { "ch2Tune", Kind::Float, 155, 700, 0.01f, 0.45f, 265 },
        { "ch2Decay", Kind::Float, 0.006f, 0.72f, 0.001f, 0.5f, 0.095f },
        { "ch2Osc2On", Kind::Switch, 0, 1, 1, 1, 1 },
        { "ch2Osc2Tune", Kind::Float, 160, 1400, 0.01f, 0.42f, 520 },
        { "ch2Sp1200Cutoff", Kind::Float, 0, 1, 0.001f, 1, 0.82f },
        { "ch2SnareEqHighShelfFreq", Kind::Choice, 0, 1, 1, 1, 1 },
        { "ch2SnareEqHighShelf", Kind::Float, -15, 15, 0.001f, 1, 0 },
        { "ch3RimDecay", Kind::Float, 0.004f, 0.08f, 0.0001f, 0.34f, 0.01f },
        { "ch3Volume", Kind::Float, 0, 1, 0.001f, 1, 0.72f },
        { "ch3EqHigh", Kind::Float, -12, 12, 0.001f, 1, 0 },
        { "ch3ModuleGs3EqEnabled", Kind::Switch, 0, 1, 1, 1, 1 },
        { "ch4Osc2Tune", Kind::Float, 0, 1, 0.001f, 1, 0 },
        { "ch4HatGain", Kind::Float, 0, 2.5f, 0.001f, 1, 1.08f },
        { "ch5Decay", Kind::Float, 0.008f, 3.2f, 0.001f, 0.5f, 0.72f },
        { "ch5Hat9HpCutoff", Kind::Float, 20, 2200, 0.01f, 0.11f, 199.21f },
        { "ch5Hat9Gs3EqFrequency2", Kind::Float, 20, 20000, 1, 0.48f, 653 },
        { "ch5Hat9Gs3EqQ3", Kind::Float, 0.05f, 12, 0.001f, 0.36f, 0.35f },
        { "ch5Step01Pitch", Kind::Int, 0, 127, 1, 1, 40 },
        { "ch6Tune", Kind::Float, 35, 1800, 0.01f, 0.45f, 92 },
        { "ch6GenAWaveform", Kind::Choice, 0, 2, 1, 1, 0 },
        { "ch6PolyMode", Kind::Switch, 0, 1, 1, 1, 0 },
        { "ch6Sh101Release", Kind::Float, 0.04f, 4, 0.001f, 0.28f, 0.72f },
        { "ch7Osc2Tune", Kind::Float, 8, 9000, 0.01f, 0.34f, 390 },
        { "ch7FilterEnv", Kind::Float, 0, 1, 0.001f, 1, 0.46f },
        { "ch7Sh101Octave", Kind::Choice, 0, 4, 1, 1, 1 },
        { "ch7Sh101LfoRate", Kind::Float, 0.1f, 30, 0.001f, 0.46f, 2 },
        { "ch7Step01ChordCount", Kind::Int, 1, 4, 1, 1, 1 },
        { "ch8PolyMode", Kind::Switch, 0, 1, 1, 1, 1 },
        { "ch8SeqLength", Kind::Int, 1, 16, 1, 1, 16 },
        { "ch8OutputRoute", Kind::Choice, 0, 189, 1, 1, 0 },
        { "ch8Step16Chord3Pitch", Kind::Int, 0, 127, 1, 1, 43 },
        { "ch8Step16Chord3Velocity", Kind::Float, 0.25f, 1, 0.001f, 1, 0.86f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.id);
        auto& p = parameter(c.id);
        EXPECT_EQ(kindOf(p), c.kind);
        const auto& range = p.getNormalisableRange();
        EXPECT_FLOAT_EQ(range.start, c.start);
        EXPECT_FLOAT_EQ(range.end, c.end);
        EXPECT_FLOAT_EQ(range.interval, c.step);
        EXPECT_FLOAT_EQ(range.skew, c.skew);
        EXPECT_NEAR(processor.read(c.id), c.defaultValue, 1e-4f * std::max(1.0f, std::abs(c.defaultValue)));
        EXPECT_NEAR(p.convertFrom0to1(p.getDefaultValue()), c.defaultValue,
                    1e-4f * std::max(1.0f, std::abs(c.defaultValue)));
    }
}

TEST_F(Layout, ChoiceTexts)
{
    const auto routes = dynamic_cast<juce::AudioParameterChoice&>(parameter("ch7OutputRoute")).choices;
    ASSERT_EQ(routes.size(), 190);
    EXPECT_EQ(routes[0], "OUT 1-2 MASTER");
    EXPECT_EQ(routes[1], "OUT 3 MONO");
    EXPECT_EQ(routes[126], "OUT 128 MONO");
    EXPECT_EQ(routes[127], "OUT 3-4 STEREO");
    EXPECT_EQ(routes[189], "OUT 127-128 STEREO");
    EXPECT_EQ(getOutputRouteChoices(), routes);

    const std::pair<const char*, const char*> joined[] = {
        { "ch1Kik9EqLowShelfFreq", "60 Hz|120 Hz" },
        { "ch2SnareEqHighShelfFreq", "8 kHz|12 kHz" },
        { "ch6GenAWaveform", "Sine|Triangle|Square" },
        { "ch7Sh101Octave", "32'|16'|8'|4'|2'" },
        { "ch7Sh101SubType", "-1 SQ|-2 SQ|-2 PW" },
        { "ch7Sh101LfoDestination", "OFF|PITCH|FILTER|PWM" },
        { "ch3ModuleGs3EqShape",
          "Bell|Low Shelf|Low Cut|High Shelf|High Cut|Notch|Band Pass|Tilt Shelf|Flat Tilt|All Pass" },
    };

    for (const auto& [id, texts] : joined)
        EXPECT_EQ(dynamic_cast<juce::AudioParameterChoice&>(parameter(id)).choices.joinIntoString("|"),
                  juce::String(texts))
            << id;
}

TEST_F(Layout, ValuesSnapToTheNearestStepAndStayInRange)
{
    const struct
    {
        const char* id;
        float written, readBack;
    } cases[] = {
        { "ch1Kik9MatchEqGain", 0.04f, 0.0f },
        { "ch1Kik9MatchEqGain", 0.06f, 0.1f },
        { "ch1Kik9MatchEqGain", -13.96f, -14.0f },
        { "ch1Kik9Tune", 54.004f, 54.0f },   // skewed ranges snap on the plain scale too
        { "ch1Kik9Tune", 54.006f, 54.01f },
        { "ch3RimDecay", 0.01234f, 0.0123f },
        { "ch1Kik9MatchEqFrequency", 1000.4f, 1000.0f },
        { "Tempo", 400.0f, 300.0f },
        { "Tempo", 10.0f, 30.0f },
        { "ch1SeqLength", 7.4f, 7.0f },
        { "ch1SeqLength", 40.0f, 16.0f },
    };

    for (const auto& c : cases)
    {
        processor.set(c.id, c.written);
        EXPECT_NEAR(processor.read(c.id), c.readBack, 1e-4f * std::max(1.0f, std::abs(c.readBack)))
            << c.id << " set to " << c.written;
    }
}

TEST(LayoutDeterminism, TwoLayoutsAreEqual)
{
    LayoutProcessor first, second;
    ASSERT_EQ(first.getParameters().size(), second.getParameters().size());

    for (int i = 0; i < first.getParameters().size(); ++i)
    {
        auto* a = first.getParameters()[i];
        auto* b = second.getParameters()[i];
        ASSERT_EQ(idOf(a), idOf(b));
        EXPECT_EQ(a->getName(1024), b->getName(1024));
        EXPECT_EQ(a->getDefaultValue(), b->getDefaultValue());
        EXPECT_EQ(a->getNumSteps(), b->getNumSteps());
    }
}

} // namespace
} // namespace kestrum
