#pragma once

#include "engine/engine_sizes.h"

#include <array>
#include <cstdint>

namespace ostrel {

// The engine's per-block copy of the patch, in the units the voices use. Filled once per host
// block by snapshotParameters; every value in it is finite and inside its parameter's range,
// whatever a program chunk stored.
struct VoiceParams {
    static constexpr int kOscillators = kOscCount;
    static constexpr int kPoints = kMixPointCount; // also the filter and amplitude levels
    static constexpr int kTimes = kMixTimeCount;   // also the filter and amplitude times
    static constexpr int kPanSlots = kMaxVoices;
    static_assert(kFilterTimeCount == kTimes && kAmpTimeCount == kTimes);
    static_assert(kFilterLevelCount == kPoints && kAmpLevelCount < kPoints);

    std::array<std::uint32_t, kOscillators> oscWave{}; // 0..kWaveCount-1
    std::array<double, kOscillators> oscTuning{};      // semitones

    std::array<double, kTimes> mixTimeSeconds{}; // from the patch's mixTime in milliseconds
    std::array<double, kPoints> mixX{};
    std::array<double, kPoints> mixY{};
    int mixLoop = 0;   // 0..6
    int mixRepeat = 0; // 0..7, 0 endless

    double cutoff = 0.0;                            // octaves above 20 Hz
    double resonance = 0.0;                         // 0..1
    double filterEnvAmount = 0.0;                   // octaves per unit of filter envelope
    std::array<double, kTimes> filterTimeSeconds{}; // from the patch's filterTime setting 0..1
    std::array<double, kPoints> filterLevel{};
    int filterLoop = 0;
    int filterRepeat = 0;

    std::array<double, kTimes> ampTimeSeconds{}; // from the patch's ampTime setting 0..1
    std::array<double, kPoints> ampLevel{};      // ampLevel[4] is always 0
    int ampLoop = 0;
    int ampRepeat = 0;

    double volumeGain = 0.0;                 // linear; 0 below -39 dB
    std::array<double, kPanSlots> panSlot{}; // panSlot[i] = pan[i mod 8]

    std::array<int, kLfoCount> lfoWave{};
    std::array<double, kLfoCount> lfoRate{}; // hertz
    float chorusRate = 0.1f;                 // hertz
    float chorusDepth = 0.25f;               // chorusDepth parameter * 0.5
    bool chorusOn = false;
    std::uint32_t filterMode = 0; // 0..15

    // Changes with every snapshot, so voices reload their envelope settings only when the
    // settings may have changed.
    std::uint32_t generation = 0;
};

} // namespace ostrel
