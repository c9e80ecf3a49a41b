#include "engine/voice.h"
#include "test_render_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ostrel {
namespace {

using testing::EngineRig;

// Renders until the amplitude envelope of voice 0 sits in its sustain.
void settle(EngineRig& rig)
{
    rig.render(32 * 60);
    ASSERT_EQ(rig.engine->voice(0).ampEnvelope().stage(), 3);
}

TEST(VoicePitch, Note69PlaysA440OnEveryOscillator)
{
    EngineRig rig;
    rig.noteOn(69);
    rig.render(64);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(rig.engine->voice(0).oscillator(k).frequency(), 440.0) << "oscillator " << k + 1;
}

TEST(VoicePitch, TuningBendAndNote)
{
    EngineRig rig;
    rig.patch.oscTune[1]->value().set(12.0f);
    rig.patch.oscTune[2]->value().set(2.95f); // snaps to 3 semitones
    rig.patch.oscFinetune[3]->value().set(50.0f);
    rig.noteOn(57);
    rig.midi(0, 0xE0, 0x00, 0x00); // full bend down, -1/6 octave
    rig.render(64);
    const Voice& v = rig.engine->voice(0);
    const double bend = static_cast<double>(static_cast<float>(-1.0 / 6.0));
    EXPECT_NEAR(v.oscillator(0).frequency(), 220.0 * std::exp2(bend), 1e-9);
    EXPECT_NEAR(v.oscillator(1).frequency(), 440.0 * std::exp2(bend), 1e-9);
    EXPECT_NEAR(v.oscillator(2).frequency(), 220.0 * std::exp2(3.0 / 12.0 + bend), 1e-9);
    EXPECT_NEAR(v.oscillator(3).frequency(), 220.0 * std::exp2(0.5 / 12.0 + bend), 1e-9);
}

TEST(VoicePitch, UnisonAndOctaveOscillatorsStartInPhase)
{
    EngineRig rig;
    rig.patch.oscTune[1]->value().set(7.0f);
    rig.patch.oscTune[2]->value().set(14.0f); // twice oscillator 2's tuning
    rig.noteOn(60);
    rig.render(32 * 7);
    const Voice& v = rig.engine->voice(0);
    ASSERT_NE(v.oscillator(1).phase(), v.oscillator(2).phase());
    const std::uint32_t phase1 = v.oscillator(1).phase();
    rig.engine->applyEvent({0, NoteEvent::kNote, 60, 100});      // retrigger
    EXPECT_EQ(v.oscillator(2).phase(), phase1);                  // an octave above oscillator 2
    EXPECT_EQ(v.oscillator(3).phase(), v.oscillator(0).phase()); // unison with oscillator 1
    EXPECT_EQ(v.oscillator(1).phase(), phase1);                  // not reset
}

TEST(VoiceMix, CentreGivesEachOscillatorAQuarter)
{
    EngineRig rig;
    for (int k = 0; k < 4; ++k)
        rig.patch.oscWaveform[k]->value().set(3);
    rig.noteOn(60);
    rig.render(64);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(rig.engine->voice(0).oscillator(k).gain(), 0.25);
}

TEST(VoiceMix, CornersAndClamping)
{
    struct Case {
        float x, y;
        int loud;
    };
    for (const Case c : {Case{-1, 0, 0}, Case{0, 1, 1}, Case{1, 0, 2}, Case{0, -1, 3}, Case{-1, -1, -1}}) {
        EngineRig rig;
        for (int k = 0; k < 5; ++k) {
            rig.patch.mixX[k]->value().set(c.x);
            rig.patch.mixY[k]->value().set(c.y);
        }
        rig.noteOn(60);
        rig.render(32 * 40); // past the crossfade from the centre
        const Voice& v = rig.engine->voice(0);
        double sum = 0.0;
        for (int k = 0; k < 4; ++k) {
            sum += v.oscillator(k).gain();
            if (c.loud >= 0) {
                EXPECT_EQ(v.oscillator(k).gain(), k == c.loud ? 1.0 : 0.0) << c.x << "," << c.y << " osc " << k;
            }
        }
        EXPECT_DOUBLE_EQ(sum, 1.0);
    }
}

TEST(VoiceAmplitude, VelocityRouteScalesTheTarget)
{
    double gains[3]{};
    const int velocities[3] = {1, 64, 127};
    for (int i = 0; i < 3; ++i) {
        EngineRig rig;
        rig.patch.modRoute[3][11]->value().set(1);
        rig.patch.modAmount[3]->value().set(1.0f);
        rig.noteOn(60, velocities[i]);
        settle(rig);
        gains[i] = rig.engine->voice(0).gain();
    }
    EXPECT_DOUBLE_EQ(gains[0] / gains[1], 1.0 / 64.0);
    EXPECT_DOUBLE_EQ(gains[2] / gains[1], 1.984375);
    EXPECT_NEAR(gains[1], std::pow(10.0, -6.0 / 20.0), 1e-12);
}

TEST(VoiceAmplitude, AftertouchRouteScalesTheTarget)
{
    EngineRig rig;
    rig.patch.modRoute[2][11]->value().set(1);
    rig.patch.modAmount[2]->value().set(0.5f);
    rig.noteOn(60);
    settle(rig);
    const double plain = rig.engine->voice(0).gain();
    rig.midi(0, 0xD0, 127, 0);
    rig.render(64);
    EXPECT_DOUBLE_EQ(rig.engine->voice(0).gain() / plain, 1.5);
}

TEST(VoiceAmplitude, VolumeBelowMinus39DecibelsIsSilent)
{
    EngineRig rig;
    rig.patch.volume->value().set(-39.5f);
    rig.noteOn(60);
    const auto out = rig.renderFrames(32 * 40);
    EXPECT_EQ(rig.engine->voiceParams().volumeGain, 0.0);
    EXPECT_FALSE(testing::anyNonZero(out.left));
    rig.patch.volume->value().set(-39.0f);
    rig.render(32);
    EXPECT_NEAR(rig.engine->voiceParams().volumeGain, std::pow(10.0, -39.0 / 20.0), 1e-15);
}

TEST(VoiceFilter, VelocityRouteChangesTheEnvelopeDepthNotTheCutoff)
{
    const auto coordinate = [](bool routed, int velocity) {
        EngineRig rig;
        rig.patch.cutoff->value().set(0.0f);
        for (auto* level : rig.patch.filterLevel)
            level->value().set(1.0f); // the envelope sits at 1 from the trigger on
        rig.patch.modRoute[3][4]->value().set(routed ? 1 : 0);
        rig.patch.modAmount[3]->value().set(1.0f);
        rig.noteOn(60, velocity);
        rig.render(64);
        return rig.engine->voice(0).filter().cutoffTargetCoordinate();
    };
    EXPECT_DOUBLE_EQ(coordinate(false, 127), 3.0);
    EXPECT_DOUBLE_EQ(coordinate(true, 64), 3.0);
    EXPECT_DOUBLE_EQ(coordinate(true, 127), 3.0 + 5.0 * 63.0 / 64.0);
}

TEST(VoiceRelease, EndsWithARampToExactlyZeroThenIdle)
{
    EngineRig rig;
    rig.noteOn(60);
    rig.render(32 * 20);
    rig.noteOff(60);
    const Voice& v = rig.engine->voice(0);
    testing::Stereo out;
    int blocks = 0;
    while (v.state() != Voice::Idle && blocks < 2000) {
        rig.render(32, &out);
        ++blocks;
    }
    ASSERT_EQ(v.state(), Voice::Idle);
    EXPECT_EQ(v.gain(), 0.0);
    // Idle voices are not rendered: after the decimator's history the output is exact zero.
    rig.render(32); // the decimator's history still holds the end of the ramp
    testing::Stereo after;
    rig.render(32, &after);
    rig.render(32, &after);
    EXPECT_FALSE(testing::anyNonZero(after.left));
    EXPECT_FALSE(testing::anyNonZero(after.right));
}

TEST(VoicePan, VelocityTermIsNotDividedBy64)
{
    EngineRig rig;
    rig.patch.modRoute[3][12]->value().set(1);
    rig.patch.modAmount[3]->value().set(0.5f);
    rig.noteOn(60, 70);
    rig.render(64);
    EXPECT_DOUBLE_EQ(rig.engine->voice(0).panModulation(), 3.0);
}

} // namespace
} // namespace ostrel
