#include "dsp/chorus.h"
#include "dsp/delay_line.h"
#include "dsp/random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

namespace ostrel {
namespace {

constexpr int kRate = 88200;
constexpr int kBlock = 64;

void run(Chorus& c, std::vector<float>& buf)
{
    for (std::size_t at = 0; at + kBlock <= buf.size(); at += kBlock)
        c.processBlock(buf.data() + at, buf.data() + at, kBlock);
}

TEST(RandomGenerator, MatchesTheClassicLibrarySequence)
{
    Random r;
    EXPECT_EQ(r.next(), 41);
    EXPECT_EQ(r.next(), 18467);
    EXPECT_EQ(r.next(), 6334);
    EXPECT_EQ(r.next(), 26500);
    EXPECT_EQ(r.next(), 19169);
    Random s(12345);
    for (int i = 0; i < 1000; ++i) {
        const int v = s.next();
        ASSERT_GE(v, 0);
        ASSERT_LE(v, Random::kMax);
    }
}

TEST(DelayLine, SizeIsAPowerOfTwoOfAtLeast2048)
{
    EXPECT_EQ(DelayLine(0).size(), 2048u);
    EXPECT_EQ(DelayLine(2048).size(), 2048u);
    EXPECT_EQ(DelayLine(2049).size(), 4096u);
    EXPECT_EQ(DelayLine(5000).size(), 8192u);
    DelayLine line;
    EXPECT_EQ(line.indexMask(), 2047u);
    for (int i = 0; i < 2050; ++i)
        line.write(static_cast<float>(i));
    EXPECT_EQ(line.writePosition(), 2u);
    EXPECT_EQ(line.read(1), 2049.0f);
    EXPECT_EQ(line.read(2048), 2.0f);
}

TEST(ChorusSetup, RateFactorsDrawnInTapOrder)
{
    Random random;
    Chorus c(kRate, random);
    Random expected;
    for (int k = 0; k < 3; ++k) {
        const float f = static_cast<float>(0.95 + 0.1 * expected.next() / 32767.0);
        EXPECT_FLOAT_EQ(c.rateFactor(k), f);
        EXPECT_GE(c.rateFactor(k), 0.95f);
        EXPECT_LE(c.rateFactor(k), 1.05f);
    }
    // The next unit continues the sequence, so two units get their own factors.
    Chorus d(kRate, random);
    EXPECT_NE(c.rateFactor(0), d.rateFactor(0));
}

TEST(ChorusSetup, PhasesAndOffsets)
{
    Random random;
    Chorus c(kRate, random);
    EXPECT_DOUBLE_EQ(c.phase(0), 0.0);
    EXPECT_DOUBLE_EQ(c.phase(1), 256.0);
    EXPECT_DOUBLE_EQ(c.phase(2), 612.0);
    c.setPhaseOffset(0.25);
    EXPECT_DOUBLE_EQ(c.phase(0), 256.0);
    EXPECT_DOUBLE_EQ(c.phase(1), 512.0);
    EXPECT_DOUBLE_EQ(c.phase(2), 868.0);
    // Offsets beyond one cycle are wrapped into the table.
    c.setPhaseOffset(1.5);
    EXPECT_DOUBLE_EQ(c.phase(0), 512.0);
    EXPECT_DOUBLE_EQ(c.phase(2), 100.0);
    c.setPhaseOffset(-0.25);
    EXPECT_DOUBLE_EQ(c.phase(0), 768.0);
    c.setPhaseOffset(std::nan(""));
    EXPECT_DOUBLE_EQ(c.phase(0), 0.0);
}

TEST(ChorusSetup, LineCoversTheLongestSweepAtHighRates)
{
    Random random;
    EXPECT_EQ(Chorus(kRate, random).lineSize(), 2048u);
    EXPECT_EQ(Chorus(96000 * 2, random).lineSize(), 4096u);
    EXPECT_EQ(Chorus(192000 * 2, random).lineSize(), 8192u);
    EXPECT_FLOAT_EQ(Chorus(kRate, random).baseDelaySamples(), 705.6f);
}

TEST(ChorusSignal, FirstEightMillisecondsAreTheDryPartOnly)
{
    Random random;
    Chorus c(kRate, random);
    c.setDepth(0.25f);
    std::vector<float> buf(704);
    for (std::size_t j = 0; j < buf.size(); ++j)
        buf[j] = static_cast<float>(std::sin(0.01 * static_cast<double>(j))) + 0.5f;
    const std::vector<float> in = buf;
    c.processBlock(buf.data(), buf.data(), static_cast<int>(buf.size()));
    for (std::size_t j = 0; j < buf.size(); ++j)
        ASSERT_EQ(buf[j], 0.7f * in[j]) << j;
}

TEST(ChorusSignal, ConstantInputSettlesAt154)
{
    Random random;
    Chorus c(kRate, random);
    c.setBaseDelay(0.008f);
    c.setDepth(0.0f);
    std::vector<float> buf(64 * 30, 1.0f);
    run(c, buf);
    EXPECT_NEAR(buf.back(), 1.54f, 1e-5);
    // With full depth the taps still read the constant once the line has filled.
    Chorus d(kRate, random);
    d.setDepth(0.5f);
    d.setRate(5.0f);
    std::vector<float> ones(64 * 40, 1.0f);
    run(d, ones);
    for (std::size_t i = 64 * 30; i < ones.size(); ++i)
        ASSERT_NEAR(ones[i], 1.54f, 1e-5);
}

TEST(ChorusSignal, PhaseWrapsOnlyAbove1024)
{
    Random random;
    Chorus c(kRate, random);
    // One sample advances each phase by 1024 * rate / sampleRate * factor.
    const double cyclesPerSample = 1.0 / kRate;
    c.setRate(static_cast<float>(kRate) * 0.001f); // increment 1.024 entries before the factor
    const double step0 = 1024.0 * static_cast<double>(static_cast<float>(kRate) * 0.001f) * cyclesPerSample
        * static_cast<double>(c.rateFactor(0));
    const double start = 1024.3 - step0;
    c.setPhaseOffset(start / 1024.0);
    float x = 0.0f;
    c.processBlock(&x, &x, 1);
    EXPECT_NEAR(c.phase(0), 0.3, 1e-9);

    // A phase of exactly 1024 is kept.
    Chorus d(kRate, random);
    d.setRate(0.0f);
    d.setPhaseOffset(1.0);
    EXPECT_DOUBLE_EQ(d.phase(0), 1024.0);
    d.processBlock(&x, &x, 1);
    EXPECT_DOUBLE_EQ(d.phase(0), 1024.0);
}

TEST(ChorusSignal, LeftAndRightUnitsDiffer)
{
    Random random;
    Chorus left(kRate, random), right(kRate, random);
    left.setPhaseOffset(0.0);
    right.setPhaseOffset(0.25);
    std::vector<float> l(64 * 40), r;
    for (std::size_t j = 0; j < l.size(); ++j)
        l[j] = static_cast<float>(std::sin(2.0 * std::numbers::pi * 440.0 * static_cast<double>(j) / kRate));
    r = l;
    run(left, l);
    run(right, r);
    double diff = 0.0;
    for (std::size_t j = 1500; j < l.size(); ++j)
        diff = std::max(diff, static_cast<double>(std::fabs(l[j] - r[j])));
    EXPECT_GT(diff, 0.01);
}

TEST(ChorusSignal, BlockSplittingDoesNotChangeTheOutput)
{
    Random r1, r2;
    Chorus a(kRate, r1), b(kRate, r2);
    std::vector<float> in(64 * 40);
    for (std::size_t j = 0; j < in.size(); ++j)
        in[j] = static_cast<float>(std::sin(0.05 * static_cast<double>(j)));
    std::vector<float> whole(in.size()), pieces(in.size());
    a.processBlock(whole.data(), in.data(), static_cast<int>(in.size()));
    std::size_t at = 0;
    for (int len : {1, 63, 64, 100, 7, 2000}) {
        b.processBlock(pieces.data() + at, in.data() + at, len);
        at += static_cast<std::size_t>(len);
    }
    b.processBlock(pieces.data() + at, in.data() + at, static_cast<int>(in.size() - at));
    EXPECT_EQ(whole, pieces);
    b.processBlock(pieces.data(), in.data(), 0); // nothing happens
    b.processBlock(pieces.data(), in.data(), -3);
}

// The chorus written out sample by sample: three phases, sine look-up, delays, Catmull-Rom
// reads of the line, the mix. Fed sound, then silence long enough to empty the line (where the
// unit repeats its first silent sample instead of computing each), then sound again; the unit
// must give the same bits in blocks of any length and in both rounding modes the engine uses,
// with either kernel.
TEST(ChorusSignal, IsTheAlgorithmWrittenOutAlsoThroughSilence)
{
    for (const auto& [wide, mode] : {std::pair{false, FE_TONEAREST}, std::pair{false, FE_DOWNWARD},
                                     std::pair{true, FE_TONEAREST}, std::pair{true, FE_DOWNWARD}}) {
        if (!Chorus::useWideKernel(wide))
            continue;
        ASSERT_EQ(std::fesetround(mode), 0);
        Random r1, r2;
        Chorus unit(kRate, r1), twin(kRate, r2);
        unit.setRate(0.7f);
        unit.setDepth(0.4f);
        unit.setPhaseOffset(0.296875); // exact; the third tap's phase wraps while the line is silent
        std::vector<float> in(20000, 0.0f);
        for (std::size_t j = 0; j < in.size(); ++j) {
            if (j < 3000 || j >= 17000)
                in[j] = static_cast<float>(std::sin(0.013 * static_cast<double>(j)));
        }
        std::vector<float> got(in.size());
        std::size_t at = 0;
        for (int len = 1; at < in.size(); len = len % 97 + 13) {
            const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(len), in.size() - at));
            unit.processBlock(got.data() + at, in.data() + at, n);
            at += static_cast<std::size_t>(n);
        }

