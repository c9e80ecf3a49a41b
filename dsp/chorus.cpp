#include "dsp/chorus.h"

#include "dsp/cpu_features.h"
#include "dsp/portable_math.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <type_traits>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ostrel {

namespace {

constexpr std::array<double, Chorus::kTapCount> kInitialPhases{0.0, 256.0, 612.0};
constexpr float kTapWeights[Chorus::kTapCount] = {0.6f, 0.4f, 0.2f};
constexpr float kOutputGain = 0.7f;

// Catmull-Rom interpolation from b (t = 0) towards the older c (t = 1), with a newer than b and
// e older than c.
inline float catmullRom(float a, float b, float c, float e, float t) noexcept
{
    return b
        + t * (0.5f * (c - a) + t * ((a + 2.0f * c - 2.5f * b - 0.5f * e) + t * (1.5f * (b - c) + 0.5f * (e - a))));
}

int validRate(int rate)
{
    return rate < 1 ? 1 : rate;
}

// The delay of one tap at samples first..last-1 of a chunk: the sine of its phase from the table,
// the delay in samples, clamped to what the line holds (NaN and negative ones to 0), split into
// whole samples and the fraction.
struct DelayShape {
    const float* sine;
    float depth, sweep, base, longest;
};

inline void tapDelays(const float* phaseAt, DelayShape shape, int* whole, float* fraction, int first, int last) noexcept
{
    for (int j = first; j < last; ++j) {
        // Phases and (clamped) delays are never negative, so truncation is the floor.
        const int i = static_cast<int>(phaseAt[j]);
        const float phi = phaseAt[j] - static_cast<float>(i);
        const float s = shape.sine[i] + phi * (shape.sine[i + 1] - shape.sine[i]);
        float d = (1.0f + s) * shape.depth * shape.sweep + shape.base;
        d = std::min(shape.longest, std::max(0.0f, d));
        const int di = static_cast<int>(d);
        whole[j] = di;
        fraction[j] = d - static_cast<float>(di);
    }
}

// The reads of the line and the mix of a run of samples, one sample after the other: sample j
// reads the line before it writes its input at w + j.
struct ChunkTaps {
    const int (*whole)[64];
    const float (*fraction)[64];
};

inline void mixSamples(float* out, const float* in, float* x, std::uint32_t mask, std::uint32_t& w, ChunkTaps taps,
                       int first, int last) noexcept
{
    for (int j = first; j < last; ++j) {
        float tap[Chorus::kTapCount];
        for (int k = 0; k < Chorus::kTapCount; ++k) {
            const float t = taps.fraction[k][j];
            const std::uint32_t pos = w - static_cast<std::uint32_t>(taps.whole[k][j]);
            const float a = x[(pos + 1u) & mask];
            const float b = x[pos & mask];
            const float c = x[(pos - 1u) & mask];
            const float e = x[(pos - 2u) & mask];
            tap[k] = catmullRom(a, b, c, e, t);
        }
        const float dry = in[j];
        x[w] = dry;
        w = (w + 1u) & mask;
        out[j] = kOutputGain * (dry + kTapWeights[0] * tap[0] + kTapWeights[1] * tap[1] + kTapWeights[2] * tap[2]);
    }
}

#if defined(__GNUC__) && defined(__x86_64__)
#define OSTREL_CHORUS_AVX2 1

// True when the eight lanes of v hold one value.
[[gnu::target("avx2"), gnu::always_inline]] inline bool allEqual(__m256i v) noexcept
{
    const __m256i first = _mm256_permutevar8x32_epi32(v, _mm256_setzero_si256());
    return _mm256_testc_si256(_mm256_cmpeq_epi32(v, first), _mm256_set1_epi32(-1)) != 0;
}

// mixSamples eight samples at a time: each tap's four neighbouring line samples of a sample in
// one load, four samples' loads transposed into the vectors a, b, c, e, and the same float
// arithmetic per lane. A group of eight samples goes this way when none of its taps reads what
// the group writes (every delay above 8 samples) and no four neighbours wrap around the line's
// end; otherwise it takes the sample-by-sample path. Same bits either way.
// catmullRom for eight lanes, the same operations in the same order.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256 catmullRom8(__m256 a, __m256 b, __m256 c, __m256 e,
                                                                      __m256 t) noexcept
{
    const __m256 half = _mm256_set1_ps(0.5f);
    const __m256 inner = _mm256_sub_ps(
        _mm256_sub_ps(_mm256_add_ps(a, _mm256_mul_ps(_mm256_set1_ps(2.0f), c)), _mm256_mul_ps(_mm256_set1_ps(2.5f), b)),
        _mm256_mul_ps(half, e));
    const __m256 cubic = _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(1.5f), _mm256_sub_ps(b, c)),
                                       _mm256_mul_ps(half, _mm256_sub_ps(e, a)));
    const __m256 slope = _mm256_add_ps(_mm256_mul_ps(half, _mm256_sub_ps(c, a)),
                                       _mm256_mul_ps(t, _mm256_add_ps(inner, _mm256_mul_ps(t, cubic))));
    return _mm256_add_ps(b, _mm256_mul_ps(t, slope));
}

