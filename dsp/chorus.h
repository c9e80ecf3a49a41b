#pragma once

#include "dsp/delay_line.h"
#include "dsp/random.h"

#include <array>
#include <cstdint>

namespace ostrel {

// Three-tap modulated delay for one channel. Three sine LFOs at slightly different speeds
// sweep three read positions of one short delay line; the taps (Catmull-Rom interpolated)
// are mixed with the dry signal at fixed weights:
//   out = 0.7 * (in + 0.6 * tap0 + 0.4 * tap1 + 0.2 * tap2).
// Each tap's delay sweeps from baseDelay up to baseDelay + 2 * depth * 5 ms.
//
// Construction allocates the line; everything else is real-time safe and belongs to the
// audio thread.
class Chorus {
public:
    static constexpr int kTapCount = 3;
    static constexpr double kPhasePerCycle = 1024.0; // LFO phase in sine-table entries
    static constexpr int kSineTableSize = 2048;      // two cycles: interpolation past 1024 stays inside
    static constexpr float kSweepSeconds = 0.005f;
    static constexpr float kDefaultBaseDelaySeconds = 0.008f;
    // Longest delay the line is sized for: base delay 8 ms plus the full sweep at depth 0.5.
    static constexpr double kLongestDelaySeconds = 0.013;

    // sampleRate: the engine's internal rate (values below 1 are treated as 1). The three
    // per-tap rate factors (0.95..1.05) are drawn from `random` in tap order.
    Chorus(int sampleRate, Random& random);

    // LFO rate in hertz. Negative and NaN give 0, rates above half the sample rate are
    // clamped there (keeps the phase inside the table).
    void setRate(float hertz) noexcept;
    // Sweep depth, 0.5 sweeps each tap over 5 ms. NaN gives 0.
    void setDepth(float d) noexcept;
    void setBaseDelay(float seconds) noexcept;
    // Sets the tap phases to 0, 256 and 612 entries plus `cycles` whole table cycles
    // (0.25 cycles = a quarter period ahead). Values outside 0..1024 are wrapped into it.
    void setPhaseOffset(double cycles) noexcept;

    // n <= 0 does nothing; in and out may be the same array. Delays are clamped to what the
    // line holds, so any depth or base delay reads inside it. Silence in (+0) after a line
    // that holds only +0 costs little: the output is one value, the phases advance.
    void processBlock(float* out, const float* in, int n) noexcept;
    // processBlock on a left and a right unit, in place; the same results, cheaper when both
    // are silent.
    static void processStereo(Chorus& left, Chorus& right, float* l, float* r, int n) noexcept;

    double phase(int tap) const noexcept { return phases[static_cast<std::size_t>(tap)]; }
    float rateFactor(int tap) const noexcept { return rateFactors[static_cast<std::size_t>(tap)]; }
    float baseDelaySamples() const noexcept { return baseDelay; }
    std::uint32_t lineSize() const noexcept { return line.size(); }

    // The reads and the mix run eight samples at a time with AVX2 where the processor has it,
    // with the same bits. Chooses that kernel (or the baseline); false when AVX2 was asked for
    // and is missing. For tests and benchmarks; not while another thread renders.
    static bool useWideKernel(bool enabled) noexcept;

    // Shared sine table: entry j = sin(2 pi j / 1024) with pi taken as 3.141593.
    static const std::array<float, kSineTableSize>& sineTable() noexcept;

private:
    std::array<double, kTapCount> phaseSteps() const noexcept;
    // Counts the block into silentRun; true when it and the whole line are +0.
    bool takeSilence(const float* in, int n) noexcept;
    static void processSilence(Chorus* const* units, float* const* outs, const float* const* ins, int count,
                               int n) noexcept;
    static constexpr int kChunk = 64;
    template <int kChains, bool kKeep>
    static void advancePhases(double* ph, const double* step, float (*phaseAt)[kChunk], int m) noexcept;
    template <int kUnits>
    static void renderUnits(Chorus* const* units, float* const* outs, const float* const* ins, int n) noexcept;

    int sampleRate;
    double invSampleRate;
    std::array<double, kTapCount> phases{0.0, 256.0, 612.0};
    float rate = 0.1f;
    std::array<float, kTapCount> rateFactors{};
    float depth = 0.5f;
    float sweep;
    float baseDelay;
    float maxDelay; // largest delay whose four interpolation points lie inside the line
    DelayLine line;
    std::uint32_t silentRun; // how many of the latest samples written are +0 (at most the line's size)
};

} // namespace ostrel
