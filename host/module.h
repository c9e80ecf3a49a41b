#pragma once

#include "host/platform.h"

namespace ostrel {

// Work done once when the module is loaded, before any plug-in instance exists: the shared,
// read-only data every instance uses is built from the module's resources.
// Returns false when the module must refuse to load (the user has then been told why).
bool attachModule();

// Releases what attachModule built.
void detachModule();

// The default bank resource remembered at load (empty when the module carries none).
platform::Bytes defaultBankResource();

} // namespace ostrel
