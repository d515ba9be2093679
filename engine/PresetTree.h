#pragma once

#include <juce_data_structures/juce_data_structures.h>

namespace kestrum
{

// The parameter tree as presets and host state blocks carry it: reading it from bytes, and the
// two tree operations that preset loading builds on.

// Reads a parameter tree from bytes: a state block ("VC2!", 32-bit text length, UTF-8 XML, zero)
// or, when `acceptPlainXml` is set, an XML document. The root tag must equal `stateType` ignoring
// case. Anything else gives an invalid tree.
juce::ValueTree readParameterTree(const void* data, size_t sizeInBytes, const juce::Identifier& stateType,
                                  bool acceptPlainXml);

// The state block of a tree, as a plug-in host stores it.
juce::MemoryBlock writeStateBlock(const juce::ValueTree& tree);

// A deep copy of `base` in which every child whose "id" appears in `overlay` takes all of that
// overlay child's properties (a missing "value" thus means the parameter's default). Overlay
// children with an empty or unknown id are ignored, and so are the overlay's root properties.
juce::ValueTree mergePresetState(const juce::ValueTree& base, const juce::ValueTree& overlay);

// Gives target's child `parameterID` all properties of source's child of that id. Nothing happens
// when either lacks the child.
void preserveParameterState(juce::ValueTree& target, const juce::ValueTree& source, const juce::String& parameterID);

// Removes every "value" that is not a finite number, so the parameter takes its default instead
// of NaN or infinity from a damaged or hostile file.
void dropNonFiniteValues(juce::ValueTree& tree);

} // namespace kestrum
