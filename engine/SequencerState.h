#pragma once

#include "../params/ParameterIDs.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace kestrum
{

// The content of one step from before its first live overwrite, so the overwrite can be undone.
// Only the audio thread sets `saved`, and only after the fields are written; the message thread
// claims a backup by exchanging `saved` with false before reading the fields. A reader therefore
// never sees a half-written record, and a backup is restored at most once.
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

// The set of MIDI notes held down on one channel. The message thread may empty it while the audio
// thread adds and removes notes, hence relaxed atomic words.
struct HeldNotes
{
    std::array<std::atomic<uint64_t>, 2> words {};

    void set(int note) noexcept { word(note).fetch_or(bit(note), std::memory_order_relaxed); }
    void clear(int note) noexcept { word(note).fetch_and(~bit(note), std::memory_order_relaxed); }
    bool contains(int note) const noexcept
    {
        return (words[static_cast<size_t>(note / 64)].load(std::memory_order_relaxed) & bit(note)) != 0;
    }
    bool empty() const noexcept
    {
        return words[0].load(std::memory_order_relaxed) == 0 && words[1].load(std::memory_order_relaxed) == 0;
    }
    void clearAll() noexcept
    {
        for (auto& w : words)
            w.store(0, std::memory_order_relaxed);
    }

private:
    static uint64_t bit(int note) noexcept { return uint64_t { 1 } << (note % 64); }
    std::atomic<uint64_t>& word(int note) noexcept { return words[static_cast<size_t>(note / 64)]; }
};

// A value that the audio thread uses while a message-thread reset may overwrite it. Relaxed: a
// reset that coincides with a note may leave that note's entry in place, which is harmless.
template <typename T>
struct Relaxed
{
    std::atomic<T> value {};

    T get() const noexcept { return value.load(std::memory_order_relaxed); }
    void set(T v) noexcept { value.store(v, std::memory_order_relaxed); }
};

// The parameter objects of one step, resolved once so that writing a step never looks a
// parameter up by name (which allocates). Null where the channel lacks the parameter.
struct StepParameterObjects
{
    juce::RangedAudioParameter* on = nullptr;
    juce::RangedAudioParameter* velocity = nullptr;
    juce::RangedAudioParameter* pitch = nullptr;
    juce::RangedAudioParameter* chordCount = nullptr;
    std::array<juce::RangedAudioParameter*, numChordNotes> chordPitch {};
    std::array<juce::RangedAudioParameter*, numChordNotes> chordVelocity {};
};

// Sequencer clock and live-recording state, owned by the processor. The clock members and the
// chord notes being recorded belong to the audio thread (and prepareToPlay); the members that the
// message thread's pattern operations reset are relaxed atomics, the backups are described above.
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
    std::array<Relaxed<int>, numChannels> chordStep {};
    std::array<Relaxed<int>, numChannels> chordNoteCount {};
    std::array<std::array<int, 4>, numChannels> chordNotePitches {};
    std::array<std::array<float, 4>, numChannels> chordNoteVelocities {};
    std::array<Relaxed<int64_t>, numChannels> lastOverwriteHitSample {};
    std::array<std::array<Relaxed<int64_t>, numSteps>, numChannels> stepSuppressedUntil {};

    // Resolved once, at construction; read by both threads, never changed afterwards.
    std::array<std::array<StepParameterObjects, numSteps>, numChannels> stepParameters {};
    juce::RangedAudioParameter* chordPolyMode = nullptr;
    bool parametersResolved = false;

    // Message thread only (velocity randomisation).
    juce::Random velocityRandom;
};

} // namespace kestrum
