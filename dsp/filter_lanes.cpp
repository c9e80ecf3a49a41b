// Side-by-side runner of multimode filters. The filter's feedback path is one long chain of
// dependent operations per sample, so a single filter keeps the processor waiting on
// latencies; running several filters' chains in the same loop keeps it busy. Every filter
// still sees exactly the operations of the single filter, in the same order.
#include "dsp/filter_lanes.h"

#include "dsp/cpu_features.h"
#include "dsp/filter_design.h"
#include "dsp/rounding.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ostrel {

using namespace filter_design;

namespace {

// Filters run together at most: one loop over 32 lanes keeps four independent 8-lane chains in
// flight, so the processor overlaps their latencies.
constexpr int kLanes = 32;
constexpr int kMaxSamples = kFilterLanesMaxBlock;

// Per-lane state of a group of L filters of one structure while their block runs. Unused
// lanes run on silence and are not written back.
template <int L>
struct LaneState {
    // Left uninitialised: the runner fills every lane it uses and zeroes the others.
    double g[L], dg[L], k[L], dk[L], w1[L], w2[L], w3[L], w4[L];
    double s1[L], s2[L], s3[L], s4[L], d[L];
    std::uint32_t seed[L];
    float data[kMaxSamples][L]; // sample-major, so each step of the lanes is contiguous
};

// The sample loop of the filter for L filters side by side, in three steps per sample. Each
// short loop over the lanes does one step of the single filter for every lane, so it
// compiles to vector instructions; the arithmetic of each filter is unchanged, operation by
// operation.

// Input with its dither: u = in * inputGain + seed * 5e-13.
template <int L>
[[gnu::always_inline]] inline void laneInputs(LaneState<L>& st, int j, double* u) noexcept
{
    for (int l = 0; l < L; ++l) {
        st.seed[l] = NoiseSeed::next(st.seed[l]);
        u[l] = static_cast<double>(st.data[j][l]) * kInputGain
            + static_cast<double>(static_cast<std::int32_t>(st.seed[l])) * kDitherScale;
    }
}

// tanh(drive * (y4 - share * u)) from the table, the argument clamped to its ends and counted
// from its centre entry.
template <int L>
[[gnu::always_inline]] inline void laneSaturation(const LaneState<L>& st, const double* u, const float* saturation,
                                                  float* sat) noexcept
{
    const double A = kSaturationA;
    const double B = kSaturationB;
    for (int l = 0; l < L; ++l) {
        const float zz = static_cast<float>(A * st.s4[l] + B * u[l]);
        const float z = std::min(kSaturationHigh, std::max(kSaturationLow, zz));
        const int idx = floorToInt(z);
        const float phi = z - static_cast<float>(idx);
        sat[l] = (1.0f - phi) * saturation[idx] + phi * saturation[idx + 1];
    }
}

// The four stages and the output mix. kLastOnly: every lane mixes the last stage alone (the
// full low-pass forms; w1 = w2 = w3 = 0), so the output is w4 * s4: the same value as the whole
// sum, since the three zero products add to a zero and s4 is never -0.
template <bool kThreePole, bool kLastOnly, int L>
[[gnu::always_inline]] inline void laneStages(LaneState<L>& st, int j, const double* u, const float* sat) noexcept
{
    for (int l = 0; l < L; ++l) {
        const double x0 = u[l] - st.k[l] * static_cast<double>(sat[l]);
        if (kThreePole) {
            st.s1[l] = x0;
            st.s2[l] = st.s2[l] + st.g[l] * (0.75 * x0 + 0.25 * st.d[l] - st.s2[l]);
        } else {
            st.s1[l] = st.s1[l] + st.g[l] * (x0 - st.s1[l]);
            st.s2[l] = st.s2[l] + st.g[l] * (0.5 * (st.s1[l] + st.d[l]) - st.s2[l]);
        }
        st.d[l] = st.s1[l];
        st.s3[l] = st.s3[l] + st.g[l] * (st.s2[l] - st.s3[l]);
        st.s4[l] = st.s4[l] + st.g[l] * (st.s3[l] - st.s4[l]);
        if (kLastOnly)
            st.data[j][l] = static_cast<float>(st.w4[l] * st.s4[l]);
        else
            st.data[j][l] = static_cast<float>(st.w1[l] * st.s1[l] + st.w2[l] * st.s2[l] + st.w3[l] * st.s3[l]
                                               + st.w4[l] * st.s4[l]);
        st.g[l] += st.dg[l];
        st.k[l] += st.dk[l];
    }
}

// The lanes' samples into the sample-major block (unused lanes get silence), and back.
template <int L>
[[gnu::always_inline]] inline void loadSamples(LaneState<L>& st, float* const* buffers, int lanes, int firstLane,
                                               int firstSample, int n) noexcept
{
    for (int l = firstLane; l < lanes; ++l) {
        for (int j = firstSample; j < n; ++j)
            st.data[j][l] = buffers[l][j];
    }
}

template <int L>
[[gnu::always_inline]] inline void storeSamples(const LaneState<L>& st, float* const* buffers, int lanes, int firstLane,
                                                int firstSample, int n) noexcept
{
    for (int l = firstLane; l < lanes; ++l) {
        for (int j = firstSample; j < n; ++j)
            buffers[l][j] = st.data[j][l];
    }
}

template <int L>
[[gnu::always_inline]] inline void silenceUnusedLanes(LaneState<L>& st, int lanes, int n) noexcept
{
    for (int l = lanes; l < L; ++l) {
        for (int j = 0; j < n; ++j)
            st.data[j][l] = 0.0f;
    }
}

template <bool kThreePole, bool kLastOnly, int L>
void filterLanesBaseline(LaneState<L>& st, float* const* buffers, int lanes, int n, const float* saturation) noexcept
{
    loadSamples<L>(st, buffers, lanes, 0, 0, n);
    silenceUnusedLanes<L>(st, lanes, n);
    for (int j = 0; j < n; ++j) {
        double u[L];
        float sat[L];
        laneInputs<L>(st, j, u);
        laneSaturation<L>(st, u, saturation, sat);
        laneStages<kThreePole, kLastOnly, L>(st, j, u, sat);
    }
    storeSamples<L>(st, buffers, lanes, 0, 0, n);
}

#if defined(__GNUC__) && defined(__x86_64__)
#define OSTREL_FILTER_AVX2 1

// The saturation table's entries idx and idx + 1 of four lanes, as a and b. Plain loads rather
// than gathers (gathers are slow on some processors and were no faster here): each pair in one
// 64-bit load, copied rather than read through a double pointer as it lies at any float
// position, then split.
[[gnu::target("avx2"), gnu::always_inline]] inline void saturationPairs(const float* table, std::uint32_t i0,
                                                                        std::uint32_t i1, std::uint32_t i2,
                                                                        std::uint32_t i3, __m128& a, __m128& b) noexcept
{
    const auto pair = [table](std::uint32_t first, std::uint32_t second) {
        double v;
        std::memcpy(&v, table + first, sizeof v);
        return _mm_loadh_pi(_mm_castpd_ps(_mm_set_sd(v)), reinterpret_cast<const __m64*>(table + second));
    };
    const __m128 p01 = pair(i0, i1), p23 = pair(i2, i3);
    a = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(2, 0, 2, 0));
    b = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(3, 1, 3, 1));
}

