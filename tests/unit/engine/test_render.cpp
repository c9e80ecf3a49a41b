#include "engine/render_callback.h"
#include "engine/render_fp_env.h"
#include "engine/snapshot.h"
#include "test_render_support.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace ostrel {
namespace {

using testing::EngineRig;
using testing::Stereo;

int firstNonZero(const std::vector<float>& v)
{
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != 0.0f)
            return static_cast<int>(i);
    }
    return -1;
}

TEST(RenderCarry, OneFrameBlocksRenderAWholeSubBlockThenUseTheCarry)
{
    EngineRig rig;
    rig.render(1);
    EXPECT_EQ(rig.engine->carry(), 62);
    rig.render(1);
    EXPECT_EQ(rig.engine->carry(), 60); // nothing new rendered
    for (int i = 0; i < 30; ++i)
        rig.render(1);
    EXPECT_EQ(rig.engine->carry(), 0);
    rig.render(1);
    EXPECT_EQ(rig.engine->carry(), 62);
}

TEST(RenderCarry, ThirtyTwoFrameBlocksKeepNoCarry)
{
    EngineRig rig;
    for (int i = 0; i < 5; ++i) {
        rig.render(32);
        EXPECT_EQ(rig.engine->carry(), 0);
    }
    rig.render(33);
    EXPECT_EQ(rig.engine->carry(), 62);
    rig.render(31);
    EXPECT_EQ(rig.engine->carry(), 0);
}

TEST(RenderTiming, NoteAtTheBlockStartSoundsFromTheSecondSubBlock)
{
    EngineRig rig;
    rig.noteOn(60, 100, 0);
    Stereo out;
    rig.render(128, &out);
    // The note starts at internal sample 64 with a gain ramp from 0; the decimator's window
    // first reaches internal sample 65 at output 33.
    EXPECT_EQ(firstNonZero(out.left), 33);
    EXPECT_EQ(firstNonZero(out.right), 33);
}

TEST(RenderTiming, EventTakesEffectAtTheFirstSubBlockStartingAfterIt)
{
    for (const auto& [time, first] : {std::pair{31, 33}, std::pair{32, 65}, std::pair{40, 65}, std::pair{63, 65}}) {
        EngineRig rig;
        rig.noteOn(60, 100, time);
        Stereo out;
        rig.render(256, &out);
        EXPECT_EQ(firstNonZero(out.left), first) << "event at " << time;
    }
}

TEST(RenderTiming, EventsBeyondTheBlockApplyAtItsEndAndNegativeTimesAtItsStart)
{
    EngineRig late;
    late.noteOn(60, 100, 5000);
    late.render(64);
    EXPECT_TRUE(late.queue.empty());
    EXPECT_EQ(late.engine->voice(0).state(), Voice::Held);
    Stereo lateOut;
    late.render(64, &lateOut);
    // Applied after the block: the next block's first sub-block (host frame 64) plays it.
    EXPECT_EQ(firstNonZero(lateOut.left), 1);

    EngineRig early;
    early.render(16); // carry 32: the next block starts inside a sub-block
    early.noteOn(60, 100, -40);
    Stereo earlyOut;
    early.render(64, &earlyOut);
    EXPECT_EQ(firstNonZero(earlyOut.left), 17);
}

TEST(RenderSilence, ExactZeroWithoutSoundingVoices)
{
    EngineRig rig;
    const Stereo out = rig.renderFrames(4096, 100);
    EXPECT_FALSE(testing::anyNonZero(out.left));
    EXPECT_FALSE(testing::anyNonZero(out.right));
}

TEST(RenderPan, SlotsRepeatEveryEightVoices)
{
    EngineRig rig;
    rig.patch.polyphony->value().set(9.0f);
    rig.patch.pan[0]->value().set(-1.0f);
    for (int k = 1; k < 8; ++k)
        rig.patch.pan[k]->value().set(1.0f);
    rig.render(32);
    const VoiceParams& p = rig.engine->voiceParams();
    EXPECT_EQ(p.panSlot[8], -1.0);
    EXPECT_EQ(p.panSlot[31], 1.0);

    for (int k = 0; k < 9; ++k)
        rig.noteOn(50 + k);
    rig.render(32 * 10);
    ASSERT_EQ(rig.engine->voice(8).note(), 58);
    for (int k = 0; k < 8; ++k)
        rig.noteOff(50 + k);
    rig.render(32 * 600); // only voice 8 still sounds
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(rig.engine->voice(i).state(), Voice::Idle);
    Stereo out;
    rig.render(256, &out);
    EXPECT_TRUE(testing::anyNonZero(out.left));
    EXPECT_FALSE(testing::anyNonZero(out.right)); // voice 8 is fully left, like voice 0
}

