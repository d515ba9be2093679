#include "DruvexStandaloneApp.h"

#include "../engine/PluginProcessor.h"

#include <atomic>
#include <csignal>

namespace druvex
{

namespace
{
std::atomic<bool> quitSignalled { false };

extern "C" void onQuitSignal(int)
{
    quitSignalled.store(true);
}
} // namespace

DruvexStandaloneApp::QuitSignalWatcher::QuitSignalWatcher()
{
    std::signal(SIGTERM, onQuitSignal);
    std::signal(SIGINT, onQuitSignal);
    startTimer(100);
}

void DruvexStandaloneApp::QuitSignalWatcher::timerCallback()
{
    if (quitSignalled.exchange(false))
        if (auto* app = juce::JUCEApplicationBase::getInstance())
            app->systemRequestedQuit();
}

DruvexStandaloneApp::DruvexStandaloneApp()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "DRUVEX";
    options.filenameSuffix = ".settings";
    options.folderName = "";
    options.osxLibrarySubFolder = "Application Support";
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.millisecondsBeforeSaving = 3000;
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.doNotSave = false;
    options.processLock = nullptr;
    appProperties.setStorageParameters(options);
}

void DruvexStandaloneApp::initialise(const juce::String&)
{
    Kestrum8AudioProcessor::standaloneEditorSetup = [](juce::AudioProcessorEditor& editor) {
        prepareStandaloneWindow(editor);
    };

    const auto background = juce::LookAndFeel::getDefaultLookAndFeel().findColour(
        juce::ResizableWindow::backgroundColourId);

    // The holder (inside the window) creates the processor, restores the devices from
    // "audioSetup", hands "filterState" to the processor and starts the audio.
    mainWindow = std::make_unique<DruvexStandaloneWindow>(getApplicationName(), background,
                                                          appProperties.getUserSettings(), false, juce::String(),
                                                          nullptr, juce::Array<juce::StandalonePluginHolder::PluginInOuts>(), false);

    juce::Component::SafePointer<DruvexStandaloneWindow> window(mainWindow.get());
    mainWindow->onCloseButton = [window] {
        if (window != nullptr)
            window->setVisible(false);
    };
    mainWindow->setVisible(true);
}

void DruvexStandaloneApp::shutdown()
{
    mainWindow = nullptr;
    Kestrum8AudioProcessor::standaloneEditorSetup = nullptr;
    appProperties.saveIfNeeded();
}

void DruvexStandaloneApp::systemRequestedQuit()
{
    if (mainWindow != nullptr)
        if (auto* holder = mainWindow->getPluginHolder())
            holder->savePluginState();

    if (juce::ModalComponentManager::getInstance()->cancelAllModalComponents())
    {
        juce::Timer::callAfterDelay(100, [] {
            if (auto* app = juce::JUCEApplicationBase::getInstance())
                app->systemRequestedQuit();
        });
        return;
    }

    quit();
}

void DruvexStandaloneApp::anotherInstanceStarted(const juce::String&)
{
    if (mainWindow != nullptr)
    {
        mainWindow->setVisible(true);
        mainWindow->toFront(true);
    }
}

void showDruvexStandaloneWindows()
{
    juce::MessageManager::callAsync([] {
        if (auto* app = juce::JUCEApplicationBase::getInstance())
            app->anotherInstanceStarted({});
    });
}

void prepareStandaloneWindow(juce::AudioProcessorEditor& editor)
{
    auto* window = dynamic_cast<juce::DocumentWindow*>(editor.getTopLevelComponent());
    if (window == nullptr)
        return;

    window->setTitleBarButtonsRequired(juce::DocumentWindow::allButtons, true);
    window->setUsingNativeTitleBar(true);

    auto* filterWindow = dynamic_cast<juce::StandaloneFilterWindow*>(window);
    if (filterWindow == nullptr)
        return;

    auto* holder = filterWindow->getPluginHolder();
    if (holder == nullptr)
        return;

    // Some systems list one device twice; keep only the first enabled input of each name so
    // every note does not arrive twice.
    auto& devices = holder->deviceManager;
    juce::StringArray seenNames;
    for (const auto& input : juce::MidiInput::getAvailableDevices())
    {
        if (!devices.isMidiInputDeviceEnabled(input.identifier))
            continue;
        if (seenNames.contains(input.name))
            devices.setMidiInputDeviceEnabled(input.identifier, false);
        else
            seenNames.add(input.name);
    }

    if (auto* processor = dynamic_cast<Kestrum8AudioProcessor*>(holder->processor.get()))
        if (auto* device = devices.getCurrentAudioDevice())
            processor->rebuildOutputChannelMap(device);
}

} // namespace druvex

JUCE_CREATE_APPLICATION_DEFINE(druvex::DruvexStandaloneApp)
