#include "dsp/gain_kernels.h"

#include "dsp/cpu_features.h"

#include <atomic>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ostrel {

namespace {

void applyGainRampBaseline(float* out, int from, int n, double start, double slope) noexcept
{
    for (int j = from; j < n; ++j)
        out[j] = static_cast<float>(static_cast<double>(out[j]) * (start + static_cast<double>(j) * slope));
}

void addRampedPannedBaseline(float* left, float* right, const float* in, int from, int n, double start, double slope,
                             float leftGain, float rightGain) noexcept
{
    for (int j = from; j < n; ++j) {
        const auto x = static_cast<float>(static_cast<double>(in[j]) * (start + static_cast<double>(j) * slope));
        left[j] += x * leftGain;
        right[j] += x * rightGain;
    }
}

#if defined(__GNUC__) && defined(__x86_64__)
#define OSTREL_GAIN_AVX2 1

[[gnu::target("avx2")]] void applyGainRampAvx2(float* out, int n, double start, double slope) noexcept
{
    const __m256d s = _mm256_set1_pd(start);
    const __m256d d = _mm256_set1_pd(slope);
    __m256d index = _mm256_setr_pd(0.0, 1.0, 2.0, 3.0);
    const __m256d four = _mm256_set1_pd(4.0);
    int j = 0;
    for (; j + 4 <= n; j += 4) {
        const __m256d gain = _mm256_add_pd(s, _mm256_mul_pd(index, d));
        const __m256d x = _mm256_cvtps_pd(_mm_loadu_ps(out + j));
        _mm_storeu_ps(out + j, _mm256_cvtpd_ps(_mm256_mul_pd(x, gain)));
        index = _mm256_add_pd(index, four); // exact: small whole numbers
    }
    applyGainRampBaseline(out, j, n, start, slope);
}

[[gnu::target("avx2")]] void addRampedPannedAvx2(float* left, float* right, const float* in, int n, double start,
                                                 double slope, float leftGain, float rightGain) noexcept
{
    const __m256d s = _mm256_set1_pd(start);
    const __m256d d = _mm256_set1_pd(slope);
    const __m256 gl = _mm256_set1_ps(leftGain);
    const __m256 gr = _mm256_set1_ps(rightGain);
    __m256d indexLow = _mm256_setr_pd(0.0, 1.0, 2.0, 3.0);
    __m256d indexHigh = _mm256_setr_pd(4.0, 5.0, 6.0, 7.0);
    const __m256d eight = _mm256_set1_pd(8.0);
    int j = 0;
    for (; j + 8 <= n; j += 8) {
        const __m256 v = _mm256_loadu_ps(in + j);
        const __m256d low = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(v)),
                                          _mm256_add_pd(s, _mm256_mul_pd(indexLow, d)));
        const __m256d high = _mm256_mul_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(v, 1)),
                                           _mm256_add_pd(s, _mm256_mul_pd(indexHigh, d)));
        const __m256 x = _mm256_set_m128(_mm256_cvtpd_ps(high), _mm256_cvtpd_ps(low));
        _mm256_storeu_ps(left + j, _mm256_add_ps(_mm256_loadu_ps(left + j), _mm256_mul_ps(x, gl)));
        _mm256_storeu_ps(right + j, _mm256_add_ps(_mm256_loadu_ps(right + j), _mm256_mul_ps(x, gr)));
        indexLow = _mm256_add_pd(indexLow, eight); // exact: small whole numbers
        indexHigh = _mm256_add_pd(indexHigh, eight);
    }
    addRampedPannedBaseline(left, right, in, j, n, start, slope, leftGain, rightGain);
}

#endif

// Which forms run; set once at start-up (tests may switch it).
std::atomic<bool> gUseAvx2{cpuHasAvx2()};

} // namespace

void applyGainRamp(float* out, int n, double start, double slope) noexcept
{
#ifdef OSTREL_GAIN_AVX2
    if (gUseAvx2.load(std::memory_order_relaxed)) {
        applyGainRampAvx2(out, n, start, slope);
        return;
    }
#endif
    applyGainRampBaseline(out, 0, n, start, slope);
}

void addRampedPanned(float* left, float* right, const float* in, int n, double start, double slope, float leftGain,
                     float rightGain) noexcept
{
#ifdef OSTREL_GAIN_AVX2
    if (gUseAvx2.load(std::memory_order_relaxed)) {
        addRampedPannedAvx2(left, right, in, n, start, slope, leftGain, rightGain);
        return;
    }
#endif
    addRampedPannedBaseline(left, right, in, 0, n, start, slope, leftGain, rightGain);
}

bool useWideGainKernels(bool enabled) noexcept
{
    const bool available = cpuHasAvx2();
    gUseAvx2.store(enabled && available, std::memory_order_relaxed);
    return !enabled || available;
}

} // namespace ostrel
