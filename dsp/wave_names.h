#pragma once

#include <array>

namespace ostrel {

// Number of wave indices: 94 stored waves, the silent wave and the noise wave.
inline constexpr int kWaveCount = 96;
inline constexpr int kStoredWaveCount = 94;
inline constexpr int kNullWave = 94;
inline constexpr int kNoiseWave = 95;
// A wave's shown number is its index plus this offset; every name starts with that number.
inline constexpr int kWaveNumberOffset = 32;

// Display names of the 96 waves, index 0..95 ("32 Sine" .. "127 Noise").
extern const std::array<const char*, kWaveCount> waveNames;

// The name of a wave index, or nullptr for an index outside 0..95.
const char* waveName(int index);

} // namespace ostrel
