// Live overwrite recording: notes played on an armed channel are written into its pattern at the
// playing step, with one undo backup per overwritten step; plus the editor's pattern operations.
//
// Parameters are written through parameter objects resolved once at construction, so recording on
// the audio thread never builds an identifier or looks a parameter up by name.

#include "PluginProcessor.h"

#include "SequencerMath.h"

using namespace kestrum;

namespace
{
constexpr int chordChannel = 7;
constexpr size_t chordCh = 7;
constexpr float defaultVelocity = 0.86f;

// Writes as the editor would: one gesture around each change, so hosts record automation.
void writeNormalised(juce::RangedAudioParameter* parameter, float normalised)
{
    if (parameter == nullptr)
        return;
    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost(normalised);
    parameter->endChangeGesture();
}

void writePlain(juce::RangedAudioParameter* parameter, float plain)
{
    if (parameter != nullptr)
        writeNormalised(parameter, parameter->convertTo0to1(plain));
}

float loadOr(const std::atomic<float>* handle, float fallback) noexcept
{
    return handle != nullptr ? finiteOr(handle->load(), fallback) : fallback;
}

// Everything a backup holds but the on switch, each held in its parameter's range.
void restoreNotesFromBackup(const StepParameterObjects& objects, const OverwriteBackup& backup)
{
    writePlain(objects.velocity, juce::jlimit(0.25f, 1.0f, backup.stepVelocity.load()));
    writePlain(objects.pitch, juce::jlimit(0.0f, 127.0f, backup.stepPitch.load()));
    writePlain(objects.chordCount, juce::jlimit(1.0f, 4.0f, backup.chordCount.load()));
    for (size_t k = 0; k < numChordNotes; ++k)
    {
        writePlain(objects.chordPitch[k], juce::jlimit(0.0f, 127.0f, backup.chordPitch[k].load()));
        writePlain(objects.chordVelocity[k], juce::jlimit(0.25f, 1.0f, backup.chordVelocity[k].load()));
    }
}
} // namespace

void Kestrum8AudioProcessor::resolveSequencerParameters()
{
    auto& s = *sequencer;
    auto find = [this](const juce::String& id) { return parameters.getParameter(id); };

    for (int c = 0; c < numChannels; ++c)
        for (int st = 0; st < numSteps; ++st)
        {
            auto& objects = s.stepParameters[static_cast<size_t>(c)][static_cast<size_t>(st)];
            objects.on = find(getStepParameterID(c, st));
            objects.velocity = find(getStepVelocityParameterID(c, st));
            objects.pitch = find(getStepPitchParameterID(c, st));
            if (c != 6 && c != chordChannel)
                continue;
            objects.chordCount = find(getStepChordCountParameterID(c, st));
            for (int k = 0; k < numChordNotes; ++k)
            {
                objects.chordPitch[static_cast<size_t>(k)] = find(getStepChordPitchParameterID(c, st, k));
                objects.chordVelocity[static_cast<size_t>(k)] = find(getStepChordVelocityParameterID(c, st, k));
            }
        }

    s.chordPolyMode = find(kestrum::getParameterID(chordChannel, "PolyMode"));
    s.parametersResolved = true;
}

void Kestrum8AudioProcessor::clearLiveRecordingState(int channel)
{
    auto& s = *sequencer;
    const auto ch = static_cast<size_t>(channel);
    s.heldNotes[ch].clearAll();
    s.chordStep[ch].set(-1);
    s.chordNoteCount[ch].set(0);
    s.lastOverwriteHitSample[ch].set(-1);
    for (auto& until : s.stepSuppressedUntil[ch])
        until.set(-1);
}

void Kestrum8AudioProcessor::forgetOverwriteHistory()
{
    // Backups and suppressions describe the pattern that was there before; after a new pattern
    // arrives, undo must not write the old steps into it.
    for (int c = 0; c < numChannels; ++c)
    {
        for (auto& backup : sequencer->overwriteBackups[static_cast<size_t>(c)])
            backup.saved.store(false);
        clearLiveRecordingState(c);
    }
}

bool Kestrum8AudioProcessor::hasOverwriteBackup(int channel, int step) const noexcept
{
    if (channel < 0 || channel >= numChannels || step < 0 || step >= numSteps)
        return false;
    return sequencer->overwriteBackups[static_cast<size_t>(channel)][static_cast<size_t>(step)].saved.load();
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
            s.chordStep[ch].set(-1);
            s.chordNoteCount[ch].set(0);
        }
    }
}

