#pragma once

#include "dsp/filter_design.h"
#include "dsp/filter_state.h"
#include "dsp/filter_tables.h"
#include "dsp/noise_seed.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ostrel {

// Four one-pole low-pass stages with a saturating global feedback loop. The output is a
// weighted mix of the stage outputs; 16 modes choose the weights (low-pass, band-pass,
// high-pass, all-pass and notch shapes). Modes 0..7 run all four stages; modes 8..15
// bypass the first stage and double the feedback. The stage coefficient and the feedback
// gain ramp linearly across each block from the previous block's setting to the new one.
//
// This is the filter written plainly, one filter at a time: the reference form. The plug-in
// runs its voices' filters side by side through runFilterLanes (dsp/filter_lanes.h), which the
// tests check against this class bit for bit; the filter's own behaviour is tested here.
//
// Construction may allocate and lock (the shared tables); everything else is real-time
// safe and belongs to the audio thread.
class MultimodeFilter {
public:
    static constexpr int kModeCount = filter_design::kModeCount;
    static constexpr double kMinCoordinate = filter_design::kMinCoordinate; // octaves above 20 Hz + 3
    static constexpr double kMaxCoordinate = filter_design::kMaxCoordinate;
    static constexpr double kMaxResonance = filter_design::kMaxResonance;

    // sampleRate: the engine's internal rate in hertz (0 is treated as 1).
    // sharedDither: the seed to advance, or nullptr for a seed of this filter's own.
    explicit MultimodeFilter(std::uint32_t sampleRate, NoiseSeed* sharedDither = nullptr);

    // Cutoff in octaves above 20 Hz; the coordinate c + 3 is clamped to 0.1..15.9 (NaN gives
    // 0.1). Takes effect over the next block.
    void setCutoff(double octaves) noexcept { state.setCutoff(octaves); }
    // Stored as given within -100..100 (larger magnitudes, infinities included, are clamped
    // there; NaN gives 0), so the feedback gain stays finite.
    void setResonance(double r) noexcept { state.setResonance(r); }
    // 0..15; any other value selects mode 0.
    void setMode(std::uint32_t m) noexcept { state.setMode(m); }

    // Filters n samples from in to out (they may be the same array). n <= 0 does nothing.
    void processBlock(float* out, const float* in, int n) noexcept;

    // Mode type code (index of the mode's name) and the names by type code.
    static int typeOfMode(std::uint32_t m) noexcept;
    static const char* typeName(int type) noexcept;

    double cutoffStart() const noexcept { return state.cutoffStart(); }
    double cutoffTargetCoordinate() const noexcept { return state.cutoffTargetCoordinate(); }
    double coefficientStart() const noexcept { return state.coefficientStart(); }
    double coefficientTarget() const noexcept { return state.coefficientTarget(); }
    std::uint32_t currentMode() const noexcept { return state.currentMode(); }
    double currentResonance() const noexcept { return state.currentResonance(); }
    double sampleRateHz() const noexcept { return sampleRate; }
    const FilterTables& tables() const noexcept { return *state.tables; }
    std::array<double, 5> stateValues() const noexcept { return state.stateValues(); }

private:
    template <bool kThreePole>
    void run(float* out, const float* in, int n) noexcept;

    FilterState state;
    NoiseSeed ownDither;
    NoiseSeed* sharedDither; // nullptr: ownDither is used (a copy then keeps its own seed)

    double sampleRate;
};

} // namespace ostrel
