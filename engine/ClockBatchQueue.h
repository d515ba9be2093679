#pragma once

#include <juce_core/juce_core.h>

#include <array>
#include <cstdint>
#include <memory>

namespace kestrum
{

// MIDI status bytes the clock output sends.
constexpr std::uint8_t midiClockStatus = 0xF8;
constexpr std::uint8_t midiStartStatus = 0xFA;
constexpr std::uint8_t midiStopStatus = 0xFC;

// The clock messages of one block (or of one part of a long block), timed against the
// high-resolution millisecond counter: message i is due at
// timeMs + sampleOffsets[i] * 1000 / sampleRate.
struct ClockBatch
{
    static constexpr int capacity = 64;

    double timeMs = 0.0;
    double sampleRate = 1.0;
    // Offset and index of the tick that starts a 4/4 bar (its count is a multiple of 96), or -1.
    // An output waiting to join a running clock starts there.
    int barStartOffset = -1;
    int barStartIndex = -1;
    // Batches handed over before the last release of the audio device belong to a clock that has
    // already been stopped, and are not delivered.
    std::uint32_t session = 0;
    int numEvents = 0;
    std::array<std::uint8_t, capacity> statusBytes {};
    std::array<int, capacity> sampleOffsets {};

    double dueTimeMs(int index) const noexcept
    {
        return timeMs + sampleOffsets[static_cast<size_t>(index)] * 1000.0 / sampleRate;
    }
};

// A fixed ring of batch records shared by exactly one writer (the audio thread) and one reader
// (the clock sender). Records are written in place, so handing a batch over copies nothing and
// allocates nothing.
class ClockBatchQueue
{
public:
    explicit ClockBatchQueue(int numRecords)
        : fifo(juce::jmax(numRecords, 1) + 1), // the fifo keeps one slot free
          records(std::make_unique<ClockBatch[]>(static_cast<size_t>(fifo.getTotalSize())))
    {
    }

    // Writer: the next free record, or null when the reader has fallen behind by the whole ring.
    // It stays invisible to the reader until commitWrite().
    ClockBatch* beginWrite() noexcept
    {
        int start1, size1, start2, size2;
        fifo.prepareToWrite(1, start1, size1, start2, size2);
        if (size1 < 1)
            return nullptr;
        auto& record = records[static_cast<size_t>(start1)];
        record = ClockBatch {};
        return &record;
    }

    void commitWrite() noexcept { fifo.finishedWrite(1); }

    // Reader: the oldest committed record, or null when there is none. It stays valid until pop().
    const ClockBatch* front() const noexcept
    {
        int start1, size1, start2, size2;
        fifo.prepareToRead(1, start1, size1, start2, size2);
        return size1 < 1 ? nullptr : &records[static_cast<size_t>(start1)];
    }

    void pop() noexcept { fifo.finishedRead(1); }

    int getNumReady() const noexcept { return fifo.getNumReady(); }
    int getCapacity() const noexcept { return fifo.getTotalSize() - 1; }

private:
    juce::AbstractFifo fifo;
    std::unique_ptr<ClockBatch[]> records;
};

} // namespace kestrum
