#pragma once

#include "host/vst_abi.h"
#include "instance/module_data.h"

namespace ostrel {

// Builds the module's shared data on the first call, once, whatever the thread (the resource
// package, the wave bank, the default bank's address). Returns whether it is there; a failed
// build has told the user why and is not tried again.
bool moduleAttached() noexcept;

// moduleUnloading (instance/module_data.h) releases it when the library is unloaded.

// The body of the exported entry point: a new plug-in for this host, or null. Never throws.
vst::AEffect* createPlugin(vst::audioMasterCallback audioMaster) noexcept;

} // namespace ostrel
