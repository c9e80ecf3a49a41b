#pragma once

#include "dsp/filter_design.h"
#include "dsp/filter_tables.h"

#include <array>
#include <cstdint>
#include <memory>

namespace ostrel {

// The settings and the stage memory of one multimode filter between blocks: the cutoff
// coordinate and stage coefficient of the last block and of the next, the resonance and
// mode, and the four stage outputs with the delayed first stage. Both the single reference
// filter (MultimodeFilter) and the side-by-side runner (runFilterLanes) keep their state in
// this record.
//
// Construction takes the shared tables of the rate (may allocate and lock); the rest is
// real-time safe.
struct FilterState {
    // sampleRate: the engine's internal rate in hertz (0 is treated as 1).
    explicit FilterState(std::uint32_t sampleRate);

    // Cutoff in octaves above 20 Hz; the coordinate c + 3 is clamped to 0.1..15.9 (NaN gives
    // 0.1). Takes effect over the next block.
    void setCutoff(double octaves) noexcept;
    // Within -100..100 (NaN gives 0), so the feedback gain stays finite.
    void setResonance(double r) noexcept { resonance = filter_design::clampResonance(r); }
    // 0..15; any other value selects mode 0.
    void setMode(std::uint32_t m) noexcept { mode = m < filter_design::kModeCount ? m : 0u; }

    bool threePole() const noexcept { return filter_design::isThreePole(mode); }
    // The ramps of a block of n samples from the last settings to the new ones. Kept: a block
    // whose settings are the same, to the bit, as the last one's gets the same ramps again.
    filter_design::BlockRamps ramps(int n) noexcept;
    // Ends a block: keeps the stage outputs (tiny ones flushed to zero) and makes the new
    // settings the start of the next block's ramps.
    void endBlock(double s1, double s2, double s3, double s4, double d) noexcept;

    double cutoffStart() const noexcept { return cutoffPrev; }
    double cutoffTargetCoordinate() const noexcept { return cutoffTarget; }
    double coefficientStart() const noexcept { return gPrev; }
    double coefficientTarget() const noexcept { return gTarget; }
    double currentResonance() const noexcept { return resonance; }
    std::uint32_t currentMode() const noexcept { return mode; }
    std::array<double, 5> stateValues() const noexcept { return {y1, y2, y3, y4, delayed}; }

    std::shared_ptr<const FilterTables> tables;
    double cutoffPrev = 0.0;
    double cutoffTarget = 0.0;
    double gPrev = 0.0;
    double gTarget = 0.0;
    double resonance = 0.0;
    double y1 = 0.0, y2 = 0.0, y3 = 0.0, y4 = 0.0;
    double delayed = 0.0;
    std::uint32_t mode = 0;

private:
    struct RampKey {
        std::array<std::uint64_t, 5> bits{}; // cutoffPrev, cutoffTarget, gPrev, gTarget, resonance
        std::uint32_t mode = 0;
        int n = 0; // 0: nothing kept yet
        bool operator==(const RampKey&) const = default;
    };
    RampKey rampKey;
    std::uint64_t lastCutoffBits = ~std::uint64_t{0}; // the octaves of the last setCutoff (none: a NaN)
    filter_design::BlockRamps keptRamps{};
};

} // namespace ostrel
