#pragma once

#include <cstddef>

namespace ostrel {

// Sizes of the patch's parameter groups.
inline constexpr int kOscCount = 4;
inline constexpr int kMixPointCount = 5;
inline constexpr int kMixTimeCount = 4;
inline constexpr int kFilterLevelCount = 5;
inline constexpr int kFilterTimeCount = 4;
inline constexpr int kAmpLevelCount = 4;
inline constexpr int kAmpTimeCount = 4;
inline constexpr int kLfoCount = 2;
inline constexpr int kModRows = 7;
inline constexpr int kModColumns = 15;
inline constexpr int kPanCount = 8;
inline constexpr int kLoopModeCount = 7;
inline constexpr int kRepeatCount = 8;
inline constexpr int kLfoWaveCount = 6;
inline constexpr int kFilterModeCount = 16;
inline constexpr int kFilterTypeCount = 4;
// The polyphony setting's range is 1..kMaxPolyphony voices.
inline constexpr int kMaxPolyphony = 32;

} // namespace ostrel
