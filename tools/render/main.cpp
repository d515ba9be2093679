// druvex-render: renders the engine to a WAV file (or measures its speed) without a window.

#include "RenderOptions.h"
#include "RenderSession.h"

#include <juce_events/juce_events.h>

#include <iostream>

int main(int argc, char* argv[])
{
    juce::ScopedJuceInitialiser_GUI juce;

    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add(juce::String::fromUTF8(argv[i]));

    if (args.contains("--help") || args.contains("-h"))
    {
        std::cout << druvex::render::renderUsage();
        return 0;
    }

    juce::String error;
    const auto options = druvex::render::parseRenderOptions(args, error);
    if (!options)
    {
        std::cerr << "druvex-render: " << error << " (see --help)" << std::endl;
        return 2;
    }

    return druvex::render::runRender(*options);
}
