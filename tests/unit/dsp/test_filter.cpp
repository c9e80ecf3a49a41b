#include "dsp/multimode_filter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <thread>
#include <vector>

namespace ostrel {
namespace {

constexpr std::uint32_t kRate = 88200; // internal rate for a host at 44100 Hz
constexpr int kBlock = 64;

std::vector<float> sine(double hz, double rate, int n, float amplitude = 0.5f)
{
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j)
        v[static_cast<std::size_t>(j)] =
            amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * j / rate));
    return v;
}

// Runs the signal through the filter in 64-sample blocks with fixed settings.
std::vector<float> filterSignal(MultimodeFilter& f, const std::vector<float>& in, double cutoff, double res,
                                std::uint32_t mode)
{
    std::vector<float> out(in.size());
    for (std::size_t at = 0; at + kBlock <= in.size(); at += kBlock) {
        f.setCutoff(cutoff);
        f.setResonance(res);
        f.setMode(mode);
        f.processBlock(out.data() + at, in.data() + at, kBlock);
    }
    return out;
}

double peak(const std::vector<float>& v, std::size_t from, std::size_t to)
{
    double m = 0.0;
    for (std::size_t i = from; i < to && i < v.size(); ++i)
        m = std::max(m, static_cast<double>(std::fabs(v[i])));
    return m;
}

// ---- tables ---------------------------------------------------------------------------------

TEST(FilterTables, ValuesAtTheHostRateOf44100)
{
    MultimodeFilter f(kRate);
    const FilterTables& t = f.tables();
    EXPECT_NEAR(t.tuning[96], 0.001422, 1e-6);
    EXPECT_NEAR(t.resonance[96], 0.997634, 1e-6);
    EXPECT_NEAR(t.tuning[256], 0.044111, 1e-6);
    EXPECT_NEAR(t.resonance[256], 1.022687, 1e-6);
    EXPECT_NEAR(t.tuning[352], 0.28846, 1e-5);
    EXPECT_NEAR(t.resonance[352], 1.157469, 1e-6);
    EXPECT_NEAR(t.tuning[416], 0.764743, 1e-6);
    EXPECT_NEAR(t.resonance[416], 1.002763, 1e-6);
    // From 433 on the frequency is capped at a third of the rate.
    EXPECT_LT(t.tuning[432], t.tuning[433]);
    for (int i = 433; i < FilterTables::kCutoffSize; ++i) {
        EXPECT_NEAR(t.tuning[static_cast<std::size_t>(i)], 0.93975, 1e-5) << i;
        EXPECT_NEAR(t.resonance[static_cast<std::size_t>(i)], 0.474556, 1e-6) << i;
    }
}

TEST(FilterTables, InterpolationFloorsNegativeCoordinates)
{
    // A table holding its own index makes the look-up return the coordinate itself.
    std::array<float, 8> ramp{};
    for (int i = 0; i < 8; ++i)
        ramp[static_cast<std::size_t>(i)] = static_cast<float>(i);
    EXPECT_NEAR(FilterTables::interpolate(ramp, 2.25), 2.25, 1e-6);
    EXPECT_EQ(floorToInt(-3.7f), -4);
    EXPECT_EQ(floorToInt(-4.0f), -4);
    EXPECT_EQ(floorToInt(3.7f), 3);
    EXPECT_EQ(floorToInt(-0.0001f), -1);
}

TEST(FilterTables, OneSetPerRateSharedAndIndependentOfOtherRates)
{
    MultimodeFilter a(kRate);
    MultimodeFilter b(96000);
    MultimodeFilter c(kRate);
    EXPECT_EQ(&a.tables(), &c.tables());
    EXPECT_NE(&a.tables(), &b.tables());
    // Building a filter at another rate leaves the first rate's values alone.
    EXPECT_NEAR(a.tables().tuning[416], 0.764743, 1e-6);
    EXPECT_NE(a.tables().tuning[416], b.tables().tuning[416]);
    EXPECT_EQ(b.tables().sampleRate, 96000u);
}

TEST(FilterTables, FiltersAtDifferentRatesGiveTheirOwnOutput)
{
    // A filter at 88200 Hz gives the same output whether or not one at 48000 Hz exists.
    const auto in = sine(500.0, kRate, 1024);
    MultimodeFilter alone(kRate);
    const auto expected = filterSignal(alone, in, 6.0, 0.3, 0);

    MultimodeFilter first(kRate);
    MultimodeFilter other(48000);
    std::vector<float> scratch(in.size());
    other.processBlock(scratch.data(), in.data(), kBlock);
    const auto got = filterSignal(first, in, 6.0, 0.3, 0);
    EXPECT_EQ(got, expected);
}

