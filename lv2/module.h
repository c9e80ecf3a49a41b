#pragma once

#include "instance/module_data.h"

namespace ostrel::lv2 {

// An LV2 binary's share of the module data, from the resources linked into it, built on the
// first call; whether it is there. The plug-in binary needs the sound (the wave bank and the
// default bank); the editor's binary also the toolkit's resource package.
bool moduleReady(ModuleParts parts) noexcept;

} // namespace ostrel::lv2
