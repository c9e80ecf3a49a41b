// The wave bank's tables, against slow, obvious references.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "dsp/fft.h"
#include "dsp/wave_bank.h"
#include "tests/support/wave_resources.h"

namespace ostrel {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// Codes of a few harmonics with fixed amplitudes (in codes) and phases, different per wave.
int mixedCode(int w, int s)
{
    const double t = kTwoPi * s / 128.0;
    double v = 900.0 * std::sin(t + 0.1 * w) + 400.0 * std::sin(3 * t + 1.0) + 200.0 * std::cos(7 * t - 0.05 * w)
        + 100.0 * std::sin(20 * t) + 60.0 * std::sin(45 * t + 2.0) + 30.0 * std::cos(63 * t);
    return 2048 + static_cast<int>(std::lround(v));
}

std::unique_ptr<WaveBank> buildBank(const std::vector<unsigned char>& bytes)
{
    auto bank = std::make_unique<WaveBank>();
    EXPECT_TRUE(bank->build(bytes.data(), bytes.size()));
    return bank;
}

// The table of a level computed the slow way: a direct sum of the kept harmonics of the
// level's source sequence, evaluated at the table's points.
std::vector<double> referenceLevel(const std::int16_t* codes, int level)
{
    const int repeat = level == 0 ? 4 : level == 1 ? 2 : 1;
    const int m = 128 * repeat;
    const int length = levelLength(level);
    const int harmonics = std::min(levelMaxHarmonic[static_cast<std::size_t>(level)], m / 2 - 1);
    std::vector<std::complex<double>> x(static_cast<std::size_t>(harmonics + 1));
    for (int k = 1; k <= harmonics; ++k)
        for (int j = 0; j < m; ++j)
            x[static_cast<std::size_t>(k)] += (codes[j / repeat] / 2048.0) * std::polar(1.0, -kTwoPi * k * j / m);
    std::vector<double> table(static_cast<std::size_t>(length));
    for (int t = 0; t < length; ++t) {
        double v = 0.0;
        for (int k = 1; k <= harmonics; ++k)
            v += 2.0 * (x[static_cast<std::size_t>(k)] * std::polar(1.0, kTwoPi * k * t / length)).real() / m;
        table[static_cast<std::size_t>(t)] = v * 16384.0;
    }
    return table;
}

TEST(WaveBank, null_and_noise_waves_are_zero_in_every_level)
{
    auto bank = buildBank(testing::wavesResource(mixedCode));
    for (int wave : {kNullWave, kNoiseWave}) {
        for (int s = 0; s < kRawWaveLength; ++s)
            EXPECT_EQ(bank->waveData(wave)[s], 0);
        for (int level = 0; level < kWaveLevels; ++level) {
            const std::int16_t* entry = bank->levelTable(level, wave);
            for (int i = 0; i < levelLength(level) + kGuardWords; ++i)
                ASSERT_EQ(entry[i], 0) << "wave " << wave << " level " << level << " word " << i;
        }
    }
}

TEST(WaveBank, level_9_is_all_zero_for_every_wave)
{
    auto bank = buildBank(testing::wavesResource(mixedCode));
    for (int wave = 0; wave < kWaveCount; ++wave) {
        const std::int16_t* entry = bank->levelTable(9, wave);
        for (int i = 0; i < 128 + kGuardWords; ++i)
            ASSERT_EQ(entry[i], 0) << "wave " << wave;
    }
}

TEST(WaveBank, raw_waves_are_the_stored_codes)
{
    const auto bytes = testing::wavesResource(mixedCode);
    auto bank = buildBank(bytes);
    for (int w = 0; w < kStoredWaveCount; ++w)
        for (int s = 0; s < kRawWaveLength; ++s)
            ASSERT_EQ(bank->waveData(w)[s], mixedCode(w, s));
    // An index outside the bank reads the null wave's zeros.
    EXPECT_EQ(bank->waveData(-1), bank->waveData(kNullWave));
    EXPECT_EQ(bank->waveData(96), bank->waveData(kNullWave));
    EXPECT_EQ(bank->levelTable(3, 1000), bank->levelTable(3, kNullWave));
}

TEST(WaveBank, level_8_is_the_fundamental_with_its_amplitude_and_phase)
{
    auto bank = buildBank(testing::wavesResource(mixedCode));
    for (int w : {0, 17, 93}) {
        const std::int16_t* codes = bank->waveData(w);
        std::complex<double> c1;
        for (int j = 0; j < 128; ++j)
            c1 += (codes[j] / 2048.0) * std::polar(1.0, -kTwoPi * j / 128.0);
        const std::int16_t* cycle = bank->levelTable(8, w) + 2;
        for (int k = 0; k < 128; ++k) {
            const double expected = 2.0 * (c1 * std::polar(1.0, kTwoPi * k / 128.0)).real() / 128.0 * 16384.0;
            ASSERT_NEAR(cycle[k], expected, 1.0) << "wave " << w << " sample " << k;
        }
        // Amplitude 900 codes = 900/2048 of full scale, phase 0.1 w.
        const double amplitude = std::abs(c1) * 2.0 / 128.0;
        EXPECT_NEAR(amplitude, 900.0 / 2048.0, 0.002);
        EXPECT_NEAR(std::remainder(std::arg(c1 * std::complex<double>(0.0, 1.0)) - 0.1 * w, kTwoPi), 0.0, 0.01);
    }
}

TEST(WaveBank, every_level_matches_a_direct_harmonic_sum)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> codes(0, 4095);
    std::vector<int> noise(static_cast<std::size_t>(kStoredWaveCount) * 128);
    for (int& c : noise)
        c = codes(random);
    auto bank = buildBank(testing::wavesResource(
        [&](int w, int s) { return w < 4 ? noise[static_cast<std::size_t>(128 * w + s)] : mixedCode(w, s); }));
    for (int w : {0, 3, 50}) {
        for (int level = 0; level < kWaveLevels; ++level) {
            const std::vector<double> reference = referenceLevel(bank->waveData(w), level);
            const std::int16_t* cycle = bank->levelTable(level, w) + 2;
            for (int k = 0; k < levelLength(level); ++k) {
                // Truncation toward zero: the word is the reference's integer part, give or take
                // one where the reference is within rounding of an integer.
                const double r = reference[static_cast<std::size_t>(k)];
                ASSERT_NEAR(cycle[k], std::trunc(r), 1.0) << "wave " << w << " level " << level << " k " << k;
                ASSERT_LE(std::abs(cycle[k]), std::abs(r) + 0.01); // the float step may round up
            }
        }
    }
}

