#include "RenderSession.h"

#include "HostPlayHead.h"

#include "engine/PluginProcessor.h"
#include "params/ParameterListing.h"

#include <juce_audio_formats/juce_audio_formats.h>

#include <ctime>
#include <iostream>

namespace druvex::render
{

namespace
{
struct TimedMidi
{
    int64_t sample;
    juce::MidiMessage message;
};

int fail(const juce::String& message)
{
    std::cerr << "druvex-render: " << message << std::endl;
    return 1;
}

double threadCpuSeconds()
{
    timespec ts {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1.0e-9;
}

// Applies --set options; every identifier must name a parameter.
bool applySettings(Kestrum8AudioProcessor& processor, const RenderOptions& options, juce::String& error)
{
    for (const auto& [id, value] : options.settings)
    {
        auto* parameter = processor.parameters.getParameter(id);
        if (parameter == nullptr)
        {
            error = "unknown parameter '" + id + "' (see --list-parameters)";
            return false;
        }
        parameter->beginChangeGesture();
        parameter->setValueNotifyingHost(parameter->convertTo0to1(static_cast<float>(value)));
        parameter->endChangeGesture();
    }
    return true;
}

bool readMidiFile(const juce::File& file, double sampleRate, std::vector<TimedMidi>& events, juce::String& error)
{
    juce::FileInputStream stream(file);
    juce::MidiFile midi;
    if (!stream.openedOk() || !midi.readFrom(stream, true))
    {
        error = "cannot read MIDI file " + file.getFullPathName();
        return false;
    }
    midi.convertTimestampTicksToSeconds();

    for (int t = 0; t < midi.getNumTracks(); ++t)
        for (const auto* holder : *midi.getTrack(t))
            if (holder->message.isNoteOnOrOff())
                events.push_back({ static_cast<int64_t>(std::llround(holder->message.getTimeStamp() * sampleRate)),
                                   holder->message });

    std::stable_sort(events.begin(), events.end(),
                     [](const TimedMidi& a, const TimedMidi& b) { return a.sample < b.sample; });
    return true;
}

double lengthInSeconds(const RenderOptions& options, Kestrum8AudioProcessor& processor)
{
    if (options.seconds)
        return *options.seconds;
    if (options.bars)
    {
        double tempo = 120.0;
        if (auto* raw = processor.parameters.getRawParameterValue("Tempo"))
            tempo = raw->load();
        if (options.hostBpm && processor.parameters.getRawParameterValue("SyncToDaw") != nullptr
            && processor.parameters.getRawParameterValue("SyncToDaw")->load() >= 0.5f)
            tempo = *options.hostBpm;
        tempo = juce::jlimit(30.0, 300.0, tempo);
        return *options.bars * 4.0 * 60.0 / tempo;
    }
    return 8.0;
}

std::unique_ptr<juce::AudioFormatWriter> openWriter(const juce::File& file, double sampleRate)
{
    file.deleteFile();
    auto stream = std::make_unique<juce::FileOutputStream>(file);
    if (!stream->openedOk())
        return nullptr;

    juce::WavAudioFormat wav;
    std::unique_ptr<juce::AudioFormatWriter> writer(wav.createWriterFor(stream.get(), sampleRate, 2, 32, {}, 0));
    if (writer != nullptr)
        stream.release(); // the writer owns it now
    return writer;
}
} // namespace

int runRender(const RenderOptions& options)
{
    auto processor = std::make_unique<Kestrum8AudioProcessor>();

    if (options.listParameters)
    {
        std::cout << kestrum::describeParameterLayout(*processor);
        return 0;
    }

    if (options.layoutDefaults)
        for (auto* parameter : processor->getParameters())
            parameter->setValueNotifyingHost(parameter->getDefaultValue());

    juce::String error;
    if (options.presetFile != juce::File() && !processor->loadPresetFile(options.presetFile))
        return fail("cannot load preset " + options.presetFile.getFullPathName());
    if (!applySettings(*processor, options, error))
        return fail(error);

    if (options.savePresetFile != juce::File())
    {
        if (!processor->writePresetFile(options.savePresetFile))
            return fail("cannot write preset " + options.savePresetFile.getFullPathName());
        if (options.outputFile == juce::File() && !options.bench)
            return 0;
    }

    std::vector<TimedMidi> midiEvents;
    if (options.midiFile != juce::File() && !readMidiFile(options.midiFile, options.sampleRate, midiEvents, error))
        return fail(error);

    std::unique_ptr<HostPlayHead> playHead;
    if (options.hostBpm)
    {
        playHead = std::make_unique<HostPlayHead>(*options.hostBpm, options.hostStartPpq, options.hostLoop);
        processor->setPlayHead(playHead.get());
    }

    const int blockSize = options.blockSize;
    processor->setRateAndBufferSizeDetails(options.sampleRate, blockSize);
    processor->prepareToPlay(options.sampleRate, blockSize);

    const auto totalSamples = static_cast<int64_t>(std::llround(lengthInSeconds(options, *processor) * options.sampleRate));

    // Audio goes to a sibling file first and replaces the output only when complete, so a failed
    // render never leaves a partial file behind.
    const auto partial = options.outputFile.getSiblingFile("." + options.outputFile.getFileName() + ".partial");
    std::unique_ptr<juce::AudioFormatWriter> writer;
    if (!options.bench)
    {
        writer = openWriter(partial, options.sampleRate);
        if (writer == nullptr)
        {
            partial.deleteFile();
            return fail("cannot write " + options.outputFile.getFullPathName());
        }
    }

    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::MidiBuffer midi;
    size_t nextEvent = 0;
    const bool showProgress = !options.bench && totalSamples > static_cast<int64_t>(options.sampleRate * 5.0);
    const double deadline = blockSize / options.sampleRate;
    double worstShare = 0.0;
    const double cpuStart = threadCpuSeconds();
    int lastPercent = -1;

    for (int64_t done = 0; done < totalSamples;)
    {
        const int n = static_cast<int>(std::min<int64_t>(blockSize, totalSamples - done));
        buffer.setSize(2, n, false, false, true);
        midi.clear();
        for (; nextEvent < midiEvents.size() && midiEvents[nextEvent].sample < done + n; ++nextEvent)
            midi.addEvent(midiEvents[nextEvent].message, static_cast<int>(std::max<int64_t>(0, midiEvents[nextEvent].sample - done)));

        const auto started = juce::Time::getHighResolutionTicks();
        processor->processBlock(buffer, midi);
        const double elapsed = juce::Time::highResolutionTicksToSeconds(juce::Time::getHighResolutionTicks() - started);
        worstShare = std::max(worstShare, elapsed / (n / options.sampleRate));

        if (playHead)
            playHead->advance(n, options.sampleRate);

        if (writer != nullptr && !writer->writeFromAudioSampleBuffer(buffer, 0, n))
        {
            writer.reset();
            partial.deleteFile();
            return fail("cannot write " + options.outputFile.getFullPathName());
        }

        done += n;
        const int percent = static_cast<int>(100 * done / totalSamples);
        if (showProgress && percent / 10 != lastPercent / 10)
        {
            std::cerr << "\rrendering " << percent << "%" << std::flush;
            lastPercent = percent;
        }
    }
    if (showProgress)
        std::cerr << std::endl;

    processor->releaseResources();

    if (options.bench)
    {
        const double cpu = std::max(threadCpuSeconds() - cpuStart, 1.0e-9);
        const double audio = static_cast<double>(totalSamples) / options.sampleRate;
        std::cout << "audio: " << audio << " s at " << options.sampleRate << " Hz, block " << blockSize << "\n"
                  << "cpu: " << cpu << " s\n"
                  << "real-time factor: " << audio / cpu << "x\n"
                  << "worst block: " << 100.0 * worstShare << "% of deadline (" << 1000.0 * deadline << " ms)\n";
        return 0;
    }

    writer.reset(); // flushes the header with the final length
    if (!partial.moveFileTo(options.outputFile))
    {
        partial.deleteFile();
        return fail("cannot write " + options.outputFile.getFullPathName());
    }
    return 0;
}

} // namespace druvex::render