// laneSaturation for eight lanes in AVX2 instructions: the same conversions, comparisons and
// float arithmetic per lane (max/min pick exactly as the scalar clamp, also for NaN).
template <int L>
[[gnu::target("avx2"), gnu::always_inline]] inline void
laneSaturationAvx2(const LaneState<L>& st, int first, const double* u, const float* saturation, float* sat) noexcept
{
    const __m256d A = _mm256_set1_pd(kSaturationA);
    const __m256d B = _mm256_set1_pd(kSaturationB);
    const double* s4 = st.s4 + first;
    u += first;
    sat += first;
    const __m256d zLow = _mm256_add_pd(_mm256_mul_pd(A, _mm256_loadu_pd(s4)), _mm256_mul_pd(B, _mm256_loadu_pd(u)));
    const __m256d zHigh =
        _mm256_add_pd(_mm256_mul_pd(A, _mm256_loadu_pd(s4 + 4)), _mm256_mul_pd(B, _mm256_loadu_pd(u + 4)));
    __m256 z = _mm256_set_m128(_mm256_cvtpd_ps(zHigh), _mm256_cvtpd_ps(zLow));
    z = _mm256_min_ps(_mm256_max_ps(z, _mm256_set1_ps(kSaturationLow)), _mm256_set1_ps(kSaturationHigh));
    // floor(z) exactly, so its conversion to an integer is exact too.
    const __m256 whole = _mm256_round_ps(z, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    // Entries counted from the table's start: never negative, so the indices need no sign
    // extension on their way to addresses.
    const __m256i idx =
        _mm256_add_epi32(_mm256_cvttps_epi32(whole), _mm256_set1_epi32(FilterTables::kSaturationCentre));
    const __m256 phi = _mm256_sub_ps(z, whole);
    const float* table = saturation - FilterTables::kSaturationCentre;
    alignas(32) std::uint32_t at[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), idx);
    __m128 aLow, bLow, aHigh, bHigh;
    saturationPairs(table, at[0], at[1], at[2], at[3], aLow, bLow);
    saturationPairs(table, at[4], at[5], at[6], at[7], aHigh, bHigh);
    const __m256 a = _mm256_set_m128(aHigh, aLow);
    const __m256 b = _mm256_set_m128(bHigh, bLow);
    const __m256 value =
        _mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(_mm256_set1_ps(1.0f), phi), a), _mm256_mul_ps(phi, b));
    _mm256_storeu_ps(sat, value);
}