int Kestrum8AudioProcessor::chordTargetStep(int sampleOffset, int64_t& roundedPosition) const noexcept
{
    const auto& s = *sequencer;
    const int64_t current = currentSequencerPosition.load();
    int64_t rounded = -1;

    const double ppq = transport.ppqPosition + sampleOffset * transport.quarterNotesPerSample;
    if (transport.syncToDaw && transport.ppqValid && std::isfinite(ppq))
    {
        rounded = static_cast<int64_t>(std::clamp(std::round(ppq * 4.0), 0.0, 1.0e15));
    }
    else if (current < 0)
    {
        rounded = 0;
    }
    else
    {
        // The note lands on the nearest step: the next one once more than half of this one has passed.
        const double stepLength = seq::samplesPerStep(sampleRateFloat, loadOr(globalParams[seq::tempoParam], 120.0f));
        const double elapsed = std::clamp(stepLength - s.samplesUntilNextStep, 0.0, stepLength);
        rounded = static_cast<int64_t>(std::round(static_cast<double>(current) + elapsed / stepLength));
    }

    roundedPosition = rounded;
    return rounded < 0 ? -1 : static_cast<int>(rounded % sequenceLength(chordChannel));
}

void Kestrum8AudioProcessor::recordLiveNote(int channel, float velocity, int note, int sampleOffset)
{
    if (channel < 0 || channel >= numChannels || note < 0 || note > 127)
        return;

    auto& s = *sequencer;
    bool recordsNote = true;

    if (channel == chordChannel)
    {
        auto& held = s.heldNotes[chordCh];
        const int64_t now = totalSamplesProcessed + sampleOffset;
        const int64_t window = std::llround(static_cast<double>(sampleRateFloat) * 0.08);
        const int64_t last = s.lastOverwriteHitSample[chordCh].get();

        if (held.empty() || last == -1 || now - last > window)
        {
            held.clearAll();
            int64_t rounded = -1;
            const int step = chordTargetStep(sampleOffset, rounded);
            s.chordStep[chordCh].set(step);
            s.chordNoteCount[chordCh].set(0);

            // A stopped sequencer records nothing, so it must not silence a step either.
            if (step >= 0 && s.sequencerRunning)
            {
                // The chord is already sounding live, so the sequencer skips this step until its
                // occurrence in the next cycle. The cycle is counted from the step the chord lands
                // on: a chord that rounds up over the end of the pattern belongs to the new cycle.
                const int length = sequenceLength(chordChannel);
                const int64_t base = std::max<int64_t>({ currentSequencerPosition.load(), rounded, 0 });
                s.stepSuppressedUntil[chordCh][static_cast<size_t>(step)].set(length * (base / length + 1) + step);
            }
        }

        recordsNote = !held.contains(note);
        held.set(note);
        s.lastOverwriteHitSample[chordCh].set(now);
    }

    if (s.sequencerRunning && recordsNote)
        recordOverwriteHit(channel, velocity, note);
}

void Kestrum8AudioProcessor::recordOverwriteHit(int channel, float velocity, int note)
{
    if (channel < 0 || channel >= numChannels)
        return;

    auto& s = *sequencer;
    const auto ch = static_cast<size_t>(channel);
    const float v = juce::jlimit(0.25f, 1.0f, velocity);
    const int n = juce::jlimit(0, 127, note);

    int step = -1;
    if (channel == chordChannel)
    {
        step = s.chordStep[chordCh].get();
        if (step == -1)
        {
            step = currentChannelSteps[chordCh].load();
            s.chordStep[chordCh].set(step);
            s.chordNoteCount[chordCh].set(0);
        }
    }
    else
    {
        step = currentChannelSteps[ch].load();
    }
    if (step < 0 || step >= numSteps)
        return;

    const auto st = static_cast<size_t>(step);
    auto& backup = s.overwriteBackups[ch][st];
    if (!backup.saved.load())
    {
        // Fields first, flag last: the message thread reads a backup only once it sees the flag.
        const float pitch = loadOr(stepPitchParams[ch][st], static_cast<float>(36 + channel));
        const float stepVelocity = loadOr(stepVelocityParams[ch][st], defaultVelocity);
        backup.stepOn.store(loadOr(stepOnParams[ch][st], 0.0f));
        backup.stepVelocity.store(stepVelocity);
        backup.stepPitch.store(pitch);
        backup.chordCount.store(loadOr(stepChordCountParams[ch][st], 1.0f));
        for (size_t k = 0; k < numChordNotes; ++k)
        {
            backup.chordPitch[k].store(loadOr(stepChordPitchParams[ch][st][k], pitch));
            backup.chordVelocity[k].store(loadOr(stepChordVelocityParams[ch][st][k], stepVelocity));
        }
        backup.saved.store(true);
    }

    const auto& objects = s.stepParameters[ch][st];
    writeNormalised(objects.on, 1.0f);

    if (channel != chordChannel)
    {
        writePlain(objects.velocity, v);
        writePlain(objects.pitch, static_cast<float>(n));
        return;
    }

    const int m = s.chordNoteCount[chordCh].get();
    if (m >= 4 || m < 0)
        return; // a fifth note plays but is not recorded

    // Insert the new note into the chord, lowest pitch first.
    auto& pitches = s.chordNotePitches[chordCh];
    auto& velocities = s.chordNoteVelocities[chordCh];
    int slot = m;
    while (slot > 0 && pitches[static_cast<size_t>(slot - 1)] > n)
    {
        pitches[static_cast<size_t>(slot)] = pitches[static_cast<size_t>(slot - 1)];
        velocities[static_cast<size_t>(slot)] = velocities[static_cast<size_t>(slot - 1)];
        --slot;
    }
    pitches[static_cast<size_t>(slot)] = n;
    velocities[static_cast<size_t>(slot)] = v;

    writePlain(objects.velocity, velocities[0]);
    writePlain(objects.pitch, static_cast<float>(pitches[0]));
    for (int k = 0; k < m; ++k)
    {
        const auto kk = static_cast<size_t>(k);
        writePlain(objects.chordVelocity[kk], velocities[kk + 1]);
        writePlain(objects.chordPitch[kk], static_cast<float>(pitches[kk + 1]));
    }

    // A chord only sounds as one with the channel's extra voices.
    if (m >= 1 && s.chordPolyMode != nullptr && s.chordPolyMode->getValue() < 0.5f)
        writeNormalised(s.chordPolyMode, 1.0f);

    writePlain(objects.chordCount, static_cast<float>(m + 1));
    s.chordNoteCount[chordCh].set(m + 1);
}

