#pragma once

#include <juce_audio_devices/juce_audio_devices.h>

#include <functional>
#include <memory>

namespace kestrum
{

// What the clock output needs from a MIDI output device. The application uses
// juce::MidiOutput through openMidiClockDevice(); tests put a recording device in its place,
// which is why this seam exists.
class MidiClockDevice
{
public:
    virtual ~MidiClockDevice() = default;

    // The device's own scheduler thread, which sends timed messages when they fall due.
    virtual void startBackgroundThread() = 0;
    virtual void stopBackgroundThread() = 0;

    // Forgets every timed message not yet sent.
    virtual void clearAllPendingMessages() = 0;
    virtual void sendMessageNow(const juce::MidiMessage& message) = 0;

    // Schedules each message of the buffer at
    // millisecondCounterToStartAt + samplePosition * 1000 / samplesPerSecondForBuffer
    // on the juce::Time::getMillisecondCounterHiRes() clock.
    virtual void sendBlockOfMessages(const juce::MidiBuffer& buffer, double millisecondCounterToStartAt,
                                     double samplesPerSecondForBuffer) = 0;
};

// Opens the device with the given identifier, or returns null when it cannot be opened.
using MidiClockDeviceOpener = std::function<std::unique_ptr<MidiClockDevice>(const juce::String& identifier)>;

// The system's MIDI output with that identifier.
std::unique_ptr<MidiClockDevice> openMidiClockDevice(const juce::String& identifier);

} // namespace kestrum
