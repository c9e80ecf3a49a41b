#pragma once

#include "engine/engine_sizes.h"

#include <array>
#include <cstdint>
#include <span>

namespace ostrel {

class Lfo;

// Rows (sources) and columns (destinations) of the modulation matrix.
namespace mod {
inline constexpr int kSourceCount = kModRows;
inline constexpr int kDestinationCount = kModColumns;
inline constexpr int kStaticModCount = 7; // static terms kept per voice, columns 0..6

enum Source : int { kLfo1 = 0, kLfo2, kAftertouch, kVelocity, kKey, kFilterEnvelope, kModWheel };
enum Destination : int {
    kPitch1 = 0,
    kPitch2,
    kPitch3,
    kPitch4,
    kCutoff,
    kMixX,
    kMixY,
    kUnused7,
    kLfo1Depth,
    kUnused9,
    kLfo2Depth,
    kAmplitude,
    kPan,
    kUnused13,
    kUnused14
};

inline constexpr int kCentreVelocity = 64;
inline constexpr int kCentreNote = 54;
} // namespace mod

// The engine's per-block copy of the modulation settings plus the global modulation outputs
// of the current sub-block. Written and read on the audio thread only.
struct ModState {
    float lfo1Out = 0.0f; // LFO 1 value * LFO 1 depth
    float lfo2Out = 0.0f; // LFO 2 value * LFO 2 depth
    float atOut = 0.0f;   // aftertouch * amount[aftertouch]
    std::array<float, mod::kSourceCount> amount{};
    std::array<std::array<std::uint8_t, mod::kDestinationCount>, mod::kSourceCount> route{};
    float pitchBend = 0.0f; // octaves

    // Routing flag; false for any row or column outside the matrix.
    bool routed(int row, int column) const noexcept
    {
        return row >= 0 && row < mod::kSourceCount && column >= 0 && column < mod::kDestinationCount
            && route[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] != 0;
    }
    void clearRoutes() noexcept
    {
        for (auto& row : route)
            row.fill(0);
    }
};

// Once per sub-block, before any voice renders: forms both LFO depths (with their
// cross-modulation by the other LFO, aftertouch and mod wheel, negative depths clamped to 0),
// stores the scaled LFO outputs and the scaled aftertouch in `state`, then advances both LFOs
// by `blockSamples`. aftertouch and modWheel are 0..1.
void updateGlobalModulation(ModState& state, Lfo& lfo1, Lfo& lfo2, float aftertouch, float modWheel,
                            int blockSamples = kSubBlock) noexcept;

// Velocity and key terms of a voice for columns 0..3 (pitch), 5 and 6 (mix X and Y); column 4
// is set to 0 (velocity and key reach the cutoff through cutoffModulation/filterEnvelopeDepth).
void computeStaticMod(const ModState& state, int velocity, int note,
                      std::span<float, mod::kStaticModCount> staticMod) noexcept;

// Per-voice terms, one function per destination, so the voice adds them to its own values.
// staticMod is the voice's array filled by computeStaticMod.

// Octaves added to oscillator `osc` (0..3): 2 * (routed LFO 1, LFO 2, aftertouch outputs and
// amount[filter envelope] * filterEnvOut) + 2 * staticMod[osc].
double pitchModulation(const ModState& state, int osc, double filterEnvOut,
                       std::span<const float, mod::kStaticModCount> staticMod) noexcept;

// Octaves added to the cutoff: 2 * routed LFO and aftertouch outputs, 2 * key term.
double cutoffModulation(const ModState& state, int note) noexcept;

// Depth of the filter envelope in octaves: filterEnvAmount + 5 * velocity term if routed.
double filterEnvelopeDepth(const ModState& state, double filterEnvAmount, int velocity) noexcept;

// Offsets of the mix position: X + dx, Y + dy (column 6 enters with the opposite sign).
struct MixOffset {
    double dx = 0.0;
    double dy = 0.0;
};
MixOffset mixModulation(const ModState& state, std::span<const float, mod::kStaticModCount> staticMod) noexcept;

// Factor on the amplitude target: (velocity term + 1) and (atOut + 1) when routed.
double amplitudeModulation(const ModState& state, int velocity) noexcept;

// Pan offset of a voice; the velocity term is (velocity - 64) * amount, not divided by 64.
double panModulation(const ModState& state, int velocity, int note, double filterEnvOut) noexcept;

} // namespace ostrel