TEST(WaveBank, tables_match_the_spec_resampler_path)
{
    // A level is defined by bandLimitedResample of the source sequence and thinning; the
    // bank computes the same values directly. Results may differ only by rounding.
    auto bank = buildBank(testing::wavesResource(mixedCode));
    const int w = 5;
    const std::int16_t* codes = bank->waveData(w);
    for (int level = 0; level < kWaveLevels; ++level) {
        const int repeat = level == 0 ? 4 : level == 1 ? 2 : 1;
        const int m = 128 * repeat;
        const int upsample = level == 0 ? 4 : 8;
        std::vector<float> in(static_cast<std::size_t>(m));
        for (int j = 0; j < m; ++j)
            in[static_cast<std::size_t>(j)] = static_cast<float>(codes[j / repeat]) * (1.0f / 2048.0f);
        std::vector<float> out(static_cast<std::size_t>(m * upsample));
        const int limits[] = {256, 128, 64, 32, 16, 8, 4, 2, 1, 0};
        bandLimitedResample(out.data(), in.data(), m, limits[level], upsample);
        const int length = levelLength(level);
        const int step = m * upsample / length;
        const std::int16_t* cycle = bank->levelTable(level, w) + 2;
        for (int k = 0; k < length; ++k)
            ASSERT_NEAR(cycle[k], tableWord(out[static_cast<std::size_t>(k * step)]), 1)
                << "level " << level << " k " << k;
    }
}

TEST(WaveBank, the_code_centre_does_not_matter)
{
    for (int constant : {2048, 0, 1000, 4095}) {
        auto bank = buildBank(testing::wavesResource([&](int, int) { return constant; }));
        for (int level = 0; level < kWaveLevels; ++level)
            for (int w = 0; w < kWaveCount; ++w)
                for (int i = 0; i < levelLength(level) + kGuardWords; ++i)
                    ASSERT_EQ(bank->levelTable(level, w)[i], 0) << constant;
    }
    // A wave shifted by a constant gives the same tables (up to the last bit of rounding).
    auto centred = buildBank(testing::wavesResource(mixedCode));
    auto shifted = buildBank(testing::wavesResource([](int w, int s) { return mixedCode(w, s) - 700; }));
    for (int level = 0; level < kWaveLevels; ++level)
        for (int i = 0; i < levelLength(level) + kGuardWords; ++i)
            ASSERT_NEAR(centred->levelTable(level, 9)[i], shifted->levelTable(level, 9)[i], 1);
}

