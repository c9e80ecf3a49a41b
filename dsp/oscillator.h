#pragma once

// The wavetable oscillator: plays one wave of a WaveBank at a frequency
// in hertz with a linear gain, reading the band-limited level its pitch calls for, and adds its
// output into a block buffer. Wave 95 makes it a white-noise source.
//
// Threads: a voice's oscillators run on the audio thread of their instance only. The bank is
// read without locks (it is built once, before any instance exists). An engine gives all its
// oscillators one noise generator (they render one after the other on its audio thread), so
// each instance has its own reproducible noise; oscillators without one share a process-wide
// seed (an atomic, so concurrent users are not a data race; they only interleave one sequence).

#include <cstdint>
#include <limits>

#include "dsp/noise_seed.h"
#include "dsp/wave_bank.h"

namespace ostrel {

class Oscillator {
public:
    // sampleRate: the engine's internal rate in hertz (twice the host's). Reads the global bank
    // unless another one is given (tests); the bank must outlive the oscillator.
    explicit Oscillator(std::uint32_t sampleRate, const WaveBank& bank = waveBank()) noexcept;

    // Stores f (hertz) and chooses the table level: floor(log2(f / sampleRate)) + 10 clamped
    // to 0..9, with f judged 1.2 times higher unless it rose since the last call (hysteresis).
    void setFrequency(double frequencyHz) noexcept;

    // The noise generator this oscillator advances (null: the process-wide one).
    void setNoiseSource(NoiseSeed* seed) noexcept { noise = seed; }

    // Wave index 0..95; any other value plays as the null wave (silence, phase still running).
    void setWave(std::uint32_t index) noexcept { wave = index; }

    // Linear gain; 0 adds nothing at all.
    void setAmplitude(double gain) noexcept { amplitude = gain; }

    // Adds n samples into out[0..n-1] (never clears it); n <= 0 does nothing. No allocation,
    // no locks.
    void render(float* out, int n) noexcept;

    // render() on oscillators[0], [1], ... [count - 1] in turn (at most 4), with the same bits,
    // phases and noise, in fewer calls. clear: out is taken as zeros, as if cleared first.
    static void renderInTurn(Oscillator* oscillators, int count, float* out, int n, bool clear) noexcept;

    // Phase accumulator, 2^32 = one cycle. A voice may copy one oscillator's phase into another
    // at a note start.
    std::uint32_t phase() const noexcept { return phaseAcc; }
    void setPhase(std::uint32_t value) noexcept { phaseAcc = value; }

    int level() const noexcept { return currentLevel; }
    int levelInUse() const noexcept { return renderedLevel; }
    double frequency() const noexcept { return frequencyHz; }
    std::uint32_t waveIndex() const noexcept { return wave; }
    double gain() const noexcept { return amplitude; }
    std::uint32_t sampleRate() const noexcept { return rate; }

    // Phase increment per sample for the current frequency: the low 32 bits of
    // frequency * 2^32 / sampleRate truncated toward zero.
    std::uint32_t phaseIncrement() const noexcept;

    // Level for a frequency-to-rate ratio x: the exponent of x held in single precision as if
    // converted with rounding toward minus infinity, floor(log2 |x|) + 10, clamped to 0..9.
    // Computed from the double's bits, so the processor's rounding mode does not matter.
    static int levelForRatio(double x) noexcept;

    // The table loop has a baseline (SSE2) kernel and, on x86-64 processors with AVX2, a wider
    // one chosen at start-up; both give the same bits. For tests and benchmarks only: switching
    // while another thread renders is not supported.
    static bool wideKernelAvailable() noexcept;
    static void useWideKernel(bool enabled) noexcept;

    // The process-wide noise seed (initially NoiseSeed::kInitial), for tests.
    static std::uint32_t noiseSeed() noexcept;
    static void setNoiseSeed(std::uint32_t seed) noexcept;

    // What one render of n samples reads from a table: the cycle, the phase of the first
    // sample, the increment, the index and fraction shifts and the multiplier of the values.
    struct TableRead {
        const std::int16_t* cycle;
        std::uint32_t phase;
        std::uint32_t increment;
        unsigned indexShift;
        unsigned fractionShift;
        double multiplier;
    };

private:
    enum class Work { Nothing, Table, Noise };
    // The part of render() before the samples: moves the phase on and says what the block adds.
    Work prepare(int n, TableRead& read) noexcept;
    void renderNoise(float* out, int n) noexcept;

    const WaveBank* bank;
    NoiseSeed* noise = nullptr;
    std::uint32_t rate;
    double invSampleRate;
    std::uint32_t wave = 0;
    std::uint32_t phaseAcc = 0;
    int currentLevel = 0;
    int renderedLevel = 0;
    double frequencyHz = 1.0;
    // A frequency set twice in a row, whose level (judged as not rising) is the current one.
    double settledFrequency = std::numeric_limits<double>::quiet_NaN();
    double amplitude = 0.0;
    // Kept from the last render: the increment of a frequency and the table of a level and wave.
    double incrementFrequency = -1.0;
    std::uint32_t increment = 0;
    int cycleLevel = -1;
    std::uint32_t cycleWave = 0;
    const std::int16_t* cycle = nullptr;
};

} // namespace ostrel