TEST(RenderPan, EqualPowerCentre)
{
    EngineRig rig;
    rig.noteOn(60);
    Stereo out;
    rig.render(2048, &out);
    EXPECT_EQ(out.left, out.right);
    EXPECT_TRUE(testing::anyNonZero(out.left));
}

// A sequence with events off the 32-frame grid, all controllers, chorus and LFO routes on.
void scriptedSession(EngineRig& rig, int blockSize, Stereo& out)
{
    rig.patch.chorusOn->value().set(1);
    rig.patch.resonance->value().set(0.6f);
    rig.patch.oscWaveform[1]->value().set(7);
    rig.patch.modAmount[0]->value().set(0.3f);
    rig.patch.modRoute[0][4]->value().set(1);
    rig.patch.modRoute[2][0]->value().set(1);
    rig.patch.modAmount[2]->value().set(0.2f);
    rig.patch.lfoWave[1]->value().set(5);
    rig.patch.modAmount[1]->value().set(0.5f);
    rig.patch.modRoute[1][12]->value().set(1);
    rig.patch.polyphony->value().set(4.0f);
    struct Timed {
        int frame, status, d1, d2;
    };
    const std::vector<Timed> script = {
        {3, 0x90, 60, 100},   {45, 0x90, 64, 80},   {97, 0xE0, 0x10, 0x50}, {130, 0x90, 67, 90},
        {401, 0xD0, 70, 0},   {555, 0x90, 71, 60},  {556, 0x90, 72, 127},   {1000, 0x80, 60, 0},
        {1301, 0xB0, 1, 90},  {2047, 0x90, 48, 70}, {2999, 0x90, 64, 0},    {4097, 0xB0, 123, 0},
        {4100, 0x90, 0, 100}, {6001, 0x80, 0, 0},   {7777, 0x90, 80, 30},   {9001, 0xE0, 0x7F, 0x7F},
    };
    constexpr int kTotal = 12000;
    std::size_t next = 0;
    for (int start = 0; start < kTotal; start += blockSize) {
        const int n = std::min(blockSize, kTotal - start);
        while (next < script.size() && script[next].frame < start + n) {
            const Timed& t = script[next++];
            rig.midi(t.frame - start, t.status, t.d1, t.d2);
        }
        rig.render(n, &out);
    }
}

TEST(RenderDeterminism, SameOutputBitsForEveryHostBlockSize)
{
    Stereo reference;
    {
        EngineRig rig;
        scriptedSession(rig, 32, reference);
    }
    ASSERT_TRUE(testing::anyNonZero(reference.left));
    for (int blockSize : {1, 7, 100, 512, 4096}) {
        EngineRig rig;
        Stereo out;
        scriptedSession(rig, blockSize, out);
        EXPECT_EQ(out.left, reference.left) << "block size " << blockSize;
        EXPECT_EQ(out.right, reference.right) << "block size " << blockSize;
    }
}

