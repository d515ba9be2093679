#pragma once

#include "../params/ChannelParameterHandles.h"
#include "../params/ParameterIDs.h"
#include "../voices/DrumVoice.h"
#include "MidiClockGenerator.h"
#include "MidiClockOutput.h"
#include "MidiClockSender.h"
#include "PresetState.h"
#include "SequencerState.h"
#include "dsp/MasterBus.h"
#include "dsp/ModuleGs3Eq.h"
#include "dsp/ModuleOutput.h"

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>

namespace kestrum
{

// The host transport as seen at the start of the current block.
struct HostTransport
{
    bool syncToDaw = false;
    bool isPlaying = false;
    bool isLooping = false;
    double ppqPosition = 0.0;
    bool ppqValid = false;
    double quarterNotesPerSample = 0.0;
    double loopStartPpq = 0.0;
    double loopEndPpq = 0.0;
    bool loopValid = false;
};

constexpr int numVoices = 16;
constexpr int maxOutputChannels = 128;
constexpr int analyserCapacity = 32768;

} // namespace kestrum

// The drum machine engine: parameters, sixteen voices, sequencer, mixer and master bus.
class Kestrum8AudioProcessor : public juce::AudioProcessor
{
public:
    using Handle = std::atomic<float>*;
    using ModuleGs3Eq = kestrum::ModuleGs3Eq;

    Kestrum8AudioProcessor();
    ~Kestrum8AudioProcessor() override;

    // Host-facing operations
    void prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock(juce::AudioBuffer<float>&, juce::MidiBuffer&) override;
    using juce::AudioProcessor::processBlock;
    bool isBusesLayoutSupported(const BusesLayout& layouts) const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override { return true; }

    const juce::String getName() const override { return "DRUVEX"; }
    bool acceptsMidi() const override { return true; }
    bool producesMidi() const override { return false; }
    bool isMidiEffect() const override { return false; }
    double getTailLengthSeconds() const override { return 60.0; }

    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram(int) override {}
    const juce::String getProgramName(int) override { return {}; }
    void changeProgramName(int, const juce::String&) override {}

    void getStateInformation(juce::MemoryBlock& destData) override;
    void setStateInformation(const void* data, int sizeInBytes) override;

    // State and presets (State.cpp, message thread). A tree that is not valid means "not a preset".
    juce::ValueTree readPresetState(const void* data, int sizeInBytes) const;
    juce::ValueTree readPresetState(const juce::File& file) const;
    juce::File getPresetDirectory() const;
    // The built-in name first, then every readable preset in the preset folders, sorted.
    juce::StringArray getPresetNames() const;
    // Loading keeps SyncToDaw and SequencerRun; a preset that cannot be found or read changes
    // nothing and gives false. loadPresetFile names the preset after the file.
    bool loadPresetByName(const juce::String& name);
    bool loadPresetFile(const juce::File& file);
    // Writes the current state, with the MIDI clock delay, as a preset file; savePreset puts it
    // into the current preset folder (created when missing) and makes it the current preset.
    // Both give false on failure.
    bool writePresetFile(const juce::File& file);
    bool savePreset(const juce::String& name);

    // Engine operations (audio thread)
    // Virtual only so tests can watch the engine's entry points; nothing else overrides them.
    virtual void renderSamples(juce::AudioBuffer<float>& buffer, int startSample, int numSamples);
    virtual void triggerChannel(int channel, float velocity, float pitchRatio);
    void setCurrentSequencerStep(int64_t position);
    void triggerSequencerStep(int64_t position);
    void recordOverwriteHit(int channel, float velocity, int note);

    // Pattern operations of the channel strip (message thread, OverwriteRecording.cpp).
    void restoreOverwriteStep(int channel, int step);
    void undoOverwrittenSteps(int channel);
    void resetChannelPattern(int channel);
    void randomizeStepVelocities(int channel);
    void resetStepVelocities(int channel);
    // Whether the step holds an overwrite that undoOverwrittenSteps can take back (any thread).
    bool hasOverwriteBackup(int channel, int step) const noexcept;

    // Delay time as the editor shows it (message thread).
    juce::String getDelayTimeDisplayText() const;

    // Whether this instance runs inside the standalone application.
    bool isStandaloneWrapper() const noexcept { return wrapperType == wrapperType_Standalone; }

    // Output channel map for direct outputs (message thread).
    void rebuildOutputChannelMap(juce::AudioIODevice* device);

