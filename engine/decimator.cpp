#include "engine/decimator.h"

#include "dsp/cpu_features.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ostrel {

namespace {

// Whether the n floats all have the bits of the first.
bool sameBitsThroughout(const float* x, int n) noexcept
{
    std::uint32_t first = 0;
    std::memcpy(&first, x, sizeof first);
    std::uint32_t differ = 0;
    for (int i = 1; i < n; ++i) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, x + i, sizeof bits);
        differ |= bits ^ first;
    }
    return differ == 0;
}

#if defined(__GNUC__) && defined(__x86_64__)
#define OSTREL_DECIMATOR_AVX2 1

// The filter of decimate for the window w (40 + 2n samples), eight outputs at a time: the even
// and the odd samples of the window apart first, so that each tap's pairs for eight outputs lie
// side by side; each output is summed with the same operations in the same order as below.
[[gnu::target("avx2")]] void decimateAvx2(float* out, const float* w, int n, float* even, float* odd) noexcept
{
    const int half = Decimator::kHistory / 2 + n;
    for (int i = 0; i < half; ++i) {
        even[i] = w[2 * i];
        odd[i] = w[2 * i + 1];
    }
    // Output m: centre w[2m + 20] = even[m + 10]; the pair d lies in even (d even) or odd
    // (d odd) at m + 10 -+ d / 2, rounded towards the centre for odd d.
    int m = 0;
    for (; m + 8 <= n; m += 8) {
        const float* e = even + m + 10;
        const float* o = odd + m + 10;
        const __m256d c0 = _mm256_set1_pd(Decimator::kCentre);
        __m256d low = _mm256_mul_pd(c0, _mm256_cvtps_pd(_mm_loadu_ps(e)));
        __m256d high = _mm256_mul_pd(c0, _mm256_cvtps_pd(_mm_loadu_ps(e + 4)));
#pragma GCC unroll 19
        for (int d = 1; d <= Decimator::kHalfTaps; ++d) {
            const float* before = d % 2 == 0 ? e - d / 2 : o - (d + 1) / 2;
            const float* after = d % 2 == 0 ? e + d / 2 : o + (d - 1) / 2;
            const __m256 pair = _mm256_add_ps(_mm256_loadu_ps(before), _mm256_loadu_ps(after));
            const __m256d c = _mm256_set1_pd(static_cast<double>(Decimator::kSideTaps[static_cast<std::size_t>(d)]));
            low = _mm256_add_pd(low, _mm256_mul_pd(c, _mm256_cvtps_pd(_mm256_castps256_ps128(pair))));
            high = _mm256_add_pd(high, _mm256_mul_pd(c, _mm256_cvtps_pd(_mm256_extractf128_ps(pair, 1))));
        }
        _mm256_storeu_ps(out + m, _mm256_set_m128(_mm256_cvtpd_ps(high), _mm256_cvtpd_ps(low)));
    }
    for (; m < n; ++m) {
        const float* centre = w + 20 + 2 * m;
        double sum = Decimator::kCentre * static_cast<double>(centre[0]);
        for (int d = 1; d <= Decimator::kHalfTaps; ++d)
            sum += static_cast<double>(Decimator::kSideTaps[static_cast<std::size_t>(d)])
                * static_cast<double>(centre[-d] + centre[d]);
        out[m] = static_cast<float>(sum);
    }
}

#endif

// Which kernel runs; set once at start-up (tests may switch it).
std::atomic<bool> gUseAvx2{cpuHasAvx2()};

} // namespace

bool Decimator::useWideKernel(bool enabled) noexcept
{
    const bool available = cpuHasAvx2();
    gUseAvx2.store(enabled && available, std::memory_order_relaxed);
    return !enabled || available;
}

const std::array<float, Decimator::kHalfTaps + 1> Decimator::kSideTaps = {
    0.0f,        0.30793f,   0.068129f,  -0.077129f, -0.056351f,   0.021877f,   0.0403f,
    0.0016152f,  -0.023931f, -0.010053f, 0.010598f,  0.010143f,    -0.0020682f, -0.0065555f,
    -0.0017174f, 0.0025658f, 0.001092f,  0.000155f,  -0.00048087f, -0.00019483f};

Decimator::Decimator()
    : work(static_cast<std::size_t>(kHistory + 2 * kMaxOutput + 128), 0.0f),
      sums(static_cast<std::size_t>(kMaxOutput), 0.0),
      phases(static_cast<std::size_t>(kHistory + 2 * kMaxOutput), 0.0f)
{ }

void Decimator::reset() noexcept
{
    std::fill(work.begin(), work.end(), 0.0f);
}

void Decimator::decimate(float* out, const float* in, int n) noexcept
{
    n = std::clamp(n, 0, kMaxOutput);
    if (n == 0)
        return;
    float* w = work.data();
    std::memcpy(w + kHistory, in, static_cast<std::size_t>(2 * n) * sizeof(float));
    if (sameBitsThroughout(w, kHistory + 2 * n)) {
        // Silence (or any constant): every output sees the same samples, so every output is
        // the first one, summed as below.
        double sum = kCentre * static_cast<double>(w[20]);
        for (int d = 1; d <= kHalfTaps; ++d)
            sum += static_cast<double>(kSideTaps[static_cast<std::size_t>(d)])
                * static_cast<double>(w[20 - d] + w[20 + d]);
        std::fill_n(out, n, static_cast<float>(sum));
        return; // the history is 40 of these same samples already
    }
#ifdef OSTREL_DECIMATOR_AVX2
    if (gUseAvx2.load(std::memory_order_relaxed)) {
        decimateAvx2(out, w, n, phases.data(), phases.data() + phases.size() / 2);
        std::memmove(w, w + 2 * n, static_cast<std::size_t>(kHistory) * sizeof(float));
        return;
    }
#endif
    // Each output is c0 * centre + c1 * (pair 1) + ... + c19 * (pair 19), summed in that order;
    // the taps run in the outer loop so the outputs of a call are summed side by side.
    double* sum = sums.data();
    const float* centre = w + 20;
    for (int m = 0; m < n; ++m)
        sum[m] = kCentre * static_cast<double>(centre[2 * m]);
    for (int d = 1; d <= kHalfTaps; ++d) {
        const double c = static_cast<double>(kSideTaps[static_cast<std::size_t>(d)]);
        const float* before = centre - d;
        const float* after = centre + d;
        for (int m = 0; m < n; ++m)
            sum[m] += c * static_cast<double>(before[2 * m] + after[2 * m]);
    }
    for (int m = 0; m < n; ++m)
        out[m] = static_cast<float>(sum[m]);
    // The last 40 samples become the history of the next call.
    std::memmove(w, w + 2 * n, static_cast<std::size_t>(kHistory) * sizeof(float));
}

} // namespace ostrel
