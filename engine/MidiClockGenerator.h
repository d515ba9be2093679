#pragma once

#include "ClockBatchQueue.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kestrum
{

// Turns the sequencer's running state into MIDI Start, Stop and 24-per-quarter Clock messages,
// one block at a time, with sample offsets from the block's start. Ticks are emitted 50 ms ahead
// of their time (the look-ahead), so the sender can schedule them on the output before they are
// due; only the block that starts the clock emits its ticks at their true offsets.
class MidiClockGenerator
{
public:
    static int lookAheadSamples(double sampleRate) noexcept
    {
        return static_cast<int>(std::lround(sampleRate * 50.0 / 1000.0));
    }

    static double samplesPerTick(double sampleRate, double tempo) noexcept
    {
        return sampleRate * 60.0 / (24.0 * std::clamp(tempo, 30.0, 300.0));
    }

    void reset() noexcept
    {
        midiClockStarted = false;
        clockPhase = 0.0;
        clockTickCount = 0;
        nextTickToEmit = 0;
        barStartMarker = -1;
    }

    // Emits the block's messages in order through emit(status, sampleOffset, isBarStart).
    // running: whether the sequencer runs on a usable clock this block; tempo in beats per minute;
    // sampleRate at least 1.
    template <typename Emit>
    void generate(int numSamples, bool running, double tempo, double sampleRate, Emit&& emit)
    {
        barStartMarker = -1;
        if (numSamples < 1)
            return;

        const int lookAhead = lookAheadSamples(sampleRate);

        if (!running)
        {
            if (midiClockStarted)
            {
                // Placed a look-ahead early because the block is based a look-ahead late: it is due
                // at the block's start.
                emit(midiStopStatus, -lookAhead, false);
                reset();
            }
            return;
        }

        double lead = lookAhead;
        if (!midiClockStarted)
        {
            emit(midiStartStatus, 0, false);
            midiClockStarted = true;
            clockPhase = 0.0;
            clockTickCount = 0;
            nextTickToEmit = 0;
            lead = 0.0;
        }

        const double tick = samplesPerTick(sampleRate, tempo);
        const double end = static_cast<double>(numSamples) + lookAhead;

        // Ticks are counted, not compared by position, so none is emitted twice or skipped however
        // the positions round from block to block.
        double x = clockPhase;
        int64_t n = clockTickCount;
        while (n < nextTickToEmit)
        {
            x += tick;
            ++n;
        }
        while (x < end)
        {
            const int offset = static_cast<int>(std::lround(x - lead));
            const bool barStart = n % 96 == 0;
            if (barStart)
                barStartMarker = offset;
            emit(midiClockStatus, offset, barStart);
            x += tick;
            ++n;
        }
        nextTickToEmit = n;

        while (clockPhase < numSamples)
        {
            clockPhase += tick;
            ++clockTickCount;
        }
        clockPhase -= numSamples;
    }

    bool midiClockStarted = false;
    // Samples from the start of the next block to the next tick, and that tick's count since the Start.
    double clockPhase = 0.0;
    int64_t clockTickCount = 0;
    // The first tick not emitted yet.
    int64_t nextTickToEmit = 0;
    // Offset of the last emitted bar-start tick of the current block, or -1.
    int barStartMarker = -1;
};

} // namespace kestrum