// The same loop compiled for AVX2, chosen at run time where the processor has it. No FMA:
// the same bits as the baseline.
// Transposes eight rows of eight floats.
[[gnu::target("avx2"), gnu::always_inline]] inline void transpose8(__m256* r) noexcept
{
    const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]), t1 = _mm256_unpackhi_ps(r[0], r[1]);
    const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]), t3 = _mm256_unpackhi_ps(r[2], r[3]);
    const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]), t5 = _mm256_unpackhi_ps(r[4], r[5]);
    const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]), t7 = _mm256_unpackhi_ps(r[6], r[7]);
    const __m256 u0 = _mm256_shuffle_ps(t0, t2, 0x44), u1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    const __m256 u2 = _mm256_shuffle_ps(t1, t3, 0x44), u3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    const __m256 u4 = _mm256_shuffle_ps(t4, t6, 0x44), u5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    const __m256 u6 = _mm256_shuffle_ps(t5, t7, 0x44), u7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    r[0] = _mm256_permute2f128_ps(u0, u4, 0x20);
    r[1] = _mm256_permute2f128_ps(u1, u5, 0x20);
    r[2] = _mm256_permute2f128_ps(u2, u6, 0x20);
    r[3] = _mm256_permute2f128_ps(u3, u7, 0x20);
    r[4] = _mm256_permute2f128_ps(u0, u4, 0x31);
    r[5] = _mm256_permute2f128_ps(u1, u5, 0x31);
    r[6] = _mm256_permute2f128_ps(u2, u6, 0x31);
    r[7] = _mm256_permute2f128_ps(u3, u7, 0x31);
}

