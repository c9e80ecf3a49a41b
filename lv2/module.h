#pragma once

namespace ostrel::lv2 {

// The LV2 binary's share of the module data (the wave bank and the default bank from the
// resources linked into it), built on the first call; whether it is there.
bool moduleReady() noexcept;

} // namespace ostrel::lv2
