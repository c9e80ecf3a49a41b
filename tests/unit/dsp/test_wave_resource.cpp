// The committed "WAVES" resource (resources/waves.bin): its format, and measured spectra of
// signature waves, so each recipe sounds like its name says.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "dsp/fft.h"
#include "dsp/wave_bank.h"

namespace ostrel {
namespace {

std::string sourceDir()
{
    if (const char* dir = std::getenv("OSTREL_SOURCE_DIR"))
        return dir;
    std::string file = __FILE__; // .../tests/unit/dsp/test_wave_resource.cpp
    for (int i = 0; i < 4; ++i)
        file = file.substr(0, file.find_last_of("/\\"));
    return file;
}

const std::vector<unsigned char>& committedWaves()
{
    static const std::vector<unsigned char> bytes = [] {
        std::vector<unsigned char> data;
        const std::string path = sourceDir() + "/resources/waves.bin";
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            unsigned char chunk[4096];
            for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;)
                data.insert(data.end(), chunk, chunk + got);
            std::fclose(f);
        }
        return data;
    }();
    return bytes;
}

int code(int wave, int s)
{
    const auto& b = committedWaves();
    return b[static_cast<std::size_t>(256 * wave + 2 * s)] | (b[static_cast<std::size_t>(256 * wave + 2 * s + 1)] << 8);
}

// Harmonic levels 1..63 of a stored wave in dB relative to its strongest harmonic (-200 for
// none), measured the way the wave selector does.
std::vector<double> spectrumDb(int wave)
{
    std::vector<float> in(128);
    for (int s = 0; s < 128; ++s)
        in[static_cast<std::size_t>(s)] = static_cast<float>(code(wave, s) - 2048) / 2048.0f;
    std::vector<float> magnitude(64);
    magnitudeSpectrum(in.data(), magnitude.data(), 128);
    const float strongest = *std::max_element(magnitude.begin() + 1, magnitude.end());
    std::vector<double> db(64, -200.0);
    for (int k = 1; k < 64; ++k)
        if (magnitude[static_cast<std::size_t>(k)] > 0.0f)
            db[static_cast<std::size_t>(k)] =
                20.0 * std::log10(static_cast<double>(magnitude[static_cast<std::size_t>(k)] / strongest));
    return db;
}

// The index of a wave by its shown number (index + 32).
constexpr int number(int shown)
{
    return shown - kWaveNumberOffset;
}

// Harmonics above this are the 12-bit rounding floor, not part of the recipe.
constexpr double kAbsent = -50.0;

void expectOnly(int wave, std::initializer_list<int> present)
{
    const auto db = spectrumDb(wave);
    for (int k = 1; k < 64; ++k) {
        const bool wanted = std::find(present.begin(), present.end(), k) != present.end();
        if (wanted)
            EXPECT_GT(db[static_cast<std::size_t>(k)], -20.0) << waveName(wave) << " harmonic " << k;
        else
            EXPECT_LT(db[static_cast<std::size_t>(k)], kAbsent) << waveName(wave) << " harmonic " << k;
    }
}

int strongestIn(const std::vector<double>& db, int from, int to)
{
    int best = from;
    for (int k = from; k <= to; ++k)
        if (db[static_cast<std::size_t>(k)] > db[static_cast<std::size_t>(best)])
            best = k;
    return best;
}

// Power-weighted mean harmonic number of a spectrum in dB (as spectrumDb gives it).
double powerCentroid(const std::vector<double>& db)
{
    double sum = 0.0;
    double weighted = 0.0;
    for (int k = 1; k < 64; ++k) {
        const double power = std::pow(10.0, db[static_cast<std::size_t>(k)] / 10.0);
        sum += power;
        weighted += k * power;
    }
    return weighted / sum;
}

