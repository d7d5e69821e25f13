// Carrying out a parsed command line: listings, presets, and the drawing run.
#pragma once

#include "render/CommandLine.h"

// Does what the request asks and returns the exit code. Throws RenderError for failures the
// user must hear about.
int RunRequest(const RenderRequest& request);