// loadSamples and storeSamples by 8 x 8 tiles where whole tiles of used lanes exist; the
// rest element by element.
template <int L>
[[gnu::target("avx2"), gnu::always_inline]] inline void loadSamplesAvx2(LaneState<L>& st, float* const* buffers,
                                                                        int lanes, int n) noexcept
{
    const int tiledLanes = L % 8 == 0 ? lanes & ~7 : 0;
    const int tiledSamples = n & ~7;
    if constexpr (L % 8 == 0) {
        for (int l = 0; l < tiledLanes; l += 8) {
            for (int j = 0; j < tiledSamples; j += 8) {
                __m256 r[8];
                for (int i = 0; i < 8; ++i)
                    r[i] = _mm256_loadu_ps(buffers[l + i] + j);
                transpose8(r);
                for (int i = 0; i < 8; ++i)
                    _mm256_storeu_ps(&st.data[j + i][l], r[i]);
            }
            for (int i = 0; i < 8; ++i) {
                for (int j = tiledSamples; j < n; ++j)
                    st.data[j][l + i] = buffers[l + i][j];
            }
        }
    }
    loadSamples<L>(st, buffers, lanes, tiledLanes, 0, n);
}

template <int L>
[[gnu::target("avx2"), gnu::always_inline]] inline void storeSamplesAvx2(const LaneState<L>& st, float* const* buffers,
                                                                         int lanes, int n) noexcept
{
    const int tiledLanes = L % 8 == 0 ? lanes & ~7 : 0;
    const int tiledSamples = n & ~7;
    if constexpr (L % 8 == 0) {
        for (int l = 0; l < tiledLanes; l += 8) {
            for (int j = 0; j < tiledSamples; j += 8) {
                __m256 r[8];
                for (int i = 0; i < 8; ++i)
                    r[i] = _mm256_loadu_ps(&st.data[j + i][l]);
                transpose8(r);
                for (int i = 0; i < 8; ++i)
                    _mm256_storeu_ps(buffers[l + i] + j, r[i]);
            }
            for (int i = 0; i < 8; ++i) {
                for (int j = tiledSamples; j < n; ++j)
                    buffers[l + i][j] = st.data[j][l + i];
            }
        }
    }
    storeSamples<L>(st, buffers, lanes, tiledLanes, 0, n);
}