// A dense session on all 32 voices, through the audio callback (rounding toward minus
// infinity, as the plug-in renders): four oscillators per voice, resonant filters of both
// structures, chorus, bends, pressure, a sample-and-hold LFO on the cutoff, steals. Its samples'
// fingerprint was recorded before the engine's speed work; the plug-in's own renders never use
// more than 8 voices, so this is what holds the paths beyond that (several groups of filter
// lanes, full voice lists) to the same bits. A change meant to alter the sound updates it.
std::uint64_t denseSessionFingerprint(int hostRate)
{
    EngineRig rig(hostRate);
    Patch& p = rig.patch;
    for (std::size_t k = 0; k < 4; ++k)
        p.oscWaveform[k]->value().set(static_cast<std::int32_t>(3 + 11 * k));
    p.oscTune[1]->value().set(7.0f);
    p.oscFinetune[2]->value().set(8.0f);
    p.oscTune[3]->value().set(-12.0f);
    p.resonance->value().set(0.8f);
    p.cutoff->value().set(5.5f);
    p.filterEnvAmount->value().set(3.0f);
    p.filterLevel[1]->value().set(1.0f);
    p.filterTime[0]->value().set(0.2f);
    p.chorusOn->value().set(1);
    p.lfoWave[0]->value().set(5);
    p.lfoRate[0]->value().set(7.0f);
    p.modAmount[0]->value().set(0.6f);
    p.modRoute[0][4]->value().set(1);
    p.polyphony->value().set(32.0f);
    p.volume->value().set(-20.0f);
    p.ampTime[3]->value().set(0.4f); // a quarter-second release

    std::uint64_t hash = 14695981039346656037ull; // FNV-1a over the samples' bytes
    std::vector<float> left(300), right(300);
    for (int block = 0; block < 400; ++block) {
        if (block % 10 == 0) {
            for (int v = 0; v < 8; ++v)
                rig.noteOn(24 + (block * 7 + v * 13) % 80, 30 + (block + v * 17) % 97, (v * 41) % 300);
        }
        if (block % 10 == 6) {
            for (int v = 0; v < 3; ++v)
                rig.noteOff(24 + ((block - 6) * 7 + v * 13) % 80, 100);
        }
        if (block == 200)
            p.filterMode->value().set(9); // three-pole from here on
        rig.midi(block % 300, 0xE0, block % 128, (block * 5) % 128);
        rig.midi((block * 3) % 300, 0xD0, (block * 11) % 128, 0);
        renderAudioCallback(*rig.engine, rig.patch, rig.queue, left.data(), right.data(), 300, OutputMode::Replace,
                            nullptr, nullptr);
        for (const std::vector<float>* channel : {&left, &right}) {
            for (float x : *channel) {
                std::uint32_t bits = 0;
                std::memcpy(&bits, &x, sizeof bits);
                for (int b = 0; b < 4; ++b) {
                    hash ^= (bits >> (8 * b)) & 0xFFu;
                    hash *= 1099511628211ull;
                }
            }
        }
    }
    int sounding = 0;
    for (int i = 0; i < rig.engine->voiceCount(); ++i)
        sounding += rig.engine->voice(i).state() != Voice::Idle ? 1 : 0;
    EXPECT_EQ(sounding, 32);
    return hash;
}

TEST(RenderDeterminism, DenseSessionOnThirtyTwoVoicesGivesTheRecordedSamples)
{
    EXPECT_EQ(denseSessionFingerprint(44100), 0x81e192fb707a7895ull);
    EXPECT_EQ(denseSessionFingerprint(48000), 0xfd2e48f40eb96f77ull);
}

TEST(RenderCallback, LongHostBlockIsRenderedWholeInSlices)
{
    EngineRig sliced;
    EngineRig whole;
    sliced.noteOn(60, 100, 8500); // in the second slice
    std::vector<float> l(20000, 5.0f), r(20000, 5.0f);
    renderAudioCallback(*sliced.engine, sliced.patch, sliced.queue, l.data(), r.data(), 20000, OutputMode::Replace,
                        nullptr, nullptr);
    Stereo reference;
    for (int i = 0; i < 20; ++i) {
        if (i == 8)
            whole.noteOn(60, 100, 500);
        whole.render(1000, &reference);
    }
    // Block-size invariance holds across the slices, so the frames beyond 8000 are the same
    // as rendered in small blocks (up to the rounding mode the callback sets).
    EXPECT_EQ(firstNonZero(l), firstNonZero(reference.left));
    EXPECT_EQ(firstNonZero(l), 8513); // the sub-block from host frame 8512 on, its second sample
    EXPECT_NE(l[19999], 5.0f);
    EXPECT_NE(l[19999], 0.0f);
}

TEST(RenderCallback, AccumulateAddsAndReplaceOverwrites)
{
    for (OutputMode mode : {OutputMode::Accumulate, OutputMode::Replace}) {
        EngineRig rig;
        std::vector<float> l(300, 0.5f), r(300, -0.25f), sl(8192), sr(8192);
        renderAudioCallback(*rig.engine, rig.patch, rig.queue, l.data(), r.data(), 300, mode, sl.data(), sr.data());
        const float expectedLeft = mode == OutputMode::Accumulate ? 0.5f : 0.0f;
        const float expectedRight = mode == OutputMode::Accumulate ? -0.25f : 0.0f;
        for (std::size_t i = 0; i < 300; ++i) {
            ASSERT_EQ(l[i], expectedLeft);
            ASSERT_EQ(r[i], expectedRight);
        }
    }
}

