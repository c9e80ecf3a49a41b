#pragma once

namespace ostrel {

// Block kernels of a voice's output stage. Each has a baseline form and an AVX2 form chosen at
// run time where the processor has it; both give the same bits (the same operations per
// sample, no FMA).

// out[j] = out[j] * (start + j * slope), the gain of sample j and the product formed in double,
// for j = 0..n-1: a linear gain ramp.
void applyGainRamp(float* out, int n, double start, double slope) noexcept;

// left[j] += in[j] * leftGain and right[j] += in[j] * rightGain, in single precision.
void addPanned(float* left, float* right, const float* in, int n, float leftGain, float rightGain) noexcept;

// applyGainRamp on in, then addPanned of the result, in one pass and without writing in back:
// the same bits as the two in turn.
void addRampedPanned(float* left, float* right, const float* in, int n, double start, double slope, float leftGain,
                     float rightGain) noexcept;

// Chooses the AVX2 forms (where available) or the baseline ones; false when AVX2 was asked for
// and is missing. For tests; not while another thread renders.
bool useWideGainKernels(bool enabled) noexcept;

} // namespace ostrel
