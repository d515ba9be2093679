#include "PluginProcessor.h"

#include "../params/ParameterLayout.h"

using namespace kestrum;

std::function<juce::AudioProcessorEditor*(Kestrum8AudioProcessor&)> Kestrum8AudioProcessor::editorFactory;
std::function<void(juce::AudioProcessorEditor&)> Kestrum8AudioProcessor::standaloneEditorSetup;

namespace
{
bool constructingForStandalone()
{
    return juce::PluginHostType::jucePlugInClientCurrentWrapperType == juce::AudioProcessor::wrapperType_Standalone;
}

} // namespace

juce::AudioProcessor::BusesProperties Kestrum8AudioProcessor::makeBuses()
{
    const auto layout = constructingForStandalone() ? juce::AudioChannelSet::discreteChannels(maxOutputChannels)
                                                    : juce::AudioChannelSet::stereo();
    return BusesProperties().withOutput("Output", layout, true);
}

Kestrum8AudioProcessor::Kestrum8AudioProcessor()
    : juce::AudioProcessor(makeBuses()),
      parameters(*this, nullptr, "PARAMETERS", createParameterLayout()),
      sequencer(std::make_unique<SequencerState>())
{
    for (int i = 0; i < numChannels; ++i)
        drumVoices[static_cast<size_t>(i)] = DrumVoice::create(static_cast<VoiceType>(i));

    // The extra voices are copies of one constructed voice, so they share its noise sequence.
    const auto generalDrum = DrumVoice::create(VoiceType::GeneralDrumA);
    const auto chord = DrumVoice::create(VoiceType::ChordPuller);
    for (int i = 0; i < 4; ++i)
    {
        drumVoices[static_cast<size_t>(8 + i)] = generalDrum->clone();
        drumVoices[static_cast<size_t>(12 + i)] = chord->clone();
    }

    for (auto& buffer : moduleEqAnalyserBuffers)
        buffer = std::make_unique<ModuleEqAnalyserBuffer>();

    cacheParameterHandles();

    for (auto& entry : outputChannelMap)
        entry.store(0);
    for (auto& step : currentChannelSteps)
        step.store(0);
    for (auto& count : channelTriggerCounts)
        count.store(0);

    resetSequencerState();

    loadDefaultPreset();
}

Kestrum8AudioProcessor::~Kestrum8AudioProcessor()
{
    // The clock sender delivers through the clock outputs: it stops before they close.
    shutDownMidiClock();
}

Kestrum8AudioProcessor::Handle Kestrum8AudioProcessor::handleFor(const juce::String& id) const
{
    return parameters.getRawParameterValue(id);
}

void Kestrum8AudioProcessor::cacheParameterHandles()
{
    for (size_t i = 0; i < globalParameterIDs.size(); ++i)
        globalParams[i] = handleFor(globalParameterIDs[i]);

    for (int c = 0; c < numChannels; ++c)
    {
        const auto ch = static_cast<size_t>(c);
        channelParams[ch] = ChannelParameterHandles::resolve(parameters, c);
        seqLengthParams[ch] = handleFor(kestrum::getParameterID(c, "SeqLength"));
        muteParams[ch] = handleFor(kestrum::getParameterID(c, "Mute"));
        soloParams[ch] = handleFor(kestrum::getParameterID(c, "Solo"));
        fxSendParams[ch] = handleFor(kestrum::getParameterID(c, "FxSend"));
        outputRouteParams[ch] = handleFor(kestrum::getParameterID(c, "OutputRoute"));
        seqOverwriteParams[ch] = handleFor(kestrum::getParameterID(c, "SeqOverwrite"));

        if (c != 4)
        {
            const juce::String prefix = c == 0 ? "Kik9MatchEq" : "ModuleGs3Eq";
            eqEnabledParams[ch] = handleFor(kestrum::getParameterID(c, prefix + "Enabled"));
            eqMutedParams[ch] = handleFor(kestrum::getParameterID(c, prefix + "Muted"));
            eqPostParams[ch] = handleFor(kestrum::getParameterID(c, prefix + "Post"));
            for (int b = 0; b < 3; ++b)
            {
                const auto band = static_cast<size_t>(b);
                const juce::String number = b == 0 ? juce::String() : juce::String(b + 1);
                eqBandEnabledParams[ch][band] = handleFor(kestrum::getParameterID(c, prefix + "Band" + juce::String(b + 1) + "Enabled"));
                eqFrequencyParams[ch][band] = handleFor(kestrum::getParameterID(c, prefix + "Frequency" + number));
                eqGainParams[ch][band] = handleFor(kestrum::getParameterID(c, prefix + "Gain" + number));
                eqQParams[ch][band] = handleFor(kestrum::getParameterID(c, prefix + "Q" + number));
                eqShapeParams[ch][band] = handleFor(kestrum::getParameterID(c, prefix + "Shape" + number));
            }
        }

        for (int s = 0; s < numSteps; ++s)
        {
            const auto st = static_cast<size_t>(s);
            stepOnParams[ch][st] = handleFor(getStepParameterID(c, s));
            stepVelocityParams[ch][st] = handleFor(getStepVelocityParameterID(c, s));
            stepPitchParams[ch][st] = handleFor(getStepPitchParameterID(c, s));
            if (c == 6 || c == 7)
            {
                stepChordCountParams[ch][st] = handleFor(getStepChordCountParameterID(c, s));
                for (int k = 0; k < numChordNotes; ++k)
                {
                    stepChordPitchParams[ch][st][static_cast<size_t>(k)] = handleFor(getStepChordPitchParameterID(c, s, k));
                    stepChordVelocityParams[ch][st][static_cast<size_t>(k)] =
                        handleFor(getStepChordVelocityParameterID(c, s, k));
                }
            }
        }
    }

    polyModeParams[0] = handleFor(kestrum::getParameterID(5, "PolyMode"));
    polyModeParams[1] = handleFor(kestrum::getParameterID(7, "PolyMode"));
}

