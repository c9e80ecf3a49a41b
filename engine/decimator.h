#pragma once

#include <array>
#include <vector>

namespace ostrel {

// 2:1 decimating low-pass for one channel: a symmetric 39-tap FIR whose output m is centred on
// input sample 2m - 20 of the current call (a delay of 10 output samples). The last 40 input
// samples are kept from call to call, so splitting a stream into calls of any sizes gives the
// same output.
class Decimator {
public:
    static constexpr int kTaps = 39;
    static constexpr int kHalfTaps = 19;
    static constexpr int kHistory = 40;
    static constexpr int kMaxOutput = 8192; // output samples per call

    // The centre tap, and taps 1..19 either side of it.
    static constexpr double kCentre = 0.42754;
    static const std::array<float, kHalfTaps + 1> kSideTaps; // index 0 unused

    Decimator();

    // Reads in[0 .. 2n-1] and writes out[0 .. n-1]; n is 0..kMaxOutput (larger n are cut there).
    void decimate(float* out, const float* in, int n) noexcept;

    void reset() noexcept;

    // The filter runs eight outputs at a time with AVX2 where the processor has it, with the same
    // bits. Chooses that kernel (or the baseline); false when AVX2 was asked for and is missing.
    // For tests; not while another thread renders.
    static bool useWideKernel(bool enabled) noexcept;
    const float* history() const noexcept { return work.data(); }

private:
    std::vector<float> work;   // history followed by the new input, kHistory + 2 * kMaxOutput + 128
    std::vector<double> sums;  // running sums of the outputs, kMaxOutput
    std::vector<float> phases; // the window's even samples, then its odd ones (AVX2 kernel)
};

} // namespace ostrel
