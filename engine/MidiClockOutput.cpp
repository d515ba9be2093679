#include "MidiClockOutput.h"

namespace kestrum
{
namespace
{

// Copies events [first, numEvents) of a batch into a buffer, optionally led by a Start at the
// first event's offset.
void fillBuffer(juce::MidiBuffer& buffer, const ClockBatch& batch, int first, int numEvents, bool leadWithStart)
{
    buffer.clear();
    if (first < 0 || first >= numEvents)
        return;
    if (leadWithStart)
        buffer.addEvent(juce::MidiMessage(midiStartStatus), batch.sampleOffsets[static_cast<size_t>(first)]);
    for (int i = first; i < numEvents; ++i)
        buffer.addEvent(juce::MidiMessage(batch.statusBytes[static_cast<size_t>(i)]),
                        batch.sampleOffsets[static_cast<size_t>(i)]);
}

} // namespace

MidiClockOutputs::MidiClockOutputs(const std::atomic<bool>& clockRunning)
    : midiClockRunning(clockRunning), opener(&openMidiClockDevice)
{
    // Room for a full batch (and a leading Start) so delivering normally needs no allocation.
    allMessages.ensureSize(2048);
    joiningMessages.ensureSize(2048);
}

MidiClockOutputs::~MidiClockOutputs()
{
    closeAll();
}

void MidiClockOutputs::setDeviceOpener(MidiClockDeviceOpener newOpener)
{
    const juce::ScopedLock sl(lock);
    opener = std::move(newOpener);
}

void MidiClockOutputs::setIdentifiers(const juce::StringArray& enabledOutputs, const juce::StringArray& clockOutputs)
{
    const juce::ScopedLock sl(lock);
    midiOutputIdentifiers.clear();
    midiClockOutputIdentifiers.clear();
    for (const auto& id : enabledOutputs)
        if (id.isNotEmpty())
            midiOutputIdentifiers.addIfNotAlreadyThere(id);
    for (const auto& id : clockOutputs)
        if (id.isNotEmpty())
            midiClockOutputIdentifiers.addIfNotAlreadyThere(id);

    for (auto& output : midiClockOutputs)
        applyClockSelection(output, midiClockOutputIdentifiers.contains(output.deviceIdentifier));
    recount();
}

juce::StringArray MidiClockOutputs::getMidiOutputIdentifiers() const
{
    const juce::ScopedLock sl(lock);
    return midiOutputIdentifiers;
}

juce::StringArray MidiClockOutputs::getMidiClockOutputIdentifiers() const
{
    const juce::ScopedLock sl(lock);
    return midiClockOutputIdentifiers;
}

void MidiClockOutputs::updateOutputs(const juce::StringArray& availableIdentifiers)
{
    const juce::ScopedLock sl(lock);

    juce::StringArray gone;
    for (const auto& output : midiClockOutputs)
        if (!availableIdentifiers.contains(output.deviceIdentifier))
            gone.add(output.deviceIdentifier);
    for (const auto& id : gone)
        close(id);
    recount();

    for (const auto& id : midiOutputIdentifiers)
        if (availableIdentifiers.contains(id) && find(id) == nullptr)
            open(id);
}

bool MidiClockOutputs::setOutputEnabled(const juce::String& identifier, bool enabled)
{
    const juce::ScopedLock sl(lock);
    if (identifier.isEmpty())
        return false;

    if (enabled)
    {
        midiOutputIdentifiers.addIfNotAlreadyThere(identifier);
        if (find(identifier) == nullptr)
            open(identifier);
    }
    else
    {
        midiOutputIdentifiers.removeString(identifier);
        midiClockOutputIdentifiers.removeString(identifier);
        close(identifier);
        recount();
    }
    return find(identifier) != nullptr;
}

void MidiClockOutputs::setClockSelected(const juce::String& identifier, bool selected)
{
    const juce::ScopedLock sl(lock);
    if (identifier.isEmpty())
        return;

    if (selected)
        midiClockOutputIdentifiers.addIfNotAlreadyThere(identifier);
    else
        midiClockOutputIdentifiers.removeString(identifier);

    if (auto* output = find(identifier))
        applyClockSelection(*output, selected);
    recount();
}

void MidiClockOutputs::closeAll()
{
    const juce::ScopedLock sl(lock);
    while (!midiClockOutputs.empty())
        close(midiClockOutputs.back().deviceIdentifier);
    recount();
}

MidiClockOutputStatus MidiClockOutputs::getStatus(const juce::String& identifier) const
{
    const juce::ScopedLock sl(lock);
    if (const auto* output = find(identifier))
        return { true, output->clockEnabled, output->clockStartPending };
    return {};
}

int MidiClockOutputs::getNumOpenOutputs() const
{
    const juce::ScopedLock sl(lock);
    return static_cast<int>(midiClockOutputs.size());
}

void MidiClockOutputs::deliver(const ClockBatch& batch)
{
    const juce::ScopedLock sl(lock);
    if (batch.session != session.load(std::memory_order_acquire))
        return;

    const int numEvents = juce::jlimit(0, ClockBatch::capacity, batch.numEvents);
    int startIndex = -1, stopIndex = -1;
    for (int i = 0; i < numEvents; ++i)
    {
        const auto status = batch.statusBytes[static_cast<size_t>(i)];
        if (status == midiStartStatus && startIndex < 0)
            startIndex = i;
        if (status == midiStopStatus && stopIndex < 0)
            stopIndex = i;
    }

    // A waiting output joins at the first Start or bar start of the batch, whichever comes first.
    int joinIndex = startIndex;
    if (batch.barStartIndex >= 0 && batch.barStartIndex < numEvents && (joinIndex < 0 || batch.barStartIndex < joinIndex))
        joinIndex = batch.barStartIndex;
    const bool stoppedBeforeJoining = stopIndex >= 0 && (joinIndex < 0 || stopIndex < joinIndex);

    fillBuffer(allMessages, batch, 0, numEvents, false);
    bool joiningMessagesReady = false;

    for (auto& output : midiClockOutputs)
    {
        if (output.clockEnabled)
        {
            if (!allMessages.isEmpty())
                output.device->sendBlockOfMessages(allMessages, batch.timeMs, batch.sampleRate);
        }
        else if (output.clockStartPending)
        {
            if (stoppedBeforeJoining)
            {
                // It never started, so it needs no Stop; it starts with the next Start.
                output.clockStartPending = false;
                output.clockEnabled = true;
            }
            else if (joinIndex >= 0)
            {
                if (!joiningMessagesReady)
                {
                    const bool needsStart = batch.statusBytes[static_cast<size_t>(joinIndex)] != midiStartStatus;
                    fillBuffer(joiningMessages, batch, joinIndex, numEvents, needsStart);
                    joiningMessagesReady = true;
                }
                output.device->sendBlockOfMessages(joiningMessages, batch.timeMs, batch.sampleRate);
                output.clockStartPending = false;
                output.clockEnabled = true;
            }
        }
    }

    if (startIndex >= 0)
        deliveredClockRunning = true;
    if (stopIndex > startIndex)
        deliveredClockRunning = false;
}

void MidiClockOutputs::stopNow(bool clockHadStarted)
{
    const juce::ScopedLock sl(lock);
    session.fetch_add(1, std::memory_order_acq_rel);

    for (auto& output : midiClockOutputs)
    {
        if (output.clockEnabled && clockHadStarted)
        {
            output.device->clearAllPendingMessages();
            output.device->sendMessageNow(juce::MidiMessage(midiStopStatus));
        }
        if (output.clockStartPending)
        {
            output.clockStartPending = false;
            output.clockEnabled = true;
        }
    }
    deliveredClockRunning = false;
}

StandaloneMidiClockOutput* MidiClockOutputs::find(const juce::String& identifier)
{
    for (auto& output : midiClockOutputs)
        if (output.deviceIdentifier == identifier)
            return &output;
    return nullptr;
}

const StandaloneMidiClockOutput* MidiClockOutputs::find(const juce::String& identifier) const
{
    for (const auto& output : midiClockOutputs)
        if (output.deviceIdentifier == identifier)
            return &output;
    return nullptr;
}

void MidiClockOutputs::open(const juce::String& identifier)
{
    if (!opener)
        return;
    auto device = opener(identifier);
    if (device == nullptr)
        return;

    device->startBackgroundThread();
    StandaloneMidiClockOutput output;
    output.deviceIdentifier = identifier;
    output.device = std::move(device);
    applyClockSelection(output, midiClockOutputIdentifiers.contains(identifier));
    midiClockOutputs.push_back(std::move(output));
    recount();
}

void MidiClockOutputs::close(const juce::String& identifier)
{
    for (auto it = midiClockOutputs.begin(); it != midiClockOutputs.end(); ++it)
    {
        if (it->deviceIdentifier != identifier)
            continue;
        it->device->clearAllPendingMessages();
        it->device->stopBackgroundThread();
        midiClockOutputs.erase(it);
        return;
    }
}

void MidiClockOutputs::applyClockSelection(StandaloneMidiClockOutput& output, bool selected)
{
    if (!selected)
    {
        output.clockEnabled = false;
        output.clockStartPending = false;
    }
    else if (!output.clockEnabled && !output.clockStartPending)
    {
        const bool running = clockIsRunning();
        output.clockEnabled = !running;
        output.clockStartPending = running;
    }
}

bool MidiClockOutputs::clockIsRunning() const noexcept
{
    return midiClockRunning.load() || deliveredClockRunning;
}

void MidiClockOutputs::recount()
{
    int count = 0;
    for (const auto& output : midiClockOutputs)
        if (output.clockEnabled || output.clockStartPending)
            ++count;
    activeClockOutputCount.store(count);
}

} // namespace kestrum
