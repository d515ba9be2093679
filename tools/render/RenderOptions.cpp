#include "RenderOptions.h"

namespace druvex::render
{

namespace
{
bool parseNumber(const juce::String& text, double& value)
{
    const auto trimmed = text.trim();
    if (trimmed.isEmpty())
        return false;
    auto* start = trimmed.toRawUTF8();
    char* end = nullptr;
    value = std::strtod(start, &end);
    return end != nullptr && *end == '\0' && std::isfinite(value);
}
} // namespace

juce::String renderUsage()
{
    return "usage: druvex-render [options] OUT.wav\n"
           "  --seconds S | --bars N     length (default 8 s; bars are 4/4 at the tempo in force)\n"
           "  --sample-rate HZ           default 48000\n"
           "  --block-size N             default 512\n"
           "  --layout-defaults          start from every parameter's layout default, not the built-in preset\n"
           "  --preset FILE              a preset file (state block or XML parameter tree), loaded as the\n"
           "                             editor loads one: SyncToDaw and SequencerRun keep their values\n"
           "  --set ID=VALUE             set a parameter's plain value (repeatable; applied after --preset)\n"
           "  --save-preset FILE         write the parameter state after the settings as a preset file\n"
           "                             (OUT.wav is then optional)\n"
           "  --midi FILE                a Standard MIDI File played at its exact sample positions\n"
           "  --host-bpm BPM             render as if a host transport were playing at this tempo\n"
           "  --host-start-ppq Q         the host transport's start position in quarter notes\n"
           "  --host-loop A:B            the host transport loops between quarter notes A and B\n"
           "  --bench                    render without writing audio; print the real-time factor\n"
           "  --list-parameters          print every parameter, one tab-separated line each\n";
}

std::optional<RenderOptions> parseRenderOptions(const juce::StringArray& args, juce::String& error)
{
    RenderOptions options;
    juce::StringArray positional;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];

        auto needValue = [&](juce::String& out) {
            if (i + 1 >= args.size())
            {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto needNumber = [&](double& out, double minimum) {
            juce::String text;
            if (!needValue(text))
                return false;
            if (!parseNumber(text, out) || out < minimum)
            {
                error = "bad value for " + arg + ": '" + text + "'";
                return false;
            }
            return true;
        };

        double number = 0.0;
        juce::String text;

        if (arg == "--seconds")
        {
            if (!needNumber(number, 0.0))
                return std::nullopt;
            options.seconds = number;
        }
        else if (arg == "--bars")
        {
            if (!needNumber(number, 0.0))
                return std::nullopt;
            options.bars = number;
        }
        else if (arg == "--sample-rate")
        {
            if (!needNumber(number, 1.0) || number > 768000.0)
            {
                if (error.isEmpty())
                    error = "bad value for --sample-rate";
                return std::nullopt;
            }
            options.sampleRate = number;
        }
        else if (arg == "--block-size")
        {
            if (!needNumber(number, 1.0) || number > 65536.0 || number != std::floor(number))
            {
                if (error.isEmpty())
                    error = "bad value for --block-size";
                return std::nullopt;
            }
            options.blockSize = static_cast<int>(number);
        }
        else if (arg == "--preset")
        {
            if (!needValue(text))
                return std::nullopt;
            options.presetFile = juce::File::getCurrentWorkingDirectory().getChildFile(text);
        }
        else if (arg == "--save-preset")
        {
            if (!needValue(text))
                return std::nullopt;
            options.savePresetFile = juce::File::getCurrentWorkingDirectory().getChildFile(text);
        }
        else if (arg == "--layout-defaults")
            options.layoutDefaults = true;
        else if (arg == "--midi")
        {
            if (!needValue(text))
                return std::nullopt;
            options.midiFile = juce::File::getCurrentWorkingDirectory().getChildFile(text);
        }
        else if (arg == "--set")
        {
            if (!needValue(text))
                return std::nullopt;
            const auto id = text.upToFirstOccurrenceOf("=", false, false).trim();
            const auto valueText = text.fromFirstOccurrenceOf("=", false, false);
            if (!text.containsChar('=') || id.isEmpty() || !parseNumber(valueText, number))
            {
                error = "bad --set '" + text + "' (expected ID=VALUE)";
                return std::nullopt;
            }
            options.settings.emplace_back(id, number);
        }
        else if (arg == "--host-bpm")
        {
            if (!needNumber(number, 0.0) || number <= 0.0)
            {
                if (error.isEmpty())
                    error = "bad value for --host-bpm";
                return std::nullopt;
            }
            options.hostBpm = number;
        }
        else if (arg == "--host-start-ppq")
        {
            if (!needNumber(number, -1.0e9))
                return std::nullopt;
            options.hostStartPpq = number;
        }
        else if (arg == "--host-loop")
        {
            if (!needValue(text))
                return std::nullopt;
            double a = 0.0, b = 0.0;
            if (!text.containsChar(':') || !parseNumber(text.upToFirstOccurrenceOf(":", false, false), a)
                || !parseNumber(text.fromFirstOccurrenceOf(":", false, false), b) || !(a < b))
            {
                error = "bad --host-loop '" + text + "' (expected A:B with A < B)";
                return std::nullopt;
            }
            options.hostLoop = std::make_pair(a, b);
        }
        else if (arg == "--bench")
            options.bench = true;
        else if (arg == "--list-parameters")
            options.listParameters = true;
        else if (arg.startsWith("-") && arg.length() > 1)
        {
            error = "unknown option " + arg;
            return std::nullopt;
        }
        else
            positional.add(arg);
    }

    if (options.seconds && options.bars)
    {
        error = "give either --seconds or --bars, not both";
        return std::nullopt;
    }
    if (positional.size() > 1)
    {
        error = "more than one output file given";
        return std::nullopt;
    }
    if (positional.size() == 1)
        options.outputFile = juce::File::getCurrentWorkingDirectory().getChildFile(positional[0]);
    else if (!options.bench && !options.listParameters && options.savePresetFile == juce::File())
    {
        error = "no output file given";
        return std::nullopt;
    }
    return options;
}

} // namespace druvex::render
