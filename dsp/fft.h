#pragma once

// Fourier transforms used once at load by the wave bank and by the editor's spectrum
// plot. Nothing here runs on the audio thread.
//
// The twiddle factors come from a sine evaluated with plain double arithmetic (a Taylor
// polynomial on one octant, symmetry for the rest) rather than the C library's sin, so the
// transforms give the same bits on every platform and compiler (with FMA contraction off).

namespace ostrel {

// In-place radix-2 complex transform of n points held as n interleaved (real, imaginary)
// doubles; n must be a power of two, 1 <= n <= 2^20.
// sign +1: forward, X[k] = sum_j x[j] e^(-2 pi i jk / n).
// sign -1: inverse, x[j] = (1/n) sum_k X[k] e^(+2 pi i jk / n).
// A forward then an inverse transform returns the input (up to rounding).
void fft(double* data, int n, int sign) noexcept;

// Forward transform of n real samples (n a power of two, 2 <= n <= 2^20);
// out[k] = 2 |X[k]| / n for k = 0 .. n/2 - 1 (out[0] is twice the mean, out[k] the amplitude
// of harmonic k). Allocates a scratch buffer; call it from the editor or at load only.
void magnitudeSpectrum(const float* in, float* out, int n);

// cos and sin of 2 pi k / n for a power of two n (n <= 2^20, any integer k), from the same
// deterministic evaluation the transforms use.
void unitRoot(long long k, int n, double& cosine, double& sine) noexcept;

} // namespace ostrel