void Kestrum8AudioProcessor::prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock)
{
    const double sr = juce::jmax(sampleRate, 1.0);
    sampleRateFloat = static_cast<float>(sr);
    maxBlockSize = juce::jmax(maximumExpectedSamplesPerBlock, 1);

    prepareMasterBus(sr);

    for (auto& buffer : moduleEqAnalyserBuffers)
    {
        buffer->fifo.reset();
        buffer->blockCapture.assign(static_cast<size_t>(maxBlockSize), 0.0f);
    }

    for (auto& voice : drumVoices)
        voice->prepare(sampleRate);

    polyVoiceRotation = { 0, 0 };
    resetSequencerState();
    totalSamplesProcessed = 0;
    prepareModuleEqs(sr);
    resetMidiClock();

    setCurrentSequencerStep(-1);
    if (auto* tempo = globalParams[tempoIndex])
        currentTempo.store(tempo->load());
}

void Kestrum8AudioProcessor::releaseResources()
{
    releaseMidiClock();
    releaseMasterBus();
}

bool Kestrum8AudioProcessor::isBusesLayoutSupported(const BusesLayout& layouts) const
{
    if (layouts.getMainInputChannels() > 0)
        return false;

    const int n = layouts.getMainOutputChannels();
    if (isStandaloneWrapper())
        return n >= 1 && n <= maxOutputChannels;
    return n == 2;
}

void Kestrum8AudioProcessor::takeTransportSnapshot()
{
    float tempo = juce::jlimit(30.0f, 300.0f, load(globalParams[0], 120.0f));
    transport = {};
    transport.syncToDaw = isOn(globalParams[1], false);

    if (transport.syncToDaw)
        if (auto* head = getPlayHead())
            if (const auto position = head->getPosition())
            {
                if (const auto bpm = position->getBpm(); bpm && std::isfinite(*bpm))
                    tempo = juce::jlimit(30.0f, 300.0f, static_cast<float>(*bpm));
                if (const auto ppq = position->getPpqPosition())
                {
                    transport.ppqPosition = *ppq;
                    transport.ppqValid = std::isfinite(*ppq);
                }
                transport.isLooping = position->getIsLooping();
                if (transport.isLooping)
                    if (const auto loop = position->getLoopPoints())
                    {
                        transport.loopStartPpq = loop->ppqStart;
                        transport.loopEndPpq = loop->ppqEnd;
                        transport.loopValid = std::isfinite(loop->ppqStart) && std::isfinite(loop->ppqEnd)
                                              && loop->ppqStart < loop->ppqEnd;
                    }
                transport.isPlaying = position->getIsPlaying();
            }

    currentTempo.store(tempo);
    transport.quarterNotesPerSample = static_cast<double>(tempo) / 60.0 / juce::jmax(getSampleRate(), 1.0);
}

