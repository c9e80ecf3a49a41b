#pragma once

// The multimode filter's fixed design: the mode table, the output mixes, the saturation and
// feedback constants, the input dither, and the per-block ramps of the stage coefficient and
// the feedback gain. Shared by the single reference filter (MultimodeFilter) and the runner
// that filters several voices side by side (runFilterLanes), so both compute the same bits
// from one definition.

#include "dsp/filter_tables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace ostrel::filter_design {

inline constexpr int kModeCount = 16;

// Mode -> type code. The type selects the mix row (type % 8) and the output gain; types
// 8..15 use the three-pole structure.
inline constexpr std::array<int, kModeCount> kModeType{6, 4, 0, 7, 1, 5, 2, 3, 14, 12, 8, 15, 9, 13, 10, 11};

// Weights of y1, y2, y3, y4 by type % 8. In the three-pole structure y1 is the
// feedback-corrected input, so each row describes one pole less on top of it.
inline constexpr float kWeights[8][4] = {
    {0.0f, -1.0f, 2.0f, -1.0f}, // band-pass
    {1.0f, -3.0f, 3.0f, -1.0f}, // 3-pole high-pass
    {1.0f, -3.0f, 6.0f, -4.0f}, // 3-pole all-pass
    {1.0f, -2.0f, 2.0f, 0.0f},  // notch
    {0.0f, -1.0f, 0.0f, 0.0f},  // 2-pole low-pass, inverted
    {1.0f, -2.0f, 1.0f, 0.0f},  // 2-pole high-pass
    {0.0f, 0.0f, 0.0f, 1.0f},   // full low-pass
    {1.0f, -1.0f, 0.0f, 0.0f},  // 1-pole high-pass / band-pass
};

inline constexpr float kTypeGain[kModeCount] = {3.0f, 2.0f, 1.0f, 1.0f, 1.0f,        1.5f, 1.0f, 1.5f,
                                                1.5f, 0.5f, 0.5f, 0.5f, 2.0f / 3.0f, 0.5f, 1.0f, 0.5f};

inline constexpr const char* kTypeNames[kModeCount] = {
    "4P BP",        "3P HP + 1PLP", "3P AP + 1PLP", "2P N  + 1PLP", "2P LP", "2P HP + 1PLP", "4P LP", "2P BP",
    "2P HP + 1PLP", "3P HP",        "3P AP",        "2P N",         "1P LP", "2P HP",        "3P LP", "1P HP"};

// Cutoff coordinate = octaves above 20 Hz + 3, held within these bounds.
inline constexpr double kMinCoordinate = 0.1;
inline constexpr double kMaxCoordinate = 15.9;
// Keeps the feedback gain finite.
inline constexpr double kMaxResonance = 100.0;

// Saturation arguments beyond the table (very large inputs at high resonance) read the end
// entries. The upper bound is the largest float below 1025, so the index stays <= 1024 from
// the centre and the interpolation's second entry is the last one.
inline constexpr float kSaturationLow = -1024.0f;
inline constexpr float kSaturationHigh = 1024.9999f;

// State values below this are set to zero after each block, so a silent voice does not decay
// into denormal numbers.
inline constexpr double kFlushThreshold = 1e-15;

inline constexpr double kDitherScale = 5e-13; // signed 32-bit seed -> at most +-0.00107
inline constexpr float kDrive = 0.5f;
inline constexpr float kFeedbackInputShare = 0.5f;
inline constexpr float kFeedbackScale = 2.0f;
inline constexpr double kInputGain = 1.0;
inline constexpr double kOutputGain = 1.0;

// Saturation argument = A * y4 + B * input.
inline constexpr double kSaturationA = static_cast<double>(kDrive * 128.0f);
inline constexpr double kSaturationB = static_cast<double>(-kFeedbackInputShare * (kDrive * 128.0f));

inline double flushTiny(double v) noexcept
{
    return std::fabs(v) < kFlushThreshold ? 0.0 : v;
}

// Resonance within +-kMaxResonance; NaN gives 0.
inline double clampResonance(double r) noexcept
{
    return std::isnan(r) ? 0.0 : std::clamp(r, -kMaxResonance, kMaxResonance);
}

inline bool isThreePole(std::uint32_t mode) noexcept
{
    return kModeType[mode < kModeCount ? mode : 0u] > 7;
}

// The clamped coordinate of a cutoff in octaves (NaN falls to the lower bound).
inline double cutoffCoordinate(double octaves) noexcept
{
    return std::min(kMaxCoordinate, std::max(kMinCoordinate, octaves + 3.0));
}

// The stage coefficient of a cutoff coordinate.
inline double stageCoefficient(const FilterTables& tables, double coordinate) noexcept
{
    return static_cast<double>(
        FilterTables::interpolate(tables.tuning, FilterTables::kCutoffStepsPerOctave * coordinate));
}

// Constants of one block: the coefficient g and the feedback gain k start at the previous
// block's settings and ramp linearly to the new ones over n samples; w1..w4 mix the stages.
struct BlockRamps {
    double g, dg, k, dk, w1, w2, w3, w4;
};

inline BlockRamps blockRamps(const FilterTables& t, double cutoffPrev, double cutoffTarget, double gPrev,
                             double gTarget, double resonance, std::uint32_t mode, int n) noexcept
{
    BlockRamps b{};
    const double r = 1.0 / static_cast<double>(n);
    b.g = gPrev;
    b.dg = (gTarget - gPrev) * r;
    const double a0 =
        static_cast<double>(FilterTables::interpolate(t.resonance, FilterTables::kCutoffStepsPerOctave * cutoffPrev));
    const double a1 =
        static_cast<double>(FilterTables::interpolate(t.resonance, FilterTables::kCutoffStepsPerOctave * cutoffTarget));
    double k = a0 * resonance * 4.15;
    double dk = (a1 - a0) * resonance * r * 4.15;
    const int type = kModeType[mode < kModeCount ? mode : 0u];
    if (type > 7) {
        k *= 2.0;
        dk *= 2.0;
    }
    b.k = k * static_cast<double>(kFeedbackScale);
    b.dk = dk * static_cast<double>(kFeedbackScale);
    const float* row = kWeights[type % 8];
    const double gain = kOutputGain * static_cast<double>(kTypeGain[type]);
    b.w1 = static_cast<double>(row[0]) * gain;
    b.w2 = static_cast<double>(row[1]) * gain;
    b.w3 = static_cast<double>(row[2]) * gain;
    b.w4 = static_cast<double>(row[3]) * gain;
    return b;
}

} // namespace ostrel::filter_design
