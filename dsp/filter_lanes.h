#pragma once

#include "dsp/filter_state.h"
#include "dsp/noise_seed.h"

namespace ostrel {

// The multimode filter as it runs in the plug-in: several independent filters side by side,
// each in a lane of one loop, so the long serial feedback path of one filter does not keep the
// processor waiting. Each filter keeps its settings and stage memory in its own FilterState
// and gets exactly the operations of the single filter (MultimodeFilter), in the same order,
// with the same rounding: the same bits.

// Longest block one call filters: the lanes' samples live on the stack.
inline constexpr int kFilterLanesMaxBlock = 64;

// Filters n samples (1..kFilterLanesMaxBlock; other n do nothing) of each buffer in place with
// its filter, as if the filters ran one after another in the order given, each continuing the
// shared dither sequence where the previous one left it. count may be 0 or more.
void runFilterLanes(FilterState* const* filters, float* const* buffers, int count, int n, NoiseSeed& dither) noexcept;

// Chooses the AVX2 kernel (where the processor has it) or the baseline one; both give the
// same bits. Returns false when AVX2 was asked for but is not available. For tests and
// benchmarks; switching while another thread filters is not supported.
bool selectFilterLanesKernel(bool avx2) noexcept;

} // namespace ostrel
