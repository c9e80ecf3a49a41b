#include "dsp/multimode_filter.h"
#include "engine/render_filters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace ostrel {
namespace {

// Runs `voices` filters block after block both ways: the side-by-side runner, and one
// MultimodeFilter per voice run in turn on a shared dither seed. Settings change every block,
// modes mix both structures, inputs include extremes that hit the ends of the saturation table.
void compareWithSingleVoiceFilters(int voices, unsigned seed, bool extremeInputs)
{
    constexpr std::uint32_t kRate = 88200;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> cutoff(-4.0, 14.0), resonance(0.0, 1.0), signal(-1.0, 1.0);
    std::uniform_int_distribution<int> mode(0, 17);

    DitherSeed referenceSeed, runnerSeed;
    std::vector<std::unique_ptr<MultimodeFilter>> reference;
    std::vector<std::unique_ptr<VoiceFilterState>> states;
    for (int v = 0; v < voices; ++v) {
        reference.push_back(std::make_unique<MultimodeFilter>(kRate, &referenceSeed));
        states.push_back(std::make_unique<VoiceFilterState>(kRate));
    }
    std::vector<std::vector<float>> expected(static_cast<std::size_t>(voices), std::vector<float>(64));
    std::vector<std::vector<float>> got = expected;
    for (int block = 0; block < 60; ++block) {
        std::vector<VoiceFilterState*> filters;
        std::vector<float*> buffers;
        for (int v = 0; v < voices; ++v) {
            const auto i = static_cast<std::size_t>(v);
            const double c = cutoff(rng);
            const double r = block % 7 == 0 ? 1.0 : resonance(rng);
            const auto m = static_cast<std::uint32_t>(mode(rng));
            for (std::size_t j = 0; j < 64; ++j) {
                double x = signal(rng);
                if (extremeInputs && j % 5 == 0)
                    x *= 1e4;
                expected[i][j] = got[i][j] = static_cast<float>(x);
            }
            reference[i]->setCutoff(c);
            reference[i]->setResonance(r);
            reference[i]->setMode(m);
            reference[i]->processBlock(expected[i].data(), expected[i].data(), 64);
            states[i]->setCutoff(c);
            states[i]->setResonance(r);
            states[i]->setMode(m);
            filters.push_back(states[i].get());
            buffers.push_back(got[i].data());
        }
        runVoiceFilters(filters.data(), buffers.data(), voices, 64, runnerSeed);
        for (int v = 0; v < voices; ++v) {
            const auto i = static_cast<std::size_t>(v);
            ASSERT_EQ(got[i], expected[i]) << voices << " voices, block " << block << ", voice " << v;
            ASSERT_EQ(states[i]->cutoffTargetCoordinate(), reference[i]->cutoffTargetCoordinate());
        }
        ASSERT_EQ(runnerSeed.value, referenceSeed.value);
    }
}

TEST(VoiceFilters, SameBitsAsTheSingleVoiceFilterForEveryGroupSize)
{
    for (bool avx2 : {false, true}) {
        if (!selectVoiceFilterKernel(avx2))
            continue;
        for (int voices : {1, 2, 3, 4, 5, 8, 9, 13, 32})
            compareWithSingleVoiceFilters(voices, 17u + static_cast<unsigned>(voices), false);
    }
    selectVoiceFilterKernel(true);
}

TEST(VoiceFilters, SameBitsWithInputsBeyondTheSaturationTable)
{
    for (bool avx2 : {false, true}) {
        if (selectVoiceFilterKernel(avx2))
            compareWithSingleVoiceFilters(11, 5u, true);
    }
    selectVoiceFilterKernel(true);
}

TEST(VoiceFilters, SettingsAreBoundedLikeTheFilters)
{
    VoiceFilterState f(88200);
    MultimodeFilter m(88200);
    for (double c : {20.0, -5.0, 0.0, std::numeric_limits<double>::quiet_NaN()}) {
        f.setCutoff(c);
        m.setCutoff(c);
        EXPECT_EQ(f.cutoffTargetCoordinate(), m.cutoffTargetCoordinate()) << c;
        EXPECT_EQ(f.coefficientTarget(), m.coefficientTarget()) << c;
    }
    for (double r : {0.5, 1e9, -1e9, std::numeric_limits<double>::quiet_NaN()}) {
        f.setResonance(r);
        m.setResonance(r);
        EXPECT_EQ(f.currentResonance(), m.currentResonance()) << r;
    }
    f.setMode(99);
    EXPECT_EQ(f.currentMode(), 0u);
    f.setMode(8);
    EXPECT_TRUE(f.threePole());
}

TEST(VoiceFilters, NothingToRun)
{
    DitherSeed seed;
    runVoiceFilters(nullptr, nullptr, 0, 64, seed);
    EXPECT_EQ(seed.value, DitherSeed::kInitial);
}

} // namespace
} // namespace ostrel
