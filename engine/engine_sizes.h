#pragma once

#include "dsp/filter_lanes.h"
#include "patch/patch_sizes.h"

namespace ostrel {

// Internal samples per sub-block, the engine's unit of work: events, modulation, envelopes and
// the oscillators' and filters' settings change only at sub-block boundaries.
inline constexpr int kSubBlock = 64;
static_assert(kSubBlock <= kFilterLanesMaxBlock, "the filter runner takes a whole sub-block per call");

// The voice pool: as many voices as the polyphony setting can ask for.
inline constexpr int kMaxVoices = kMaxPolyphony;

} // namespace ostrel
