#include "../engine/PluginProcessor.h"

// Entry point the plug-in wrappers and the standalone holder use to create the processor.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new Kestrum8AudioProcessor();
}