TEST(RenderFpEnvironment, RoundingAndControlRegisterAreRestored)
{
    for (int mode : {FE_TONEAREST, FE_UPWARD, FE_TOWARDZERO}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        const unsigned before = currentSseControl();
        {
            RealtimeFpScope scope;
            EXPECT_EQ(std::fegetround(), FE_DOWNWARD);
#if defined(__x86_64__) || defined(_M_X64)
            EXPECT_EQ(currentSseControl() & (kFlushToZeroBit | kDenormalsAreZeroBit),
                      kFlushToZeroBit | kDenormalsAreZeroBit);
            volatile float tiny = 1e-30f;
            volatile float product = tiny * 1e-15f; // would be a denormal
            EXPECT_EQ(product, 0.0f);
#endif
        }
        EXPECT_EQ(std::fegetround(), mode);
        EXPECT_EQ(currentSseControl(), before);
    }
    std::fesetround(FE_TONEAREST);
}

TEST(Snapshot, OutOfRangeValuesBecomeSafe)
{
    EngineRig rig;
    Patch& p = rig.patch;
    p.oscWaveform[0]->value().set(500);
    p.oscWaveform[1]->value().set(-3);
    p.filterMode->value().set(99);
    p.ampLoop->value().set(42);
    p.mixRepeat->value().set(-1);
    p.lfoWave[0]->value().set(17);
    p.volume->value().set(std::numeric_limits<float>::infinity());
    p.cutoff->value().set(std::numeric_limits<float>::quiet_NaN());
    p.ampTime[3]->value().set(-1e30f);
    p.mixTime[0]->value().set(std::numeric_limits<float>::quiet_NaN());
    p.pan[2]->value().set(7.0f);
    p.modAmount[4]->value().set(-1e9f);
    p.polyphony->value().set(1e9f);
    VoiceParams v;
    ModState m;
    EXPECT_EQ(snapshotParameters(p, v, m), 32);
    EXPECT_EQ(v.oscWave[0], 94u);
    EXPECT_EQ(v.oscWave[1], 94u);
    EXPECT_EQ(v.filterMode, 0u);
    EXPECT_EQ(v.ampLoop, 0);
    EXPECT_EQ(v.mixRepeat, 0);
    EXPECT_EQ(v.lfoWave[0], 0);
    EXPECT_NEAR(v.volumeGain, 10.0, 1e-9); // +20 dB, the top of the range
    EXPECT_EQ(v.cutoff, 0.0);
    EXPECT_NEAR(v.ampTimeSeconds[3], 0.01, 1e-12);
    EXPECT_NEAR(v.mixTimeSeconds[0], 0.01, 1e-9);
    EXPECT_EQ(v.panSlot[2], 1.0);
    EXPECT_EQ(m.amount[4], -1.0f);
    p.polyphony->value().set(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(snapshotParameters(p, v, m), 1);
    p.polyphony->value().set(7.995f);
    EXPECT_EQ(snapshotParameters(p, v, m), 8);
}

TEST(Snapshot, Conversions)
{
    EXPECT_NEAR(envelopeSeconds(0.0), 0.01, 1e-15);
    EXPECT_NEAR(envelopeSeconds(1.0), 10.0, 1e-12);
    EXPECT_EQ(volumeGainOf(-39.5), 0.0);
    EXPECT_NEAR(volumeGainOf(-39.0), std::pow(10.0, -39.0 / 20.0), 1e-16);
    EXPECT_EQ(volumeGainOf(0.0), 1.0);
    EngineRig rig;
    rig.patch.oscTune[0]->value().set(2.85f);
    rig.patch.oscFinetune[0]->value().set(-25.0f);
    rig.patch.chorusDepth->value().set(0.8f);
    rig.patch.modRoute[6][8]->value().set(0);
    rig.patch.modRoute[0][10]->value().set(1);
    rig.render(32);
    const VoiceParams& v = rig.engine->voiceParams();
    EXPECT_DOUBLE_EQ(v.oscTuning[0], 2.0 - 0.25);
    EXPECT_FLOAT_EQ(v.chorusDepth, 0.4f);
    EXPECT_EQ(v.ampLevel[4], 0.0);
    const ModState& m = rig.engine->modState();
    EXPECT_FALSE(m.routed(6, 8));
    EXPECT_TRUE(m.routed(0, 10));
}

} // namespace
} // namespace ostrel
