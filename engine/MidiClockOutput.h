#pragma once

#include "ClockBatchQueue.h"
#include "MidiClockDevice.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace kestrum
{

// One open MIDI output of the clock list.
struct StandaloneMidiClockOutput
{
    juce::String deviceIdentifier;
    std::unique_ptr<MidiClockDevice> device;
    // Receives every clock message.
    bool clockEnabled = false;
    // Selected while the clock was running; joins at the next bar start with a Start.
    bool clockStartPending = false;
};

struct MidiClockOutputStatus
{
    bool open = false;
    bool clockEnabled = false;
    bool clockStartPending = false;
};

// The MIDI outputs the user has enabled and selected for clock, and the open devices. The
// settings panel changes them on the message thread, the clock sender delivers through them and
// releasing the audio device stops them; all three go through one recursive lock, which the audio
// thread never takes.
class MidiClockOutputs
{
public:
    // clockRunning is the processor's published flag: whether the audio thread is running the clock.
    explicit MidiClockOutputs(const std::atomic<bool>& clockRunning);
    ~MidiClockOutputs();

    // Recursive, so a caller can hold it around several of the calls below (the settings panel
    // stores both identifier lists under it).
    const juce::CriticalSection& getLock() const noexcept { return lock; }

    // How outputs are opened; the system's MIDI outputs unless replaced (tests record instead).
    void setDeviceOpener(MidiClockDeviceOpener opener);

    // The saved choices, as restored at start-up. Opens nothing by itself: updateOutputs() does.
    void setIdentifiers(const juce::StringArray& enabledOutputs, const juce::StringArray& clockOutputs);
    juce::StringArray getMidiOutputIdentifiers() const;
    juce::StringArray getMidiClockOutputIdentifiers() const;

    // Brings the open list in step with the devices present: closes every open output that has
    // gone, opens every enabled output that is present and not open yet.
    void updateOutputs(const juce::StringArray& availableIdentifiers);

    // The user's enable switch for one output: on adds it to the enabled list and opens it; off
    // removes it from both lists and closes it. Returns whether the output is open afterwards.
    bool setOutputEnabled(const juce::String& identifier, bool enabled);

    // The user's clock switch for one output. Selected while the clock runs, the output joins at
    // the next bar start; selected while stopped, it receives the next Start.
    void setClockSelected(const juce::String& identifier, bool selected);

    void closeAll();

    MidiClockOutputStatus getStatus(const juce::String& identifier) const;
    int getNumOpenOutputs() const;
    // Open outputs that are enabled for clock or waiting to join.
    int getActiveClockOutputCount() const noexcept { return activeClockOutputCount.load(); }

    // Clock sender: hands one batch to every output enabled for clock, and lets waiting outputs
    // join at a bar start or a Start.
    void deliver(const ClockBatch& batch);

    // Releasing the audio device: every output enabled for clock forgets its scheduled messages
    // and, when the clock had started, gets a Stop at once. Batches already handed over belong to
    // the stopped clock and are dropped (see getSession()).
    void stopNow(bool clockHadStarted);

    // Stamped on each batch by the audio thread; changes with every stopNow().
    std::uint32_t getSession() const noexcept { return session.load(std::memory_order_acquire); }

private:
    StandaloneMidiClockOutput* find(const juce::String& identifier);
    const StandaloneMidiClockOutput* find(const juce::String& identifier) const;
    void open(const juce::String& identifier);
    void close(const juce::String& identifier);
    void applyClockSelection(StandaloneMidiClockOutput& output, bool selected);
    bool clockIsRunning() const noexcept;
    void recount();

    juce::CriticalSection lock;
    juce::StringArray midiOutputIdentifiers;
    juce::StringArray midiClockOutputIdentifiers;
    std::vector<StandaloneMidiClockOutput> midiClockOutputs;
    std::atomic<int> activeClockOutputCount { 0 };

    const std::atomic<bool>& midiClockRunning;
    // Whether the last Start or Stop delivered was a Start. The audio thread's flag runs ahead of
    // what has been delivered; an output selected in between must still join correctly.
    bool deliveredClockRunning = false;
    std::atomic<std::uint32_t> session { 0 };

    MidiClockDeviceOpener opener;
    juce::MidiBuffer allMessages, joiningMessages;

    JUCE_DECLARE_NON_COPYABLE(MidiClockOutputs)
};

} // namespace kestrum