        // The reference, from the twin's construction values; the rate goes through a volatile
        // so that nothing is computed at compile time, in the wrong rounding mode.
        const volatile int rate = kRate;
        const float* sine = Chorus::sineTable().data();
        std::vector<float> line(twin.lineSize(), 0.0f);
        const std::uint32_t mask = twin.lineSize() - 1u;
        const float longest = static_cast<float>(twin.lineSize() - 4u);
        const float sweep = Chorus::kSweepSeconds * static_cast<float>(rate);
        const float base = twin.baseDelaySamples();
        double phase[3] = {0.0 + 1024.0 * 0.296875, 256.0 + 1024.0 * 0.296875, 612.0 + 1024.0 * 0.296875};
        const double increment = 1024.0 * static_cast<double>(0.7f) * (1.0 / static_cast<double>(rate));
        std::uint32_t w = 0;
        for (std::size_t j = 0; j < in.size(); ++j) {
            float tap[3];
            for (int k = 0; k < 3; ++k) {
                const auto p = static_cast<float>(phase[k]);
                const int i = static_cast<int>(p);
                const float phi = p - static_cast<float>(i);
                const float s = sine[i] + phi * (sine[i + 1] - sine[i]);
                const float d = std::min(longest, std::max(0.0f, (1.0f + s) * 0.4f * sweep + base));
                const int di = static_cast<int>(d);
                const float t = d - static_cast<float>(di);
                const std::uint32_t pos = w - static_cast<std::uint32_t>(di);
                const float a = line[(pos + 1u) & mask], b = line[pos & mask];
                const float c = line[(pos - 1u) & mask], e = line[(pos - 2u) & mask];
                tap[k] = b
                    + t
                        * (0.5f * (c - a)
                           + t * ((a + 2.0f * c - 2.5f * b - 0.5f * e) + t * (1.5f * (b - c) + 0.5f * (e - a))));
                phase[k] += increment * static_cast<double>(twin.rateFactor(k));
                if (phase[k] > 1024.0)
                    phase[k] -= 1024.0;
            }
            line[w] = in[j];
            w = (w + 1u) & mask;
            const float expected = 0.7f * (in[j] + 0.6f * tap[0] + 0.4f * tap[1] + 0.2f * tap[2]);
            ASSERT_EQ(std::bit_cast<std::uint32_t>(got[j]), std::bit_cast<std::uint32_t>(expected))
                << "sample " << j << ", rounding mode " << mode << (wide ? ", AVX2" : "");
        }
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(unit.phase(k), phase[k]);
    }
    std::fesetround(FE_TONEAREST);
    Chorus::useWideKernel(true);
}

