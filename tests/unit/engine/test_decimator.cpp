#include "engine/decimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace ostrel {
namespace {

TEST(Decimator, DcGainIsTheSumOfTheTaps)
{
    Decimator d;
    std::vector<float> in(2 * 100, 1.0f), out(100);
    d.decimate(out.data(), in.data(), 100);
    double taps = Decimator::kCentre;
    for (int k = 1; k <= Decimator::kHalfTaps; ++k)
        taps += 2.0 * static_cast<double>(Decimator::kSideTaps[static_cast<std::size_t>(k)]);
    EXPECT_NEAR(taps, 0.99939, 1e-5);
    // Once the history is full of ones every output is the DC gain.
    for (int m = 20; m < 100; ++m)
        EXPECT_NEAR(out[static_cast<std::size_t>(m)], taps, 1e-6);
    // Output m sees input up to 2m - 1: output 0 sees only the zero history, output 1 the
    // first two inputs through the outermost taps.
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_FLOAT_EQ(out[1], Decimator::kSideTaps[18] + Decimator::kSideTaps[19]);
}

TEST(Decimator, ImpulseResponseIsCentredOnInput2mMinus20)
{
    Decimator d;
    std::vector<float> in(128, 0.0f), out(64);
    in[40] = 1.0f; // centre of output 30
    d.decimate(out.data(), in.data(), 64);
    EXPECT_FLOAT_EQ(out[30], static_cast<float>(Decimator::kCentre));
    EXPECT_FLOAT_EQ(out[31], Decimator::kSideTaps[2]);
    EXPECT_FLOAT_EQ(out[29], Decimator::kSideTaps[2]);
    EXPECT_FLOAT_EQ(out[39], Decimator::kSideTaps[18]);
    EXPECT_EQ(out[40], 0.0f);
    EXPECT_EQ(out[20], 0.0f);
    EXPECT_FLOAT_EQ(out[21], Decimator::kSideTaps[18]);
}

TEST(Decimator, SplittingTheStreamGivesTheSameBits)
{
    std::vector<float> in(2 * 1000);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<float>(std::sin(0.37 * static_cast<double>(i))
                                   + 0.25 * std::cos(0.011 * static_cast<double>(i)));
    Decimator whole;
    std::vector<float> expected(1000);
    whole.decimate(expected.data(), in.data(), 1000);

    Decimator pieces;
    std::vector<float> got(1000);
    int done = 0;
    for (int n : {1, 7, 32, 100, 3, 857}) {
        pieces.decimate(got.data() + done, in.data() + 2 * done, n);
        done += n;
    }
    ASSERT_EQ(done, 1000);
    EXPECT_EQ(got, expected);
}

TEST(Decimator, StopsHalfTheInternalRate)
{
    // A tone at a quarter of the internal rate (the host's Nyquist frequency) and one above
    // 0.3 of it are strongly attenuated; a tone at a twentieth passes.
    const auto gainAt = [](double cyclesPerSample) {
        Decimator d;
        std::vector<float> in(4000), out(2000);
        for (std::size_t i = 0; i < in.size(); ++i)
            in[i] = static_cast<float>(std::cos(2.0 * std::numbers::pi * cyclesPerSample * static_cast<double>(i)));
        d.decimate(out.data(), in.data(), 2000);
        double peak = 0.0;
        for (std::size_t m = 100; m < out.size(); ++m)
            peak = std::max(peak, std::fabs(static_cast<double>(out[m])));
        return peak;
    };
    EXPECT_NEAR(gainAt(0.05), 1.0, 0.01);
    EXPECT_LT(gainAt(0.25), 0.05);
    EXPECT_LT(gainAt(0.35), 0.003);
}

TEST(Decimator, ZeroAndOversizedRequests)
{
    Decimator d;
    std::vector<float> in(2 * Decimator::kMaxOutput + 100, 0.5f), out(Decimator::kMaxOutput + 50, -7.0f);
    d.decimate(out.data(), in.data(), 0);
    EXPECT_EQ(out[0], -7.0f);
    d.decimate(out.data(), in.data(), Decimator::kMaxOutput + 50);
    EXPECT_EQ(out[Decimator::kMaxOutput], -7.0f); // cut at the maximum, nothing written past it
    EXPECT_NE(out[Decimator::kMaxOutput - 1], -7.0f);
}

} // namespace
} // namespace ostrel
