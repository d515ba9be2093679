#pragma once

// Runs the built druvex-render as a user would, for the command line tests.

#include <juce_core/juce_core.h>

namespace druvex::test
{

struct RenderRun
{
    int exitCode;
    juce::String output; // stdout and stderr together
};

inline RenderRun runRenderTool(const juce::StringArray& args)
{
    juce::ChildProcess process;
    juce::StringArray command { DRUVEX_RENDER_PATH };
    command.addArray(args);
    if (!process.start(command, juce::ChildProcess::wantStdOut | juce::ChildProcess::wantStdErr))
        return { -1, "could not start" };
    auto output = process.readAllProcessOutput();
    process.waitForProcessToFinish(60000);
    return { static_cast<int>(process.getExitCode()), output };
}

} // namespace druvex::test
