#pragma once

#include <juce_audio_utils/juce_audio_utils.h>

// The plug-in entry point the holder uses to create the processor.
juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter();

#include <juce_audio_plugin_client/Standalone/juce_StandaloneFilterWindow.h>

#include <functional>

namespace druvex
{

// The main window. Closing it only hides it: audio, MIDI and the sequencer keep running.
class DruvexStandaloneWindow : public juce::StandaloneFilterWindow
{
public:
    using juce::StandaloneFilterWindow::StandaloneFilterWindow;
    ~DruvexStandaloneWindow() override { onCloseButton = nullptr; }

    void closeButtonPressed() override
    {
        if (auto* holder = getPluginHolder())
            holder->savePluginState();
        if (onCloseButton)
            onCloseButton();
    }

    std::function<void()> onCloseButton;
};

} // namespace druvex
