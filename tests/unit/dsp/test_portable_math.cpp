#include "dsp/portable_math.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>

namespace ostrel {
namespace {

// The portable functions must agree with the C library to within rounding over the
// ranges the tables, LFOs and envelopes use.
TEST(PortableMath, AgreesWithTheLibraryToRounding)
{
    for (int i = -40000; i <= 40000; ++i) {
        const double x = i * 0.0173;
        ASSERT_NEAR(portable::exp(x * 0.02), std::exp(x * 0.02), 4e-16 * std::exp(x * 0.02)) << x;
        ASSERT_NEAR(portable::sin(x), std::sin(x), 4e-16 * std::max(1.0, std::fabs(x) * 1e-3)) << x;
        const double t = std::tanh(x * 0.01);
        ASSERT_NEAR(portable::tanh(x * 0.01), t, 1e-15 * std::fabs(t)) << x;
        ASSERT_NEAR(portable::exp2(x * 0.002), std::exp2(x * 0.002), 4e-16 * std::exp2(x * 0.002)) << x;
        // Pitches in octaves, envelope times and volumes (10^(3 setting), 10^(dB / 20)).
        ASSERT_NEAR(portable::exp2(x * 0.02), std::exp2(x * 0.02), 4e-16 * std::exp2(x * 0.02)) << x;
        ASSERT_NEAR(portable::exp10(x * 0.005), std::pow(10.0, x * 0.005), 4e-16 * std::pow(10.0, x * 0.005)) << x;
    }
}

TEST(PortableMath, PowerOfTwoScalingIsLdexpInEveryRoundingMode)
{
    // The functions scale their result by 2^k with a multiplication instead of ldexp; that must
    // give ldexp's bits, also where it hands over to ldexp (large k, subnormal and huge results).
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> mantissa(-21.0, 21.0);
    std::uniform_int_distribution<int> exponent(-1100, 1100);
    for (const int mode : {FE_TONEAREST, FE_DOWNWARD, FE_UPWARD}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        for (int i = 0; i < 200000; ++i) {
            const double x = (i % 2 ? -1.0 : 1.0) * std::exp2(mantissa(rng));
            const int k = exponent(rng);
            ASSERT_EQ(std::bit_cast<std::uint64_t>(portable::detail::scaleByPowerOfTwo(x, k)),
                      std::bit_cast<std::uint64_t>(std::ldexp(x, k)))
                << x << " " << k << " mode " << mode;
        }
    }
    std::fesetround(FE_TONEAREST);
}

TEST(PortableMath, ExactAtTheLfoCornersAndLimits)
{
    EXPECT_EQ(portable::sin(0.0), 0.0);
    EXPECT_EQ(portable::sin(2.0 * std::numbers::pi * 0.25), 1.0);
    EXPECT_EQ(portable::sin(2.0 * std::numbers::pi * 0.75), -1.0);
    EXPECT_EQ(portable::exp(0.0), 1.0);
    EXPECT_EQ(portable::exp2(-3.0), 0.125);
    EXPECT_EQ(portable::exp10(0.0), 1.0);
    EXPECT_EQ(portable::exp10(3.0), 1000.0);
    EXPECT_EQ(portable::exp10(-1.0), 0.1);
    EXPECT_EQ(portable::tanh(0.0), 0.0);
    EXPECT_EQ(portable::tanh(50.0), 1.0);
    EXPECT_EQ(portable::exp(-1000.0), 0.0);
    EXPECT_TRUE(std::isinf(portable::exp(1000.0)));
    EXPECT_TRUE(std::isnan(portable::exp(std::nan(""))));
    EXPECT_TRUE(std::isnan(portable::sin(std::numeric_limits<double>::infinity())));
}

} // namespace
} // namespace ostrel