// One sample of a group of eight lanes, as two units of four in lockstep, every step in
// registers: each step is written for both units before the next, so the two chains sit side
// by side in the instruction stream, and the state is read and written once per sample (the
// delayed first stage is the first stage before this sample, `delayed`, not stored apart). For
// a group this small that beats the step-by-step passes over the lanes, whose stores and loads
// lie on its one chain. The operations per lane are those of laneInputs, laneSaturation and
// laneStages, in the same order.
template <bool kThreePole, bool kLastOnly>
[[gnu::target("avx2"), gnu::always_inline]] inline void laneStepAvx2(LaneState<8>& st, int j, const double* delayed,
                                                                     const float* table) noexcept
{
    constexpr int G = 2;
    __m256d u[G], s4[G];
    __m128 sat[G];
    __m256i seed = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(st.seed));
    seed = _mm256_add_epi32(_mm256_mullo_epi32(seed, _mm256_set1_epi32(static_cast<int>(NoiseSeed::kMultiplier))),
                            _mm256_set1_epi32(static_cast<int>(NoiseSeed::kIncrement)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(st.seed), seed);
    for (int h = 0; h < G; ++h) {
        const __m128i part = h == 0 ? _mm256_castsi256_si128(seed) : _mm256_extracti128_si256(seed, 1);
        const __m256d in = _mm256_cvtps_pd(_mm_loadu_ps(&st.data[j][4 * h]));
        u[h] = _mm256_add_pd(_mm256_mul_pd(in, _mm256_set1_pd(kInputGain)),
                             _mm256_mul_pd(_mm256_cvtepi32_pd(part), _mm256_set1_pd(kDitherScale)));
    }
    __m128 z[G];
    for (int h = 0; h < G; ++h) {
        s4[h] = _mm256_loadu_pd(st.s4 + 4 * h);
        z[h] = _mm256_cvtpd_ps(_mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(kSaturationA), s4[h]),
                                             _mm256_mul_pd(_mm256_set1_pd(kSaturationB), u[h])));
    }
    for (int h = 0; h < G; ++h) {
        const __m128 zc = _mm_min_ps(_mm_max_ps(z[h], _mm_set1_ps(kSaturationLow)), _mm_set1_ps(kSaturationHigh));
        const __m128 whole = _mm_round_ps(zc, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
        const __m128i idx = _mm_add_epi32(_mm_cvttps_epi32(whole), _mm_set1_epi32(FilterTables::kSaturationCentre));
        const __m128 phi = _mm_sub_ps(zc, whole);
        __m128 a, b;
        saturationPairs(table, static_cast<std::uint32_t>(_mm_cvtsi128_si32(idx)),
                        static_cast<std::uint32_t>(_mm_extract_epi32(idx, 1)),
                        static_cast<std::uint32_t>(_mm_extract_epi32(idx, 2)),
                        static_cast<std::uint32_t>(_mm_extract_epi32(idx, 3)), a, b);
        sat[h] = _mm_add_ps(_mm_mul_ps(_mm_sub_ps(_mm_set1_ps(1.0f), phi), a), _mm_mul_ps(phi, b));
    }
    __m256d g[G], s1[G], s2[G], s3[G];
    for (int h = 0; h < G; ++h) {
        const int l = 4 * h;
        g[h] = _mm256_loadu_pd(st.g + l);
        const __m256d k = _mm256_loadu_pd(st.k + l);
        const __m256d x0 = _mm256_sub_pd(u[h], _mm256_mul_pd(k, _mm256_cvtps_pd(sat[h])));
        _mm256_storeu_pd(st.k + l, _mm256_add_pd(k, _mm256_loadu_pd(st.dk + l)));
        const __m256d d = _mm256_loadu_pd(delayed + l);
        s2[h] = _mm256_loadu_pd(st.s2 + l);
        if constexpr (kThreePole) {
            s1[h] = x0;
            const __m256d mix =
                _mm256_add_pd(_mm256_mul_pd(_mm256_set1_pd(0.75), x0), _mm256_mul_pd(_mm256_set1_pd(0.25), d));
            s2[h] = _mm256_add_pd(s2[h], _mm256_mul_pd(g[h], _mm256_sub_pd(mix, s2[h])));
        } else {
            s1[h] = _mm256_loadu_pd(st.s1 + l);
            s1[h] = _mm256_add_pd(s1[h], _mm256_mul_pd(g[h], _mm256_sub_pd(x0, s1[h])));
            const __m256d mix = _mm256_mul_pd(_mm256_set1_pd(0.5), _mm256_add_pd(s1[h], d));
            s2[h] = _mm256_add_pd(s2[h], _mm256_mul_pd(g[h], _mm256_sub_pd(mix, s2[h])));
        }
        _mm256_storeu_pd(st.s1 + l, s1[h]);
        _mm256_storeu_pd(st.s2 + l, s2[h]);
    }
    for (int h = 0; h < G; ++h) {
        const int l = 4 * h;
        s3[h] = _mm256_loadu_pd(st.s3 + l);
        s3[h] = _mm256_add_pd(s3[h], _mm256_mul_pd(g[h], _mm256_sub_pd(s2[h], s3[h])));
        _mm256_storeu_pd(st.s3 + l, s3[h]);
    }
    for (int h = 0; h < G; ++h) {
        const int l = 4 * h;
        s4[h] = _mm256_add_pd(s4[h], _mm256_mul_pd(g[h], _mm256_sub_pd(s3[h], s4[h])));
        _mm256_storeu_pd(st.s4 + l, s4[h]);
        __m256d y;
        if constexpr (kLastOnly) {
            y = _mm256_mul_pd(_mm256_loadu_pd(st.w4 + l), s4[h]);
        } else {
            y = _mm256_add_pd(_mm256_mul_pd(_mm256_loadu_pd(st.w1 + l), s1[h]),
                              _mm256_mul_pd(_mm256_loadu_pd(st.w2 + l), s2[h]));
            y = _mm256_add_pd(y, _mm256_mul_pd(_mm256_loadu_pd(st.w3 + l), s3[h]));
            y = _mm256_add_pd(y, _mm256_mul_pd(_mm256_loadu_pd(st.w4 + l), s4[h]));
        }
        _mm_storeu_ps(&st.data[j][l], _mm256_cvtpd_ps(y));
        _mm256_storeu_pd(st.g + l, _mm256_add_pd(g[h], _mm256_loadu_pd(st.dg + l)));
    }
}

