#include "dsp/oscillator.h"

#include "dsp/cpu_features.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <limits>

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

namespace ostrel {

namespace {

// Shared by every noise oscillator of the process, never reset.
std::atomic<std::uint32_t> gNoiseSeed{NoiseSeed::kInitial};

constexpr double kTwoPow32 = 4294967296.0;
constexpr double kInvTwoPow28 = 1.0 / 268435456.0; // 16384 * 16384 stands for 1.0
constexpr double kInvTwoPow15 = 3.0517578125e-05;

// Table-reading loop of one block. The increment, shifts, table and gain are block constants.
// Per sample: integer index and 14-bit fraction from the phase, one interpolation multiply in
// 32-bit integers, one double multiply-add into the float buffer: exactly the arithmetic of
// (value * multiplier + out[j] in double, rounded once to float).
//
// Written as three passes over at most 64 samples so that each vectorises: phases to indices
// and fractions; the table reads (a and b are adjacent words, one unaligned 32-bit load);
// interpolation and accumulation.
[[gnu::always_inline]] inline void renderTableKernel(float* out, int n, const std::int16_t* cycle, std::uint32_t phase,
                                                     std::uint32_t increment, unsigned indexShift,
                                                     unsigned fractionShift, double multiplier) noexcept
{
    const std::uint32_t fractionMask = (1u << indexShift) - 1u;
    constexpr int kChunk = 64;
    std::uint32_t index[kChunk];
    std::int32_t fraction[kChunk];
    std::int32_t first[kChunk];
    std::int32_t step[kChunk];
    for (int done = 0; done < n; done += kChunk) {
        const int count = std::min(kChunk, n - done);
        for (int j = 0; j < count; ++j) {
            const std::uint32_t p = phase + static_cast<std::uint32_t>(j) * increment;
            index[j] = p >> indexShift;
            fraction[j] = static_cast<std::int32_t>((p & fractionMask) >> fractionShift);
        }
        for (int j = 0; j < count; ++j) {
            std::uint32_t pair;
            std::memcpy(&pair, cycle + index[j], sizeof pair);
            // Little-endian: the low word is sample[index], the high word sample[index + 1].
            first[j] = static_cast<std::int16_t>(pair & 0xFFFFu);
            step[j] = static_cast<std::int16_t>(pair >> 16) - first[j];
        }
        float* o = out + done;
        for (int j = 0; j < count; ++j) {
            const std::int32_t value = first[j] * 16384 + fraction[j] * step[j];
            o[j] = static_cast<float>(static_cast<double>(o[j]) + static_cast<double>(value) * multiplier);
        }
        phase += static_cast<std::uint32_t>(count) * increment;
    }
}

[[gnu::noinline]] void renderTableBaseline(float* out, int n, const std::int16_t* cycle, std::uint32_t phase,
                                          std::uint32_t increment, unsigned indexShift, unsigned fractionShift,
                                          double multiplier) noexcept
{
    renderTableKernel(out, n, cycle, phase, increment, indexShift, fractionShift, multiplier);
}

#if defined(__GNUC__) && defined(__x86_64__)
// The same loop written for AVX2, chosen at run time on processors that have it: eight
// samples at a time in one pass, the pair (a, b) of each sample fetched by one 32-bit load, and
// a * 16384 + fraction * (b - a) formed as the pair's multiply-add with (16384 - fraction,
// fraction), the same integer. Then the same double arithmetic, no FMA: the same bits as the
// baseline. kFromZero: out is taken as zeros (n a multiple of 8), so its sums start from 0.0.
#define OSTREL_OSCILLATOR_AVX2 1
template <bool kFromZero>
[[gnu::target("avx2"), gnu::always_inline]] inline void renderTableAvx2(float* out, int n, const std::int16_t* cycle,
                                                                        std::uint32_t phase, std::uint32_t increment,
                                                                        unsigned indexShift, unsigned fractionShift,
                                                                        double multiplier) noexcept
{
    const int whole = n & ~7;
    if (whole > 0) {
        const __m256i steps = _mm256_mullo_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7),
                                                 _mm256_set1_epi32(static_cast<int>(increment)));
        __m256i p = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(phase)), steps);
        const __m256i advance = _mm256_set1_epi32(static_cast<int>(8u * increment));
        const __m128i fractionCount = _mm_cvtsi32_si128(static_cast<int>(fractionShift));
        const __m256i fractionMask = _mm256_set1_epi32(static_cast<int>((1u << indexShift) - 1u));
        const __m256i unity = _mm256_set1_epi32(16384);
        const __m256d m = _mm256_set1_pd(multiplier);
        for (int j = 0; j < whole; j += 8) {
            const __m256i fraction = _mm256_srl_epi32(_mm256_and_si256(p, fractionMask), fractionCount);
            // Little-endian: the low word of each pair is sample[index], the high word the next.
            // Plain loads: a gather instruction is slower here.
            // The indices in scalar registers: extracting them from the vector would queue
            // on the shuffle units, which build the vector of pairs.
            const std::uint32_t q = phase + static_cast<std::uint32_t>(j) * increment;
            const auto pair = [cycle, q, increment, indexShift](std::uint32_t k) {
                std::int32_t w;
                std::memcpy(&w, cycle + ((q + k * increment) >> indexShift), sizeof w);
                return w;
            };
            const __m256i pairs =
                _mm256_setr_epi32(pair(0), pair(1), pair(2), pair(3), pair(4), pair(5), pair(6), pair(7));
            const __m256i weights = _mm256_or_si256(_mm256_sub_epi32(unity, fraction), _mm256_slli_epi32(fraction, 16));
            const __m256i value = _mm256_madd_epi16(pairs, weights);
            __m256d oLow, oHigh;
            if constexpr (kFromZero) {
                oLow = oHigh = _mm256_setzero_pd();
            } else {
                const __m256 o = _mm256_loadu_ps(out + j);
                oLow = _mm256_cvtps_pd(_mm256_castps256_ps128(o));
                oHigh = _mm256_cvtps_pd(_mm256_extractf128_ps(o, 1));
            }
            const __m256d low =
                _mm256_add_pd(oLow, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(value)), m));
            const __m256d high =
                _mm256_add_pd(oHigh, _mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(value, 1)), m));
            _mm256_storeu_ps(out + j, _mm256_set_m128(_mm256_cvtpd_ps(high), _mm256_cvtpd_ps(low)));
            p = _mm256_add_epi32(p, advance);
        }
    }
    if (whole < n)
        renderTableBaseline(out + whole, n - whole, cycle, phase + static_cast<std::uint32_t>(whole) * increment,
                            increment, indexShift, fractionShift, multiplier);
}

