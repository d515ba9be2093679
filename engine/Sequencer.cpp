// The step sequencer: block-start transitions, the per-sample clock (internal tempo or host
// transport), publishing positions, and triggering channels and voices.

#include "PluginProcessor.h"

#include "SequencerMath.h"

using namespace kestrum;

namespace
{
using seq::delayPreFaderParam;
using seq::sequencerRunParam;
using seq::syncToDawParam;
using seq::tempoParam;

constexpr int chordChannel = 7;
constexpr size_t chordVoice = 7;
constexpr size_t firstChordPolyVoice = 12;
constexpr size_t firstPolyVoice = 8;
} // namespace

int Kestrum8AudioProcessor::sequenceLength(int channel) const noexcept
{
    return seq::lengthFrom(seqLengthParams[static_cast<size_t>(channel)]);
}

void Kestrum8AudioProcessor::resetSequencerState()
{
    auto& s = *sequencer;
    // The constructor's reset resolves the step parameter objects once; later resets find them.
    if (!s.parametersResolved)
        resolveSequencerParameters();

    s.sequencerRunning = isOn(globalParams[sequencerRunParam], true);
    s.samplesUntilNextStep = 0.0;
    s.internalPosition = -1;
    s.lastHostStep = -1;
    s.waitingForBarStart = true;
    s.wasSyncedToDaw = isOn(globalParams[syncToDawParam], false);
    s.hostWasRunning = false;

    s.overwriteWasArmed.fill(false);
    for (int c = 0; c < numChannels; ++c)
        clearLiveRecordingState(c);
}

void Kestrum8AudioProcessor::beginSequencerBlock()
{
    auto& s = *sequencer;
    s.sequencerRunning = isOn(globalParams[sequencerRunParam], true);

    for (int c = 0; c < numChannels; ++c)
    {
        const auto ch = static_cast<size_t>(c);
        const bool armed = isOn(seqOverwriteParams[ch], false);
        if (armed && !s.overwriteWasArmed[ch])
        {
            // A new pass: what the previous pass overwrote is kept but can no longer be undone.
            for (auto& backup : s.overwriteBackups[ch])
                backup.saved.store(false);
            clearLiveRecordingState(c);
        }
        s.overwriteWasArmed[ch] = armed;
    }

    if (!s.sequencerRunning)
    {
        s.samplesUntilNextStep = 0.0;
        s.internalPosition = -1;
        s.lastHostStep = -1;
        s.waitingForBarStart = true;
        setCurrentSequencerStep(-1);
    }

    const bool synced = transport.syncToDaw;
    const bool playing = transport.isPlaying;

    if (synced != s.wasSyncedToDaw)
    {
        s.wasSyncedToDaw = synced;
        if (!synced)
        {
            // Back on the internal clock, which starts again at position 0.
            s.samplesUntilNextStep = 0.0;
            s.internalPosition = -1;
            setCurrentSequencerStep(-1);
            s.hostWasRunning = playing;
            return;
        }
        s.waitingForBarStart = true;
        s.lastHostStep = -1;
        setCurrentSequencerStep(-1);
    }

    if (!synced)
    {
        s.hostWasRunning = playing;
        return;
    }

    if (!(playing && transport.ppqValid))
    {
        s.waitingForBarStart = true;
        s.lastHostStep = -1;
        setCurrentSequencerStep(-1);
    }

    if (playing)
    {
        if (!s.hostWasRunning)
        {
            s.waitingForBarStart = true;
            s.lastHostStep = -1;
        }
        s.hostWasRunning = true;
    }
    else
    {
        s.hostWasRunning = false;
    }
}

void Kestrum8AudioProcessor::advanceSequencerClock(int sampleInBlock)
{
    auto& s = *sequencer;
    if (!s.sequencerRunning)
        return;

    if (!transport.syncToDaw)
    {
        if (s.samplesUntilNextStep <= 0.5)
        {
            ++s.internalPosition;
            setCurrentSequencerStep(s.internalPosition);
            triggerSequencerStep(s.internalPosition);
            // Read at the boundary, so a tempo change applies from the next step on.
            s.samplesUntilNextStep += seq::samplesPerStep(sampleRateFloat, load(globalParams[tempoParam], 120.0f));
        }
        s.samplesUntilNextStep -= 1.0;
        return;
    }

    if (!(transport.isPlaying && transport.ppqValid))
        return;

    const double ppq = seq::wrapIntoLoop(transport, transport.ppqPosition + sampleInBlock * transport.quarterNotesPerSample);
    if (!std::isfinite(ppq))
        return;

    // Sixteenths of quarter-note beats: sixteen steps span one 4/4 bar whatever the host's metre.
    const auto position = static_cast<int64_t>(std::floor(ppq * 4.0 + 1.0e-9));
    setCurrentSequencerStep(position);

    if (s.waitingForBarStart)
    {
        if ((position & 15) != 0 || position == s.lastHostStep)
        {
            s.lastHostStep = position;
            return;
        }
        s.waitingForBarStart = false;
        s.lastHostStep = position;
        triggerSequencerStep(position);
    }
    else if (position != s.lastHostStep)
    {
        s.lastHostStep = position;
        triggerSequencerStep(position);
    }
}

