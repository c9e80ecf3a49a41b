// Aliasing of the oscillator, measured: the saw (wave 1) of the committed waves played from
// 100 Hz to 10 kHz at an internal rate of 88200 Hz, and the strongest component that is not a
// harmonic of the played frequency (aliases and interpolation images), relative to the
// fundamental. Not a speed measurement: each benchmark runs its sweep once and reports the
// figures as counters (dB re the fundamental, and the played frequency where it occurred):
//   worst_dB, worst_at_Hz      over the whole spectrum (worst_component_Hz: where it lies)
//   audible_dB, audible_at_Hz  counting only components below 20 kHz
// Rising: the frequency reached from below (a rising sweep: true level edges). Held: set again
// every block, as a held note is, so the 1.2 margin picks the duller level near an edge.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "dsp/fft.h"
#include "dsp/oscillator.h"
#include "tests/support/wave_resources.h"

namespace {

using namespace ostrel;

struct AliasResult {
    double worstDb = -300.0;   // strongest non-harmonic component, dB re the fundamental
    double worstAt = 0.0;      // played frequency where it occurred
    double worstBinHz = 0.0;   // where the component lies
    double audibleDb = -300.0; // the same, counting only components below 20 kHz
    double audibleAt = 0.0;
};

// Renders `frequency` in 64-sample blocks. rising: the frequency was reached from below (a
// rising sweep: true level edges); otherwise it is set again every block, as a held note is,
// and the 1.2 margin picks the duller level near an edge.
double measure(const WaveBank& bank, double frequency, bool rising, AliasResult& result)
{
    constexpr int kRate = 88200;
    constexpr int kPoints = 16384;
    Oscillator osc(kRate, bank);
    osc.setWave(1);
    osc.setAmplitude(1.0);
    osc.setFrequency(frequency);
    std::vector<float> out(kPoints, 0.0f);
    for (int at = 0; at < kPoints; at += 64) {
        if (!rising)
            osc.setFrequency(frequency);
        osc.render(out.data() + at, 64);
    }
    // 4-term Blackman-Harris window (side lobes below -92 dB, main lobe +-4 bins).
    std::vector<double> data(2 * kPoints, 0.0);
    for (int j = 0; j < kPoints; ++j) {
        const double t = 6.283185307179586 * j / kPoints;
        const double w = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t);
        data[static_cast<std::size_t>(2 * j)] = w * static_cast<double>(out[static_cast<std::size_t>(j)]);
    }
    fft(data.data(), kPoints, 1);
    const double binHz = static_cast<double>(kRate) / kPoints;
    auto magnitude = [&](int bin) {
        return std::hypot(data[static_cast<std::size_t>(2 * bin)], data[static_cast<std::size_t>(2 * bin + 1)]);
    };
    const int fundamentalBin = static_cast<int>(std::lround(frequency / binHz));
    double fundamental = 0.0;
    for (int b = fundamentalBin - 2; b <= fundamentalBin + 2; ++b)
        fundamental = std::max(fundamental, magnitude(b));
    constexpr int kGuard = 6; // bins around each harmonic (and DC) that belong to it
    double worst = 0.0;
    int worstBin = 0;
    double audible = 0.0;
    for (int b = kGuard; b < kPoints / 2; ++b) {
        const double hz = b * binHz;
        const double nearestHarmonic = std::round(hz / frequency) * frequency;
        if (nearestHarmonic > 0.0 && std::fabs(hz - nearestHarmonic) <= kGuard * binHz)
            continue;
        const double m = magnitude(b);
        if (m > worst) {
            worst = m;
            worstBin = b;
        }
        if (hz < 20000.0)
            audible = std::max(audible, m);
    }
    const double db = 20.0 * std::log10(worst / fundamental);
    const double audibleDb = 20.0 * std::log10(std::max(audible, 1e-300) / fundamental);
    if (db > result.worstDb) {
        result.worstDb = db;
        result.worstAt = frequency;
        result.worstBinHz = worstBin * binHz;
    }
    if (audibleDb > result.audibleDb) {
        result.audibleDb = audibleDb;
        result.audibleAt = frequency;
    }
    return db;
}

void sawSweep(benchmark::State& state, bool rising)
{
    const std::vector<unsigned char>& waves = testing::committedWaves();
    auto bank = std::make_unique<WaveBank>();
    if (!bank->build(waves.data(), waves.size())) {
        state.SkipWithError("resources/waves.bin not found (set OSTREL_SOURCE_DIR)");
        return;
    }
    AliasResult result;
    for (auto _ : state) {
        result = AliasResult{};
        constexpr int kSteps = 240; // 36 points per octave over 6.64 octaves
        for (int i = 0; i <= kSteps; ++i)
            measure(*bank, 100.0 * std::pow(100.0, static_cast<double>(i) / kSteps), rising, result);
    }
    state.counters["worst_dB"] = result.worstDb;
    state.counters["worst_at_Hz"] = result.worstAt;
    state.counters["worst_component_Hz"] = result.worstBinHz;
    state.counters["audible_dB"] = result.audibleDb;
    state.counters["audible_at_Hz"] = result.audibleAt;
}

} // namespace

BENCHMARK_CAPTURE(sawSweep, rising, true)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sawSweep, held, false)->Iterations(1)->Unit(benchmark::kMillisecond);
