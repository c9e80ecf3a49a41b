// Cost of the whole voice engine through the audio callback path (snapshot, events, voices,
// chorus, decimation, floating-point environment): all four oscillators of every voice
// sounding through the centre of the mix, filter mode 0 with resonance, chorus on.
// Counters: realtime = seconds of audio per CPU second (one core); voice_sample = CPU time
// per voice and internal sample. idleEngine: the same path with no voice sounding.
#include "dsp/wave_bank.h"
#include "engine/event_queue.h"
#include "engine/render_callback.h"
#include "engine/voice_engine.h"
#include "patch/patch.h"
#include "tests/support/wave_resources.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace ostrel;

// The bench has no module resources: every stored wave is a bright synthetic cycle, which
// costs what a real wave costs.
void buildBenchWaves()
{
    static const bool built = [] {
        const std::vector<unsigned char> bytes = testing::drawnWavesResource(1900.0, [](int w, double x) {
            return 0.6 * std::sin(x) + 0.3 * std::sin(3.0 * x + static_cast<double>(w)) + 0.1 * std::sin(17.0 * x);
        });
        return buildWaveBank(bytes.data(), bytes.size());
    }();
    (void)built;
}

void runEngine(benchmark::State& state)
{
    const int voices = static_cast<int>(state.range(0));
    const int hostRate = static_cast<int>(state.range(1));
    constexpr int kBlock = 512;
    buildBenchWaves();

    Patch patch(nullptr);
    patch.initPatch();
    for (int k = 0; k < kOscCount; ++k)
        patch.oscWaveform[static_cast<std::size_t>(k)]->value().set(3 + 11 * k);
    patch.oscTune[1]->value().set(7.0f);
    patch.oscFinetune[2]->value().set(8.0f);
    patch.oscTune[3]->value().set(-12.0f);
    patch.filterMode->value().set(0);
    patch.resonance->value().set(0.7f);
    patch.cutoff->value().set(6.0f);
    patch.chorusOn->value().set(1);
    patch.polyphony->value().set(32.0f);
    patch.volume->value().set(-24.0f);

    VoiceEngine engine(hostRate);
    EventQueue queue;
    for (int v = 0; v < voices; ++v)
        queueMidiMessage(queue, 0, 0x90, static_cast<std::uint8_t>(36 + (v * 7) % 60), 100);
    std::vector<float> left(kBlock), right(kBlock), scratchLeft(kBlock), scratchRight(kBlock);
    // Past the attack, all voices in their sustain.
    for (int b = 0; b < 100; ++b)
        renderAudioCallback(engine, patch, queue, left.data(), right.data(), kBlock, OutputMode::Replace,
                            scratchLeft.data(), scratchRight.data());

    std::int64_t frames = 0;
    for (auto _ : state) {
        renderAudioCallback(engine, patch, queue, left.data(), right.data(), kBlock, OutputMode::Replace,
                            scratchLeft.data(), scratchRight.data());
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
        frames += kBlock;
    }
    int sounding = 0;
    for (int i = 0; i < engine.voiceCount(); ++i)
        sounding += engine.voice(i).state() != Voice::Idle ? 1 : 0;
    if (sounding != voices)
        state.SkipWithError("not every voice sounded");
    const double audioSeconds = static_cast<double>(frames) / hostRate;
    state.counters["realtime"] = benchmark::Counter(audioSeconds, benchmark::Counter::kIsRate);
    state.counters["voice_sample"] = benchmark::Counter(static_cast<double>(frames) * 2.0 * voices,
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(runEngine)
    ->ArgNames({"voices", "rate"})
    ->ArgsProduct({{1, 8, 32}, {44100, 48000}})
    ->Unit(benchmark::kMicrosecond);

// An idle instance: no voice sounding (a note played and ended first) and the chorus (on or
// off) with nothing left in its line. Counter realtime as above.
void idleEngine(benchmark::State& state)
{
    const bool chorus = state.range(0) != 0;
    const int hostRate = static_cast<int>(state.range(1));
    constexpr int kBlock = 512;
    buildBenchWaves();
    Patch patch(nullptr);
    patch.initPatch();
    patch.chorusOn->value().set(chorus ? 1 : 0);
    VoiceEngine engine(hostRate);
    EventQueue queue;
    queueMidiMessage(queue, 0, 0x90, 60, 100);
    queueMidiMessage(queue, 300, 0x80, 60, 0);
    std::vector<float> left(kBlock), right(kBlock);
    for (int b = 0; b < 400; ++b) // the note's release and the chorus line run out
        renderAudioCallback(engine, patch, queue, left.data(), right.data(), kBlock, OutputMode::Replace, nullptr,
                            nullptr);
    std::int64_t frames = 0;
    for (auto _ : state) {
        renderAudioCallback(engine, patch, queue, left.data(), right.data(), kBlock, OutputMode::Replace, nullptr,
                            nullptr);
        benchmark::DoNotOptimize(left.data());
        frames += kBlock;
    }
    for (int i = 0; i < engine.voiceCount(); ++i) {
        if (engine.voice(i).state() != Voice::Idle)
            state.SkipWithError("a voice still sounds");
    }
    state.counters["realtime"] =
        benchmark::Counter(static_cast<double>(frames) / hostRate, benchmark::Counter::kIsRate);
}

BENCHMARK(idleEngine)->ArgNames({"chorus", "rate"})->ArgsProduct({{0, 1}, {44100, 48000}});

} // namespace