TEST(WaveBank, guard_words_copy_the_cycle_ends)
{
    auto bank = buildBank(testing::wavesResource(mixedCode));
    for (int level = 0; level < kWaveLevels; ++level) {
        const int length = levelLength(level);
        for (int w = 0; w < kWaveCount; ++w) {
            const std::int16_t* e = bank->levelTable(level, w);
            ASSERT_EQ(e[0], e[length]);
            ASSERT_EQ(e[1], e[length + 1]);
            ASSERT_EQ(e[length + 2], e[2]);
            ASSERT_EQ(e[length + 3], e[3]);
        }
    }
}

TEST(WaveBank, table_words_truncate_toward_zero)
{
    EXPECT_EQ(tableWord(0.99999f), 16383);
    EXPECT_EQ(tableWord(-0.99999f), -16383);
    EXPECT_EQ(tableWord(1.0f), 16384);
    EXPECT_EQ(tableWord(0.5f), 8192);
    EXPECT_EQ(tableWord(0.00006f), 0); // 0.98: truncated, not rounded to 1
    EXPECT_EQ(tableWord(-0.00006f), 0);
    EXPECT_EQ(tableWord(3.0f), 32767); // saturated
    EXPECT_EQ(tableWord(-3.0f), -32768);
}

TEST(WaveBank, a_pure_sine_gives_the_same_sine_on_levels_2_to_8)
{
    auto bank = buildBank(testing::wavesResource(
        [](int, int s) { return 2048 + static_cast<int>(std::lround(2000.0 * std::sin(kTwoPi * s / 128.0))); }));
    // The codes are the sine rounded to integers: +-0.5 code is +-4 table units at the samples,
    // a little more between them once level 2 interpolates the rounding noise.
    const double amplitude = 2000.0 / 2048.0 * 16384.0;
    for (int level = 2; level <= 8; ++level) {
        const int length = levelLength(level);
        const std::int16_t* cycle = bank->levelTable(level, 40) + 2;
        for (int k = 0; k < length; ++k)
            ASSERT_NEAR(cycle[k], amplitude * std::sin(kTwoPi * k / length), 10.0) << "level " << level << " k " << k;
    }
    // Levels 0 and 1 are the stepped cycle: the sine plus its step images, still near the sine.
    for (int level = 0; level <= 1; ++level) {
        const std::int16_t* cycle = bank->levelTable(level, 40) + 2;
        for (int k = 0; k < 2048; ++k)
            ASSERT_NEAR(cycle[k], amplitude * std::sin(kTwoPi * k / 2048.0), amplitude * 0.08);
    }
}

TEST(WaveBank, a_short_or_missing_resource_leaves_the_bank_silent)
{
    const auto full = testing::wavesResource(mixedCode);
    // An exact-size heap copy, so a read past the data is caught by the sanitizers.
    std::vector<unsigned char> shortCopy(full.begin(), full.end() - 1);
    for (std::size_t size : {std::size_t{0}, std::size_t{256}, shortCopy.size()}) {
        WaveBank bank;
        EXPECT_FALSE(bank.build(shortCopy.data(), size));
        EXPECT_TRUE(bank.isReady());
        for (int w = 0; w < kWaveCount; ++w) {
            for (int s = 0; s < 128; ++s)
                ASSERT_EQ(bank.waveData(w)[s], 0);
            for (int level = 0; level < kWaveLevels; ++level)
                for (int i = 0; i < levelLength(level) + kGuardWords; ++i)
                    ASSERT_EQ(bank.levelTable(level, w)[i], 0);
        }
    }
    WaveBank missing;
    EXPECT_FALSE(missing.build(nullptr, 0));
    EXPECT_FALSE(missing.build(nullptr, kWavesResourceSize));
    // Longer than needed is fine: the extra bytes are ignored.
    std::vector<unsigned char> longer(full);
    longer.resize(full.size() + 100, 0xFF);
    WaveBank bank;
    EXPECT_TRUE(bank.build(longer.data(), longer.size()));
    EXPECT_EQ(bank.waveData(93)[127], mixedCode(93, 127));
}