    // The application and the editor hook in here, so the engine never depends on them: the
    // factory makes the real editor (a generic one when unset), and the standalone set-up runs
    // asynchronously for each new editor while the application window exists.
    static std::function<juce::AudioProcessorEditor*(Kestrum8AudioProcessor&)> editorFactory;
    static std::function<void(juce::AudioProcessorEditor&)> standaloneEditorSetup;

    juce::AudioProcessorValueTreeState parameters;

    // Published state, written by the audio thread, read by the editor without locks.
    std::atomic<int> currentSequencerStep { -1 };
    std::atomic<int64_t> currentSequencerPosition { -1 };
    std::array<std::atomic<int>, kestrum::numChannels> currentChannelSteps {};
    std::array<std::atomic<int>, kestrum::numChannels> channelTriggerCounts {};
    std::atomic<float> currentTempo { 120.0f };
    std::atomic<float> gainReductionMeter { 0.0f };
    std::atomic<bool> midiClockRunning { false };
    std::array<std::atomic<int>, kestrum::maxOutputChannels> outputChannelMap {};

    // Each module's recent output for the editor's analyser (one writer: the audio thread).
    struct ModuleEqAnalyserBuffer
    {
        juce::AbstractFifo fifo { kestrum::analyserCapacity };
        std::array<float, kestrum::analyserCapacity> ringSamples {};
        std::vector<float> blockCapture;
    };
    std::array<std::unique_ptr<ModuleEqAnalyserBuffer>, kestrum::numChannels> moduleEqAnalyserBuffers;

    // Default preset, current preset name and preset folders (State.cpp).
    kestrum::PresetState presets;

    // MIDI clock output (MidiClock.cpp), standalone only. The settings panel keeps the clock
    // outputs through getMidiClockOutputs() on the message thread. The delay is applied to every
    // clock message: whole milliseconds, -50 to 50 (the setter rounds and clamps).
    using StandaloneMidiClockOutput = kestrum::StandaloneMidiClockOutput;
    kestrum::MidiClockOutputs& getMidiClockOutputs() noexcept { return midiClockOutputs; }
    void setMidiClockDelayMs(float milliseconds) noexcept;
    float getMidiClockDelayMs() const noexcept { return midiClockDelayMs.load(); }
    // Waits until the clock sender has handed every batch so far to the outputs; false on timeout
    // or without a sender.
    bool waitForMidiClockDelivery(int timeoutMs) const;
    // The millisecond clock that batches are timed against, juce::Time::getMillisecondCounterHiRes
    // unless replaced (tests need deterministic due times). Set it before processing starts.
    void setMidiClockTimeSource(double (*millisecondCounter)()) noexcept { midiClockTimeSource = millisecondCounter; }
    const kestrum::MidiClockGenerator& getMidiClockState() const noexcept { return midiClock; }

    const kestrum::HostTransport& getTransport() const noexcept { return transport; }
    int64_t getTotalSamplesProcessed() const noexcept { return totalSamplesProcessed; }
    kestrum::DrumVoice& getVoice(int index) noexcept { return *drumVoices[static_cast<size_t>(index)]; }
    const ModuleGs3Eq& getModuleEq(int channel) const noexcept { return moduleEqs[static_cast<size_t>(channel)]; }
    const kestrum::ChannelParameterHandles& getChannelHandles(int channel) const noexcept
    {
        return channelParams[static_cast<size_t>(channel)];
    }

private:
    // Cached parameter handles; null when the layout lacks the identifier.
    std::array<Handle, kestrum::globalParameterIDs.size()> globalParams {};
    std::array<kestrum::ChannelParameterHandles, kestrum::numChannels> channelParams {};
    std::array<Handle, kestrum::numChannels> seqLengthParams {}, muteParams {}, soloParams {}, fxSendParams {},
        outputRouteParams {}, seqOverwriteParams {};
    std::array<Handle, 2> polyModeParams {};
    std::array<Handle, kestrum::numChannels> eqEnabledParams {}, eqMutedParams {}, eqPostParams {};
    using BandHandles = std::array<std::array<Handle, 3>, kestrum::numChannels>;
    BandHandles eqBandEnabledParams {}, eqFrequencyParams {}, eqGainParams {}, eqQParams {}, eqShapeParams {};
    using StepHandles = std::array<std::array<Handle, kestrum::numSteps>, kestrum::numChannels>;
    StepHandles stepOnParams {}, stepVelocityParams {}, stepPitchParams {}, stepChordCountParams {};
    using ChordHandles =
        std::array<std::array<std::array<Handle, kestrum::numChordNotes>, kestrum::numSteps>, kestrum::numChannels>;
    ChordHandles stepChordPitchParams {}, stepChordVelocityParams {};

