// Start-up costs. Library load: what the module does once per process when it is loaded, the
// GUI resource package built from its two resources and the wave bank built from the "WAVES"
// resource (the committed resource files stand in for the module's). Instance creation: a
// plug-in object from its construction (patch, 128 programs, the default bank installed) to
// the end of its first resume (the voice engine with all its voices and tables); the deletion
// is not timed.
#include "dsp/wave_bank.h"
#include "gui/resource_package.h"
#include "host/synth_plugin.h"
#include "tests/support/wave_resources.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

using namespace ostrel;

void LibraryLoad(benchmark::State& state)
{
    const std::vector<unsigned char> index = testing::sourceFile("resources/gui/index.xml");
    const std::vector<unsigned char> blob = testing::sourceFile("resources/gui/package.bin");
    const std::vector<unsigned char>& waves = testing::committedWaves();
    if (index.empty() || blob.empty() || waves.size() < kWavesResourceSize) {
        state.SkipWithError("resources not found (set OSTREL_SOURCE_DIR)");
        return;
    }
    for (auto _ : state) {
        const bool package =
            vellum::createPackage(reinterpret_cast<const char*>(index.data()), index.size(), blob.data(), blob.size());
        auto bank = std::make_unique<WaveBank>();
        const bool built = bank->build(waves.data(), waves.size());
        benchmark::DoNotOptimize(bank.get());
        if (!package || !built)
            state.SkipWithError("a resource did not load");
        state.PauseTiming();
        bank.reset();
        vellum::destroyPackage();
        state.ResumeTiming();
    }
}
BENCHMARK(LibraryLoad)->Unit(benchmark::kMillisecond);

vst::VstIntPtr host(vst::AEffect*, vst::VstInt32 opcode, vst::VstInt32, vst::VstIntPtr, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

void InstanceCreation(benchmark::State& state)
{
    const std::vector<unsigned char> bank = testing::sourceFile("resources/default_bank.bin");
    if (bank.empty()) {
        state.SkipWithError("resources/default_bank.bin not found (set OSTREL_SOURCE_DIR)");
        return;
    }
    for (auto _ : state) {
        auto* plugin = new SynthPlugin(host, bank.data(), bank.size());
        vst::AEffect* effect = plugin->getAeffect();
        effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, 48000.0f);
        effect->dispatcher(effect, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
        benchmark::DoNotOptimize(effect);
        state.PauseTiming();
        effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
        state.ResumeTiming();
    }
}
BENCHMARK(InstanceCreation)->Unit(benchmark::kMillisecond);

} // namespace