TEST(StoredWaves, resource_has_94_normalised_12_bit_cycles)
{
    ASSERT_EQ(committedWaves().size(), kWavesResourceSize);
    for (int w = 0; w < kStoredWaveCount; ++w) {
        int lo = 4095;
        int hi = 0;
        for (int s = 0; s < 128; ++s) {
            ASSERT_GE(code(w, s), 0);
            ASSERT_LE(code(w, s), 4095);
            lo = std::min(lo, code(w, s));
            hi = std::max(hi, code(w, s));
        }
        // Peak-normalised: one side reaches 2048 +- 2032, and the wave swings widely.
        EXPECT_EQ(std::max(hi - 2048, 2048 - lo), 2032) << waveName(w);
    }
    WaveBank bank;
    EXPECT_TRUE(bank.build(committedWaves().data(), committedWaves().size()));
}

TEST(StoredWaves, sine_is_one_harmonic)
{
    expectOnly(number(32), {1});
}

TEST(StoredWaves, saw_and_square_follow_one_over_k)
{
    const auto saw = spectrumDb(number(33));
    const auto square = spectrumDb(number(34));
    for (int k = 1; k <= 40; ++k) {
        const double expected = -20.0 * std::log10(k);
        EXPECT_NEAR(saw[static_cast<std::size_t>(k)], expected, 0.3) << k;
        if (k % 2 == 1)
            EXPECT_NEAR(square[static_cast<std::size_t>(k)], expected, 0.3) << k;
        else
            EXPECT_LT(square[static_cast<std::size_t>(k)], kAbsent) << k;
    }
}

TEST(StoredWaves, three_and_five_is_harmonics_3_and_5)
{
    expectOnly(number(56), {3, 5});
}

TEST(StoredWaves, nofund_has_no_fundamental_and_litefund_a_weak_one)
{
    const auto noFund = spectrumDb(number(109));
    EXPECT_LT(noFund[1], kAbsent);
    EXPECT_NEAR(noFund[2], 0.0, 0.1);
    const auto liteFund = spectrumDb(number(111));
    EXPECT_LT(liteFund[1], liteFund[2] - 6.0);
    EXPECT_GT(liteFund[1], -20.0);
}

TEST(StoredWaves, pulses_are_narrow)
{
    // A pulse of width 1/w has a nearly flat spectrum up to a null at harmonic w.
    const auto pulse1 = spectrumDb(number(45));
    const auto pulse2 = spectrumDb(number(46));
    EXPECT_GT(pulse1[4], -6.0);
    EXPECT_LT(pulse1[8], kAbsent);
    EXPECT_GT(pulse2[8], -6.0);
    EXPECT_LT(pulse2[16], kAbsent);
    // Narrow: the positive excursion is short.
    int high = 0;
    for (int s = 0; s < 128; ++s)
        high += code(number(46), s) > 2048 + 1000 ? 1 : 0;
    EXPECT_LE(high, 10);
}

TEST(StoredWaves, interval_stacks_hold_their_intervals)
{
    expectOnly(number(116), {1, 3});
    expectOnly(number(117), {1, 2, 4});
    expectOnly(number(118), {1, 2, 4, 8, 16});
    // Saws on 1, 3 and 5: harmonic 15 belongs to all three and stands out from its neighbours.
    const auto chord = spectrumDb(number(115));
    EXPECT_GT(chord[15], chord[14] + 10.0);
    EXPECT_GT(chord[15], chord[16] + 10.0);
    // Squares on 1 and 3: only odd harmonics, with every third one reinforced.
    const auto sqr5th = spectrumDb(number(121));
    EXPECT_LT(sqr5th[2], kAbsent);
    EXPECT_GT(sqr5th[9], sqr5th[7] + 5.0);
    // Saws an octave and two octaves up: even harmonics outweigh their odd neighbours.
    const auto saw2Oct = spectrumDb(number(120));
    EXPECT_GT(saw2Oct[4], saw2Oct[3] + 5.0);
    EXPECT_GT(saw2Oct[8], saw2Oct[7] + 5.0);
}

