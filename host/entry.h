#pragma once

#include "host/vst_abi.h"

namespace ostrel {

// Whether the module's shared data was built at load; the entry point refuses to create a
// plug-in otherwise. Each platform's entry file decides when loading happens.
bool moduleAttached();

// The body of the exported entry point: a new plug-in for this host, or null.
vst::AEffect* createPlugin(vst::audioMasterCallback audioMaster);

} // namespace ostrel
