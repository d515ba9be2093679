#include "ParameterLayout.h"

#include "ParameterIDs.h"
#include "ParameterLayoutTables.h"

#include <cstring>

namespace kestrum
{
namespace
{

using namespace layout;

std::unique_ptr<juce::RangedAudioParameter> makeParameter(const juce::String& id, const juce::String& name,
                                                          const ParameterRow& row, const juce::StringArray& choices)
{
    const juce::ParameterID parameterID { id, 1 };

    switch (row.kind)
    {
        case Kind::Float:
            return std::make_unique<juce::AudioParameterFloat>(
                parameterID, name, juce::NormalisableRange<float>(row.start, row.end, row.step, row.skew),
                row.defaultValue);
        case Kind::Switch:
            return std::make_unique<juce::AudioParameterBool>(parameterID, name, row.defaultValue >= 0.5f);
        case Kind::Int:
            return std::make_unique<juce::AudioParameterInt>(parameterID, name, static_cast<int>(row.start),
                                                             static_cast<int>(row.end),
                                                             static_cast<int>(row.defaultValue));
        case Kind::Choice:
            return std::make_unique<juce::AudioParameterChoice>(parameterID, name, choices,
                                                                static_cast<int>(row.defaultValue));
    }

    return {};
}

juce::StringArray choicesOf(const ParameterRow& row)
{
    return row.choices != nullptr ? juce::StringArray::fromTokens(row.choices, "|", "") : juce::StringArray {};
}

// Adds the parameters of one channel: identifiers get the "ch<N>" prefix and names the channel
// number and name in front of the row's name.
class ChannelBuilder
{
public:
    ChannelBuilder(juce::AudioProcessorValueTreeState::ParameterLayout& layoutToFill, int channelIndexToUse)
        : channelIndex(channelIndexToUse),
          layout(layoutToFill),
          namePrefix(juce::String(channelIndex + 1) + " " + getChannelDescriptor(channelIndex).name + " ")
    {
    }

    void add(const ParameterRow& row) { addAs(row, row.suffix, row.name, row.defaultValue); }

    template <size_t N>
    void addAll(const std::array<ParameterRow, N>& rows)
    {
        for (const auto& row : rows)
            add(row);
    }

    // The row under another suffix, name or default; the identifier is prefixed, the name too.
    void addAs(const ParameterRow& row, const juce::String& suffix, const juce::String& name, float defaultValue)
    {
        addWithID(row, getParameterID(channelIndex, suffix), name, defaultValue);
    }

    void addWithID(const ParameterRow& row, const juce::String& id, const juce::String& name, float defaultValue)
    {
        auto adjusted = row;
        adjusted.defaultValue = defaultValue;
        layout.add(makeParameter(id, namePrefix + name, adjusted, choicesOf(row)));
    }

    void addWithChoices(const ParameterRow& row, const juce::String& suffix, const juce::String& name,
                        const juce::StringArray& choices)
    {
        layout.add(makeParameter(getParameterID(channelIndex, suffix), namePrefix + name, row, choices));
    }

    // A parameter whose display name is not prefixed with the channel (the equaliser shapes).
    void addWithWholeName(const ParameterRow& row, const juce::String& suffix, const juce::String& wholeName)
    {
        layout.add(makeParameter(getParameterID(channelIndex, suffix), wholeName, row, choicesOf(row)));
    }

