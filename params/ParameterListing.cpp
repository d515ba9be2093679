#include "ParameterListing.h"

#include <cmath>
#include <cstdio>

namespace kestrum
{
namespace
{

// Normalising and back leaves float noise behind (a default of 0 on -15..15 comes back as
// 9.5e-07, 54 as 53.999996), so values are shown at the precision of their step.
double roundToStep(double value, double step)
{
    if (step <= 0.0)
        return value;

    // The fewest decimals that write the step itself (a float 0.01 is 0.0099999998).
    double scale = 1.0;
    for (int decimals = 0; decimals < 9; ++decimals, scale *= 10.0)
    {
        const double scaled = step * scale;
        if (std::abs(scaled - std::round(scaled)) < 1.0e-6 * scaled)
            break;
    }

    return std::round(value * scale) / scale;
}

juce::String number(double value, const char* format = "%.9g")
{
    char text[32];
    std::snprintf(text, sizeof(text), format, value == 0.0 ? 0.0 : value); // no "-0"
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
        d.step = range.interval;
        d.minimum = roundToStep(range.start, d.step);
        d.maximum = roundToStep(range.end, d.step);
        d.step = roundToStep(d.step, d.step);
        d.skew = range.skew;
        d.defaultValue = roundToStep(ranged->convertFrom0to1(normalisedDefault), range.interval);
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
                                   number(d.skew, "%.6g"),
                                   number(d.defaultValue),
                                   d.choices };
        out << fields.joinIntoString("\t") << "\n";
    }

    return out;
}

} // namespace kestrum
