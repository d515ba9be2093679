#include "ParameterListing.h"

#include <cstdio>

namespace kestrum
{
namespace
{

// Six significant digits cover every range and step of the layout and hide the float noise that
// normalising and back leaves behind (53.999996 prints as 54).
juce::String number(double value)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.6g", value);
    return text;
}

struct Description
{
    juce::String kind;
    double minimum = 0.0, maximum = 1.0, step = 0.0, skew = 1.0, defaultValue = 0.0;
    juce::String choices;
};

Description describe(juce::AudioProcessorParameter& parameter)
{
    Description d;
    const float normalisedDefault = parameter.getDefaultValue();

    if (auto* choice = dynamic_cast<juce::AudioParameterChoice*>(&parameter))
    {
        d.kind = "choice";
        d.maximum = juce::jmax(0, choice->choices.size() - 1);
        d.step = 1.0;
        d.defaultValue = choice->convertFrom0to1(normalisedDefault);
        d.choices = choice->choices.joinIntoString("|");
    }
    else if (dynamic_cast<juce::AudioParameterBool*>(&parameter) != nullptr)
    {
        d.kind = "switch";
        d.step = 1.0;
        d.defaultValue = normalisedDefault >= 0.5f ? 1.0 : 0.0;
    }
    else if (auto* integer = dynamic_cast<juce::AudioParameterInt*>(&parameter))
    {
        d.kind = "int";
        d.minimum = integer->getRange().getStart();
        d.maximum = integer->getRange().getEnd();
        d.step = 1.0;
        d.defaultValue = integer->convertFrom0to1(normalisedDefault);
    }
    else if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*>(&parameter))
    {
        const auto& range = ranged->getNormalisableRange();
        d.kind = "float";
        d.minimum = range.start;
        d.maximum = range.end;
        d.step = range.interval;
        d.skew = range.skew;
        d.defaultValue = ranged->convertFrom0to1(normalisedDefault);
    }
    else
    {
        // Not one of ours; describe it on its normalised scale.
        d.kind = "float";
        d.defaultValue = normalisedDefault;
    }

    return d;
}

} // namespace

juce::String describeParameterLayout(juce::AudioProcessor& processor)
{
    juce::String out;
    const auto& parameters = processor.getParameters();

    for (int i = 0; i < parameters.size(); ++i)
    {
        auto* parameter = parameters[i];
        const auto d = describe(*parameter);
        juce::String id;

        if (auto* withID = dynamic_cast<juce::AudioProcessorParameterWithID*>(parameter))
            id = withID->paramID;

        juce::StringArray fields { juce::String(i),
                                   id,
                                   parameter->getName(1024),
                                   d.kind,
                                   number(d.minimum),
                                   number(d.maximum),
                                   number(d.step),
                                   number(d.skew),
                                   number(d.defaultValue),
                                   d.choices };
        out << fields.joinIntoString("\t") << "\n";
    }

    return out;
}

} // namespace kestrum
