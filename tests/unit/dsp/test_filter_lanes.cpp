#include "dsp/filter_lanes.h"
#include "dsp/multimode_filter.h"

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
// modes mix both structures, inputs include extremes that hit the ends of the saturation table;
// most blocks are a whole sub-block, some shorter (the runner works in tiles of 8 x 8).
void compareWithSingleVoiceFilters(int voices, unsigned seed, bool extremeInputs, bool lowPassOnly = false)
{
    constexpr std::uint32_t kRate = 88200;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> cutoff(-4.0, 14.0), resonance(0.0, 1.0), signal(-1.0, 1.0);
    std::uniform_int_distribution<int> mode(0, 17);

    NoiseSeed referenceSeed, runnerSeed;
    std::vector<std::unique_ptr<MultimodeFilter>> reference;
    std::vector<std::unique_ptr<FilterState>> states;
    for (int v = 0; v < voices; ++v) {
        reference.push_back(std::make_unique<MultimodeFilter>(kRate, &referenceSeed));
        states.push_back(std::make_unique<FilterState>(kRate));
    }
    std::vector<std::vector<float>> expected(static_cast<std::size_t>(voices), std::vector<float>(64));
    std::vector<std::vector<float>> got = expected;
    for (int block = 0; block < 60; ++block) {
        const int n = block % 5 == 3 ? 1 + block % 37 : 64;
        std::vector<FilterState*> filters;
        std::vector<float*> buffers;
        for (int v = 0; v < voices; ++v) {
            const auto i = static_cast<std::size_t>(v);
            const double c = cutoff(rng);
            const double r = block % 7 == 0 ? 1.0 : resonance(rng);
            // Groups whose every filter is a full low-pass (modes 0 and 8) mix only the last stage.
            const auto m = lowPassOnly ? 8u * (static_cast<std::uint32_t>(mode(rng)) % 2u)
                                       : static_cast<std::uint32_t>(mode(rng));
            for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
                double x = signal(rng);
                if (extremeInputs && j % 5 == 0)
                    x *= 1e4;
                expected[i][j] = got[i][j] = static_cast<float>(x);
            }
            reference[i]->setCutoff(c);
            reference[i]->setResonance(r);
            reference[i]->setMode(m);
            reference[i]->processBlock(expected[i].data(), expected[i].data(), n);
            states[i]->setCutoff(c);
            states[i]->setResonance(r);
            states[i]->setMode(m);
            filters.push_back(states[i].get());
            buffers.push_back(got[i].data());
        }
        runFilterLanes(filters.data(), buffers.data(), voices, n, runnerSeed);
        for (int v = 0; v < voices; ++v) {
            const auto i = static_cast<std::size_t>(v);
            ASSERT_EQ(got[i], expected[i]) << voices << " voices, block " << block << ", voice " << v;
            ASSERT_EQ(states[i]->cutoffTargetCoordinate(), reference[i]->cutoffTargetCoordinate());
        }
        ASSERT_EQ(runnerSeed.value, referenceSeed.value);
    }
}

TEST(FilterLanes, SameBitsAsTheSingleFilterForEveryGroupSize)
{
    for (bool avx2 : {false, true}) {
        if (!selectFilterLanesKernel(avx2))
            continue;
        for (int voices : {1, 2, 3, 4, 5, 8, 9, 13, 32}) {
            compareWithSingleVoiceFilters(voices, 17u + static_cast<unsigned>(voices), false);
            compareWithSingleVoiceFilters(voices, 29u + static_cast<unsigned>(voices), false, true);
        }
    }
    selectFilterLanesKernel(true);
}

TEST(FilterLanes, DitherSkipIsThatManyStepsOneByOne)
{
    // The runner moves the shared dither by whole blocks at once; the skip is made by squaring.
    std::uint32_t stepped = NoiseSeed::kInitial;
    for (int n = 0; n <= 2100; ++n) {
        ASSERT_EQ(NoiseSeed::skip(n).apply(NoiseSeed::kInitial), stepped) << n;
        stepped = NoiseSeed::next(stepped);
    }
    EXPECT_EQ(NoiseSeed::skip(-5).apply(77u), 77u);
}

TEST(FilterLanes, SameBitsWithInputsBeyondTheSaturationTable)
{
    for (bool avx2 : {false, true}) {
        if (selectFilterLanesKernel(avx2))
            compareWithSingleVoiceFilters(11, 5u, true);
    }
    selectFilterLanesKernel(true);
}

TEST(FilterLanes, SettingsOutsideTheirRangeFilterExactlyLikeTheirBounds)
{
    // Chunk data can carry any cutoff, resonance or mode: the lanes must filter with the bound
    // the setting is clamped to (and stay finite), not with the raw value.
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        double cutoff, resonance;
        std::uint32_t mode;
        double boundCutoff, boundResonance;
        std::uint32_t boundMode;
    };
    const double top = filter_design::kMaxCoordinate - 3.0; // the highest cutoff in octaves
    const Case cases[] = {
        {kInf, 1e9, 99u, top, filter_design::kMaxResonance, 0u},
        {1e300, kInf, 8u, top, filter_design::kMaxResonance, 8u},
        {-kInf, -1e9, 0xFFFFFFFFu, -5.0, -filter_design::kMaxResonance, 0u},
        {kNaN, kNaN, 16u, -5.0, 0.0, 0u},
    };
    for (const Case& c : cases) {
        FilterState raw(88200), bound(88200);
        NoiseSeed rawSeed, boundSeed;
        std::vector<float> a(64), b(64);
        for (int block = 0; block < 20; ++block) {
            for (std::size_t j = 0; j < 64; ++j)
                a[j] = b[j] = 0.9f * static_cast<float>((block * 64 + static_cast<int>(j)) % 50) / 50.0f - 0.45f;
            raw.setCutoff(c.cutoff);
            raw.setResonance(c.resonance);
            raw.setMode(c.mode);
            bound.setCutoff(c.boundCutoff);
            bound.setResonance(c.boundResonance);
            bound.setMode(c.boundMode);
            FilterState* rawFilter = &raw;
            FilterState* boundFilter = &bound;
            float* rawBuffer = a.data();
            float* boundBuffer = b.data();
            runFilterLanes(&rawFilter, &rawBuffer, 1, 64, rawSeed);
            runFilterLanes(&boundFilter, &boundBuffer, 1, 64, boundSeed);
            ASSERT_EQ(a, b) << "cutoff " << c.cutoff << ", resonance " << c.resonance << ", mode " << c.mode;
            for (float x : a)
                ASSERT_TRUE(std::isfinite(x));
        }
    }
}

TEST(FilterLanes, NothingToRun)
{
    NoiseSeed seed;
    runFilterLanes(nullptr, nullptr, 0, 64, seed);
    EXPECT_EQ(seed.value, NoiseSeed::kInitial);
    FilterState f(88200);
    FilterState* filter = &f;
    std::vector<float> block(kFilterLanesMaxBlock + 1, 0.5f);
    float* buffer = block.data();
    runFilterLanes(&filter, &buffer, 1, kFilterLanesMaxBlock + 1, seed); // longer than a call takes
    EXPECT_EQ(seed.value, NoiseSeed::kInitial);
    EXPECT_EQ(block, std::vector<float>(kFilterLanesMaxBlock + 1, 0.5f));
}

} // namespace
} // namespace ostrel
