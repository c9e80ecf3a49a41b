// An idle instance through the plug-in's binary interface: the default bank's program 0
// (chorus off) or 2 (chorus on), no notes, processReplacing in blocks of 512 frames after the
// chorus line has run empty. Counter realtime = seconds of audio per CPU second (one core).
#include "host/synth_plugin.h"
#include "tests/support/wave_resources.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace ostrel;

vst::VstIntPtr host(vst::AEffect*, vst::VstInt32 opcode, vst::VstInt32, vst::VstIntPtr, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

void IdleInstance(benchmark::State& state)
{
    const std::vector<unsigned char> bank = testing::sourceFile("resources/default_bank.bin");
    if (bank.empty()) {
        state.SkipWithError("resources/default_bank.bin not found (set OSTREL_SOURCE_DIR)");
        return;
    }
    const int rate = static_cast<int>(state.range(1));
    auto* plugin = new SynthPlugin(host, bank.data(), bank.size());
    vst::AEffect* effect = plugin->getAeffect();
    effect->dispatcher(effect, vst::effSetProgram, 0, state.range(0), nullptr, 0.0f);
    effect->dispatcher(effect, vst::effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    effect->dispatcher(effect, vst::effMainsChanged, 0, 1, nullptr, 0.0f);
    constexpr int kBlock = 512;
    std::vector<float> left(kBlock), right(kBlock);
    float* outputs[2] = {left.data(), right.data()};
    for (int b = 0; b < 100; ++b)
        effect->processReplacing(effect, nullptr, outputs, kBlock);
    std::int64_t frames = 0;
    for (auto _ : state) {
        effect->processReplacing(effect, nullptr, outputs, kBlock);
        benchmark::DoNotOptimize(left.data());
        frames += kBlock;
    }
    for (float x : left) {
        if (x != 0.0f)
            state.SkipWithError("the idle output is not silent");
    }
    effect->dispatcher(effect, vst::effClose, 0, 0, nullptr, 0.0f);
    state.counters["realtime"] = benchmark::Counter(static_cast<double>(frames) / rate, benchmark::Counter::kIsRate);
}
BENCHMARK(IdleInstance)->ArgNames({"program", "rate"})->ArgsProduct({{0, 2}, {44100, 48000}});

} // namespace