template <bool kThreePole, bool kLastOnly, int L>
[[gnu::target("avx2")]] void filterLanesAvx2(LaneState<L>& st, float* const* buffers, int lanes, int n,
                                             const float* saturation) noexcept
{
    loadSamplesAvx2<L>(st, buffers, lanes, n);
    silenceUnusedLanes<L>(st, lanes, n);
    if constexpr (L == 8) {
        const float* table = saturation - FilterTables::kSaturationCentre;
        // The delayed first stage is d at the block's start, then the first stage of the sample
        // before; so after the last sample d is the first stage.
        for (int j = 0; j < n; ++j)
            laneStepAvx2<kThreePole, kLastOnly>(st, j, j == 0 ? st.d : st.s1, table);
        std::copy_n(st.s1, L, st.d);
        storeSamplesAvx2<L>(st, buffers, lanes, n);
        return;
    }
    for (int j = 0; j < n; ++j) {
        double u[L];
        float sat[L];
        laneInputs<L>(st, j, u);
        if constexpr (L % 8 == 0) {
            for (int l = 0; l < L; l += 8)
                laneSaturationAvx2<L>(st, l, u, saturation, sat);
        } else {
            laneSaturation<L>(st, u, saturation, sat);
        }
        laneStages<kThreePole, kLastOnly, L>(st, j, u, sat);
    }
    storeSamplesAvx2<L>(st, buffers, lanes, n);
}

#endif

// Which kernel runs; set once at start-up (tests may switch it).
std::atomic<bool> gUseAvx2{cpuHasAvx2()};

} // namespace

// One group of up to L filters of the same structure, run sample by sample side by side.
struct FilterLaneRunner {
    template <bool kThreePole, bool kLastOnly, int L>
    static void runKernel(LaneState<L>& st, float* const* buffers, int lanes, int n, const float* saturation) noexcept
    {
#ifdef OSTREL_FILTER_AVX2
        if (gUseAvx2.load(std::memory_order_relaxed))
            filterLanesAvx2<kThreePole, kLastOnly, L>(st, buffers, lanes, n, saturation);
        else
#endif
            filterLanesBaseline<kThreePole, kLastOnly, L>(st, buffers, lanes, n, saturation);
    }

    template <bool kThreePole, int L>
    static void run(FilterState* const* filters, float* const* buffers, const std::uint32_t* seeds, int lanes,
                    int n) noexcept
    {
        const float* saturation = filters[0]->tables->saturation->data() + FilterTables::kSaturationCentre;
        LaneState<L> st;
        for (int l = lanes; l < L; ++l) {
            st.g[l] = st.dg[l] = st.k[l] = st.dk[l] = 0.0;
            st.w1[l] = st.w2[l] = st.w3[l] = st.w4[l] = 0.0;
            st.s1[l] = st.s2[l] = st.s3[l] = st.s4[l] = st.d[l] = 0.0;
            st.seed[l] = 0;
        }
        for (int l = 0; l < lanes; ++l) {
            FilterState& f = *filters[l];
            const BlockRamps ramps = f.ramps(n);
            st.g[l] = ramps.g;
            st.dg[l] = ramps.dg;
            st.k[l] = ramps.k;
            st.dk[l] = ramps.dk;
            st.w1[l] = ramps.w1;
            st.w2[l] = ramps.w2;
            st.w3[l] = ramps.w3;
            st.w4[l] = ramps.w4;
            st.s1[l] = f.y1;
            st.s2[l] = f.y2;
            st.s3[l] = f.y3;
            st.s4[l] = f.y4;
            st.d[l] = f.delayed;
            st.seed[l] = seeds[l];
        }

        bool lastOnly = true;
        for (int l = 0; l < lanes; ++l)
            lastOnly = lastOnly && st.w1[l] == 0.0 && st.w2[l] == 0.0 && st.w3[l] == 0.0;
        if (lastOnly)
            runKernel<kThreePole, true, L>(st, buffers, lanes, n, saturation);
        else
            runKernel<kThreePole, false, L>(st, buffers, lanes, n, saturation);

        for (int l = 0; l < lanes; ++l) {
            FilterState& f = *filters[l];
            f.endBlock(st.s1[l], st.s2[l], st.s3[l], st.s4[l], st.d[l]);
        }
    }

