#include "PluginProcessor.h"

using namespace kestrum;

void Kestrum8AudioProcessor::resetSequencerState()
{
    auto& s = *sequencer;
    s.sequencerRunning = true;
    s.samplesUntilNextStep = 0.0;
    s.internalPosition = -1;
    s.lastHostStep = -1;
    s.waitingForBarStart = true;
    s.wasSyncedToDaw = false;
    s.hostWasRunning = false;
    s.overwriteWasArmed.fill(false);
    s.heldNotes.fill({});
    s.chordStep.fill(-1);
    s.chordNoteCount.fill(0);
    s.lastOverwriteHitSample.fill(-1);
    for (auto& row : s.stepSuppressedUntil)
        row.fill(-1);
}

void Kestrum8AudioProcessor::beginSequencerBlock()
{
}

void Kestrum8AudioProcessor::advanceSequencerClock(int)
{
}

void Kestrum8AudioProcessor::handleNoteOff(int note)
{
    auto& s = *sequencer;
    for (int c = 0; c < numChannels; ++c)
    {
        const auto ch = static_cast<size_t>(c);
        s.heldNotes[ch].clear(note);
        if (s.heldNotes[ch].empty())
        {
            s.chordStep[ch] = -1;
            s.chordNoteCount[ch] = 0;
        }
    }
}

void Kestrum8AudioProcessor::recordLiveNote(int, float, int, int)
{
}

void Kestrum8AudioProcessor::setCurrentSequencerStep(int64_t position)
{
    currentSequencerStep.store(position < 0 ? -1 : static_cast<int>(position % numSteps));
    currentSequencerPosition.store(position < 0 ? -1 : position);
    for (auto& step : currentChannelSteps)
        step.store(position < 0 ? -1 : static_cast<int>(position % numSteps));
}

void Kestrum8AudioProcessor::triggerSequencerStep(int64_t)
{
}

void Kestrum8AudioProcessor::triggerChannel(int channel, float velocity, float pitchRatio)
{
    if (channel < 0 || channel >= numChannels)
        return;
    channelTriggerCounts[static_cast<size_t>(channel)].fetch_add(1);
    drumVoices[static_cast<size_t>(channel)]->trigger(velocity, pitchRatio);
}
