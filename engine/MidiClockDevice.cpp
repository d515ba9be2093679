#include "MidiClockDevice.h"

namespace kestrum
{
namespace
{

class JuceMidiClockDevice final : public MidiClockDevice
{
public:
    explicit JuceMidiClockDevice(std::unique_ptr<juce::MidiOutput> output) : device(std::move(output)) {}

    void startBackgroundThread() override { device->startBackgroundThread(); }
    void stopBackgroundThread() override { device->stopBackgroundThread(); }
    void clearAllPendingMessages() override { device->clearAllPendingMessages(); }
    void sendMessageNow(const juce::MidiMessage& message) override { device->sendMessageNow(message); }

    void sendBlockOfMessages(const juce::MidiBuffer& buffer, double millisecondCounterToStartAt,
                             double samplesPerSecondForBuffer) override
    {
        device->sendBlockOfMessages(buffer, millisecondCounterToStartAt, samplesPerSecondForBuffer);
    }

private:
    std::unique_ptr<juce::MidiOutput> device;
};

} // namespace

std::unique_ptr<MidiClockDevice> openMidiClockDevice(const juce::String& identifier)
{
    auto output = juce::MidiOutput::openDevice(identifier);
    if (output == nullptr)
        return nullptr;
    return std::make_unique<JuceMidiClockDevice>(std::move(output));
}

} // namespace kestrum
