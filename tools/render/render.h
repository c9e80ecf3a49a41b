#pragma once

// The render job: from parsed options to a written WAV file, with the report lines.

#include "tools/render/options.h"

namespace ostrel::render {

// Returns the process exit code: 0 on success, 1 when anything failed (the reason is printed
// on stderr).
int runRender(const Options& options);

} // namespace ostrel::render
