#include "dsp/wave_bank.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <mutex>

#include "dsp/fft.h"

namespace ostrel {

namespace {

constexpr std::size_t kWaves = static_cast<std::size_t>(kWaveCount);
constexpr std::size_t kRaw = static_cast<std::size_t>(kRawWaveLength);

std::size_t entryWords(int level) noexcept
{
    return static_cast<std::size_t>(levelLength(level) + kGuardWords);
}

// Adds the Hermitian spectrum of a real cycle (harmonics 1..harmonics of X, each times scale)
// into the L-point complex buffer z, as its real part or (imaginary = true) as its imaginary
// part. An inverse transform of z then yields that cycle in the real or imaginary outputs;
// two levels of the same length share one transform this way.
void addHermitian(double* z, int length, const double* x, int harmonics, double scale, bool imaginary) noexcept
{
    for (int k = 1; k <= harmonics; ++k) {
        const double re = x[2 * k] * scale;
        const double im = x[2 * k + 1] * scale;
        double* lo = z + 2 * k;
        double* hi = z + 2 * (length - k);
        if (!imaginary) {
            lo[0] += re;
            lo[1] += im;
            hi[0] += re;
            hi[1] -= im;
        } else {
            // i (re + i im) and i (re - i im)
            lo[0] -= im;
            lo[1] += re;
            hi[0] += im;
            hi[1] += re;
        }
    }
}

// Writes one table entry from the cycle values v[0], v[stride], ... (L of them): the
// resampler's single-precision output, then the truncated 16-bit words and the guard words.
void storeEntry(std::int16_t* entry, int length, const double* values, int stride) noexcept
{
    std::int16_t* cycle = entry + 2;
    for (int k = 0; k < length; ++k)
        cycle[k] = tableWord(static_cast<float>(values[static_cast<std::ptrdiff_t>(k) * stride]));
    entry[0] = cycle[length - 2];
    entry[1] = cycle[length - 1];
    entry[length + 2] = cycle[0];
    entry[length + 3] = cycle[1];
}

// The spectra and scratch of one wave's build.
struct BuildScratch {
    // Forward transforms of the three source sequences: 128 codes (levels 2..9), codes
    // repeated twice (256 points, level 1) and four times (512 points, level 0).
    std::vector<double> x128 = std::vector<double>(2 * 128);
    std::vector<double> x256 = std::vector<double>(2 * 256);
    std::vector<double> x512 = std::vector<double>(2 * 512);
    std::vector<double> z = std::vector<double>(2 * 2048);
};

void forwardOfRepeated(std::vector<double>& x, const float* source, int repeat)
{
    const int m = kRawWaveLength * repeat;
    for (int j = 0; j < m; ++j) {
        x[static_cast<std::size_t>(2 * j)] = static_cast<double>(source[j / repeat]);
        x[static_cast<std::size_t>(2 * j + 1)] = 0.0;
    }
    fft(x.data(), m, 1);
}

} // namespace

std::int16_t tableWord(float value) noexcept
{
    const double scaled = static_cast<double>(value) * 16384.0;
    if (!(scaled > -32768.0)) // also catches NaN
        return scaled != scaled ? std::int16_t{0} : std::int16_t{-32768};
    if (scaled >= 32767.0)
        return 32767;
    return static_cast<std::int16_t>(static_cast<int>(scaled)); // truncation toward zero
}

WaveBank::WaveBank() : raw(kWaves * kRaw, 0)
{
    for (int level = 0; level < kWaveLevels; ++level)
        levels[static_cast<std::size_t>(level)].assign(kWaves * entryWords(level), 0);
}

const std::int16_t* WaveBank::waveData(int index) const noexcept
{
    if (index < 0 || index >= kWaveCount)
        index = kNullWave;
    return raw.data() + static_cast<std::size_t>(index) * kRaw;
}

const std::int16_t* WaveBank::levelTable(int level, int index) const noexcept
{
    level = std::clamp(level, 0, kWaveLevels - 1);
    if (index < 0 || index >= kWaveCount)
        index = kNullWave;
    return levels[static_cast<std::size_t>(level)].data() + static_cast<std::size_t>(index) * entryWords(level);
}

bool WaveBank::build(const unsigned char* data, std::size_t size)
{
    std::fill(raw.begin(), raw.end(), std::int16_t{0});
    for (auto& level : levels)
        std::fill(level.begin(), level.end(), std::int16_t{0});
    const bool complete = data != nullptr && size >= kWavesResourceSize;
    if (!complete) {
        ready.store(true, std::memory_order_release);
        return false;
    }

    BuildScratch scratch;
    float source[kRawWaveLength];
    for (int w = 0; w < kStoredWaveCount; ++w) {
        std::int16_t* rawWave = raw.data() + static_cast<std::size_t>(w) * kRaw;
        for (int s = 0; s < kRawWaveLength; ++s) {
            const std::size_t at = static_cast<std::size_t>(w) * kRaw * 2 + static_cast<std::size_t>(s) * 2;
            const auto word = static_cast<std::uint16_t>(data[at] | (data[at + 1] << 8));
            rawWave[s] = static_cast<std::int16_t>(word);
            source[s] = static_cast<float>(rawWave[s]) * 0.00048828125f; // code / 2048, exact
        }
        forwardOfRepeated(scratch.x128, source, 1);
        forwardOfRepeated(scratch.x256, source, 2);
        forwardOfRepeated(scratch.x512, source, 4);

        // A level's cycle value at point t of L is (U / (U m)) sum over the kept harmonics of
        // 2 Re(X[k] e^(2 pi i k t / L)): the resampler's output thinned to L points, computed
        // directly as an L-point inverse transform. fft(-1) divides by L, hence the L / m.
        auto level = [&](int index) {
            return levels[static_cast<std::size_t>(index)].data() + static_cast<std::size_t>(w) * entryWords(index);
        };
        double* z = scratch.z.data();

        // Levels 0 and 1 (L = 2048) in one transform.
        std::fill(z, z + 2 * 2048, 0.0);
        addHermitian(z, 2048, scratch.x512.data(), levelMaxHarmonic[0], 2048.0 / 512.0, false);
        addHermitian(z, 2048, scratch.x256.data(), levelMaxHarmonic[1], 2048.0 / 256.0, true);
        fft(z, 2048, -1);
        storeEntry(level(0), 2048, z, 2);
        storeEntry(level(1), 2048, z + 1, 2);

        // Levels 2, 3, 4 (L = 1024, 512, 256), one transform each.
        for (int l = 2; l <= 4; ++l) {
            const int length = levelLength(l);
            std::fill(z, z + 2 * length, 0.0);
            addHermitian(z, length, scratch.x128.data(), std::min(levelMaxHarmonic[static_cast<std::size_t>(l)], 63),
                         static_cast<double>(length) / 128.0, false);
            fft(z, length, -1);
            storeEntry(level(l), length, z, 2);
        }

        // Levels 5 and 6, then 7 and 8 (L = 128) in pairs; level 9 stays zero (guards included).
        for (int l = 5; l <= 7; l += 2) {
            std::fill(z, z + 2 * 128, 0.0);
            addHermitian(z, 128, scratch.x128.data(), levelMaxHarmonic[static_cast<std::size_t>(l)], 1.0, false);
            addHermitian(z, 128, scratch.x128.data(), levelMaxHarmonic[static_cast<std::size_t>(l + 1)], 1.0, true);
            fft(z, 128, -1);
            storeEntry(level(l), 128, z, 2);
            storeEntry(level(l + 1), 128, z + 1, 2);
        }
    }
    ready.store(true, std::memory_order_release);
    return true;
}

void bandLimitedResample(float* out, const float* in, int m, int maxHarmonic, int upsample)
{
    assert(m >= 2 && (m & (m - 1)) == 0 && upsample >= 1 && (upsample & (upsample - 1)) == 0);
    const int total = m * upsample;
    std::vector<double> x(static_cast<std::size_t>(2 * m), 0.0);
    for (int j = 0; j < m; ++j)
        x[static_cast<std::size_t>(2 * j)] = static_cast<double>(in[j]);
    fft(x.data(), m, 1);
    // X[0] (the DC offset) and X[m/2] are dropped; so is everything above maxHarmonic.
    std::vector<double> y(static_cast<std::size_t>(2 * total), 0.0);
    const int harmonics = std::min(maxHarmonic, m / 2 - 1);
    for (int k = 1; k <= harmonics; ++k) {
        const double re = x[static_cast<std::size_t>(2 * k)];
        const double im = x[static_cast<std::size_t>(2 * k + 1)];
        y[static_cast<std::size_t>(2 * k)] = re;
        y[static_cast<std::size_t>(2 * k + 1)] = im;
        y[static_cast<std::size_t>(2 * (total - k))] = re;
        y[static_cast<std::size_t>(2 * (total - k) + 1)] = -im;
    }
    fft(y.data(), total, -1);
    for (int j = 0; j < total; ++j)
        out[j] = static_cast<float>(static_cast<double>(upsample) * y[static_cast<std::size_t>(2 * j)]);
}

namespace {

WaveBank& globalBank()
{
    static WaveBank bank;
    return bank;
}

} // namespace

const WaveBank& waveBank() noexcept
{
    return globalBank();
}

bool buildWaveBank(const unsigned char* data, std::size_t size)
{
    static std::once_flag once;
    static bool complete = false;
    std::call_once(once, [&] { complete = globalBank().build(data, size); });
    return complete;
}

} // namespace ostrel
