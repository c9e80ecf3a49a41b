#pragma once

namespace ostrel {

// Block kernels of a voice's output stage. Each has a baseline form and an AVX2 form chosen at
// run time where the processor has it; both give the same bits (the same operations per
// sample, no FMA).

// out[j] = out[j] * (start + j * slope), the gain of sample j and the product formed in double,
// for j = 0..n-1: a linear gain ramp.
void applyGainRamp(float* out, int n, double start, double slope) noexcept;

// applyGainRamp on in, then the result panned into the stereo sum, in one pass and without
// writing in back: with x[j] the ramped sample (rounded to float), left[j] += x[j] * leftGain
// and right[j] += x[j] * rightGain in single precision. A ramp of 1 throughout (start 1, slope
// 0) is an exact no-op, which leaves the plain pan.
void addRampedPanned(float* left, float* right, const float* in, int n, double start, double slope, float leftGain,
                     float rightGain) noexcept;

// Chooses the AVX2 forms (where available) or the baseline ones; false when AVX2 was asked for
// and is missing. For tests; not while another thread renders.
bool useWideGainKernels(bool enabled) noexcept;

} // namespace ostrel