// The table loops of several oscillators in one call, each over the whole buffer in turn, with
// the operations of renderTableAvx2. `clear`: out's contents are ignored and taken as zeros; the
// first read then starts its sums from 0.0 in registers (n must be a multiple of 8).
[[gnu::target("avx2")]] void renderTablesAvx2(float* out, int n, const Oscillator::TableRead* reads, int count,
                                              bool clear) noexcept
{
    for (int r = 0; r < count; ++r) {
        const Oscillator::TableRead& t = reads[r];
        if (r == 0 && clear) {
            renderTableAvx2<true>(out, n, t.cycle, t.phase, t.increment, t.indexShift, t.fractionShift,
                                  t.multiplier);
        } else {
            renderTableAvx2<false>(out, n, t.cycle, t.phase, t.increment, t.indexShift, t.fractionShift,
                                   t.multiplier);
        }
    }
}
#endif

// Which kernel render uses; set once at start-up (tests may switch it).
std::atomic<bool> gUseAvx2{cpuHasAvx2()};

inline void renderTable(float* out, int n, const std::int16_t* cycle, std::uint32_t phase, std::uint32_t increment,
                        unsigned indexShift, unsigned fractionShift, double multiplier) noexcept
{
#ifdef OSTREL_OSCILLATOR_AVX2
    if (gUseAvx2.load(std::memory_order_relaxed)) {
        const Oscillator::TableRead read{cycle, phase, increment, indexShift, fractionShift, multiplier};
        renderTablesAvx2(out, n, &read, 1, false);
        return;
    }
#endif
    renderTableBaseline(out, n, cycle, phase, increment, indexShift, fractionShift, multiplier);
}

} // namespace