// tapDelays eight samples at a time; the two table entries of each sample fetched by plain
// loads. The clamps pick exactly as std::min and std::max do, NaN included.
[[gnu::target("avx2")]] void tapDelaysAvx2(const float* phaseAt, DelayShape shape, int* whole, float* fraction,
                                           int m) noexcept
{
    const __m256 depth = _mm256_set1_ps(shape.depth);
    const __m256 sweep = _mm256_set1_ps(shape.sweep);
    const __m256 base = _mm256_set1_ps(shape.base);
    const __m256 longest = _mm256_set1_ps(shape.longest);
    int j = 0;
    for (; j + 8 <= m; j += 8) {
        const __m256 p = _mm256_loadu_ps(phaseAt + j);
        const __m256i i = _mm256_cvttps_epi32(p);
        const __m256 phi = _mm256_sub_ps(p, _mm256_cvtepi32_ps(i));
        const float* t = shape.sine;
        const float* next = shape.sine + 1;
        __m256 a, b;
        if (allEqual(i)) {
            // The LFO moves slowly: the eight samples usually share one pair of entries.
            const auto entry = static_cast<std::uint32_t>(_mm256_cvtsi256_si32(i));
            a = _mm256_broadcast_ss(t + entry);
            b = _mm256_broadcast_ss(next + entry);
        } else {
            alignas(32) std::uint32_t at[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(at), i);
            a = _mm256_setr_ps(t[at[0]], t[at[1]], t[at[2]], t[at[3]], t[at[4]], t[at[5]], t[at[6]], t[at[7]]);
            b = _mm256_setr_ps(next[at[0]], next[at[1]], next[at[2]], next[at[3]], next[at[4]], next[at[5]],
                               next[at[6]], next[at[7]]);
        }
        const __m256 sine = _mm256_add_ps(a, _mm256_mul_ps(phi, _mm256_sub_ps(b, a)));
        __m256 d =
            _mm256_add_ps(_mm256_mul_ps(_mm256_mul_ps(_mm256_add_ps(_mm256_set1_ps(1.0f), sine), depth), sweep), base);
        d = _mm256_min_ps(_mm256_max_ps(d, _mm256_setzero_ps()), longest); // max(d, 0): 0 for NaN
        const __m256i di = _mm256_cvttps_epi32(d);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(whole + j), di);
        _mm256_storeu_ps(fraction + j, _mm256_sub_ps(d, _mm256_cvtepi32_ps(di)));
    }
    tapDelays(phaseAt, shape, whole, fraction, j, m);
}