TEST(FilterTables, ConcurrentCreationGivesOneSet)
{
    std::vector<std::shared_ptr<const FilterTables>> got(4);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < got.size(); ++i)
        threads.emplace_back([&got, i] { got[i] = FilterTables::forSampleRate(123456); });
    for (auto& t : threads)
        t.join();
    for (const auto& p : got)
        EXPECT_EQ(p.get(), got[0].get());
}

// ---- settings -------------------------------------------------------------------------------

TEST(MultimodeFilterSettings, CutoffCoordinateIsClamped)
{
    MultimodeFilter f(kRate);
    f.setCutoff(20.0);
    EXPECT_DOUBLE_EQ(f.cutoffTargetCoordinate(), 15.9);
    f.setCutoff(-5.0);
    EXPECT_DOUBLE_EQ(f.cutoffTargetCoordinate(), 0.1);
    f.setCutoff(0.0);
    EXPECT_DOUBLE_EQ(f.cutoffTargetCoordinate(), 3.0);
    EXPECT_NEAR(f.coefficientTarget(), 0.001422, 1e-6);
    f.setCutoff(std::nan(""));
    EXPECT_DOUBLE_EQ(f.cutoffTargetCoordinate(), 0.1);
    f.setCutoff(std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(f.cutoffTargetCoordinate(), 15.9);
    f.setCutoff(-std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(f.cutoffTargetCoordinate(), 0.1);
}

TEST(MultimodeFilterSettings, StartsAt20HzWithMatchingCoefficients)
{
    MultimodeFilter f(kRate);
    EXPECT_DOUBLE_EQ(f.cutoffStart(), 3.0);
    EXPECT_DOUBLE_EQ(f.cutoffTargetCoordinate(), 3.0);
    EXPECT_DOUBLE_EQ(f.coefficientStart(), f.coefficientTarget());
    EXPECT_EQ(f.currentMode(), 0u);
}

TEST(MultimodeFilterSettings, ModesOutsideTheTableSelectMode0)
{
    MultimodeFilter f(kRate);
    f.setMode(9);
    EXPECT_EQ(f.currentMode(), 9u);
    f.setMode(16);
    EXPECT_EQ(f.currentMode(), 0u);
    f.setMode(static_cast<std::uint32_t>(-1));
    EXPECT_EQ(f.currentMode(), 0u);
    EXPECT_EQ(MultimodeFilter::typeOfMode(16), MultimodeFilter::typeOfMode(0));

    // Mode 16 sounds exactly like mode 0.
    const auto in = sine(300.0, kRate, 512);
    MultimodeFilter m0(kRate), m16(kRate);
    EXPECT_EQ(filterSignal(m0, in, 7.0, 0.5, 0), filterSignal(m16, in, 7.0, 0.5, 16));
}

TEST(MultimodeFilterSettings, TypeNamesFollowTheModes)
{
    const char* expected[16] = {"4P LP",        "2P LP",        "4P BP", "2P BP", "3P HP + 1PLP", "2P HP + 1PLP",
                                "3P AP + 1PLP", "2P N  + 1PLP", "3P LP", "1P LP", "2P HP + 1PLP", "1P HP",
                                "3P HP",        "2P HP",        "3P AP", "2P N"};
    for (std::uint32_t m = 0; m < 16; ++m)
        EXPECT_STREQ(MultimodeFilter::typeName(MultimodeFilter::typeOfMode(m)), expected[m]) << m;
}

TEST(MultimodeFilterSettings, ResonanceStaysFinite)
{
    MultimodeFilter f(kRate);
    f.setResonance(0.8);
    EXPECT_DOUBLE_EQ(f.currentResonance(), 0.8);
    f.setResonance(1.3); // unclamped inside the safe range
    EXPECT_DOUBLE_EQ(f.currentResonance(), 1.3);
    f.setResonance(std::nan(""));
    EXPECT_DOUBLE_EQ(f.currentResonance(), 0.0);
    f.setResonance(std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(f.currentResonance(), MultimodeFilter::kMaxResonance);
}

// ---- ramps ----------------------------------------------------------------------------------

TEST(MultimodeFilterRamps, SameCutoffTwiceKeepsTheCoefficientConstant)
{
    MultimodeFilter f(kRate);
    std::vector<float> buf(kBlock, 0.0f);
    f.setCutoff(5.0);
    f.processBlock(buf.data(), buf.data(), kBlock);
    f.setCutoff(5.0);
    EXPECT_DOUBLE_EQ(f.coefficientStart(), f.coefficientTarget());
    EXPECT_DOUBLE_EQ(f.cutoffStart(), f.cutoffTargetCoordinate());
}

TEST(MultimodeFilterRamps, ChangeReachesItsTargetOneBlockLater)
{
    MultimodeFilter f(kRate);
    std::vector<float> buf(kBlock, 0.0f);
    f.setCutoff(2.0);
    f.processBlock(buf.data(), buf.data(), kBlock);
    const double g2 = f.coefficientTarget();
    f.setCutoff(8.0);
    const double g8 = f.coefficientTarget();
    // The block about to run ramps from the old coefficient to the new one ...
    EXPECT_DOUBLE_EQ(f.coefficientStart(), g2);
    f.processBlock(buf.data(), buf.data(), kBlock);
    // ... so the next one starts at the new value.
    EXPECT_DOUBLE_EQ(f.coefficientStart(), g8);
    EXPECT_DOUBLE_EQ(f.cutoffStart(), 11.0);
}

// Slow per-sample version of the filter with the ramps written out, to check the block loop.
struct ReferenceFilter {
    const FilterTables& t;
    double y1 = 0, y2 = 0, y3 = 0, y4 = 0, delayed = 0;
    double cutoffPrev = 3.0, gPrev;
    std::uint32_t seed = 22222;

    explicit ReferenceFilter(const FilterTables& tables) : t(tables)
    {
        gPrev = static_cast<double>(FilterTables::interpolate(t.tuning, 96.0));
    }

    void block(float* out, const float* in, int n, double cutoff, double res, int mode)
    {
        static const int types[16] = {6, 4, 0, 7, 1, 5, 2, 3, 14, 12, 8, 15, 9, 13, 10, 11};
        static const double rows[8][4] = {{0, -1, 2, -1}, {1, -3, 3, -1}, {1, -3, 6, -4}, {1, -2, 2, 0},
                                          {0, -1, 0, 0},  {1, -2, 1, 0},  {0, 0, 0, 1},   {1, -1, 0, 0}};
        static const float gains[16] = {3,    2,    1,    1,    1,           1.5f, 1, 1.5f,
                                        1.5f, 0.5f, 0.5f, 0.5f, 2.0f / 3.0f, 0.5f, 1, 0.5f};
        const double x = std::min(15.9, std::max(0.1, cutoff + 3.0));
        const auto gT = static_cast<double>(FilterTables::interpolate(t.tuning, 32.0 * x));
        const auto a0 = static_cast<double>(FilterTables::interpolate(t.resonance, 32.0 * cutoffPrev));
        const auto a1 = static_cast<double>(FilterTables::interpolate(t.resonance, 32.0 * x));
        const int type = types[mode];
        const bool three = type > 7;
        for (int j = 0; j < n; ++j) {
            const double frac = static_cast<double>(j) / n;
            const double g = gPrev + (gT - gPrev) * frac;
            const double k = (a0 + (a1 - a0) * frac) * res * 4.15 * (three ? 2.0 : 1.0) * 2.0;
            seed = seed * 196314165u + 907633515u;
            const double u = static_cast<double>(in[j]) + static_cast<std::int32_t>(seed) * 5e-13;
            const double s = std::tanh(0.5 * (y4 - 0.5 * u));
            const double x0 = u - k * s;
            if (three) {
                y1 = x0;
                y2 += g * (0.75 * x0 + 0.25 * delayed - y2);
            } else {
                y1 += g * (x0 - y1);
                y2 += g * (0.5 * (y1 + delayed) - y2);
            }
            delayed = y1;
            y3 += g * (y2 - y3);
            y4 += g * (y3 - y4);
            const double* w = rows[type % 8];
            out[j] =
                static_cast<float>(static_cast<double>(gains[type]) * (w[0] * y1 + w[1] * y2 + w[2] * y3 + w[3] * y4));
        }
        gPrev = gT;
        cutoffPrev = x;
    }
};

TEST(MultimodeFilterRamps, MatchesASlowReferenceThroughChangingSettings)
{
    MultimodeFilter f(kRate);
    ReferenceFilter ref(f.tables());
    const auto in = sine(220.0, kRate, 64 * 40, 0.8f);
    std::vector<float> got(in.size()), want(in.size());
    for (int b = 0; b < 40; ++b) {
        const double cutoff = -1.0 + 0.3 * b;
        const double res = 0.02 * b;
        const int mode = b % 16;
        const std::size_t at = static_cast<std::size_t>(b * kBlock);
        f.setCutoff(cutoff);
        f.setResonance(res);
        f.setMode(static_cast<std::uint32_t>(mode));
        f.processBlock(got.data() + at, in.data() + at, kBlock);
        ref.block(want.data() + at, in.data() + at, kBlock, cutoff, res, mode);
    }
    // The table saturation and the ramp accumulation differ from the exact forms by rounding.
    for (std::size_t i = 0; i < in.size(); ++i)
        ASSERT_NEAR(got[i], want[i], 2e-4) << "sample " << i;
}

TEST(MultimodeFilterRamps, ShortBlocksAndNonPositiveCounts)
{
    MultimodeFilter f(kRate);
    float x[3] = {1.0f, 2.0f, 3.0f};
    f.processBlock(x, x, 0);
    f.processBlock(x, x, -5);
    EXPECT_EQ(x[0], 1.0f);
    EXPECT_EQ(x[2], 3.0f);
    f.setCutoff(4.0);
    f.processBlock(x, x, 3);
    EXPECT_DOUBLE_EQ(f.coefficientStart(), f.coefficientTarget());
    for (float v : x)
        EXPECT_TRUE(std::isfinite(v));
}

// ---- signals --------------------------------------------------------------------------------

TEST(MultimodeFilterSignal, SilenceGivesOnlyTheFilteredDither)
{
    MultimodeFilter f(kRate);
    std::vector<float> silence(64 * 50, 0.0f);
    const auto out = filterSignal(f, silence, 12.9, 0.0, 0);
    double largest = 0.0;
    int nonZero = 0;
    for (float v : out) {
        largest = std::max(largest, static_cast<double>(std::fabs(v)));
        nonZero += v != 0.0f ? 1 : 0;
    }
    EXPECT_GT(nonZero, 3000);
    EXPECT_LE(largest, 0.00108);
}

TEST(MultimodeFilterSignal, DitherSeedCanBeSharedBetweenFilters)
{
    NoiseSeed seed;
    MultimodeFilter a(kRate, &seed), b(kRate, &seed);
    MultimodeFilter own(kRate);
    std::vector<float> silence(kBlock, 0.0f), outA(kBlock), outB(kBlock), outOwn(kBlock);
    a.processBlock(outA.data(), silence.data(), kBlock);
    b.processBlock(outB.data(), silence.data(), kBlock);
    own.processBlock(outOwn.data(), silence.data(), kBlock);
    EXPECT_EQ(outA, outOwn); // both start from 22222
    EXPECT_NE(outB, outA);   // b continued the shared sequence
    EXPECT_NE(seed.value, NoiseSeed::kInitial);
}

TEST(MultimodeFilterSignal, Mode0AtTheTopCoordinatePassesATone)
{
    MultimodeFilter f(kRate);
    const auto in = sine(1000.0, kRate, 64 * 100);
    const auto out = filterSignal(f, in, 20.0, 0.0, 0);
    EXPECT_NEAR(peak(out, 3200, out.size()), 0.5, 0.01);
}

TEST(MultimodeFilterSignal, Mode0AtTheBottomCoordinatePassesAlmostNothing)
{
    // Tone response = output with the tone minus output of silence (same dither sequence).
    // The tone fades in over 50 ms so its start has no low-frequency content to leak through
    // the 2.7 Hz low-pass.
    std::vector<float> tone(64 * 300), silence(tone.size(), 0.0f);
    const double fade = 0.05 * kRate;
    for (std::size_t j = 0; j < tone.size(); ++j) {
        const double t = static_cast<double>(j);
        const double env = t < fade ? 0.5 - 0.5 * std::cos(std::numbers::pi * t / fade) : 1.0;
        tone[j] = static_cast<float>(0.5 * env * std::sin(2.0 * std::numbers::pi * 1000.0 * t / kRate));
    }
    MultimodeFilter a(kRate), b(kRate);
    const auto withTone = filterSignal(a, tone, -20.0, 0.0, 0);
    const auto withoutTone = filterSignal(b, silence, -20.0, 0.0, 0);
    double largest = 0.0;
    for (std::size_t i = 6400; i < tone.size(); ++i)
        largest = std::max(largest, std::fabs(static_cast<double>(withTone[i]) - static_cast<double>(withoutTone[i])));
    EXPECT_LT(largest, 1e-6);
    EXPECT_DOUBLE_EQ(a.cutoffTargetCoordinate(), 0.1);
}

TEST(MultimodeFilterSignal, Modes1And9InvertTheSignal)
{
    // A slow tone through the low-pass rows with weight -1 on the second stage.
    const auto in = sine(50.0, kRate, 64 * 100);
    for (std::uint32_t mode : {1u, 9u}) {
        MultimodeFilter f(kRate);
        const auto out = filterSignal(f, in, 12.0, 0.0, mode);
        const double expectedGain = mode == 1 ? 1.0 : 2.0 / 3.0;
        double correlation = 0.0, energy = 0.0;
        for (std::size_t i = 3200; i < in.size(); ++i) {
            correlation += static_cast<double>(out[i]) * static_cast<double>(in[i]);
            energy += static_cast<double>(in[i]) * static_cast<double>(in[i]);
        }
        EXPECT_NEAR(correlation / energy, -expectedGain, 0.02) << "mode " << mode;
    }
}

TEST(MultimodeFilterSignal, HighPassModesBlockDirectCurrent)
{
    std::vector<float> dc(64 * 200, 0.5f);
    for (std::uint32_t mode : {4u, 5u, 11u, 12u, 13u}) {
        MultimodeFilter f(kRate);
        const auto out = filterSignal(f, dc, 6.0, 0.0, mode);
        EXPECT_LT(peak(out, out.size() - 64, out.size()), 0.01) << "mode " << mode;
    }
}

double ringingAfterImpulse(std::uint32_t mode, std::size_t from, std::size_t to)
{
    MultimodeFilter f(kRate);
    std::vector<float> in(to, 0.0f);
    in[0] = 1.0f;
    const auto out = filterSignal(f, in, 5.0, 1.0, mode);
    return peak(out, from, to);
}

TEST(MultimodeFilterSignal, FullResonanceRingsLongInModes0And8)
{
    // Half a second after the impulse the ringing is still far above the dither floor.
    EXPECT_GT(ringingAfterImpulse(0, 44100, 44100 + 6400), 0.01);
    EXPECT_GT(ringingAfterImpulse(8, 44100, 44100 + 6400), 0.01);
    // Without resonance the same impulse has died away.
    MultimodeFilter f(kRate);
    std::vector<float> in(44100 + 6400, 0.0f);
    in[0] = 1.0f;
    EXPECT_LT(peak(filterSignal(f, in, 5.0, 0.0, 0), 44100, in.size()), 0.002);
}

TEST(MultimodeFilterSignal, HugeInputsAtHighResonanceStayFinite)
{
    // Drives the saturation far beyond its table in the three-pole structure.
    std::vector<float> loud = sine(3000.0, kRate, 64 * 50, 1.0e6f);
    for (std::uint32_t mode : {0u, 8u, 14u}) {
        MultimodeFilter f(kRate);
        const auto out = filterSignal(f, loud, 8.0, 1.0, mode);
        for (float v : out)
            ASSERT_TRUE(std::isfinite(v));
    }
}

TEST(MultimodeFilterSignal, InPlaceEqualsSeparateBuffers)
{
    const auto in = sine(700.0, kRate, 64 * 10);
    MultimodeFilter a(kRate), b(kRate);
    const auto separate = filterSignal(a, in, 6.0, 0.7, 3);
    std::vector<float> buf = in;
    for (std::size_t at = 0; at < buf.size(); at += kBlock) {
        b.setCutoff(6.0);
        b.setResonance(0.7);
        b.setMode(3);
        b.processBlock(buf.data() + at, buf.data() + at, kBlock);
    }
    EXPECT_EQ(buf, separate);
}

TEST(MultimodeFilterSignal, TinyStateValuesAreFlushedAfterABlock)
{
    MultimodeFilter f(kRate);
    std::vector<float> in(kBlock, 0.0f), out(kBlock);
    in[0] = 1.0f;
    f.processBlock(out.data(), in.data(), kBlock);
    for (double v : f.stateValues())
        EXPECT_TRUE(v == 0.0 || std::fabs(v) >= 1e-15);
}

} // namespace
} // namespace ostrel
