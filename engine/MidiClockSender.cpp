#include "MidiClockSender.h"

#include <chrono>

namespace kestrum
{

namespace
{
constexpr auto pollInterval = std::chrono::milliseconds(2);
}

MidiClockSender::MidiClockSender(MidiClockOutputs& clockOutputs)
    : juce::Thread("DRUVEX MIDI clock"), outputs(clockOutputs)
{
}

MidiClockSender::~MidiClockSender()
{
    stop(1000);
}

void MidiClockSender::start()
{
    startThread(juce::Thread::Priority::high);
}

bool MidiClockSender::stop(int timeoutMs)
{
    signalThreadShouldExit();
    wake();
    return stopThread(timeoutMs);
}

void MidiClockSender::commitBatch() noexcept
{
    queue.commitWrite();
    committedBatches.fetch_add(1, std::memory_order_release);
}

void MidiClockSender::wake() noexcept
{
    // notify_one needs no lock; the mutex only guards the sender's own wait.
    wakeRequested.store(true, std::memory_order_release);
    wakeCondition.notify_one();
}

bool MidiClockSender::waitUntilDelivered(int timeoutMs) const
{
    const auto target = committedBatches.load(std::memory_order_acquire);
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + timeoutMs;
    while (deliveredBatches.load(std::memory_order_acquire) < target)
    {
        if (juce::Time::getMillisecondCounterHiRes() >= deadline)
            return false;
        juce::Thread::sleep(1);
    }
    return true;
}

void MidiClockSender::run()
{
    while (!threadShouldExit())
    {
        deliverQueuedBatches();

        std::unique_lock<std::mutex> wait(wakeMutex);
        wakeCondition.wait_for(wait, pollInterval, [this] { return wakeRequested.load() || threadShouldExit(); });
        wakeRequested.store(false);
    }
}

void MidiClockSender::deliverQueuedBatches()
{
    while (const auto* batch = queue.front())
    {
        outputs.deliver(*batch);
        queue.pop();
        deliveredBatches.fetch_add(1, std::memory_order_release);
    }
}

} // namespace kestrum
