#pragma once

#include "gui/bitmap.h"

namespace ostrel {

class WaveBank;

// The wave thumbnail strip the main screen and the wave selectors share: 32 x 1824 pixels,
// 32-bit and opaque, wave i in rows 19i to 19i + 18. Each thumbnail is one cycle of the raw
// wave as a grey anti-aliased curve on black, higher sample codes higher up.
inline constexpr int kThumbnailWidth = 32;
inline constexpr int kThumbnailHeight = 19;

// Renders all 96 thumbnails from the bank's raw waves. The new bitmap has a count of 0 (the
// caller's until a holder takes it).
vellum::xBitmap* renderWaveThumbnails(const WaveBank& bank);

} // namespace ostrel
