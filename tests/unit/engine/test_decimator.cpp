#include "engine/decimator.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <utility>
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

TEST(Decimator, IsTheFirWrittenOutWhateverTheSplitOfTheStream)
{
    // The 39-tap filter of the whole stream, one output at a time: output m is centred on
    // input 2m - 20 (zeros before the stream), the centre tap times that input, then for
    // d = 1..19 the tap times the pair of inputs d either side, each pair summed in single
    // precision, everything accumulated in double in that order. The stream ends in a
    // constant stretch and then silence, which calls of their own see throughout.
    constexpr int kOutputs = 1500;
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> signal(-1.0f, 1.0f);
    std::vector<float> in(2 * kOutputs);
    for (std::size_t i = 0; i < in.size(); ++i)
        in[i] = i >= 2200 ? 0.0f
            : i >= 1200   ? 0.5f
            : i % 97 == 0 ? 3e4f * signal(rng)
            : i % 89 == 0 ? 1e-30f
                          : signal(rng);
    const auto input = [&in](int i) { return i < 0 ? 0.0f : in[static_cast<std::size_t>(i)]; };

    for (const auto& [wide, mode] : {std::pair{false, FE_TONEAREST}, std::pair{false, FE_DOWNWARD},
                                     std::pair{true, FE_TONEAREST}, std::pair{true, FE_DOWNWARD}}) {
        if (!Decimator::useWideKernel(wide)) // both kernels; the audio callback rounds down
            continue;
        ASSERT_EQ(std::fesetround(mode), 0);
        std::vector<float> expected(kOutputs);
        for (int m = 0; m < kOutputs; ++m) {
            const int c = 2 * m - 20;
            double sum = Decimator::kCentre * static_cast<double>(input(c));
            for (int d = 1; d <= Decimator::kHalfTaps; ++d)
                sum += static_cast<double>(Decimator::kSideTaps[static_cast<std::size_t>(d)])
                    * static_cast<double>(input(c - d) + input(c + d));
            expected[static_cast<std::size_t>(m)] = static_cast<float>(sum);
        }
        const std::vector<std::vector<int>> splits = {
            {kOutputs},
            {1, 1, 1, 2, 19, 20, 21, 1435},
            {32, 32, 32, 32, 1372},
            {7, 100, 3, 857, 533},
            {1, 1, 1, 2, 19, 20, 21, 535, 50, 50, 50, 50, 100, 100, 100, 100, 100, 100, 100}};
        for (const auto& split : splits) {
            Decimator d;
            std::vector<float> got(kOutputs, -9.0f);
            int done = 0;
            for (int n : split) {
                d.decimate(got.data() + done, in.data() + 2 * done, n);
                done += n;
            }
            ASSERT_EQ(done, kOutputs);
            // Bit for bit: silence comes out as -0 when rounding down.
            EXPECT_EQ(std::memcmp(got.data(), expected.data(), got.size() * sizeof(float)), 0)
                << "rounding mode " << mode << ", first call " << split[0] << (wide ? ", AVX2" : "");
        }
    }
    std::fesetround(FE_TONEAREST);
    Decimator::useWideKernel(true);
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