Oscillator::Oscillator(std::uint32_t sampleRate, const WaveBank& waves) noexcept
    : bank(&waves),
      rate(sampleRate),
      invSampleRate(1.0 / static_cast<double>(sampleRate))
{ }

int Oscillator::levelForRatio(double x) noexcept
{
    const auto bits = std::bit_cast<std::uint64_t>(x);
    const auto biased = static_cast<int>((bits >> 52) & 0x7FFu);
    if (biased == 0x7FF)
        return kWaveLevels - 1; // infinity or NaN: the float is too
    if (biased == 0)
        return 0; // zero or a double subnormal: far below level 1
    int exponent = biased - 1023;
    // Rounding toward minus infinity to 24 significant bits lowers a positive value (its
    // exponent stays) and raises the magnitude of a negative one, which reaches the next power
    // of two when the kept 23 fraction bits are all ones and any dropped bit is set.
    const std::uint64_t fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const bool negative = (bits >> 63) != 0;
    if (negative && (fraction & ((std::uint64_t{1} << 29) - 1)) != 0 && (fraction >> 29) == 0x7FFFFFu)
        ++exponent;
    return std::clamp(exponent + 10, 0, kWaveLevels - 1);
}

void Oscillator::setFrequency(double f) noexcept
{
    // Set again to the frequency it already had, the oscillator keeps the level it chose then
    // (the held notes' usual case).
    if (f == settledFrequency)
        return;
    const double x = f > frequencyHz ? f * invSampleRate : f * invSampleRate * 1.2;
    currentLevel = levelForRatio(x);
    settledFrequency = f == frequencyHz ? f : std::numeric_limits<double>::quiet_NaN();
    frequencyHz = f;
}

std::uint32_t Oscillator::phaseIncrement() const noexcept
{
    const double steps = frequencyHz * kTwoPow32 * invSampleRate;
    // Truncation toward zero, then the low 32 bits; out-of-range values (never a real
    // frequency) are clamped first so the conversion is defined.
    if (!(steps > -9.2e18 && steps < 9.2e18))
        return 0;
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(steps));
}

Oscillator::Work Oscillator::prepare(int n, TableRead& read) noexcept
{
    renderedLevel = currentLevel;
    // The increment and the table change only with the frequency, the level and the wave.
    if (!(frequencyHz == incrementFrequency)) {
        incrementFrequency = frequencyHz;
        increment = phaseIncrement();
    }
    const std::uint32_t start = phaseAcc;
    phaseAcc = start + static_cast<std::uint32_t>(n) * increment;

    if (wave == static_cast<std::uint32_t>(kNoiseWave))
        return Work::Noise;
    // Adding exactly zero changes nothing: a silent gain, the null wave, an index outside the
    // bank and level 9 (all-zero tables) only move the phase on.
    if (amplitude == 0.0 || wave >= static_cast<std::uint32_t>(kNullWave) || renderedLevel == kWaveLevels - 1)
        return Work::Nothing;

    const int shift = levelShift[static_cast<std::size_t>(renderedLevel)];
    if (renderedLevel != cycleLevel || wave != cycleWave) {
        cycleLevel = renderedLevel;
        cycleWave = wave;
        cycle = bank->levelTable(renderedLevel, static_cast<int>(wave)) + 2;
    }
    read = TableRead{cycle,
                     start,
                     increment,
                     static_cast<unsigned>(22 + shift),
                     static_cast<unsigned>(8 + shift),
                     amplitude * kInvTwoPow28};
    return Work::Table;
}

