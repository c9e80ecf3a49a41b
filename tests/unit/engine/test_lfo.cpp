#include "engine/lfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace ostrel {
namespace {

// At 1000 Hz and 1 Hz, advance(250) moves exactly a quarter cycle.
Lfo quarterSteppingLfo(int wave)
{
    Lfo lfo(1000);
    lfo.setRate(1.0);
    lfo.setWave(wave);
    return lfo;
}

TEST(LfoShapes, CornersOfTheWaves)
{
    struct Case {
        int wave;
        double at0, at25, at50, at75;
    };
    const Case cases[] = {
        {Lfo::kSine, 0.0, 1.0, 0.0, -1.0},    {Lfo::kTriangle, 0.0, 1.0, 0.0, -1.0},
        {Lfo::kSawUp, -1.0, -0.5, 0.0, 0.5},  {Lfo::kSawDown, 1.0, 0.5, 0.0, -0.5},
        {Lfo::kSquare, 1.0, 1.0, -1.0, -1.0},
    };
    for (const Case& c : cases) {
        Lfo lfo = quarterSteppingLfo(c.wave);
        const double expected[4] = {c.at0, c.at25, c.at50, c.at75};
        for (int q = 0; q < 4; ++q) {
            EXPECT_NEAR(lfo.value(), expected[q], 1e-12) << "wave " << c.wave << " quarter " << q;
            lfo.advance(250);
        }
        EXPECT_DOUBLE_EQ(lfo.phase(), 0.0); // wrapped after a whole cycle
    }
}

TEST(LfoShapes, TriangleRisesFromZeroAndSquareSwitchesAtHalf)
{
    Lfo tri = quarterSteppingLfo(Lfo::kTriangle);
    tri.advance(100); // 0.1
    EXPECT_NEAR(tri.value(), 0.4, 1e-12);
    tri.advance(800); // 0.9
    EXPECT_NEAR(tri.value(), -0.4, 1e-12);

    Lfo sq = quarterSteppingLfo(Lfo::kSquare);
    sq.advance(499);
    EXPECT_EQ(sq.value(), 1.0);
    sq.advance(1);
    EXPECT_EQ(sq.value(), -1.0);
}

TEST(LfoShapes, WavesOutsideTheTableAreSine)
{
    for (int wave : {6, -1, 1000}) {
        Lfo lfo = quarterSteppingLfo(wave);
        EXPECT_EQ(lfo.currentWave(), Lfo::kSine);
        lfo.advance(250);
        EXPECT_NEAR(lfo.value(), 1.0, 1e-12);
    }
}

TEST(LfoPhase, StepsPerSubBlock)
{
    Lfo slow(88200);
    slow.setRate(1.0);
    slow.advance(64);
    EXPECT_NEAR(slow.phase(), 64.0 / 88200.0, 1e-15);
    // One cycle takes 1378.125 sub-blocks: the wrap happens in the 1379th.
    for (int b = 1; b < 1378; ++b)
        slow.advance(64);
    EXPECT_NEAR(slow.phase(), 1378.0 * 64.0 / 88200.0, 1e-12);
    slow.advance(64);
    EXPECT_NEAR(slow.phase(), 0.875 * 64.0 / 88200.0, 1e-12);
    EXPECT_GT(slow.previousPhase(), slow.phase());

    Lfo fast(88200);
    fast.setRate(100.0);
    fast.advance(64);
    EXPECT_NEAR(fast.phase(), 0.0725624, 1e-7);
}

TEST(LfoPhase, BadRatesKeepThePhaseInRange)
{
    Lfo lfo(88200);
    lfo.setRate(std::nan(""));
    lfo.advance(64);
    EXPECT_EQ(lfo.phase(), 0.0);
    lfo.setRate(std::numeric_limits<double>::infinity());
    lfo.advance(64);
    EXPECT_EQ(lfo.phase(), 0.0);
    lfo.setRate(-3.0); // runs backwards, still inside 0..1
    for (int b = 0; b < 100; ++b) {
        lfo.advance(64);
        ASSERT_GE(lfo.phase(), 0.0);
        ASSERT_LT(lfo.phase(), 1.0);
    }
    Lfo zeroRate(0);
    zeroRate.advance(64);
    EXPECT_TRUE(std::isfinite(zeroRate.phase()));
}

TEST(LfoSampleAndHold, DrawsAtTheWrapAndAtHalfOnly)
{
    Random reference;
    Lfo lfo = quarterSteppingLfo(Lfo::kSampleAndHold);
    EXPECT_EQ(lfo.value(), 0.0); // no crossing yet
    lfo.advance(250);
    EXPECT_EQ(lfo.value(), 0.0); // 0 -> 0.25
    lfo.advance(250);            // crosses 0.5
    const double first = lfo.value();
    EXPECT_DOUBLE_EQ(first, static_cast<double>(static_cast<float>(2.0 * reference.next() / 32767.0 - 1.0)));
    lfo.advance(250); // 0.5 -> 0.75: held
    EXPECT_EQ(lfo.value(), first);
    lfo.advance(250); // wraps
    const double second = lfo.value();
    EXPECT_DOUBLE_EQ(second, static_cast<double>(static_cast<float>(2.0 * reference.next() / 32767.0 - 1.0)));
    // The draw belongs to the advance: reading again changes nothing.
    EXPECT_EQ(lfo.value(), second);
    EXPECT_EQ(lfo.heldValue(), static_cast<float>(second));
}

TEST(LfoSampleAndHold, SharedGeneratorIsAdvancedByBothLfos)
{
    Random shared;
    Lfo a(1000, &shared), b(1000, &shared);
    for (Lfo* l : {&a, &b}) {
        l->setRate(1.0);
        l->setWave(Lfo::kSampleAndHold);
        l->advance(500);
    }
    const double va = a.value();
    const double vb = b.value();
    EXPECT_NE(va, vb);
    Random reference;
    reference.next();
    reference.next();
    EXPECT_EQ(shared.currentState(), reference.currentState());
    for (int i = 0; i < 1000; ++i) {
        a.advance(137);
        const double v = a.value();
        ASSERT_GE(v, -1.0);
        ASSERT_LE(v, 1.0);
    }
}

} // namespace
} // namespace ostrel
