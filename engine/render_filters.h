#pragma once

#include "dsp/filter_state.h"
#include "dsp/multimode_filter.h"

#include <cstdint>
#include <memory>

namespace ostrel {

// One voice's filter between blocks: the same state record as the single MultimodeFilter, so
// the engine can run the filters of all sounding voices side by side (runVoiceFilters) with
// the single filter's settings and, bit for bit, its result: same operations, same order, same
// rounding; only independent voices are interleaved, which hides the latency of the filter's
// long serial feedback path.
using VoiceFilterState = FilterState;

// Filters n samples (1..64) of each buffer in place with its voice's filter, as if the filters
// ran one after another in the order given, each continuing the shared dither sequence where
// the previous one left it. count may be 0..32.
void runVoiceFilters(VoiceFilterState* const* filters, float* const* buffers, int count, int n,
                     DitherSeed& dither) noexcept;

// Chooses the AVX2 kernel (where the processor has it) or the baseline one; both give the
// same bits. Returns false when AVX2 was asked for but is not available. For tests.
bool selectVoiceFilterKernel(bool avx2) noexcept;

} // namespace ostrel
