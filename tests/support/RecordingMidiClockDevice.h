#pragma once

#include "engine/MidiClockDevice.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace druvex::test
{

// Everything a clock output was asked to do, in order. Shared between the device (owned and
// deleted by the processor) and the test, so it stays readable after the device is closed.
struct MidiClockDeviceLog
{
    struct Message
    {
        std::uint8_t status;
        double dueMs;        // when the device would send it; -1 for an immediate message
        int sampleOffset;    // within the timed block
        double blockTimeMs;  // the timed block's time base
        int call;            // which sendBlockOfMessages call (or immediate send) carried it
    };

    enum class Action
    {
        startThread,
        stopThread,
        clearPending,
        sendNow,
        sendBlock
    };

    std::vector<Message> messages;
    std::vector<Action> actions;
    bool threadRunning = false;
    bool sentWhileStopped = false;

    int count(Action action) const
    {
        int n = 0;
        for (auto a : actions)
            n += a == action ? 1 : 0;
        return n;
    }

    std::vector<Message> withStatus(std::uint8_t status) const
    {
        std::vector<Message> result;
        for (const auto& m : messages)
            if (m.status == status)
                result.push_back(m);
        return result;
    }
};

class RecordingMidiClockDevice final : public kestrum::MidiClockDevice
{
public:
    RecordingMidiClockDevice(std::shared_ptr<MidiClockDeviceLog> deviceLog, std::shared_ptr<std::mutex> logMutex)
        : log(std::move(deviceLog)), mutex(std::move(logMutex))
    {
    }

    void startBackgroundThread() override
    {
        const std::lock_guard<std::mutex> guard(*mutex);
        log->actions.push_back(MidiClockDeviceLog::Action::startThread);
        log->threadRunning = true;
    }

    void stopBackgroundThread() override
    {
        const std::lock_guard<std::mutex> guard(*mutex);
        log->actions.push_back(MidiClockDeviceLog::Action::stopThread);
        log->threadRunning = false;
    }

    void clearAllPendingMessages() override
    {
        const std::lock_guard<std::mutex> guard(*mutex);
        log->actions.push_back(MidiClockDeviceLog::Action::clearPending);
    }

    void sendMessageNow(const juce::MidiMessage& message) override
    {
        const std::lock_guard<std::mutex> guard(*mutex);
        log->actions.push_back(MidiClockDeviceLog::Action::sendNow);
        log->messages.push_back({ message.getRawData()[0], -1.0, 0, -1.0, calls++ });
    }

    void sendBlockOfMessages(const juce::MidiBuffer& buffer, double startMs, double sampleRate) override
    {
        const std::lock_guard<std::mutex> guard(*mutex);
        log->actions.push_back(MidiClockDeviceLog::Action::sendBlock);
        log->sentWhileStopped |= !log->threadRunning;
        for (const auto metadata : buffer)
            log->messages.push_back({ metadata.data[0], startMs + metadata.samplePosition * 1000.0 / sampleRate,
                                      metadata.samplePosition, startMs, calls });
        ++calls;
    }

private:
    std::shared_ptr<MidiClockDeviceLog> log;
    std::shared_ptr<std::mutex> mutex;
    int calls = 0;
};

// Stands in for the system's MIDI outputs: every identifier opens a recording device except
// those marked as failing.
class RecordingMidiClockDevices
{
public:
    kestrum::MidiClockDeviceOpener opener()
    {
        return [this](const juce::String& id) -> std::unique_ptr<kestrum::MidiClockDevice> {
            const std::lock_guard<std::mutex> guard(*mutex);
            if (failing.count(id) != 0)
                return nullptr;
            auto& log = logs[id];
            log = std::make_shared<MidiClockDeviceLog>();
            return std::make_unique<RecordingMidiClockDevice>(log, mutex);
        };
    }

    // A copy of what the device opened last under this identifier did (empty if never opened).
    MidiClockDeviceLog log(const juce::String& id) const
    {
        const std::lock_guard<std::mutex> guard(*mutex);
        const auto it = logs.find(id);
        return it == logs.end() ? MidiClockDeviceLog {} : *it->second;
    }

    bool wasOpened(const juce::String& id) const
    {
        const std::lock_guard<std::mutex> guard(*mutex);
        return logs.count(id) != 0;
    }

    std::set<juce::String> failing;

private:
    std::shared_ptr<std::mutex> mutex = std::make_shared<std::mutex>();
    std::map<juce::String, std::shared_ptr<MidiClockDeviceLog>> logs;
};

} // namespace druvex::test
