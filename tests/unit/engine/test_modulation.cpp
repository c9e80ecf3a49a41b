#include "engine/lfo.h"
#include "engine/modulation.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace ostrel {
namespace {

constexpr int kRate = 88200;

// Two LFOs whose values are known: a square at phase 0 is +1, a saw up at phase 0 is -1.
struct Fixture {
    Lfo lfo1{kRate};
    Lfo lfo2{kRate};
    ModState state;
    Fixture()
    {
        lfo1.setWave(Lfo::kSquare);
        lfo2.setWave(Lfo::kSawUp);
        lfo1.setRate(1.0);
        lfo2.setRate(1.0);
    }
    void route(int row, int column)
    {
        state.route[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = 1;
    }
    void amount(int row, float a) { state.amount[static_cast<std::size_t>(row)] = a; }
};

TEST(GlobalModulation, WithoutRoutesDepthsAreTheAmounts)
{
    Fixture f;
    f.amount(mod::kLfo1, 0.5f);
    f.amount(mod::kLfo2, 0.25f);
    f.amount(mod::kAftertouch, -0.5f);
    updateGlobalModulation(f.state, f.lfo1, f.lfo2, 0.8f, 1.0f);
    EXPECT_FLOAT_EQ(f.state.lfo1Out, 0.5f);
    EXPECT_FLOAT_EQ(f.state.lfo2Out, -0.25f);
    EXPECT_FLOAT_EQ(f.state.atOut, -0.4f);
    // Both LFOs moved by one sub-block.
    EXPECT_NEAR(f.lfo1.phase(), 64.0 / kRate, 1e-15);
    EXPECT_NEAR(f.lfo2.phase(), 64.0 / kRate, 1e-15);
}

TEST(GlobalModulation, ModWheelOnLfo1Depth)
{
    Fixture f;
    f.amount(mod::kLfo1, 0.0f);
    f.amount(mod::kModWheel, 1.0f);
    f.route(mod::kModWheel, mod::kLfo1Depth);
    updateGlobalModulation(f.state, f.lfo1, f.lfo2, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(f.state.lfo1Out, 1.0f);
    updateGlobalModulation(f.state, f.lfo1, f.lfo2, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(f.state.lfo1Out, 0.0f);
    // Without the route the wheel does nothing.
    Fixture g;
    g.amount(mod::kModWheel, 1.0f);
    updateGlobalModulation(g.state, g.lfo1, g.lfo2, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(g.state.lfo1Out, 0.0f);
}

TEST(GlobalModulation, NegativeDepthIsClampedAtZero)
{
    // LFO 2 (value -1 at phase 0) with amount 1 modulates LFO 1's depth of 0.3 down to -0.7.
    Fixture f;
    f.amount(mod::kLfo1, 0.3f);
    f.amount(mod::kLfo2, 1.0f);
    f.route(mod::kLfo2, mod::kLfo1Depth);
    updateGlobalModulation(f.state, f.lfo1, f.lfo2, 0.0f, 0.0f);
    EXPECT_EQ(f.state.lfo1Out, 0.0f);
    // Aftertouch with a negative amount on LFO 2's depth.
    Fixture g;
    g.amount(mod::kLfo2, 0.2f);
    g.amount(mod::kAftertouch, -1.0f);
    g.route(mod::kAftertouch, mod::kLfo2Depth);
    updateGlobalModulation(g.state, g.lfo1, g.lfo2, 1.0f, 0.0f);
    EXPECT_EQ(g.state.lfo2Out, 0.0f);
    // NaN amounts end at depth 0 as well.
    Fixture h;
    h.amount(mod::kLfo1, std::nanf(""));
    updateGlobalModulation(h.state, h.lfo1, h.lfo2, 0.0f, 0.0f);
    EXPECT_EQ(h.state.lfo1Out, 0.0f);
}

TEST(GlobalModulation, CrossModulationByLfo1)
{
    Fixture f;
    f.amount(mod::kLfo1, 0.5f);
    f.amount(mod::kLfo2, 0.25f);
    f.route(mod::kLfo1, mod::kLfo2Depth);
    updateGlobalModulation(f.state, f.lfo1, f.lfo2, 0.0f, 0.0f);
    // depth2 = 0.25 + 1 * 0.5; LFO 2 reads -1.
    EXPECT_FLOAT_EQ(f.state.lfo2Out, -0.75f);
}

TEST(GlobalModulation, SampleAndHoldDepthAndOutputUseOneValuePerSubBlock)
{
    // Both LFOs on sample-and-hold, just past a crossing: each drew once when it advanced
    // (LFO 1 first). LFO 2 read for LFO 1's depth and for its own output gives the same value.
    Random shared;
    Lfo lfo1(1000, &shared), lfo2(1000, &shared);
    for (Lfo* l : {&lfo1, &lfo2}) {
        l->setRate(1.0);
        l->setWave(Lfo::kSampleAndHold);
        l->advance(500);
    }
    ModState state;
    state.amount[mod::kLfo1] = 0.0f;
    state.amount[mod::kLfo2] = 1.0f;
    state.route[mod::kLfo2][mod::kLfo1Depth] = 1;
    updateGlobalModulation(state, lfo1, lfo2, 0.0f, 0.0f);

    Random ref;
    auto draw = [&ref] { return static_cast<double>(static_cast<float>(2.0 * ref.next() / 32767.0 - 1.0)); };
    const double lfo1Value = draw();
    const double lfo2Value = draw();
    const double depth1 = std::max(0.0, lfo2Value * 1.0);
    EXPECT_EQ(state.lfo1Out, static_cast<float>(lfo1Value * depth1));
    EXPECT_EQ(state.lfo2Out, static_cast<float>(lfo2Value * 1.0));
    // No crossing in this sub-block's advance: nothing more was drawn.
    EXPECT_EQ(shared.currentState(), ref.currentState());
}

TEST(StaticModulation, CentreVelocityAndNoteAddNothing)
{
    ModState state;
    state.amount.fill(1.0f);
    for (auto& row : state.route)
        row.fill(1);
    std::array<float, mod::kStaticModCount> sm;
    sm.fill(9.0f);
    computeStaticMod(state, 64, 54, sm);
    for (float v : sm)
        EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(cutoffModulation(state, 54), 0.0);
    EXPECT_EQ(filterEnvelopeDepth(state, 0.7, 64), 0.7);
    EXPECT_EQ(amplitudeModulation(state, 64), 1.0); // atOut is 0
    EXPECT_EQ(panModulation(state, 64, 54, 0.0), 0.0);
    const MixOffset mix = mixModulation(state, sm);
    EXPECT_EQ(mix.dx, 0.0);
    EXPECT_EQ(mix.dy, 0.0);
}

TEST(StaticModulation, VelocityAndKeyTermsPerColumn)
{
    ModState state;
    state.amount[mod::kVelocity] = 0.5f;
    state.amount[mod::kKey] = -1.0f;
    state.route[mod::kVelocity][mod::kPitch2] = 1;
    state.route[mod::kKey][mod::kPitch2] = 1;
    state.route[mod::kKey][mod::kMixX] = 1;
    state.route[mod::kVelocity][mod::kMixY] = 1;
    state.route[mod::kVelocity][mod::kCutoff] = 1; // not a static term
    std::array<float, mod::kStaticModCount> sm{};
    computeStaticMod(state, 127, 66, sm);
    const float vel = static_cast<float>(63.0 / 64.0 * 0.5);
    const float key = -1.0f;
    EXPECT_EQ(sm[mod::kPitch1], 0.0f);
    EXPECT_FLOAT_EQ(sm[mod::kPitch2], vel + key);
    EXPECT_EQ(sm[mod::kCutoff], 0.0f);
    EXPECT_FLOAT_EQ(sm[mod::kMixX], key);
    EXPECT_FLOAT_EQ(sm[mod::kMixY], vel);
    const MixOffset mix = mixModulation(state, sm);
    EXPECT_FLOAT_EQ(static_cast<float>(mix.dx), key);
    EXPECT_FLOAT_EQ(static_cast<float>(mix.dy), -vel); // Y enters with the opposite sign
    EXPECT_NEAR(pitchModulation(state, 1, 0.0, sm), 2.0 * static_cast<double>(vel + key), 1e-6);
    // Velocity on column 4 changes the envelope depth, not the cutoff.
    EXPECT_EQ(cutoffModulation(state, 66), 0.0);
    EXPECT_NEAR(filterEnvelopeDepth(state, 1.0, 127), 1.0 + 5.0 * 63.0 * 0.5 / 64.0, 1e-12);
}

TEST(VoiceModulation, GlobalSourcesOnEachDestination)
{
    ModState state;
    state.lfo1Out = 0.25f;
    state.lfo2Out = -0.5f;
    state.atOut = 0.125f;
    state.amount[mod::kFilterEnvelope] = 0.5f;
    for (int row : {mod::kLfo1, mod::kLfo2, mod::kAftertouch})
        for (int col : {mod::kPitch3, mod::kCutoff, mod::kMixX, mod::kMixY, mod::kPan})
            state.route[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = 1;
    state.route[mod::kFilterEnvelope][mod::kPitch3] = 1;
    state.route[mod::kFilterEnvelope][mod::kPan] = 1;
    state.route[mod::kAftertouch][mod::kAmplitude] = 1;
    const std::array<float, mod::kStaticModCount> sm{};
    const double sum = 0.25 - 0.5 + 0.125;
    EXPECT_DOUBLE_EQ(pitchModulation(state, 2, 0.8, sm), 2.0 * sum + 2.0 * 0.5 * 0.8);
    EXPECT_DOUBLE_EQ(pitchModulation(state, 0, 0.8, sm), 0.0);
    EXPECT_DOUBLE_EQ(pitchModulation(state, 9, 0.8, sm), 0.0); // no such oscillator
    EXPECT_DOUBLE_EQ(cutoffModulation(state, 60), 2.0 * sum);
    const MixOffset mix = mixModulation(state, sm);
    EXPECT_DOUBLE_EQ(mix.dx, sum);
    EXPECT_DOUBLE_EQ(mix.dy, -sum);
    EXPECT_DOUBLE_EQ(panModulation(state, 64, 54, 0.8), 0.25 - 0.5 + 2.0 * 0.125 + 0.5 * 0.8);
    EXPECT_DOUBLE_EQ(amplitudeModulation(state, 1), 1.125);
}

TEST(VoiceModulation, VelocityOnAmplitudeAndPan)
{
    ModState state;
    state.amount[mod::kVelocity] = 1.0f;
    state.route[mod::kVelocity][mod::kAmplitude] = 1;
    EXPECT_DOUBLE_EQ(amplitudeModulation(state, 1), 1.0 / 64.0);
    EXPECT_DOUBLE_EQ(amplitudeModulation(state, 64), 1.0);
    EXPECT_DOUBLE_EQ(amplitudeModulation(state, 127), 1.984375);
    state.route[mod::kVelocity][mod::kPan] = 1;
    // The pan term is not divided by 64.
    EXPECT_DOUBLE_EQ(panModulation(state, 65, 54, 0.0), 1.0);
    state.amount[mod::kKey] = 0.5f;
    state.route[mod::kKey][mod::kCutoff] = 1;
    EXPECT_DOUBLE_EQ(cutoffModulation(state, 78), 2.0 * 0.5 * 2.0);
}

TEST(VoiceModulation, RoutesOutsideTheMatrixAreOff)
{
    ModState state;
    for (auto& row : state.route)
        row.fill(1);
    EXPECT_FALSE(state.routed(-1, 0));
    EXPECT_FALSE(state.routed(7, 0));
    EXPECT_FALSE(state.routed(0, 15));
    EXPECT_TRUE(state.routed(6, 14));
    state.clearRoutes();
    EXPECT_FALSE(state.routed(6, 14));
}

} // namespace
} // namespace ostrel