    template <bool kThreePole>
    static void runGroup(FilterState* const* filters, float* const* buffers, const std::uint32_t* seeds, int lanes,
                         int n) noexcept
    {
        if (lanes == 1)
            run<kThreePole, 1>(filters, buffers, seeds, lanes, n);
        else if (lanes <= 4)
            run<kThreePole, 4>(filters, buffers, seeds, lanes, n);
        else if (lanes <= 8)
            run<kThreePole, 8>(filters, buffers, seeds, lanes, n);
        else if (lanes <= 16)
            run<kThreePole, 16>(filters, buffers, seeds, lanes, n);
        else
            run<kThreePole, kLanes>(filters, buffers, seeds, lanes, n);
    }
};

void runFilterLanes(FilterState* const* filters, float* const* buffers, int count, int n, NoiseSeed& dither) noexcept
{
    if (count <= 0 || n <= 0 || n > kMaxSamples)
        return;

    // Each filter starts where the previous one in the given order would have left the
    // shared dither sequence: filter v starts v blocks of n steps after the shared seed. The
    // starts form two interleaved chains (even and odd filters), two blocks apart.
    const NoiseSeed::Skip block = NoiseSeed::skip(n);
    const NoiseSeed::Skip twoBlocks = NoiseSeed::skip(2 * n);

    // Group by structure, then run the groups kLanes filters at a time. Most blocks have one
    // structure only; the second pass is skipped when no filter has it.
    bool structures[2] = {false, false};
    for (int v = 0; v < count; ++v)
        structures[filters[v]->threePole() ? 1 : 0] = true;
    for (const bool threePole : {false, true}) {
        if (!structures[threePole ? 1 : 0])
            continue;
        std::array<FilterState*, kLanes> groupFilters;
        std::array<float*, kLanes> groupBuffers;
        std::array<std::uint32_t, kLanes> groupSeeds;
        int lanes = 0;
        const auto flush = [&] {
            if (lanes == 0)
                return;
            if (threePole)
                FilterLaneRunner::runGroup<true>(groupFilters.data(), groupBuffers.data(), groupSeeds.data(), lanes, n);
            else
                FilterLaneRunner::runGroup<false>(groupFilters.data(), groupBuffers.data(), groupSeeds.data(), lanes,
                                                  n);
            lanes = 0;
        };
        std::uint32_t even = dither.value;
        std::uint32_t odd = block.apply(even);
        for (int v = 0; v < count; ++v) {
            const std::uint32_t seed = (v & 1) == 0 ? even : odd;
            if ((v & 1) != 0) {
                even = twoBlocks.apply(even);
                odd = twoBlocks.apply(odd);
            }
            if (filters[v]->threePole() != threePole)
                continue;
            const auto l = static_cast<std::size_t>(lanes++);
            groupFilters[l] = filters[v];
            groupBuffers[l] = buffers[v];
            groupSeeds[l] = seed;
            if (lanes == kLanes)
                flush();
        }
        flush();
    }
    dither.value = NoiseSeed::skip(n * count).apply(dither.value);
}

bool selectFilterLanesKernel(bool avx2) noexcept
{
    const bool available = cpuHasAvx2();
    gUseAvx2.store(avx2 && available, std::memory_order_relaxed);
    return !avx2 || available;
}

} // namespace ostrel