    const int channelIndex;

private:
    juce::AudioProcessorValueTreeState::ParameterLayout& layout;
    const juce::String namePrefix;
};

// ---------------------------------------------------------------------------------------------
// Shared tone block

int sharedToneRowIndex(const char* suffix)
{
    for (size_t i = 0; i < sharedToneRows.size(); ++i)
        if (std::strcmp(sharedToneRows[i].row.suffix, suffix) == 0)
            return static_cast<int>(i);

    jassertfalse;
    return 0;
}

void addSharedToneRow(ChannelBuilder& builder, const SharedToneRow& shared)
{
    const int c = builder.channelIndex;
    const auto& channelDefaults = parameterDefaults[static_cast<size_t>(c)];
    auto row = shared.row;
    juce::String name = (c == 1 && shared.snareName != nullptr) ? shared.snareName : shared.row.name;

    switch (shared.column)
    {
        case ToneColumn::Tune:
            row.start = channelDefaults.tuneStart;
            row.end = channelDefaults.tuneEnd;
            row.defaultValue = channelDefaults.tuneDefault;
            break;
        case ToneColumn::Decay:
            row.start = channelDefaults.decayStart;
            row.end = channelDefaults.decayEnd;
            row.defaultValue = channelDefaults.decayDefault;
            break;
        case ToneColumn::Tone: row.defaultValue = channelDefaults.tone; break;
        case ToneColumn::Shape: row.defaultValue = channelDefaults.shape; break;
        case ToneColumn::Noise: row.defaultValue = channelDefaults.noise; break;
        case ToneColumn::None:
            row.defaultValue = shared.defaults[static_cast<size_t>(sharedToneColumnOfChannel[static_cast<size_t>(c)])];
            break;
    }

    for (const auto& override : sharedToneOverrides)
    {
        if (override.channelIndex == c && std::strcmp(override.suffix, row.suffix) == 0)
        {
            name = override.name;
            row.start = override.start;
            row.end = override.end;
            row.step = override.step;
            row.skew = override.skew;
        }
    }

    builder.addAs(row, row.suffix, name, row.defaultValue);
}

// The shared rows from `first` to `last`, both included.
void addSharedTone(ChannelBuilder& builder, const char* first, const char* last)
{
    for (int i = sharedToneRowIndex(first); i <= sharedToneRowIndex(last); ++i)
        addSharedToneRow(builder, sharedToneRows[static_cast<size_t>(i)]);
}

void addDrumAmpEnvelope(ChannelBuilder& builder)
{
    for (size_t i = 0; i < ampEnvelopeRows.size(); ++i)
        builder.addAs(ampEnvelopeRows[i], ampEnvelopeRows[i].suffix, drumAmpEnvelopeNames[i],
                      ampEnvelopeRows[i].defaultValue);
}

// ---------------------------------------------------------------------------------------------
// Equaliser blocks

void addEqualiser(ChannelBuilder& builder, EqVariant variant)
{
    const auto v = static_cast<size_t>(variant);
    const juce::String prefix = eqVariants[v].prefix;

    for (const auto& eq : eqRows)
        builder.addAs(eq.row, prefix + eq.row.suffix, eq.row.name != nullptr ? eq.row.name : eqVariants[v].postName,
                      eq.defaults[v]);

    if (variant == EqVariant::Kick)
        for (const auto& row : kickFourthBandRows)
            builder.addAs(row, prefix + row.suffix, row.name, row.defaultValue);
}

void addEqualiserShapes(juce::AudioProcessorValueTreeState::ParameterLayout& layout, int channelIndex)
{
    const juce::String prefix = channelIndex == 0   ? eqVariants[static_cast<size_t>(EqVariant::Kick)].prefix
                                : channelIndex == 4 ? eqVariants[static_cast<size_t>(EqVariant::OpenHat)].prefix
                                                    : eqVariants[static_cast<size_t>(EqVariant::Module)].prefix;
    ChannelBuilder builder(layout, channelIndex);

    for (size_t band = 0; band < eqShapeSuffixes.size(); ++band)
    {
        const auto row = choiceRow(eqShapeSuffixes[band], nullptr, eqShapeChoices, eqShapeDefaults[band]);
        builder.addWithWholeName(row, prefix + eqShapeSuffixes[band],
                                 juce::String(getChannelDescriptor(channelIndex).shortName) + " EQ Band "
                                     + juce::String(static_cast<int>(band) + 1) + " Shape");
    }
}

// ---------------------------------------------------------------------------------------------
// Common and step blocks

void addCommonBlock(ChannelBuilder& builder, const juce::StringArray& outputRoutes)
{
    const int c = builder.channelIndex;

    for (const auto& row : commonRows)
    {
        const juce::String suffix = row.suffix;

        if (suffix == "Volume")
            builder.addAs(row, suffix, row.name, parameterDefaults[static_cast<size_t>(c)].volume);
        else if (suffix == "OutputRoute")
            builder.addWithChoices(row, suffix, row.name, outputRoutes);
        else if (suffix == "PolyMode")
            builder.addAs(row, suffix, row.name, c == 7 ? 1.0f : 0.0f);
        else
            builder.add(row);
    }

    // Channels 1 and 2 label these gains after the console-style stages they drive, with more range.
    const bool trident = c == 0 || c == 1;
    const float limit = trident ? 15.0f : 12.0f;

    for (const auto& gain : commonEqGainRows)
        builder.addAs(floatRow(gain.suffix, gain.name, -limit, limit, 0.001f, 1.0f, 0.0f), gain.suffix,
                      trident ? gain.tridentName : gain.name, 0.0f);
}

void addStepBlock(ChannelBuilder& builder)
{
    const int c = builder.channelIndex;
    const bool hasChords = c == 6 || c == 7;
    const auto stepSwitch = switchRow("", "", false);
    const auto velocity = floatRow("", "", 0.25f, 1.0f, 0.001f, 1.0f, 0.86f);
    const auto pitch = intRow("", "", 0, 127, 36 + c);
    const auto chordCount = intRow("", "", 1, 4, 1);

    for (int step = 0; step < numSteps; ++step)
    {
        const juce::String stepName = "Step " + juce::String(step + 1);

        builder.addWithID(stepSwitch, getStepParameterID(c, step), stepName, stepSwitch.defaultValue);
        builder.addWithID(velocity, getStepVelocityParameterID(c, step), stepName + " Velocity",
                          velocity.defaultValue);
        builder.addWithID(pitch, getStepPitchParameterID(c, step), stepName + " Pitch", pitch.defaultValue);

        if (!hasChords)
            continue;

        builder.addWithID(chordCount, getStepChordCountParameterID(c, step), stepName + " Chord Notes",
                          chordCount.defaultValue);

        for (int note = 0; note < numChordNotes; ++note)
        {
            const juce::String chordName = stepName + " Chord " + juce::String(note + 2);
            builder.addWithID(pitch, getStepChordPitchParameterID(c, step, note), chordName + " Pitch",
                              pitch.defaultValue);
            builder.addWithID(velocity, getStepChordVelocityParameterID(c, step, note), chordName + " Velocity",
                              velocity.defaultValue);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Tone blocks, one per channel

void addKickTone(ChannelBuilder& builder)
{
    builder.addAll(kick9Rows);
    addEqualiser(builder, EqVariant::Kick);
    builder.addAll(kick9AltRows);
}

void addSnareTone(ChannelBuilder& builder)
{
    addSharedTone(builder, "Tune", "Noise");
    builder.addAll(snareTridentFrequencyRows);
    addSharedTone(builder, "HatSaturation", "SnareLimit");
}

void addOpenHatTone(ChannelBuilder& builder)
{
    addSharedTone(builder, "Tune", "HatGain");
    builder.addAll(openHatRows);
    addEqualiser(builder, EqVariant::OpenHat);
    addSharedTone(builder, "FMAmount", "SnareLimit");
}

// The general drum and the chord synthesiser each have one parameter of their own after FMAmount.
void addDrumSynthTone(ChannelBuilder& builder, const ParameterRow& ownRow)
{
    addSharedTone(builder, "Tune", "FMAmount");
    builder.add(ownRow);
    addSharedTone(builder, "Foldback", "SnareLimit");
    addDrumAmpEnvelope(builder);
}

void addBassTone(ChannelBuilder& builder)
{
    addSharedTone(builder, "Tune", "SnareLimit");
    builder.addAll(bassSynthRows);
    builder.addAll(ampEnvelopeRows);
}

void addToneBlock(ChannelBuilder& builder)
{
    switch (builder.channelIndex)
    {
        case 0: addKickTone(builder); break;
        case 1: addSnareTone(builder); break;
        case 2: builder.addAll(rimShotRows); break;
        case 3: addSharedTone(builder, "Tune", "SnareLimit"); break;
        case 4: addOpenHatTone(builder); break;
        case 5: addDrumSynthTone(builder, genAWaveformRow); break;
        case 6: addBassTone(builder); break;
        case 7: addDrumSynthTone(builder, genCSemModeRow); break;
        default: jassertfalse; break;
    }
}

// What follows the common block: the kick's and snare's Trident high-shelf gain and the module
// equaliser. The open hat's equaliser sits in its tone block instead.
void addEqualiserBlock(ChannelBuilder& builder)
{
    switch (builder.channelIndex)
    {
        case 0: builder.add(kick9TridentHighShelfGain); break;
        case 1:
            addEqualiser(builder, EqVariant::Module);
            builder.add(snareTridentHighShelfGain);
            break;
        case 4: break;
        default: addEqualiser(builder, EqVariant::Module); break;
    }
}

} // namespace

juce::StringArray getOutputRouteChoices()
{
    juce::StringArray texts;
    texts.add("OUT 1-2 MASTER");

    for (int output = 3; output <= 128; ++output)
        texts.add("OUT " + juce::String(output) + " MONO");

    for (int first = 3; first < 128; first += 2)
        texts.add("OUT " + juce::String(first) + "-" + juce::String(first + 1) + " STEREO");

    return texts;
}

juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    for (const auto& row : globalRows)
        layout.add(makeParameter(row.suffix, row.name, row, choicesOf(row)));

    const auto outputRoutes = getOutputRouteChoices();

    for (int c = 0; c < numChannels; ++c)
    {
        ChannelBuilder builder(layout, c);
        addToneBlock(builder);
        addCommonBlock(builder, outputRoutes);
        addEqualiserBlock(builder);
        addStepBlock(builder);
    }

    // Every channel's three shapes follow all the channel blocks, as hosts have always numbered them.
    for (int c = 0; c < numChannels; ++c)
        addEqualiserShapes(layout, c);

    return layout;
}

} // namespace kestrum
