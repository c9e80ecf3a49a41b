#include "dsp/gain_kernels.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstring>
#include <random>
#include <vector>

namespace ostrel {
namespace {

// Both forms against the formulas written out, bit for bit, for block lengths around the
// vector widths and in both rounding modes the engine uses.
TEST(GainKernels, RampAndPanAreTheFormulasInBothKernels)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> signal(-2.0f, 2.0f);
    for (const bool wide : {false, true}) {
        if (!useWideGainKernels(wide))
            continue;
        for (const int mode : {FE_TONEAREST, FE_DOWNWARD}) {
            ASSERT_EQ(std::fesetround(mode), 0);
            for (const int n : {0, 1, 3, 4, 7, 8, 13, 64, 100}) {
                std::vector<float> in(static_cast<std::size_t>(n)), left(in.size()), right(in.size());
                for (std::size_t j = 0; j < in.size(); ++j) {
                    in[j] = signal(rng);
                    left[j] = signal(rng);
                    right[j] = j % 5 == 0 ? -0.0f : signal(rng);
                }
                const double start = 0.37, slope = -0.0041;
                std::vector<float> ramp = in, expectedRamp = in;
                applyGainRamp(ramp.data(), n, start, slope);
                // A ramp of 1 throughout leaves the plain pan.
                std::vector<float> l = left, r = right, expectedL = left, expectedR = right;
                addRampedPanned(l.data(), r.data(), in.data(), n, 1.0, 0.0, 0.8f, 0.6f);
                // The fused ramp and pan is the ramp, then the pan.
                std::vector<float> fusedL = left, fusedR = right, rampedL = left, rampedR = right;
                addRampedPanned(fusedL.data(), fusedR.data(), in.data(), n, start, slope, 0.8f, 0.6f);
                for (std::size_t j = 0; j < in.size(); ++j) {
                    rampedL[j] += ramp[j] * 0.8f;
                    rampedR[j] += ramp[j] * 0.6f;
                }
                for (std::size_t j = 0; j < in.size(); ++j) {
                    expectedRamp[j] =
                        static_cast<float>(static_cast<double>(in[j]) * (start + static_cast<double>(j) * slope));
                    expectedL[j] += in[j] * 0.8f;
                    expectedR[j] += in[j] * 0.6f;
                }
                // Bit for bit (-0 is not +0); an empty block has no data pointer to compare.
                const auto sameBits = [](const std::vector<float>& a, const std::vector<float>& b) {
                    return a.size() == b.size()
                        && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
                };
                EXPECT_TRUE(sameBits(ramp, expectedRamp)) << n << " " << wide;
                EXPECT_TRUE(sameBits(l, expectedL)) << n << " " << wide;
                EXPECT_TRUE(sameBits(r, expectedR)) << n << " " << wide;
                EXPECT_TRUE(sameBits(fusedL, rampedL) && sameBits(fusedR, rampedR)) << n << " " << wide;
            }
        }
    }
    std::fesetround(FE_TONEAREST);
    useWideGainKernels(true);
}

} // namespace
} // namespace ostrel
