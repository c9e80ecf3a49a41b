#pragma once

namespace ostrel::lv2 {

// The LV2 editor binary's share of the module data (the toolkit's resource package for the
// editor's pictures and fonts, the wave bank for its thumbnails, the default bank for its first
// program), built on the first call from the resources linked into it; whether it is there.
bool uiModuleReady() noexcept;

} // namespace ostrel::lv2