[[gnu::target("avx2")]] void mixSamplesAvx2(float* out, const float* in, float* x, std::uint32_t mask, std::uint32_t& w,
                                            ChunkTaps taps, int m) noexcept
{
    const __m256i steps = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i lastStart = _mm256_set1_epi32(static_cast<int>(mask - 3u)); // four neighbours in line
    const __m256i tooShort = _mm256_set1_epi32(8);
    int j = 0;
    for (; j + 8 <= m; j += 8) {
        const __m256i writes = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(w)), steps);
        __m256i starts[Chorus::kTapCount];
        __m256i bad = _mm256_setzero_si256();
        for (int k = 0; k < Chorus::kTapCount; ++k) {
            const __m256i whole = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(taps.whole[k] + j));
            // The oldest of the four neighbours: (w + j - whole - 2) within the line.
            starts[k] = _mm256_and_si256(_mm256_sub_epi32(_mm256_sub_epi32(writes, whole), _mm256_set1_epi32(2)),
                                         _mm256_set1_epi32(static_cast<int>(mask)));
            bad = _mm256_or_si256(bad, _mm256_cmpgt_epi32(starts[k], lastStart));
            bad = _mm256_or_si256(bad, _mm256_cmpgt_epi32(_mm256_add_epi32(tooShort, _mm256_set1_epi32(1)), whole));
        }
        if (!_mm256_testz_si256(bad, bad) || w + 8u > mask + 1u) {
            mixSamples(out, in, x, mask, w, taps, j, j + 8);
            continue;
        }
        __m256 tap[Chorus::kTapCount];
        for (int k = 0; k < Chorus::kTapCount; ++k) {
            const auto start = static_cast<std::uint32_t>(_mm256_cvtsi256_si32(starts[k]));
            if (allEqual(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(taps.whole[k] + j)))
                && start + 10u <= mask) {
                // One whole delay for the eight samples (the usual case: it moves slowly), and
                // their neighbours in one run of the line: sample j's e, c, b, a are the
                // line's start + j .. start + j + 3, so each is one load.
                const float* run = x + start;
                tap[k] = catmullRom8(_mm256_loadu_ps(run + 3), _mm256_loadu_ps(run + 2), _mm256_loadu_ps(run + 1),
                                     _mm256_loadu_ps(run), _mm256_loadu_ps(taps.fraction[k] + j));
                continue;
            }
            alignas(32) std::uint32_t at[8];
            _mm256_store_si256(reinterpret_cast<__m256i*>(at), starts[k]);
            // Rows (e, c, b, a) of samples 0..3 and 4..7, transposed into columns.
            __m128 r0 = _mm_loadu_ps(x + at[0]), r1 = _mm_loadu_ps(x + at[1]);
            __m128 r2 = _mm_loadu_ps(x + at[2]), r3 = _mm_loadu_ps(x + at[3]);
            __m128 r4 = _mm_loadu_ps(x + at[4]), r5 = _mm_loadu_ps(x + at[5]);
            __m128 r6 = _mm_loadu_ps(x + at[6]), r7 = _mm_loadu_ps(x + at[7]);
            _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
            _MM_TRANSPOSE4_PS(r4, r5, r6, r7);
            const __m256 e = _mm256_set_m128(r4, r0);
            const __m256 c = _mm256_set_m128(r5, r1);
            const __m256 b = _mm256_set_m128(r6, r2);
            const __m256 a = _mm256_set_m128(r7, r3);
            tap[k] = catmullRom8(a, b, c, e, _mm256_loadu_ps(taps.fraction[k] + j));
        }
        const __m256 dry = _mm256_loadu_ps(in + j);
        _mm256_storeu_ps(x + w, dry);
        w = (w + 8u) & mask;
        __m256 mix = _mm256_add_ps(dry, _mm256_mul_ps(_mm256_set1_ps(kTapWeights[0]), tap[0]));
        mix = _mm256_add_ps(mix, _mm256_mul_ps(_mm256_set1_ps(kTapWeights[1]), tap[1]));
        mix = _mm256_add_ps(mix, _mm256_mul_ps(_mm256_set1_ps(kTapWeights[2]), tap[2]));
        _mm256_storeu_ps(out + j, _mm256_mul_ps(_mm256_set1_ps(kOutputGain), mix));
    }
    mixSamples(out, in, x, mask, w, taps, j, m);
}

