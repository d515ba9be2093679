#pragma once

#include "ClockBatchQueue.h"
#include "MidiClockOutput.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace kestrum
{

// The thread that takes the audio thread's clock batches and hands them, timed, to the clock
// outputs. The audio thread writes batches into the queue and wakes the sender without taking
// any lock that the sender holds while it works; a missed wake-up costs at most the sender's
// polling interval, well inside the look-ahead the batches carry.
class MidiClockSender : private juce::Thread
{
public:
    static constexpr int queueCapacity = 256;

    explicit MidiClockSender(MidiClockOutputs& outputs);
    ~MidiClockSender() override;

    void start();
    // Returns whether the thread ended within the timeout.
    bool stop(int timeoutMs);

    // Audio thread: the next free record (null when the queue is full), then commit and wake.
    ClockBatch* beginBatch() noexcept { return queue.beginWrite(); }
    void commitBatch() noexcept;
    void wake() noexcept;

    // Waits until every batch committed so far has been delivered; false on timeout.
    bool waitUntilDelivered(int timeoutMs) const;

private:
    void run() override;
    void deliverQueuedBatches();

    MidiClockOutputs& outputs;
    ClockBatchQueue queue { queueCapacity };

    std::mutex wakeMutex;
    std::condition_variable wakeCondition;
    std::atomic<bool> wakeRequested { false };

    std::atomic<std::uint64_t> committedBatches { 0 };
    std::atomic<std::uint64_t> deliveredBatches { 0 };

    JUCE_DECLARE_NON_COPYABLE(MidiClockSender)
};

} // namespace kestrum