void Oscillator::renderNoise(float* out, int n) noexcept
{
    const double multiplier = amplitude * kInvTwoPow15;
    std::uint32_t seed = noise ? noise->value : gNoiseSeed.load(std::memory_order_relaxed);
    if (amplitude == 0.0) {
        // Nothing is added, but the sequence moves on as if it had been.
        seed = NoiseSeed::skip(n).apply(seed);
    } else {
        for (int j = 0; j < n; ++j) {
            seed = NoiseSeed::next(seed);
            const auto value = static_cast<std::int32_t>(seed >> 16) - 32768;
            out[j] = static_cast<float>(static_cast<double>(out[j]) + static_cast<double>(value) * multiplier);
        }
    }
    if (noise)
        noise->value = seed;
    else
        gNoiseSeed.store(seed, std::memory_order_relaxed);
}

void Oscillator::render(float* out, int n) noexcept
{
    if (n <= 0)
        return;
    TableRead read;
    switch (prepare(n, read)) {
    case Work::Nothing:
        break;
    case Work::Noise:
        renderNoise(out, n);
        break;
    case Work::Table:
        renderTable(out, n, read.cycle, read.phase, read.increment, read.indexShift, read.fractionShift,
                    read.multiplier);
        break;
    }
}

void Oscillator::renderInTurn(Oscillator* oscillators, int count, float* out, int n, bool clear) noexcept
{
    if (n <= 0)
        return;
    constexpr int kMost = 4;
    count = std::min(count, kMost);
    TableRead reads[kMost];
    int pending = 0;
    // Zeros need not be stored first when the first thing rendered is a table read that covers
    // the block in groups of eight: it starts from zero instead of reading them.
    bool unwritten = clear;
    const auto writeZeros = [&] {
        if (unwritten)
            std::fill_n(out, n, 0.0f);
        unwritten = false;
    };
    const auto flush = [&] {
        if (pending == 0)
            return;
#ifdef OSTREL_OSCILLATOR_AVX2
        if (gUseAvx2.load(std::memory_order_relaxed) && (!unwritten || n % 8 == 0)) {
            renderTablesAvx2(out, n, reads, pending, unwritten);
            unwritten = false;
            pending = 0;
            return;
        }
#endif
        writeZeros();
        for (int r = 0; r < pending; ++r)
            renderTable(out, n, reads[r].cycle, reads[r].phase, reads[r].increment, reads[r].indexShift,
                        reads[r].fractionShift, reads[r].multiplier);
        pending = 0;
    };
    // Noise draws from a sequence shared with other oscillators, so a noise oscillator renders
    // alone, after the table reads before it.
    for (int i = 0; i < count; ++i) {
        switch (oscillators[i].prepare(n, reads[pending])) {
        case Work::Nothing:
            break;
        case Work::Noise:
            flush();
            writeZeros();
            oscillators[i].renderNoise(out, n);
            break;
        case Work::Table:
            ++pending;
            break;
        }
    }
    flush();
    writeZeros();
}

std::uint32_t Oscillator::noiseSeed() noexcept
{
    return gNoiseSeed.load(std::memory_order_relaxed);
}

void Oscillator::setNoiseSeed(std::uint32_t seed) noexcept
{
    gNoiseSeed.store(seed, std::memory_order_relaxed);
}

bool Oscillator::wideKernelAvailable() noexcept
{
    return cpuHasAvx2();
}

void Oscillator::useWideKernel(bool enabled) noexcept
{
    gUseAvx2.store(enabled && cpuHasAvx2(), std::memory_order_relaxed);
}

} // namespace ostrel