#endif

// Which kernel runs; set once at start-up (tests may switch it).
std::atomic<bool> gUseAvx2{cpuHasAvx2()};

std::uint32_t lineSamplesFor(int rate)
{
    // The sweep plus the interpolation points (one newer, two older) and a spare sample.
    return static_cast<std::uint32_t>(std::ceil(Chorus::kLongestDelaySeconds * rate)) + 4u;
}

} // namespace

bool Chorus::useWideKernel(bool enabled) noexcept
{
    const bool available = cpuHasAvx2();
    gUseAvx2.store(enabled && available, std::memory_order_relaxed);
    return !enabled || available;
}

const std::array<float, Chorus::kSineTableSize>& Chorus::sineTable() noexcept
{
    static const std::array<float, kSineTableSize> table = [] {
        std::array<float, kSineTableSize> t{};
        for (int j = 0; j < kSineTableSize; ++j)
            t[static_cast<std::size_t>(j)] = static_cast<float>(portable::sin(2.0 * 3.141593 * j / 1024.0));
        return t;
    }();
    return table;
}

Chorus::Chorus(int internalRate, Random& random)
    : sampleRate(validRate(internalRate)),
      invSampleRate(1.0 / static_cast<double>(sampleRate)),
      sweep(kSweepSeconds * static_cast<float>(sampleRate)),
      baseDelay(kDefaultBaseDelaySeconds * static_cast<float>(sampleRate)),
      line(lineSamplesFor(sampleRate)),
      silentRun(line.size()) // the line starts all zero
{
    sineTable(); // build the shared table here, not on the audio thread
    for (float& factor : rateFactors)
        factor = static_cast<float>(0.95 + 0.1 * random.next() / static_cast<double>(Random::kMax));
    maxDelay = static_cast<float>(line.size() - 4u);
}

void Chorus::setRate(float hertz) noexcept
{
    const float limit = 0.5f * static_cast<float>(sampleRate);
    rate = std::min(limit, std::max(0.0f, hertz));
}

void Chorus::setDepth(float d) noexcept
{
    depth = std::isnan(d) ? 0.0f : d;
}

void Chorus::setBaseDelay(float seconds) noexcept
{
    baseDelay = static_cast<float>(sampleRate) * seconds;
}

void Chorus::setPhaseOffset(double cycles) noexcept
{
    if (!std::isfinite(cycles))
        cycles = 0.0;
    for (int k = 0; k < kTapCount; ++k) {
        double p = kInitialPhases[static_cast<std::size_t>(k)] + kPhasePerCycle * cycles;
        if (p < 0.0 || p > kPhasePerCycle)
            p -= kPhasePerCycle * std::floor(p / kPhasePerCycle);
        phases[static_cast<std::size_t>(k)] = p;
    }
}

std::array<double, Chorus::kTapCount> Chorus::phaseSteps() const noexcept
{
    const double increment = kPhasePerCycle * static_cast<double>(rate) * invSampleRate;
    std::array<double, kTapCount> steps{};
    for (int k = 0; k < kTapCount; ++k)
        steps[static_cast<std::size_t>(k)] = increment * static_cast<double>(rateFactors[static_cast<std::size_t>(k)]);
    return steps;
}

bool Chorus::takeSilence(const float* in, int n) noexcept
{
    // How many of the input's last samples are +0: all of them, or counted from the end.
    std::uint32_t bits = 0;
    for (int j = 0; j < n; ++j)
        bits |= std::bit_cast<std::uint32_t>(in[j]);
    int silentTail = n;
    if (bits != 0) {
        silentTail = 0;
        while (std::bit_cast<std::uint32_t>(in[n - 1 - silentTail]) == 0u)
            ++silentTail;
    }
    const bool silent = silentTail == n && silentRun >= line.size();
    silentRun = silentTail == n ? std::min(line.size(), silentRun + static_cast<std::uint32_t>(n))
                                : static_cast<std::uint32_t>(silentTail);
    return silent;
}

