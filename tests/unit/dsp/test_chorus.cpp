#include "dsp/chorus.h"
#include "dsp/delay_line.h"
#include "dsp/random.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
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
