// Cost of the multimode filter as the plug-in runs it: runFilterLanes over 1, 8 or 32 filters
// side by side (the sounding voices of one sub-block), in 64-sample blocks with the cutoff
// moving every block, resonance 0.7, four-pole (mode 0) or three-pole (mode 8), with the
// baseline (SSE2) or the AVX2 kernel. Counter per_filter_sample: time per filter and sample.
#include "dsp/filter_lanes.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace ostrel;

void runLanes(benchmark::State& state, std::uint32_t mode)
{
    const int count = static_cast<int>(state.range(0));
    const bool avx2 = state.range(1) != 0;
    if (!selectFilterLanesKernel(avx2)) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    constexpr int kBlock = 64;
    constexpr int kBlocks = 64;
    std::vector<float> input(kBlock * kBlocks);
    for (std::size_t j = 0; j < input.size(); ++j)
        input[j] = 0.5f * static_cast<float>(std::sin(0.031 * static_cast<double>(j)));
    std::vector<std::unique_ptr<FilterState>> states;
    std::vector<FilterState*> filters;
    std::vector<std::vector<float>> blocks(static_cast<std::size_t>(count), std::vector<float>(kBlock));
    std::vector<float*> buffers;
    for (int f = 0; f < count; ++f) {
        states.push_back(std::make_unique<FilterState>(88200));
        filters.push_back(states.back().get());
        buffers.push_back(blocks[static_cast<std::size_t>(f)].data());
    }
    NoiseSeed dither;
    double cutoff = 4.0;
    std::int64_t samples = 0;
    for (auto _ : state) {
        for (int b = 0; b < kBlocks; ++b) {
            cutoff = cutoff > 10.0 ? 4.0 : cutoff + 0.01;
            for (int f = 0; f < count; ++f) {
                FilterState& s = *filters[static_cast<std::size_t>(f)];
                s.setCutoff(cutoff + 0.05 * f);
                s.setResonance(0.7);
                s.setMode(mode);
                std::copy_n(input.begin() + b * kBlock, kBlock, blocks[static_cast<std::size_t>(f)].begin());
            }
            runFilterLanes(filters.data(), buffers.data(), count, kBlock, dither);
            benchmark::DoNotOptimize(buffers.data());
        }
        samples += static_cast<std::int64_t>(kBlock) * kBlocks * count;
    }
    state.counters["per_filter_sample"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    selectFilterLanesKernel(true); // back to the processor's best
}

void FilterFourPole(benchmark::State& state)
{
    runLanes(state, 0);
}
void FilterThreePole(benchmark::State& state)
{
    runLanes(state, 8);
}

} // namespace

BENCHMARK(FilterFourPole)->ArgNames({"filters", "avx2"})->ArgsProduct({{1, 8, 32}, {0, 1}});
BENCHMARK(FilterThreePole)->ArgNames({"filters", "avx2"})->ArgsProduct({{1, 8, 32}, {0, 1}});
