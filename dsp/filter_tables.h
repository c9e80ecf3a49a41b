#pragma once

#include "dsp/rounding.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ostrel {

// Look-up tables of the multimode filter for one sample rate. Immutable once built and
// shared by every filter running at that rate.
struct FilterTables {
    static constexpr int kSaturationSize = 2050;
    static constexpr int kSaturationCentre = 1024;
    static constexpr float kSaturationStepsPerUnit = 128.0f;
    static constexpr int kCutoffSize = 512;
    static constexpr double kCutoffStepsPerOctave = 32.0;

    std::uint32_t sampleRate = 0;
    // Stage coefficient and resonance compensation, 32 entries per octave from 2.5 Hz
    // (entry i = 20 Hz * 2^(i/32 - 3)), frequencies capped at sampleRate / 3.
    std::array<float, kCutoffSize> tuning{};
    std::array<float, kCutoffSize> resonance{};
    // tanh over -8 .. +8.0078 in steps of 1/128; entry 1024 is tanh 0. Rate-independent,
    // shared by all rates.
    const std::array<float, kSaturationSize>* saturation = nullptr;

    // The tables for a sample rate, built on first request and kept while any holder lives.
    // Thread-safe; may allocate and lock, so call it at set-up, never on the audio thread.
    static std::shared_ptr<const FilterTables> forSampleRate(std::uint32_t sampleRate);

    // Linear interpolation in `table` at coordinate z (in entries). z must lie in
    // [0, size - 1); callers clamp beforehand.
    template <std::size_t N>
    static float interpolate(const std::array<float, N>& table, double z) noexcept
    {
        const float zf = static_cast<float>(z);
        const int i = floorToInt(zf);
        const float phi = zf - static_cast<float>(i);
        return (1.0f - phi) * table[static_cast<std::size_t>(i)] + phi * table[static_cast<std::size_t>(i + 1)];
    }
};

} // namespace ostrel
