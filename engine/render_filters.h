#pragma once

#include "dsp/filter_tables.h"
#include "dsp/multimode_filter.h"

#include <cstdint>
#include <memory>

namespace ostrel {

// The state and settings of one voice's multimode filter, kept apart from the loop that runs
// it so that the engine can run the filters of all sounding voices side by side
// (runVoiceFilters). The result is bit for bit that of a MultimodeFilter with the same
// settings run on its own: same operations, same order, same rounding; only independent
// voices are interleaved, which hides the latency of the filter's long serial feedback path.
//
// Settings behave as MultimodeFilter's: cutoff in octaves above 20 Hz (coordinate c + 3
// clamped to 0.1..15.9, NaN to 0.1), resonance clamped to +-100 (NaN 0), modes outside 0..15
// play mode 0. Construction takes the shared tables (may allocate); the rest is real-time safe.
class VoiceFilterState
{
public:
    explicit VoiceFilterState(std::uint32_t sampleRate);

    void setCutoff(double octaves) noexcept;
    void setResonance(double r) noexcept;
    void setMode(std::uint32_t m) noexcept { mode = m < MultimodeFilter::kModeCount ? m : 0u; }

    double cutoffStart() const noexcept { return cutoffPrev; }
    double cutoffTargetCoordinate() const noexcept { return cutoffTarget; }
    double coefficientTarget() const noexcept { return gTarget; }
    double currentResonance() const noexcept { return resonance; }
    std::uint32_t currentMode() const noexcept { return mode; }
    bool threePole() const noexcept { return filter_design::isThreePole(mode); }

private:
    friend struct VoiceFilterRunner;

    std::shared_ptr<const FilterTables> tables;
    double cutoffPrev;
    double cutoffTarget;
    double resonance = 0.0;
    double gPrev;
    double gTarget;
    double y1 = 0.0, y2 = 0.0, y3 = 0.0, y4 = 0.0;
    double delayed = 0.0;
    std::uint32_t mode = 0;
};

// Filters n samples (1..64) of each buffer in place with its voice's filter, as if the filters
// ran one after another in the order given, each continuing the shared dither sequence where
// the previous one left it. count may be 0..32.
void runVoiceFilters(VoiceFilterState* const* filters, float* const* buffers, int count, int n,
                     DitherSeed& dither) noexcept;

// Chooses the AVX2 kernel (where the processor has it) or the baseline one; both give the
// same bits. Returns false when AVX2 was asked for but is not available. For tests.
bool selectVoiceFilterKernel(bool avx2) noexcept;

} // namespace ostrel