void Chorus::processBlock(float* out, const float* in, int n) noexcept
{
    if (n <= 0)
        return;
    Chorus* unit = this;
    if (takeSilence(in, n))
        processSilence(&unit, &out, &in, 1, n);
    else
        renderUnits<1>(&unit, &out, &in, n);
}

void Chorus::processStereo(Chorus& left, Chorus& right, float* l, float* r, int n) noexcept
{
    if (n <= 0)
        return;
    const bool quietLeft = left.takeSilence(l, n);
    const bool quietRight = right.takeSilence(r, n);
    Chorus* units[2] = {&left, &right};
    float* buffers[2] = {l, r};
    const float* inputs[2] = {l, r};
    if (quietLeft && quietRight) {
        // One loop for both units' phases: twice the independent chains.
        processSilence(units, buffers, inputs, 2, n);
        return;
    }
    if (!quietLeft && !quietRight) {
        // Both sounding: both units' phases in one loop, as for silence.
        renderUnits<2>(units, buffers, inputs, n);
        return;
    }
    for (int u = 0; u < 2; ++u) {
        if (u == 0 ? quietLeft : quietRight)
            processSilence(units + u, buffers + u, inputs + u, 1, n);
        else
            renderUnits<1>(units + u, buffers + u, inputs + u, n);
    }
}

// A silent line fed silence: every tap reads zeros, and taps of zeros are zero (of one sign)
// whatever their delays, so every output sample is the same: it is computed once, from the
// line's zeros and the input's. The phases advance as ever, sample by sample; the line, written
// with +0, stays as it is.
void Chorus::processSilence(Chorus* const* units, float* const* outs, const float* const* ins, int count,
                            int n) noexcept
{
    constexpr int kMaxUnits = 2;
    double ph[kMaxUnits * kTapCount];
    double step[kMaxUnits * kTapCount];
    for (int u = 0; u < count; ++u) {
        Chorus& unit = *units[u];
        const float zero = unit.line.data()[unit.line.writePosition()];
        const float tap = catmullRom(zero, zero, zero, zero, 0.5f);
        const float dry = ins[u][0];
        const float value = kOutputGain * (dry + kTapWeights[0] * tap + kTapWeights[1] * tap + kTapWeights[2] * tap);
        std::fill(outs[u], outs[u] + n, value);
        const std::array<double, kTapCount> steps = unit.phaseSteps();
        for (int k = 0; k < kTapCount; ++k) {
            ph[u * kTapCount + k] = unit.phases[static_cast<std::size_t>(k)];
            step[u * kTapCount + k] = steps[static_cast<std::size_t>(k)];
        }
        unit.line.setWritePosition(unit.line.writePosition() + static_cast<std::uint32_t>(n));
    }
    for (int start = 0; start < n; start += kChunk) {
        const int m = std::min(kChunk, n - start);
        if (count == 2)
            advancePhases<2 * kTapCount, false>(ph, step, nullptr, m);
        else
            advancePhases<kTapCount, false>(ph, step, nullptr, m);
    }
    for (int u = 0; u < count; ++u) {
        for (int k = 0; k < kTapCount; ++k)
            units[u]->phases[static_cast<std::size_t>(k)] = ph[u * kTapCount + k];
    }
}

