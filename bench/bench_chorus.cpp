// Cost of one chorus unit per sample (one channel), in 64-sample sub-blocks as the engine
// runs it.
#include "dsp/chorus.h"
#include "dsp/random.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

void ChorusChannel(benchmark::State& state)
{
    constexpr int kBlock = 64;
    constexpr int kBlocks = 64;
    ostrel::Random random;
    ostrel::Chorus chorus(88200, random);
    chorus.setBaseDelay(0.008f);
    chorus.setRate(0.8f);
    chorus.setDepth(0.4f);
    std::vector<float> input(kBlock * kBlocks);
    for (std::size_t j = 0; j < input.size(); ++j)
        input[j] = 0.5f * static_cast<float>(std::sin(0.031 * static_cast<double>(j)));
    std::vector<float> buffer(kBlock);
    std::int64_t samples = 0;
    for (auto _ : state) {
        for (int b = 0; b < kBlocks; ++b) {
            std::copy_n(input.begin() + b * kBlock, kBlock, buffer.begin());
            chorus.processBlock(buffer.data(), buffer.data(), kBlock);
            benchmark::DoNotOptimize(buffer.data());
        }
        samples += kBlock * kBlocks;
    }
    state.counters["per_sample"] =
        benchmark::Counter(static_cast<double>(samples), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(ChorusChannel);