void Kestrum8AudioProcessor::processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages)
{
    juce::ScopedNoDenormals noDenormals;
    const int numSamples = buffer.getNumSamples();

    if (!buffer.hasBeenCleared())
        buffer.clear();

    for (auto& analyser : moduleEqAnalyserBuffers)
    {
        const auto n = juce::jmin(static_cast<size_t>(juce::jmax(numSamples, 0)), analyser->blockCapture.size());
        std::fill_n(analyser->blockCapture.begin(), n, 0.0f);
    }

    takeTransportSnapshot();
    beginSequencerBlock();

    int previous = 0;
    for (const auto metadata : midiMessages)
    {
        const int q = juce::jlimit(0, numSamples, metadata.samplePosition);
        if (q > previous)
        {
            renderSamples(buffer, previous, q - previous);
            previous = q;
        }
        // Only notes matter here; longer messages (SysEx) would allocate when copied out.
        if (metadata.numBytes <= 3)
            handleMidiMessage(metadata.getMessage(), q);
    }
    renderSamples(buffer, previous, numSamples - previous);

    totalSamplesProcessed += numSamples;
    pushAnalyserBlocks(numSamples);
    midiMessages.clear();

    if (isStandaloneWrapper() && numSamples >= 1)
        generateMidiClock(midiMessages, numSamples);
}

void Kestrum8AudioProcessor::handleMidiMessage(const juce::MidiMessage& message, int samplePosition)
{
    if (message.isNoteOff(true))
    {
        handleNoteOff(juce::jmin(message.getNoteNumber(), 127));
        return;
    }
    if (!message.isNoteOn(false))
        return;

    const float velocity = static_cast<float>(message.getVelocity()) / 127.0f;
    const int note = juce::jmin(message.getNoteNumber(), 127);

    bool anyArmed = false;
    for (int c = 0; c < numChannels; ++c)
    {
        if (!isOn(seqOverwriteParams[static_cast<size_t>(c)], false))
            continue;
        anyArmed = true;
        recordLiveNote(c, velocity, note, samplePosition);
        const float ratio = juce::jlimit(0.125f, 8.0f, std::pow(2.0f, static_cast<float>(note - 36 - c) / 12.0f));
        triggerChannel(c, velocity, ratio);
    }

    if (!anyArmed && note >= 36 && note <= 43)
        triggerChannel(note - 36, velocity, 1.0f);
}

void Kestrum8AudioProcessor::pushAnalyserBlocks(int numSamples)
{
    for (auto& analyser : moduleEqAnalyserBuffers)
    {
        const int n = juce::jmin(numSamples, static_cast<int>(analyser->blockCapture.size()));
        if (n <= 0)
            continue;

        const int toWrite = juce::jmin(n, analyser->fifo.getFreeSpace() - 1);
        if (toWrite <= 0)
            continue;

        const auto scope = analyser->fifo.write(toWrite);
        const float* source = analyser->blockCapture.data();
        std::copy_n(source, scope.blockSize1, analyser->ringSamples.begin() + scope.startIndex1);
        std::copy_n(source + scope.blockSize1, scope.blockSize2, analyser->ringSamples.begin() + scope.startIndex2);
    }
}

juce::AudioProcessorEditor* Kestrum8AudioProcessor::createEditor()
{
    juce::AudioProcessorEditor* editor = editorFactory ? editorFactory(*this)
                                                       : new juce::GenericAudioProcessorEditor(*this);

    if (standaloneEditorSetup && editor != nullptr)
    {
        juce::Component::SafePointer<juce::AudioProcessorEditor> safeEditor(editor);
        juce::MessageManager::callAsync([safeEditor] {
            if (safeEditor != nullptr && standaloneEditorSetup)
                standaloneEditorSetup(*safeEditor);
        });
    }
    return editor;
}

void Kestrum8AudioProcessor::rebuildOutputChannelMap(juce::AudioIODevice* device)
{
    if (device == nullptr)
        return;

    const auto names = device->getOutputChannelNames();
    const auto active = device->getActiveOutputChannels();
    int next = 0;
    for (int i = 0; i < maxOutputChannels; ++i)
    {
        const bool present = i < names.size() && active[i];
        outputChannelMap[static_cast<size_t>(i)].store(present ? next++ : -1);
    }
}