// The LFO phases of `chains` taps over the m samples of a chunk: phaseAt[c][j] is chain c's
// phase at sample j (kept only with kKeep), and ph[c] moves on by m steps, wrapping past the end of the cycle. The
// chains run side by side: each is a chain of dependent additions, and the processor overlaps
// independent chains.
template <int kChains, bool kKeep>
void Chorus::advancePhases(double* ph, const double* step, float (*phaseAt)[kChunk], int m) noexcept
{
    // No phase reaches the end of its cycle within the chunk (the usual case: the LFOs are
    // slow), so the wrap test is left out; the bound allows far more than the rounding of m
    // additions, and NaN or infinite values fail it.
    bool wraps = false;
    for (int c = 0; c < kChains; ++c)
        wraps = wraps || !(ph[c] + static_cast<double>(m) * step[c] + 1e-6 < kPhasePerCycle);
    // Local copies: the phases stay in registers through the loop.
    double p[kChains], s[kChains];
    std::copy_n(ph, kChains, p);
    std::copy_n(step, kChains, s);
    const auto run = [&p, &s, phaseAt, m](auto wrapping) {
        for (int j = 0; j < m; ++j) {
            for (int c = 0; c < kChains; ++c) {
                if constexpr (kKeep)
                    phaseAt[c][j] = static_cast<float>(p[c]);
                p[c] += s[c];
                if (decltype(wrapping)::value && p[c] > kPhasePerCycle)
                    p[c] -= kPhasePerCycle;
            }
        }
    };
    if (wraps)
        run(std::true_type{});
    else
        run(std::false_type{});
    std::copy_n(p, kChains, ph);
}

// One or two units (a stereo pair) over n samples, each from its input to its output. Work in
// chunks: first the read positions of every tap for the whole chunk (they depend only on the
// LFO phases, not on the line), then the reads and the mix sample by sample. Splitting the loop
// keeps each part short and lets the position part run without waiting on the line; every
// value is computed exactly as in a single sample loop.
template <int kUnits>
void Chorus::renderUnits(Chorus* const* units, float* const* outs, const float* const* ins, int n) noexcept
{
    constexpr int kChains = kUnits * kTapCount;
    double ph[kChains];
    double step[kChains];
    std::uint32_t w[kUnits];
    for (int u = 0; u < kUnits; ++u) {
        const Chorus& unit = *units[u];
        const std::array<double, kTapCount> steps = unit.phaseSteps();
        for (int k = 0; k < kTapCount; ++k) {
            ph[u * kTapCount + k] = unit.phases[static_cast<std::size_t>(k)];
            step[u * kTapCount + k] = steps[static_cast<std::size_t>(k)];
        }
        w[u] = unit.line.writePosition();
    }
    for (int start = 0; start < n; start += kChunk) {
        const int m = std::min(kChunk, n - start);
        float phaseAt[kChains][kChunk];
        advancePhases<kChains, true>(ph, step, phaseAt, m);
        for (int u = 0; u < kUnits; ++u) {
            Chorus& unit = *units[u];
            float* x = unit.line.data();
            const std::uint32_t mask = unit.line.indexMask();
            const DelayShape shape{sineTable().data(), unit.depth, unit.sweep, unit.baseDelay, unit.maxDelay};
            int whole[kTapCount][kChunk];
            float fraction[kTapCount][kChunk];
            const ChunkTaps taps{whole, fraction};
            float* out = outs[u] + start;
            const float* in = ins[u] + start;
            const float(*unitPhases)[kChunk] = phaseAt + u * kTapCount;
#ifdef OSTREL_CHORUS_AVX2
            if (gUseAvx2.load(std::memory_order_relaxed)) {
                for (int k = 0; k < kTapCount; ++k)
                    tapDelaysAvx2(unitPhases[k], shape, whole[k], fraction[k], m);
                mixSamplesAvx2(out, in, x, mask, w[u], taps, m);
                continue;
            }
#endif
            for (int k = 0; k < kTapCount; ++k)
                tapDelays(unitPhases[k], shape, whole[k], fraction[k], 0, m);
            mixSamples(out, in, x, mask, w[u], taps, 0, m);
        }
    }
    for (int u = 0; u < kUnits; ++u) {
        Chorus& unit = *units[u];
        unit.line.setWritePosition(w[u]);
        for (int k = 0; k < kTapCount; ++k)
            unit.phases[static_cast<std::size_t>(k)] = ph[u * kTapCount + k];
    }
}

} // namespace ostrel
