#include "engine/envelope.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace ostrel {
namespace {

constexpr int kRate = 88200; // internal rate for a host at 44100 Hz
constexpr int kBlock = 64;

// One entry per change of (stage, direction, passes) while advancing block by block.
struct Visit {
    int stage;
    int direction;
    int passes;
    bool operator==(const Visit&) const = default;
};

std::string describe(const std::vector<Visit>& visits)
{
    std::string s;
    for (const Visit& v : visits)
        s += std::to_string(v.stage) + (v.direction > 0 ? "+" : "-") + std::to_string(v.passes) + " ";
    return s;
}

void configure(Envelope& e, int loop, int repeats)
{
    for (int k = 0; k < 4; ++k)
        e.setTime(k, 0.01);
    const double levels[5] = {0.0, 1.0, 0.5, 0.8, 0.0};
    for (int k = 0; k < 5; ++k)
        e.setLevel(k, levels[k]);
    e.setLoopSetting(loop, repeats);
}

std::vector<Visit> walkStages(int loop, int repeats, int blocks)
{
    Envelope e(kRate);
    configure(e, loop, repeats);
    e.reset();
    e.trigger();
    std::vector<Visit> visits{{e.stage(), e.direction(), e.repeatsDone()}};
    for (int b = 0; b < blocks; ++b) {
        e.advance(kBlock);
        const Visit v{e.stage(), e.direction(), e.repeatsDone()};
        if (!(v == visits.back()))
            visits.push_back(v);
    }
    return visits;
}

TEST(EnvelopeLoops, StageSequencesWithOnePass)
{
    const std::vector<std::vector<Visit>> expected = {
        {{0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {3, 1, 0}},
        {{0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {0, 1, 1}, {1, 1, 1}, {2, 1, 1}, {3, 1, 1}},
        {{0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {1, 1, 1}, {2, 1, 1}, {3, 1, 1}},
        {{0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {2, 1, 1}, {3, 1, 1}},
        {{0, 1, 0},
         {1, 1, 0},
         {2, 1, 0},
         {2, -1, 1},
         {1, -1, 1},
         {0, -1, 1},
         {0, 1, 1},
         {1, 1, 1},
         {2, 1, 1},
         {3, 1, 1}},
        {{0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {2, -1, 1}, {1, -1, 1}, {1, 1, 1}, {2, 1, 1}, {3, 1, 1}},
        {{0, 1, 0}, {1, 1, 0}, {2, 1, 0}, {2, -1, 1}, {2, 1, 1}, {3, 1, 1}},
    };
    for (int loop = 0; loop <= 6; ++loop) {
        const auto got = walkStages(loop, 1, 400);
        EXPECT_EQ(got, expected[static_cast<std::size_t>(loop)]) << "loop " << loop << ": " << describe(got);
    }
}

TEST(EnvelopeLoops, EndlessRepeatsNeverReachTheSustain)
{
    // Loop 0 sustains whatever the repeat setting.
    EXPECT_EQ(walkStages(0, 0, 400).back().stage, 3);
    for (int loop = 1; loop <= 6; ++loop) {
        const auto got = walkStages(loop, 0, 2000);
        EXPECT_NE(got.back().stage, 3) << "loop " << loop;
        // Each pass is one arrival at breakpoint 3: about 2000 blocks / (blocks per pass).
        EXPECT_GT(got.back().passes, 20) << "loop " << loop;
    }
}

TEST(EnvelopeLoops, PingPongRunsBackToTheStartOfSegment0)
{
    // Loop 4 endless: the output swings between level 0 (start) and level 3 for ever.
    Envelope e(kRate);
    configure(e, 4, 0);
    e.setLevel(0, 0.2);
    e.reset();
    e.trigger();
    double lowest = 1.0;
    for (int b = 0; b < 200; ++b) {
        e.advance(kBlock);
        if (b > 60)
            lowest = std::min(lowest, e.output());
    }
    EXPECT_NEAR(lowest, 0.2, 0.02);
}

TEST(EnvelopeLoops, LoopSettingsOutsideTheTableMeanNoLoop)
{
    const auto noLoop = walkStages(0, 1, 400);
    EXPECT_EQ(walkStages(7, 1, 400), noLoop);
    EXPECT_EQ(walkStages(-1, 1, 400), noLoop);
    EXPECT_EQ(walkStages(1000, 0, 400), noLoop);
    const LoopShape shape = loopShapeForSetting(-7);
    EXPECT_EQ(shape.loopStart, 3);
    EXPECT_FALSE(shape.pingPong);

    Envelope e(kRate);
    e.setLoop(-2, true, 1); // a negative loop start must not reach breakpoint -1
    EXPECT_EQ(e.loopStart(), EnvelopeSegments::kNoLoop);
    e.setLoop(1, false, 0);
    EXPECT_EQ(e.repeatCount(), EnvelopeSegments::kEndlessRepeats);
}

TEST(EnvelopeTiming, ShortestSegmentLasts882Samples)
{
    Envelope e(kRate);
    configure(e, 0, 0);
    e.reset();
    e.trigger();
    EXPECT_DOUBLE_EQ(e.step(0), 1.0 / 882.0);
    for (int b = 0; b < 13; ++b)
        e.advance(kBlock);
    EXPECT_EQ(e.stage(), 0); // 832 samples
    e.advance(kBlock);       // 896 samples: the overshoot carries into segment 1
    EXPECT_EQ(e.stage(), 1);
    EXPECT_NEAR(e.position(), 896.0 / 882.0 - 1.0, 1e-12);
    // Segment 1 from level 1 to 0.5.
    EXPECT_NEAR(e.output(), 1.0 - 0.5 * (896.0 / 882.0 - 1.0), 1e-12);
}

TEST(EnvelopeTiming, OutputFollowsTheSegmentsAndSustains)
{
    Envelope e(kRate);
    configure(e, 0, 0);
    e.reset();
    e.trigger();
    e.advance(441); // half of segment 0, from 0 to 1
    EXPECT_NEAR(e.output(), 0.5, 1e-12);
    for (int b = 0; b < 100; ++b)
        e.advance(kBlock);
    EXPECT_EQ(e.stage(), EnvelopeSegments::kStageSustain);
    EXPECT_DOUBLE_EQ(e.output(), 0.8);
}

TEST(EnvelopeTiming, ReleaseCoversOneMinusOneOverEInItsTime)
{
    Envelope e(kRate);
    configure(e, 0, 0);
    e.setTime(3, 100.0 * kBlock / kRate); // exactly 100 sub-blocks
    e.reset();
    e.trigger();
    for (int b = 0; b < 100; ++b)
        e.advance(kBlock);
    const double before = e.output();
    ASSERT_DOUBLE_EQ(before, 0.8);
    e.releaseStage();
    EXPECT_EQ(e.stage(), EnvelopeSegments::kStageRelease);
    for (int b = 0; b < 100; ++b)
        e.advance(kBlock);
    EXPECT_NEAR(e.output(), 0.8 * std::exp(-1.0), 1e-9);
    // The release never ends by itself.
    for (int b = 0; b < 5000; ++b)
        e.advance(kBlock);
    EXPECT_EQ(e.stage(), EnvelopeSegments::kStageRelease);
}

TEST(EnvelopeTiming, ReleaseStopsALoop)
{
    Envelope e(kRate);
    configure(e, 1, 0);
    e.reset();
    e.trigger();
    for (int b = 0; b < 50; ++b)
        e.advance(kBlock);
    e.releaseStage();
    const double from = e.output();
    e.advance(kBlock);
    EXPECT_EQ(e.stage(), EnvelopeSegments::kStageRelease);
    EXPECT_LT(e.output(), from);
}

TEST(EnvelopeTiming, BadTimesGiveFiniteSteps)
{
    const double bad[] = {
        0.0,   -1.0, std::nan(""), std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
        1e-300};
    for (double t : bad) {
        Envelope e(kRate);
        configure(e, 4, 0);
        for (int k = 0; k < 4; ++k)
            e.setTime(k, t);
        for (int k = 0; k < 4; ++k) {
            EXPECT_TRUE(std::isfinite(e.step(k))) << t;
            EXPECT_GT(e.step(k), 0.0) << t;
            // A shortest segment still spans a whole sub-block, so no advance skips one.
            EXPECT_LE(e.step(k) * kBlock, 1.0) << t;
        }
        e.reset();
        e.trigger();
        for (int b = 0; b < 300; ++b) {
            e.advance(kBlock);
            ASSERT_TRUE(std::isfinite(e.output())) << t;
            ASSERT_GE(e.output(), 0.0) << t; // all levels are 0..1: no overshoot
            ASSERT_LE(e.output(), 1.0) << t;
        }
        e.releaseStage();
        e.advance(kBlock);
        EXPECT_TRUE(std::isfinite(e.output())) << t;
    }
    Envelope e(kRate);
    e.setLevel(1, std::nan(""));
    EXPECT_EQ(e.level(1), 0.0);
    // Non-finite times take the shortest time, huge finite ones the longest.
    e.setTime(0, std::numeric_limits<double>::infinity());
    e.setTime(1, 1e300);
    e.setTime(2, 0.0);
    EXPECT_EQ(e.time(0), e.time(2));
    EXPECT_DOUBLE_EQ(e.time(1), EnvelopeSegments::kMaxTimeSeconds);
}

TEST(EnvelopeTiming, NonPositiveAdvanceChangesNothing)
{
    Envelope e(kRate);
    configure(e, 0, 0);
    e.reset();
    e.trigger();
    e.advance(kBlock * 3);
    const double out = e.output();
    const double pos = e.position();
    e.advance(0);
    e.advance(-64);
    EXPECT_EQ(e.output(), out);
    EXPECT_EQ(e.position(), pos);
    e.releaseStage();
    e.advance(-1000);
    EXPECT_EQ(e.output(), out);
}

TEST(EnvelopeTrigger, RetriggerWithLevel0AtZeroGlides)
{
    Envelope e(kRate);
    configure(e, 0, 0);
    e.reset();
    e.trigger();
    for (int b = 0; b < 20; ++b)
        e.advance(kBlock);
    const double before = e.output();
    ASSERT_GT(before, 0.5);
    e.trigger(); // same note: no reset
    EXPECT_DOUBLE_EQ(e.output(), before);
    EXPECT_DOUBLE_EQ(e.startLevel(), before);
    EXPECT_EQ(e.stage(), 0);
    e.advance(kBlock);
    // Segment 0 now runs from `before` to level 1.
    EXPECT_NEAR(e.output(), before + (1.0 - before) * 64.0 / 882.0, 1e-12);
}

TEST(EnvelopeTrigger, RetriggerWithNonZeroLevel0Jumps)
{
    Envelope e(kRate);
    configure(e, 0, 0);
    e.setLevel(0, 0.3);
    e.reset();
    e.trigger();
    for (int b = 0; b < 20; ++b)
        e.advance(kBlock);
    e.trigger();
    EXPECT_DOUBLE_EQ(e.output(), 0.3);
    EXPECT_EQ(e.repeatsDone(), 0);
}

TEST(EnvelopeTrigger, ResetStartsFromZero)
{
    Envelope e(kRate);
    configure(e, 0, 0);
    e.reset();
    e.trigger();
    for (int b = 0; b < 20; ++b)
        e.advance(kBlock);
    e.reset();
    EXPECT_EQ(e.stage(), EnvelopeSegments::kStageOff);
    EXPECT_EQ(e.output(), 0.0);
    e.advance(kBlock); // stage off: nothing moves
    EXPECT_EQ(e.output(), 0.0);
    e.trigger();
    EXPECT_EQ(e.startLevel(), 0.0);
}

// ---- mix envelope ---------------------------------------------------------------------------

void configureMix(MixEnvelope& m, double px, double py)
{
    for (int k = 0; k < 4; ++k)
        m.setTime(k, 1.0);
    for (int k = 0; k < 5; ++k)
        m.setPoint(k, px, py);
    m.setLoopSetting(0, 0);
}

TEST(MixEnvelope, CrossfadeWeightsAfterATrigger)
{
    MixEnvelope m(kRate);
    configureMix(m, 1.0, -0.5);
    m.reset();
    EXPECT_EQ(m.crossfadeCounter(), 1000);
    m.trigger();
    // After a reset the fade starts at the centre: out = weight * point.
    for (int b = 1; b <= 9; ++b) {
        m.advance(kBlock);
        EXPECT_NEAR(m.outputX(), 0.1 * b, 1e-6) << b;
        EXPECT_NEAR(m.outputY(), -0.05 * b, 1e-6) << b;
    }
    m.advance(kBlock);
    EXPECT_DOUBLE_EQ(m.outputX(), 1.0);
    EXPECT_DOUBLE_EQ(m.outputY(), -0.5);
}

TEST(MixEnvelope, RetriggerFadesFromThePreviousPosition)
{
    MixEnvelope m(kRate);
    configureMix(m, 1.0, -0.5);
    m.reset();
    m.trigger();
    for (int b = 0; b < 12; ++b)
        m.advance(kBlock);
    for (int k = 0; k < 5; ++k)
        m.setPoint(k, -1.0, 0.5);
    m.trigger();
    m.advance(kBlock);
    const double w = static_cast<double>(0.1f);
    EXPECT_NEAR(m.outputX(), -1.0 * w + 1.0 * (1.0 - w), 1e-12);
    EXPECT_NEAR(m.outputY(), 0.5 * w - 0.5 * (1.0 - w), 1e-12);
}

TEST(MixEnvelope, SegmentZeroStartsAtPoint0AndReleaseIsAStraightLine)
{
    MixEnvelope m(kRate);
    for (int k = 0; k < 4; ++k)
        m.setTime(k, 0.01);
    m.setTime(3, 10.0 * kBlock / kRate);
    const double xs[5] = {-1.0, 0.0, 1.0, 0.5, 0.0};
    const double ys[5] = {0.0, 1.0, 0.0, 0.5, -1.0};
    for (int k = 0; k < 5; ++k)
        m.setPoint(k, xs[k], ys[k]);
    m.setLoopSetting(0, 0);
    m.reset();
    m.trigger();
    for (int b = 0; b < 60; ++b)
        m.advance(kBlock);
    EXPECT_EQ(m.stage(), EnvelopeSegments::kStageSustain);
    EXPECT_DOUBLE_EQ(m.outputX(), 0.5);
    m.releaseStage();
    for (int b = 0; b < 5; ++b)
        m.advance(kBlock);
    EXPECT_NEAR(m.outputX(), 0.25, 1e-9);
    EXPECT_NEAR(m.outputY(), -0.25, 1e-9);
    for (int b = 0; b < 4; ++b)
        m.advance(kBlock);
    EXPECT_EQ(m.stage(), EnvelopeSegments::kStageRelease);
    m.advance(kBlock); // position 1, give or take rounding
    m.advance(kBlock);
    EXPECT_EQ(m.stage(), EnvelopeSegments::kStageOff);
    EXPECT_DOUBLE_EQ(m.outputY(), -1.0);
}

TEST(MixEnvelope, EndlessLoopKeepsTheCrossfadeCountBounded)
{
    MixEnvelope m(kRate);
    for (int k = 0; k < 4; ++k)
        m.setTime(k, 0.01);
    m.setLoopSetting(1, 0);
    m.reset();
    m.trigger();
    for (int b = 0; b < 10000; ++b)
        m.advance(kBlock);
    EXPECT_EQ(m.crossfadeCounter(), MixEnvelope::kCrossfadeBlocks);
    EXPECT_NE(m.stage(), EnvelopeSegments::kStageSustain);
}

TEST(MixEnvelope, BadPointsAndTimesStayFinite)
{
    MixEnvelope m(kRate);
    for (int k = 0; k < 4; ++k)
        m.setTime(k, std::nan(""));
    m.setPoint(2, std::numeric_limits<double>::infinity(), std::nan(""));
    m.setPoint(7, 1.0, 1.0); // ignored
    m.setLoopSetting(5, 0);
    m.reset();
    m.trigger();
    for (int b = 0; b < 500; ++b) {
        m.advance(kBlock);
        ASSERT_TRUE(std::isfinite(m.outputX()));
        ASSERT_TRUE(std::isfinite(m.outputY()));
    }
}

} // namespace
} // namespace ostrel
