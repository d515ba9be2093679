#include "PluginProcessor.h"

void Kestrum8AudioProcessor::generateMidiClock(juce::MidiBuffer& midi, int)
{
    midi.clear();
}
