#pragma once

#include "../params/ParameterIDs.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace kestrum
{

// The content of one step from before its first live overwrite, so the overwrite can be undone.
// Written on the audio thread, read on the message thread: every field is atomic and `saved`
// is exchanged last/first so a reader never sees a half-written record.
struct OverwriteBackup
{
    std::atomic<bool> saved { false };
    std::atomic<float> stepOn { 0.0f };
    std::atomic<float> stepVelocity { 0.0f };
    std::atomic<float> stepPitch { 0.0f };
    std::atomic<float> chordCount { 0.0f };
    std::array<std::atomic<float>, numChordNotes> chordPitch {};
    std::array<std::atomic<float>, numChordNotes> chordVelocity {};
};

// The set of MIDI notes held down on one channel.
struct HeldNotes
{
    std::array<uint64_t, 2> words {};

    void set(int note) noexcept { words[static_cast<size_t>(note / 64)] |= uint64_t { 1 } << (note % 64); }
    void clear(int note) noexcept { words[static_cast<size_t>(note / 64)] &= ~(uint64_t { 1 } << (note % 64)); }
    bool contains(int note) const noexcept { return (words[static_cast<size_t>(note / 64)] >> (note % 64)) & 1u; }
    bool empty() const noexcept { return words[0] == 0 && words[1] == 0; }
};

// Sequencer clock and live-recording state, owned by the processor and touched only on the audio
// thread (except the backups, see above).
struct SequencerState
{
    bool sequencerRunning = true;
    double samplesUntilNextStep = 0.0;
    int64_t internalPosition = -1;
    int64_t lastHostStep = -1;
    bool waitingForBarStart = true;
    bool wasSyncedToDaw = false;
    bool hostWasRunning = false;

    std::array<std::array<OverwriteBackup, numSteps>, numChannels> overwriteBackups {};
    std::array<bool, numChannels> overwriteWasArmed {};
    std::array<HeldNotes, numChannels> heldNotes {};
    std::array<int, numChannels> chordStep {};
    std::array<int, numChannels> chordNoteCount {};
    std::array<std::array<int, 4>, numChannels> chordNotePitches {};
    std::array<std::array<float, 4>, numChannels> chordNoteVelocities {};
    std::array<int64_t, numChannels> lastOverwriteHitSample {};
    std::array<std::array<int64_t, numSteps>, numChannels> stepSuppressedUntil {};
};

} // namespace kestrum
