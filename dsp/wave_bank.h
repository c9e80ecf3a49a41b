#pragma once

// The wave bank: the 96 waves (94 stored single cycles of 128 samples, the null wave
// 94 and the noise wave 95), each as ten band-limited tables ("levels") for the oscillators,
// plus the raw cycles the editor draws.
//
// One process-global bank is built at module load (buildWaveBank) and only read afterwards, by
// every instance, voice and editor, without locks. Tests build private WaveBank objects.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/wave_names.h"

namespace ostrel {

inline constexpr int kWaveLevels = 10;
inline constexpr int kRawWaveLength = 128;
// Size of the "WAVES" resource: 94 cycles of 128 little-endian 16-bit codes.
inline constexpr std::size_t kWavesResourceSize = static_cast<std::size_t>(kStoredWaveCount) * kRawWaveLength * 2;
// Table words per entry beyond the cycle: two guard words before it, two after it.
inline constexpr int kGuardWords = 4;
// 1.0 in the level tables.
inline constexpr int kTableUnity = 16384;

// Per level: the table length is 1024 >> levelShift (2048 for -1).
inline constexpr std::array<int, kWaveLevels> levelShift = {-1, -1, 0, 1, 2, 3, 3, 3, 3, 3};

// Samples per cycle of a level (2048, 2048, 1024, 512, 256, 128, 128, 128, 128, 128).
constexpr int levelLength(int level) noexcept
{
    return levelShift[static_cast<std::size_t>(level)] < 0 ? 1024 << -levelShift[static_cast<std::size_t>(level)]
                                                           : 1024 >> levelShift[static_cast<std::size_t>(level)];
}

// Highest harmonic kept by each level (0: none).
inline constexpr std::array<int, kWaveLevels> levelMaxHarmonic = {255, 127, 63, 32, 16, 8, 4, 2, 1, 0};

class WaveBank {
public:
    // A silent bank: every raw wave and table is zero. Allocates about 1.3 MB.
    WaveBank();

    // Fills the bank from the bytes of the "WAVES" resource (kWavesResourceSize bytes, extra
    // bytes ignored). Returns true when the 94 stored waves were all there; a null or short
    // resource leaves every table silent (nothing past `size` is read) and returns false.
    // Either way the bank is ready afterwards. Not thread-safe: call before any reader exists.
    bool build(const unsigned char* data, std::size_t size);

    // True once build() has finished.
    bool isReady() const noexcept { return ready.load(std::memory_order_acquire); }

    // The 128 raw samples of a wave (codes 0..4095 for 0..93, zeros for 94 and 95).
    // An index outside 0..95 gives the null wave's zeros.
    const std::int16_t* waveData(int index) const noexcept;

    // The entry of a wave in a level: levelLength(level) + 4 words, the cycle starting at word 2
    // (guard words: 0, 1 = samples L-2, L-1; L+2, L+3 = samples 0, 1). Level clamped to 0..9;
    // an index outside 0..95 gives the null wave's (zero) entry.
    const std::int16_t* levelTable(int level, int index) const noexcept;

private:
    std::vector<std::int16_t> raw;                             // 96 x 128
    std::array<std::vector<std::int16_t>, kWaveLevels> levels; // 96 x (L + 4) each
    std::atomic<bool> ready{false};
};

// The process-global bank (silent until buildWaveBank has run).
const WaveBank& waveBank() noexcept;

// Builds the global bank from the "WAVES" resource, once per process: later calls do not touch
// the bank and return the first call's result. Returns whether the stored waves were complete.
bool buildWaveBank(const unsigned char* data, std::size_t size);

// The resampler: the DC-free band-limited interpolation of the m-point cycle `in` (m a
// power of two, 2..2^17) keeping harmonics 1..min(maxHarmonic, m/2 - 1), at `upsample` times
// the point density (upsample a power of two); out receives upsample * m values. Double
// precision inside. Allocates: load time only.
void bandLimitedResample(float* out, const float* in, int m, int maxHarmonic, int upsample);

// One table word from a resampler value: value * 16384 truncated toward zero, saturated to
// the 16-bit range (a wave whose band-limited form overshoots that far is not a real case).
std::int16_t tableWord(float value) noexcept;

} // namespace ostrel