    std::array<std::unique_ptr<kestrum::DrumVoice>, kestrum::numVoices> drumVoices;
    std::array<int64_t, 2> polyVoiceRotation {};

    kestrum::HostTransport transport;
    int64_t totalSamplesProcessed = 0;
    float sampleRateFloat = 44100.0f;
    int maxBlockSize = 1;

    std::unique_ptr<kestrum::SequencerState> sequencer;

    // Mixer and master bus state
    kestrum::MasterBus masterBus;
    std::array<kestrum::ModuleOutput, kestrum::numChannels> moduleOutputs {};
    // The chord channel's equaliser fades along a smooth curve: its sustained chords make a
    // straight fade audible.
    std::array<ModuleGs3Eq, kestrum::numChannels> moduleEqs { ModuleGs3Eq(false), ModuleGs3Eq(false), ModuleGs3Eq(false),
                                                              ModuleGs3Eq(false), ModuleGs3Eq(false), ModuleGs3Eq(false),
                                                              ModuleGs3Eq(false), ModuleGs3Eq(true) };

    static BusesProperties makeBuses();
    void cacheParameterHandles();
    Handle handleFor(const juce::String& id) const;
    static float load(Handle h, float fallback) noexcept
    {
        return h != nullptr ? kestrum::finiteOr(h->load(), fallback) : fallback;
    }
    static bool isOn(Handle h, bool fallback) noexcept { return h != nullptr ? h->load() >= 0.5f : fallback; }

    // Sequencer (Sequencer.cpp)
    void resetSequencerState();
    void beginSequencerBlock();
    // Runs the sequencer clock for one sample of renderSamples, before any voice of that sample;
    // sampleInBlock is the sample's index within the current processBlock buffer.
    void advanceSequencerClock(int sampleInBlock);
    void handleNoteOff(int note);
    void recordLiveNote(int channel, float velocity, int note, int sampleOffset);
    int sequenceLength(int channel) const noexcept;
    void resolveSequencerParameters();
    void clearLiveRecordingState(int channel);
    // Drops every undo backup and live-recording state (a new pattern was loaded).
    void forgetOverwriteHistory();
    int chordTargetStep(int sampleOffset, int64_t& roundedPosition) const noexcept;

    // Mixer and master bus (Mixer.cpp)
    void prepareMasterBus(double sampleRate);
    void releaseMasterBus();
    void prepareModuleEqs(double sampleRate);
    // A kick trigger raises the ducker's envelope (called by triggerChannel for channel 0).
    void raiseKickDuck(float velocity);
    kestrum::MasterControls readMasterControls() const noexcept;
    bool channelHeard(int channel, bool noSolo) const noexcept;
    bool noChannelSoloed() const noexcept;
    ModuleGs3Eq::Settings readModuleEqSettings(int channel) const noexcept;
    float renderChannelVoices(int channel, kestrum::ChannelParameters& record);

    // State and presets (State.cpp)
    void loadDefaultPreset();
    void applyPresetState(const juce::ValueTree& preset, const juce::String& name);

    // MIDI clock output (MidiClock.cpp)
    void generateMidiClock(juce::MidiBuffer& midi, int numSamples);
    void advanceClockDelay(double sampleRate) noexcept;
    void resetMidiClock() noexcept;
    void releaseMidiClock();
    void shutDownMidiClock();
    std::unique_ptr<kestrum::MidiClockSender> createMidiClockSender();
    kestrum::MidiClockOutputs midiClockOutputs { midiClockRunning };
    // Declared after the outputs it delivers to; created (standalone only) with the processor.
    std::unique_ptr<kestrum::MidiClockSender> midiClockSender { createMidiClockSender() };
    kestrum::MidiClockGenerator midiClock;
    std::atomic<float> midiClockDelayMs { 0.0f };
    double smoothedClockDelayMs = 0.0;
    double (*midiClockTimeSource)() = &juce::Time::getMillisecondCounterHiRes;

    void takeTransportSnapshot();
    void handleMidiMessage(const juce::MidiMessage& message, int samplePosition);
    void pushAnalyserBlocks(int numSamples);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(Kestrum8AudioProcessor)
};
