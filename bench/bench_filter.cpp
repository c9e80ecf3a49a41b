// Cost of the multimode filter per sample and voice, in the engine's usage pattern: one
// cutoff, resonance and mode setting per 64-sample block, the cutoff moving every block.
#include "dsp/multimode_filter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

void runFilter(benchmark::State& state, std::uint32_t mode)
{
    constexpr int kBlock = 64;
    constexpr int kBlocks = 64;
    ostrel::MultimodeFilter filter(88200);
    std::vector<float> input(kBlock * kBlocks);
    for (std::size_t j = 0; j < input.size(); ++j)
        input[j] = 0.5f * static_cast<float>(std::sin(0.031 * static_cast<double>(j)));
    std::vector<float> buffer(kBlock);
    double cutoff = 4.0;
    std::int64_t samples = 0;
    for (auto _ : state) {
        for (int b = 0; b < kBlocks; ++b) {
            cutoff = cutoff > 10.0 ? 4.0 : cutoff + 0.01;
            std::copy_n(input.begin() + b * kBlock, kBlock, buffer.begin());
            filter.setCutoff(cutoff);
            filter.setResonance(0.7);
            filter.setMode(mode);
            filter.processBlock(buffer.data(), buffer.data(), kBlock);
            benchmark::DoNotOptimize(buffer.data());
        }
        samples += kBlock * kBlocks;
    }
    state.counters["per_sample"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void FilterFourPole(benchmark::State& state)
{
    runFilter(state, 0);
}
void FilterThreePole(benchmark::State& state)
{
    runFilter(state, 8);
}

} // namespace

BENCHMARK(FilterFourPole);
BENCHMARK(FilterThreePole);
