#include "PluginProcessor.h"

#include "dsp/DelayTime.h"
#include "dsp/OutputRouting.h"

using namespace kestrum;

MasterControls Kestrum8AudioProcessor::readMasterControls() const noexcept
{
    MasterControls c;
    c.output.glue = isOn(globalParams[glueIndex], false);
    c.output.gluePush = load(globalParams[gluePushIndex], 0.0f);
    c.output.sidechainFilter = isOn(globalParams[limiterSidechainFilterIndex], false);
    c.output.autoGain = isOn(globalParams[limiterAutoGainIndex], false);
    c.kickDuck = isOn(globalParams[kickDuckIndex], false);
    c.delay.time = load(globalParams[delayTimeIndex], 0.18f);
    c.delay.sync = isOn(globalParams[delaySyncIndex], false);
    c.delay.feedback = load(globalParams[delayFeedbackIndex], 0.36f);
    c.delay.highPass = load(globalParams[delayHighPassIndex], 0.0f);
    c.delay.wet = load(globalParams[delayWetIndex], 0.46f);
    c.delay.muted = isOn(globalParams[delayMuteIndex], false);
    return c;
}

bool Kestrum8AudioProcessor::noChannelSoloed() const noexcept
{
    for (auto* solo : soloParams)
        if (isOn(solo, false))
            return false;
    return true;
}

bool Kestrum8AudioProcessor::channelHeard(int channel, bool noSolo) const noexcept
{
    const auto c = static_cast<size_t>(channel);
    return kestrum::channelHeard(isOn(soloParams[c], false), isOn(muteParams[c], false), noSolo);
}

Kestrum8AudioProcessor::ModuleGs3Eq::Settings Kestrum8AudioProcessor::readModuleEqSettings(int channel) const noexcept
{
    const auto c = static_cast<size_t>(channel);
    ModuleGs3Eq::Settings s;
    s.enabled = isOn(eqEnabledParams[c], false);
    s.muted = isOn(eqMutedParams[c], false);
    s.post = isOn(eqPostParams[c], true);
    for (size_t b = 0; b < ModuleGs3Eq::numBands; ++b)
    {
        s.bandEnabled[b] = isOn(eqBandEnabledParams[c][b], true);
        s.frequency[b] = load(eqFrequencyParams[c][b], s.frequency[b]);
        s.gainDb[b] = load(eqGainParams[c][b], s.gainDb[b]);
        s.q[b] = load(eqQParams[c][b], s.q[b]);
        s.shape[b] = static_cast<int>(std::round(load(eqShapeParams[c][b], static_cast<float>(s.shape[b]))));
    }
    return s;
}

void Kestrum8AudioProcessor::prepareMasterBus(double sampleRate)
{
    masterBus.prepare(sampleRate, readMasterControls());
    const bool noSolo = noChannelSoloed();
    for (int c = 0; c < numChannels; ++c)
        moduleOutputs[static_cast<size_t>(c)].prepare(sampleRate, channelHeard(c, noSolo));
}

void Kestrum8AudioProcessor::releaseMasterBus()
{
    masterBus.clearDelay();
}

void Kestrum8AudioProcessor::prepareModuleEqs(double sampleRate)
{
    for (auto& eq : moduleEqs)
        eq.prepare(sampleRate);
}

void Kestrum8AudioProcessor::raiseKickDuck(float velocity)
{
    masterBus.raiseKickDuck(velocity);
}

juce::String Kestrum8AudioProcessor::getDelayTimeDisplayText() const
{
    return juce::String(delayTimeDisplayText(load(globalParams[delayTimeIndex], 0.18f),
                                             isOn(globalParams[delaySyncIndex], false), currentTempo.load()));
}

float Kestrum8AudioProcessor::renderChannelVoices(int channel, ChannelParameters& record)
{
    const auto c = static_cast<size_t>(channel);
    record = ChannelParameters {};
    channelParams[c].fill(record);

    float x = drumVoices[c]->process(record);

    // The polyphonic channels' extra voices only sound while their poly mode is on.
    const int polySlot = channel == 5 ? 0 : channel == 7 ? 1 : -1;
    if (polySlot >= 0 && isOn(polyModeParams[static_cast<size_t>(polySlot)], false))
    {
        const int first = polySlot == 0 ? 8 : 12;
        for (int v = first; v < first + 4; ++v)
            x += drumVoices[static_cast<size_t>(v)]->process(record);
    }
    return x;
}

void Kestrum8AudioProcessor::renderSamples(juce::AudioBuffer<float>& buffer, int startSample, int numSamples)
{
    if (numSamples < 1)
        return;

    const bool standalone = isStandaloneWrapper();
    const int numBufferChannels = buffer.getNumChannels();
    const auto masterOutputs = resolveMasterOutputs(outputChannelMap, numBufferChannels, standalone);
    const bool noSolo = noChannelSoloed();
    const bool preMute = isOn(globalParams[delayPreFaderIndex], true);

    masterBus.beginRange(readMasterControls(), currentTempo.load());

    ChannelParameters record;
    for (int i = startSample; i < startSample + numSamples; ++i)
    {
        advanceSequencerClock(i);
        const float duckGain = masterBus.beginSample();

        for (int c = 0; c < numChannels; ++c)
        {
            const auto ch = static_cast<size_t>(c);
            ModulePathInputs in;
            in.heard = channelHeard(c, noSolo);
            in.sendOn = isOn(fxSendParams[ch], false);
            in.preMute = preMute;
            in.isKick = c == 0;
            in.hasModuleEq = c != 4;
            in.duckGain = duckGain;

            const float x = renderChannelVoices(c, record);
            in.altKick = c == 0
                         && (record.kik9AltModel >= 0.5f || record.kik9Model3 >= 0.5f || record.kik9Model4 >= 0.5f
                             || record.kik9Model5 >= 0.5f || record.kik9Model6 >= 0.5f || record.kik9Model7 >= 0.5f);
            in.eqPost = isOn(eqPostParams[ch], true);

            const auto s = moduleOutputs[ch].process(x, in, [this, c, ch](float v) {
                return moduleEqs[ch].process(v, readModuleEqSettings(c));
            });
            if (!s.contributes)
                continue;

            auto& capture = moduleEqAnalyserBuffers[ch]->blockCapture;
            if (static_cast<size_t>(i) < capture.size())
                capture[static_cast<size_t>(i)] = s.processedSample;

            masterBus.addDelaySend(s.delaySend);
            if (!s.audible)
                continue;

            const auto destination = resolveOutputRoute(outputRouteIndex(load(outputRouteParams[ch], 0.0f)),
                                                        outputChannelMap, numBufferChannels, standalone);
            if (destination.isMaster())
                masterBus.addToMaster(c == 0, s.signal);
            else
                for (int k = 0; k < destination.numChannels; ++k)
                    buffer.addSample(destination.channels[static_cast<size_t>(k)], i, s.signal);
        }

        const float out = masterBus.endSample();
        if (masterOutputs.left >= 0)
            buffer.setSample(masterOutputs.left, i, out);
        if (masterOutputs.right >= 0)
            buffer.setSample(masterOutputs.right, i, out);
    }

    gainReductionMeter.store(masterBus.getGainReductionMeter());
}
