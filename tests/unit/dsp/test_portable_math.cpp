#include "dsp/portable_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

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
