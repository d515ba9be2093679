#pragma once

#include "DruvexStandaloneWindow.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace druvex
{

// The application object: owns the settings file and the one main window.
class DruvexStandaloneApp : public juce::JUCEApplication
{
public:
    DruvexStandaloneApp();

    const juce::String getApplicationName() override { return "DRUVEX"; }
    const juce::String getApplicationVersion() override { return "2.0.202"; }
    bool moreThanOneInstanceAllowed() override { return false; }

    void initialise(const juce::String& commandLine) override;
    void shutdown() override;
    void systemRequestedQuit() override;
    void anotherInstanceStarted(const juce::String& commandLine) override;

    DruvexStandaloneWindow* getMainWindow() const noexcept { return mainWindow.get(); }
    juce::ApplicationProperties& getProperties() noexcept { return appProperties; }

private:
    // Turns SIGTERM and SIGINT (logout, `kill`, Ctrl-C in a terminal) into an orderly quit that
    // saves the state, instead of dying with the settings unsaved.
    struct QuitSignalWatcher : juce::Timer
    {
        QuitSignalWatcher();
        void timerCallback() override;
    };

    juce::ApplicationProperties appProperties;
    QuitSignalWatcher quitSignalWatcher;
    std::unique_ptr<DruvexStandaloneWindow> mainWindow;
};

// Posts a request to the running application to show its main window (the menu's window command).
void showDruvexStandaloneWindows();

// Main-window set-up for a newly created editor; posted by the processor after createEditor.
void prepareStandaloneWindow(juce::AudioProcessorEditor& editor);

} // namespace druvex