TEST(WaveBank, a_fresh_bank_is_silent_and_not_ready)
{
    WaveBank bank;
    EXPECT_FALSE(bank.isReady());
    EXPECT_EQ(bank.levelTable(0, 0)[100], 0);
    EXPECT_EQ(levelLength(0), 2048);
    EXPECT_EQ(levelLength(2), 1024);
    EXPECT_EQ(levelLength(4), 256);
    EXPECT_EQ(levelLength(9), 128);
}

TEST(WaveBank, band_limited_resample_keeps_amplitude_and_phase)
{
    std::vector<float> in(64);
    for (int j = 0; j < 64; ++j)
        in[static_cast<std::size_t>(j)] = static_cast<float>(0.3 + 0.5 * std::sin(kTwoPi * 2 * j / 64.0 + 0.4)
                                                             + 0.25 * std::cos(kTwoPi * 9 * j / 64.0));
    std::vector<float> out(256);
    bandLimitedResample(out.data(), in.data(), 64, 4, 4);
    for (int j = 0; j < 256; ++j)
        ASSERT_NEAR(out[static_cast<std::size_t>(j)], 0.5 * std::sin(kTwoPi * 2 * j / 256.0 + 0.4), 1e-6);
    bandLimitedResample(out.data(), in.data(), 64, 0, 4);
    for (float v : out)
        ASSERT_EQ(v, 0.0f);
}

TEST(Fft, matches_a_direct_transform_and_inverts)
{
    for (int n : {1, 2, 4, 8, 16, 64, 2048, 32768}) {
        std::mt19937 random(static_cast<unsigned>(n));
        std::uniform_real_distribution<double> value(-1.0, 1.0);
        std::vector<double> data(static_cast<std::size_t>(2 * n));
        for (double& v : data)
            v = value(random);
        const std::vector<double> input = data;
        fft(data.data(), n, 1);
        if (n <= 64) {
            for (int k = 0; k < n; ++k) {
                std::complex<double> sum;
                for (int j = 0; j < n; ++j)
                    sum += std::complex<double>(input[static_cast<std::size_t>(2 * j)],
                                                input[static_cast<std::size_t>(2 * j + 1)])
                        * std::polar(1.0, -kTwoPi * j * k / n);
                ASSERT_NEAR(data[static_cast<std::size_t>(2 * k)], sum.real(), 1e-12) << n;
                ASSERT_NEAR(data[static_cast<std::size_t>(2 * k + 1)], sum.imag(), 1e-12) << n;
            }
        }
        fft(data.data(), n, -1);
        for (std::size_t i = 0; i < data.size(); ++i)
            ASSERT_NEAR(data[i], input[i], 1e-13) << n;
    }
}

TEST(Fft, unit_roots_are_accurate)
{
    for (int n : {8, 128, 1024, 16384, 1 << 20})
        for (long long k = -3; k < n + 3; k += std::max(1, n / 997)) {
            double c = 0.0;
            double s = 0.0;
            unitRoot(k, n, c, s);
            ASSERT_NEAR(c, std::cos(kTwoPi * static_cast<double>(k) / n), 1e-15);
            ASSERT_NEAR(s, std::sin(kTwoPi * static_cast<double>(k) / n), 1e-15);
        }
}

TEST(Fft, magnitude_spectrum_gives_harmonic_amplitudes)
{
    std::vector<float> in(128);
    for (int j = 0; j < 128; ++j)
        in[static_cast<std::size_t>(j)] = static_cast<float>(0.25 + 0.5 * std::sin(kTwoPi * 3 * j / 128.0 + 1.0)
                                                             + 0.125 * std::cos(kTwoPi * 63 * j / 128.0));
    std::vector<float> out(64);
    magnitudeSpectrum(in.data(), out.data(), 128);
    EXPECT_NEAR(out[0], 0.5, 1e-6); // twice the mean
    EXPECT_NEAR(out[3], 0.5, 1e-6);
    EXPECT_NEAR(out[63], 0.125, 1e-6);
    EXPECT_NEAR(out[1], 0.0, 1e-6);
}

} // namespace
} // namespace ostrel
