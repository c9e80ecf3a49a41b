// Wave bank build (once per process, at module load) and the oscillator's block render (the
// hottest loop of the synthesizer: 4 per voice, 32 voices, twice the host rate).
//
// items/s of the oscillator benchmarks are samples per second: ns per sample = 1e9 / items/s.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "dsp/oscillator.h"
#include "dsp/wave_bank.h"
#include "tests/support/wave_resources.h"

namespace {

using namespace ostrel;

const std::vector<unsigned char>& wavesResource()
{
    static const std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> data = testing::committedWaves();
        if (data.size() < kWavesResourceSize)
            std::fprintf(stderr, "bench_wave: resources/waves.bin missing, building from zeros\n");
        data.resize(kWavesResourceSize, 0);
        return data;
    }();
    return bytes;
}

const WaveBank& bank()
{
    static const std::unique_ptr<WaveBank> b = [] {
        auto built = std::make_unique<WaveBank>();
        built->build(wavesResource().data(), wavesResource().size());
        return built;
    }();
    return *b;
}

void BM_BuildWaveBank(benchmark::State& state)
{
    auto target = std::make_unique<WaveBank>();
    const auto& bytes = wavesResource();
    for (auto _ : state) {
        target->build(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(target->levelTable(0, 0));
    }
}
BENCHMARK(BM_BuildWaveBank)->Unit(benchmark::kMillisecond);

// One 64-sample block of one table oscillator at a given frequency (88200 Hz internal rate),
// with the AVX2 kernel (wide 1) or the baseline SSE2 kernel that processors without AVX2 run
// (wide 0).
void BM_OscillatorBlock(benchmark::State& state)
{
    Oscillator::useWideKernel(state.range(1) != 0);
    Oscillator osc(88200, bank());
    osc.setWave(1);
    osc.setFrequency(static_cast<double>(state.range(0)));
    osc.setAmplitude(0.25);
    std::vector<float> out(64, 0.0f);
    for (auto _ : state) {
        osc.render(out.data(), 64);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 64);
    state.SetLabel("level " + std::to_string(osc.level()));
    Oscillator::useWideKernel(true);
}
BENCHMARK(BM_OscillatorBlock)->ArgNames({"hz", "wide"})->Args({55, 1})->Args({440, 1})->Args({3520, 1})->Args({440, 0});

void BM_OscillatorNoiseBlock(benchmark::State& state)
{
    Oscillator osc(88200, bank());
    osc.setWave(kNoiseWave);
    osc.setFrequency(440.0);
    osc.setAmplitude(0.25);
    std::vector<float> out(64, 0.0f);
    for (auto _ : state) {
        osc.render(out.data(), 64);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(BM_OscillatorNoiseBlock);

// A full voice's worth: four oscillators, as a voice calls them, one 64-sample sub-block.
void BM_FourOscillatorVoice(benchmark::State& state)
{
    std::vector<Oscillator> oscs(4, Oscillator(88200, bank()));
    const double frequencies[] = {261.63, 523.25, 392.0, 130.81};
    const std::uint32_t waves[] = {1, 40, 2, 67};
    for (int i = 0; i < 4; ++i) {
        oscs[static_cast<std::size_t>(i)].setWave(waves[i]);
        oscs[static_cast<std::size_t>(i)].setFrequency(frequencies[i]);
        oscs[static_cast<std::size_t>(i)].setAmplitude(0.25);
    }
    std::vector<float> out(64, 0.0f);
    for (auto _ : state) {
        for (auto& o : oscs)
            o.render(out.data(), 64);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 64 * 4);
}
BENCHMARK(BM_FourOscillatorVoice);

} // namespace
