#include "dsp/filter_state.h"

#include <bit>

namespace ostrel {

using namespace filter_design;

FilterState::FilterState(std::uint32_t sampleRate)
    : tables(FilterTables::forSampleRate(sampleRate == 0 ? 1u : sampleRate))
{
    setCutoff(0.0);
    cutoffPrev = cutoffTarget;
    gPrev = gTarget;
}

void FilterState::setCutoff(double octaves) noexcept
{
    // The same cutoff as last time (the usual case without a filter envelope) sets the same
    // targets again.
    if (std::bit_cast<std::uint64_t>(octaves) == lastCutoffBits)
        return;
    lastCutoffBits = std::bit_cast<std::uint64_t>(octaves);
    cutoffTarget = cutoffCoordinate(octaves);
    gTarget = stageCoefficient(*tables, cutoffTarget);
}

filter_design::BlockRamps FilterState::ramps(int n) noexcept
{
    const RampKey key{{std::bit_cast<std::uint64_t>(cutoffPrev), std::bit_cast<std::uint64_t>(cutoffTarget),
                       std::bit_cast<std::uint64_t>(gPrev), std::bit_cast<std::uint64_t>(gTarget),
                       std::bit_cast<std::uint64_t>(resonance)},
                      mode,
                      n};
    if (!(key == rampKey)) {
        rampKey = key;
        keptRamps = blockRamps(*tables, cutoffPrev, cutoffTarget, gPrev, gTarget, resonance, mode, n);
    }
    return keptRamps;
}

void FilterState::endBlock(double s1, double s2, double s3, double s4, double d) noexcept
{
    y1 = flushTiny(s1);
    y2 = flushTiny(s2);
    y3 = flushTiny(s3);
    y4 = flushTiny(s4);
    delayed = flushTiny(d);
    gPrev = gTarget;
    cutoffPrev = cutoffTarget;
}

} // namespace ostrel