TEST(StoredWaves, vowels_put_their_formants_on_the_right_harmonics)
{
    // At middle C (261.6 Hz) harmonic k sits at 261.6 k Hz.
    // "ah": F1 730 Hz and F2 1090 Hz on harmonics 3 and 4.
    const auto ahh = spectrumDb(number(42));
    const int ahhPeak = strongestIn(ahh, 1, 12);
    EXPECT_TRUE(ahhPeak == 3 || ahhPeak == 4) << ahhPeak;
    // "ee": F1 270 Hz on the fundamental, F2/F3 (2290/3010 Hz) on harmonics 8..12.
    const auto ee = spectrumDb(number(49));
    EXPECT_EQ(strongestIn(ee, 1, 63), 1);
    const int eeUpper = strongestIn(ee, 4, 20);
    EXPECT_GE(eeUpper, 8);
    EXPECT_LE(eeUpper, 12);
    EXPECT_GT(ee[static_cast<std::size_t>(eeUpper)], ee[5] + 10.0);
    // "oo": nearly all fundamental, nothing strong above 1 kHz.
    const auto oo = spectrumDb(number(48));
    EXPECT_EQ(strongestIn(oo, 1, 63), 1);
    for (int k = 5; k < 64; ++k)
        EXPECT_LT(oo[static_cast<std::size_t>(k)], -30.0) << k;
    // F2 of "oo" lies on the 3rd harmonic, which stands above the 2nd.
    EXPECT_GT(oo[3], oo[2]);
    // "ee" is clearly the brighter vowel: its power-weighted centroid (in harmonics) is at
    // least 1.5 times that of "oo".
    EXPECT_GT(powerCentroid(ee), 1.5 * powerCentroid(oo));
    // Female "ah" has its first formant higher than the bass singer's.
    const int femF1 = strongestIn(spectrumDb(number(71)), 1, 6);
    const int bassF1 = strongestIn(spectrumDb(number(73)), 1, 6);
    EXPECT_GE(femF1, bassF1);
}

TEST(StoredWaves, warmlo_is_dark)
{
    const auto db = spectrumDb(number(124));
    for (int k = 5; k < 64; ++k)
        EXPECT_LT(db[static_cast<std::size_t>(k)], -35.0) << k;
}

TEST(StoredWaves, bells_are_clusters_of_upper_partials)
{
    // At least a quarter of a bell's energy lies in harmonics 5 and up (a saw: 13 %), with a
    // strong partial there; sine-like waves have almost none.
    auto upperShare = [](int wave) {
        std::vector<float> in(128);
        for (int s = 0; s < 128; ++s)
            in[static_cast<std::size_t>(s)] = static_cast<float>(code(wave, s) - 2048);
        std::vector<float> m(64);
        magnitudeSpectrum(in.data(), m.data(), 128);
        double all = 0.0;
        double upper = 0.0;
        for (int k = 1; k < 64; ++k) {
            const double e = static_cast<double>(m[static_cast<std::size_t>(k)])
                * static_cast<double>(m[static_cast<std::size_t>(k)]);
            all += e;
            upper += k >= 5 ? e : 0.0;
        }
        return upper / all;
    };
    EXPECT_LT(upperShare(number(33)), 0.14);
    for (int shown : {35, 36, 37, 38, 39, 44, 60, 89, 93, 99, 100, 102, 113, 114, 125}) {
        EXPECT_GT(upperShare(number(shown)), 0.25) << waveName(number(shown));
        const auto db = spectrumDb(number(shown));
        EXPECT_GT(db[static_cast<std::size_t>(strongestIn(db, 5, 63))], -12.0) << waveName(number(shown));
    }
}

TEST(StoredWaves, organs_are_drawbar_harmonics)
{
    // 68 MelOrg: drawbars 00 8520 000, harmonics 1, 2, 3 only.
    expectOnly(number(68), {1, 2, 3});
    // 112 MelOrg: drawbars 00 8030 030, harmonics 1, 3, 6.
    expectOnly(number(112), {1, 3, 6});
}

} // namespace
} // namespace ostrel
