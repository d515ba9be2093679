#include "PluginProcessor.h"

using namespace kestrum;

namespace
{

// Writes one block's clock messages straight into the sender's queue records, filling as many
// records as the block needs. The time base is fixed by the first message, so every record of
// the block shares it.
class ClockBatchWriter
{
public:
    ClockBatchWriter(MidiClockSender* clockSender, std::uint32_t clockSession, double rate)
        : sender(clockSender), session(clockSession), sampleRate(rate)
    {
    }

    bool hasMessages() const noexcept { return numMessages > 0; }

    template <typename TimeBase>
    void add(std::uint8_t status, int offset, bool barStart, TimeBase&& timeBaseForBlock)
    {
        if (numMessages++ == 0)
            timeMs = timeBaseForBlock(status == midiStartStatus);

        if (sender == nullptr)
            return;
        if (record == nullptr)
        {
            record = sender->beginBatch();
            if (record == nullptr)
                return; // queue full: this message is dropped, the clock itself keeps time
            record->timeMs = timeMs;
            record->sampleRate = sampleRate;
            record->session = session;
        }

        const int index = record->numEvents++;
        record->statusBytes[static_cast<size_t>(index)] = status;
        record->sampleOffsets[static_cast<size_t>(index)] = offset;
        if (barStart)
        {
            record->barStartOffset = offset;
            record->barStartIndex = index;
        }
        if (record->numEvents == ClockBatch::capacity)
            commit();
    }

    void finish() noexcept
    {
        if (record != nullptr && record->numEvents > 0)
            commit();
        if (committedAny)
        {
            sender->wake();
            committedAny = false;
        }
    }

private:
    void commit() noexcept
    {
        sender->commitBatch();
        record = nullptr;
        committedAny = true;
    }

    MidiClockSender* sender;
    std::uint32_t session;
    double sampleRate;
    double timeMs = 0.0;
    int numMessages = 0;
    ClockBatch* record = nullptr;
    bool committedAny = false;
};

} // namespace

std::unique_ptr<MidiClockSender> Kestrum8AudioProcessor::createMidiClockSender()
{
    // Only the standalone application drives MIDI outputs.
    if (!isStandaloneWrapper())
        return nullptr;
    auto sender = std::make_unique<MidiClockSender>(midiClockOutputs);
    sender->start();
    return sender;
}

void Kestrum8AudioProcessor::generateMidiClock(juce::MidiBuffer& midi, int numSamples)
{
    // The messages go straight into the sender's preallocated records rather than through the
    // MIDI buffer, whose storage could grow here; the host never receives them.
    midi.clear();
    if (numSamples < 1)
        return;

    const bool run = sequencer->sequencerRunning && (!transport.syncToDaw || (transport.isPlaying && transport.ppqValid));
    midiClockRunning.store(run);

    const double sampleRate = juce::jmax(getSampleRate(), 1.0);
    const double tempo = static_cast<double>(currentTempo.load());

    ClockBatchWriter writer(midiClockSender.get(), midiClockOutputs.getSession(), sampleRate);
    const auto timeBaseForBlock = [this, sampleRate](bool startsClock) {
        advanceClockDelay(sampleRate);
        // Only the block that starts the clock emits its ticks at their true offsets; later blocks
        // emit them a look-ahead early, so their base is a look-ahead late.
        const double base = startsClock ? 0.0 : 50.0;
        return smoothedClockDelayMs + base + midiClockTimeSource();
    };

    midiClock.generate(numSamples, run, tempo, sampleRate, [&](std::uint8_t status, int offset, bool barStart) {
        writer.add(status, offset, barStart, timeBaseForBlock);
    });
    writer.finish();
}

void Kestrum8AudioProcessor::advanceClockDelay(double sampleRate) noexcept
{
    // The applied delay glides towards the setting by at most 45 % of a block per block, so the
    // spacing of the clock never shrinks or stretches by more than that. Returning to 0 glides
    // too: a jump back would bunch the new ticks up with those already scheduled.
    const double setting = static_cast<double>(midiClockDelayMs.load());
    const double target = std::abs(setting) < 0.5 ? 0.0 : setting;
    const double step = juce::jmax(static_cast<double>(maxBlockSize) * 1000.0 / sampleRate * 0.45, 0.25);
    smoothedClockDelayMs += juce::jlimit(-step, step, target - smoothedClockDelayMs);
}

void Kestrum8AudioProcessor::setMidiClockDelayMs(float milliseconds) noexcept
{
    const float value = std::isfinite(milliseconds) ? juce::jlimit(-50.0f, 50.0f, std::round(milliseconds)) : 0.0f;
    midiClockDelayMs.store(value);
}

bool Kestrum8AudioProcessor::waitForMidiClockDelivery(int timeoutMs) const
{
    return midiClockSender != nullptr && midiClockSender->waitUntilDelivered(timeoutMs);
}

void Kestrum8AudioProcessor::resetMidiClock() noexcept
{
    midiClock.reset();
    midiClockRunning.store(false);
}

void Kestrum8AudioProcessor::releaseMidiClock()
{
    if (isStandaloneWrapper())
        midiClockOutputs.stopNow(midiClock.midiClockStarted);
    resetMidiClock();
}

void Kestrum8AudioProcessor::shutDownMidiClock()
{
    if (midiClockSender != nullptr)
        midiClockSender->stop(1000);
    midiClockSender.reset();
    midiClockOutputs.closeAll();
}