TEST(ChorusSignal, StereoPairGivesTheBitsOfEachUnitAlone)
{
    // The right channel falls silent later than the left and sounds again earlier, so the pair
    // runs with both, one and none of its units on silence.
    Random r1, r2;
    Chorus left(kRate, r1), right(kRate, r1), leftAlone(kRate, r2), rightAlone(kRate, r2);
    right.setPhaseOffset(0.25);
    rightAlone.setPhaseOffset(0.25);
    std::vector<float> l(16000, 0.0f), r(16000, 0.0f);
    for (std::size_t j = 0; j < l.size(); ++j) {
        if (j < 2000 || j >= 12000)
            l[j] = static_cast<float>(std::sin(0.02 * static_cast<double>(j)));
        if (j < 4000 || j >= 9000)
            r[j] = static_cast<float>(std::cos(0.03 * static_cast<double>(j)));
    }
    std::vector<float> lAlone = l, rAlone = r;
    for (std::size_t at = 0; at < l.size(); at += kBlock) {
        Chorus::processStereo(left, right, l.data() + at, r.data() + at, kBlock);
        leftAlone.processBlock(lAlone.data() + at, lAlone.data() + at, kBlock);
        rightAlone.processBlock(rAlone.data() + at, rAlone.data() + at, kBlock);
    }
    // Bit for bit: a silent stretch is -0 or +0 depending on the rounding mode.
    EXPECT_EQ(std::memcmp(l.data(), lAlone.data(), l.size() * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(r.data(), rAlone.data(), r.size() * sizeof(float)), 0);
    for (int k = 0; k < Chorus::kTapCount; ++k) {
        EXPECT_EQ(left.phase(k), leftAlone.phase(k));
        EXPECT_EQ(right.phase(k), rightAlone.phase(k));
    }
}

TEST(ChorusSignal, BadSettingsStayInsideTheLine)
{
    Random random;
    Chorus c(kRate, random);
    std::vector<float> buf(64 * 50, 0.5f);
    c.setRate(std::nanf(""));
    c.setDepth(1.0e9f);
    c.setBaseDelay(-3.0f);
    run(c, buf);
    c.setRate(1.0e12f);
    c.setDepth(std::nanf(""));
    c.setBaseDelay(std::numeric_limits<float>::infinity());
    run(c, buf);
    c.setRate(-50.0f);
    c.setDepth(-2.0f);
    c.setBaseDelay(std::nanf(""));
    run(c, buf);
    for (float v : buf)
        ASSERT_TRUE(std::isfinite(v));
    for (int k = 0; k < 3; ++k) {
        EXPECT_GE(c.phase(k), 0.0);
        EXPECT_LE(c.phase(k), 1024.0);
    }
}

} // namespace
} // namespace ostrel