void Kestrum8AudioProcessor::restoreOverwriteStep(int channel, int step)
{
    if (channel < 0 || channel >= numChannels || step < 0 || step >= numSteps)
        return;

    auto& s = *sequencer;
    const auto ch = static_cast<size_t>(channel);
    const auto st = static_cast<size_t>(step);
    const auto& objects = s.stepParameters[ch][st];
    auto& backup = s.overwriteBackups[ch][st];

    if (isOn(seqOverwriteParams[ch], false))
    {
        // While recording, a step switched on by hand starts from the channel's own pitch.
        if (backup.saved.load())
            return;
        s.stepSuppressedUntil[ch][st].set(-1);
        const float ownPitch = static_cast<float>(36 + channel);
        writePlain(objects.pitch, ownPitch);
        if (channel == chordChannel && isOn(polyModeParams[1], false))
        {
            writePlain(objects.chordCount, 1.0f);
            for (auto* pitch : objects.chordPitch)
                writePlain(pitch, ownPitch);
        }
        return;
    }

    s.stepSuppressedUntil[ch][st].set(-1);
    if (!backup.saved.exchange(false))
        return;

    restoreNotesFromBackup(objects, backup);
}

void Kestrum8AudioProcessor::undoOverwrittenSteps(int channel)
{
    if (channel < 0 || channel >= numChannels)
        return;

    auto& s = *sequencer;
    const auto ch = static_cast<size_t>(channel);
    for (size_t st = 0; st < static_cast<size_t>(numSteps); ++st)
    {
        auto& backup = s.overwriteBackups[ch][st];
        if (!backup.saved.exchange(false))
            continue;

        const auto& objects = s.stepParameters[ch][st];
        writeNormalised(objects.on, juce::jlimit(0.0f, 1.0f, backup.stepOn.load()));
        restoreNotesFromBackup(objects, backup);
    }

    for (auto& until : s.stepSuppressedUntil[ch])
        until.set(-1);
}

void Kestrum8AudioProcessor::resetChannelPattern(int channel)
{
    if (channel < 0 || channel >= numChannels)
        return;

    auto& s = *sequencer;
    const auto ch = static_cast<size_t>(channel);
    const float ownPitch = static_cast<float>(36 + channel);

    for (const auto& objects : s.stepParameters[ch])
    {
        writeNormalised(objects.on, 0.0f);
        writePlain(objects.velocity, defaultVelocity);
        writePlain(objects.pitch, ownPitch);
        writePlain(objects.chordCount, 1.0f);
        for (size_t k = 0; k < numChordNotes; ++k)
        {
            writePlain(objects.chordPitch[k], ownPitch);
            writePlain(objects.chordVelocity[k], defaultVelocity);
        }
    }

    for (auto& backup : s.overwriteBackups[ch])
        backup.saved.store(false);
    clearLiveRecordingState(channel);
}

void Kestrum8AudioProcessor::randomizeStepVelocities(int channel)
{
    if (channel < 0 || channel >= numChannels)
        return;

    auto& s = *sequencer;
    for (const auto& objects : s.stepParameters[static_cast<size_t>(channel)])
        writePlain(objects.velocity, 0.34f + 0.66f * s.velocityRandom.nextFloat());
}

void Kestrum8AudioProcessor::resetStepVelocities(int channel)
{
    if (channel < 0 || channel >= numChannels)
        return;

    for (const auto& objects : sequencer->stepParameters[static_cast<size_t>(channel)])
        writePlain(objects.velocity, defaultVelocity);
}
