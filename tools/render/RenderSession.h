#pragma once

#include "RenderOptions.h"

namespace druvex::render
{

// Builds a plug-in instance of the processor, applies the options and renders. Returns the
// process exit status; errors are reported on stderr in one line.
int runRender(const RenderOptions& options);

} // namespace druvex::render