void Kestrum8AudioProcessor::setCurrentSequencerStep(int64_t position)
{
    if (position < 0)
    {
        currentSequencerStep.store(-1);
        currentSequencerPosition.store(-1);
        for (auto& step : currentChannelSteps)
            step.store(-1);
        return;
    }

    currentSequencerStep.store(static_cast<int>(position % numSteps));
    currentSequencerPosition.store(position);
    for (int c = 0; c < numChannels; ++c)
        currentChannelSteps[static_cast<size_t>(c)].store(static_cast<int>(position % sequenceLength(c)));
}

void Kestrum8AudioProcessor::triggerSequencerStep(int64_t position)
{
    if (position < 0)
        return;

    auto& s = *sequencer;
    for (int c = 0; c < numChannels; ++c)
    {
        const auto ch = static_cast<size_t>(c);
        const auto st = static_cast<size_t>(position % sequenceLength(c));
        if (!isOn(stepOnParams[ch][st], false))
            continue;

        const float velocity = load(stepVelocityParams[ch][st], 0.86f);
        const float pitch = seq::roundHalfAway(load(stepPitchParams[ch][st], static_cast<float>(36 + c)));

        // A chord recorded live is already sounding; its step waits for the next cycle.
        auto& suppressedUntil = s.stepSuppressedUntil[ch][st];
        const int64_t until = suppressedUntil.get();
        if (position < until)
            continue;
        if (until >= 0)
            suppressedUntil.set(-1);

        int notes = 1;
        if (c == chordChannel && polyModeParams[1] != nullptr && isOn(polyModeParams[1], false))
        {
            // Every voice of the chord channel starts afresh with each chord.
            drumVoices[chordVoice]->reset();
            for (size_t v = firstChordPolyVoice; v < numVoices; ++v)
                drumVoices[v]->reset();
            polyVoiceRotation[1] = 0;
            if (auto* count = stepChordCountParams[ch][st])
                notes = juce::jlimit(1, 4, static_cast<int>(seq::roundHalfAway(finiteOr(count->load(), 1.0f))));
        }

        triggerChannel(c, seq::stepVelocity(velocity), seq::pitchRatio(pitch, c));

        for (int k = 0; k < notes - 1; ++k)
        {
            const auto kk = static_cast<size_t>(k);
            const float chordPitch = seq::roundHalfAway(load(stepChordPitchParams[ch][st][kk], pitch));
            const float chordVelocity = load(stepChordVelocityParams[ch][st][kk], velocity);
            triggerChannel(c, seq::stepVelocity(chordVelocity), seq::pitchRatio(chordPitch, c));
        }
    }
}

void Kestrum8AudioProcessor::triggerChannel(int channel, float velocity, float pitchRatio)
{
    if (channel < 0 || channel >= numChannels)
        return;

    const auto ch = static_cast<size_t>(channel);

    // A channel that cannot be heard is not triggered, unless it still feeds the delay before the
    // mute.
    const bool preMuteSend = isOn(globalParams[delayPreFaderParam], false) && isOn(fxSendParams[ch], false);
    if (isOn(muteParams[ch], false))
    {
        if (!preMuteSend)
            return;
    }
    else if (!isOn(soloParams[ch], false))
    {
        bool anySolo = false;
        for (auto* solo : soloParams)
            anySolo = anySolo || isOn(solo, false);
        if (anySolo && !preMuteSend)
            return;
    }

    if (channel == 0)
        raiseKickDuck(velocity);

    const int slot = channel == 5 ? 0 : (channel == chordChannel ? 1 : -1);
    if (slot >= 0 && isOn(polyModeParams[static_cast<size_t>(slot)], false))
    {
        // The channel's own voice is left to ring out; the extra voices take turns.
        auto& rotation = polyVoiceRotation[static_cast<size_t>(slot)];
        drumVoices[firstPolyVoice + 4 * static_cast<size_t>(slot) + static_cast<size_t>(rotation)]->trigger(velocity,
                                                                                                               pitchRatio);
        rotation = (rotation + 1) % 4;
    }
    else
    {
        drumVoices[ch]->trigger(velocity, pitchRatio);
    }

    channelTriggerCounts[ch].fetch_add(1);
}
