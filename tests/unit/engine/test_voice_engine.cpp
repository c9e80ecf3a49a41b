#include "engine/voice_engine.h"
#include "test_render_support.h"

#include <gtest/gtest.h>

#include <set>

namespace ostrel {
namespace {

using testing::EngineRig;

// Every voice below the count is in exactly one list; none above it is in any.
void expectListInvariant(const VoiceEngine& e)
{
    std::multiset<int> seen;
    for (int i = 0; i < e.heldCount(); ++i)
        seen.insert(e.heldVoice(i));
    for (int i = 0; i < e.releasedCount(); ++i)
        seen.insert(e.releasedVoice(i));
    EXPECT_EQ(static_cast<int>(seen.size()), e.voiceCount());
    for (int i = 0; i < e.voiceCount(); ++i)
        EXPECT_EQ(seen.count(i), 1u) << "voice " << i;
}

TEST(VoicePool, StartsWithEightVoicesReleasedInReverseOrder)
{
    EngineRig rig;
    const VoiceEngine& e = *rig.engine;
    EXPECT_EQ(e.voiceCount(), 8);
    EXPECT_EQ(e.heldCount(), 0);
    ASSERT_EQ(e.releasedCount(), 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(e.releasedVoice(i), 7 - i);
    EXPECT_EQ(e.lastStartedVoice(), nullptr);
}

TEST(VoiceAllocation, NinthNoteStealsTheFirstWithACrossfade)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    for (int k = 0; k < 8; ++k)
        rig.noteOn(60 + k);
    rig.render(32 * 20);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(e.voice(k).note(), 60 + k);
    ASSERT_GT(e.voice(0).gain(), 0.0);

    rig.noteOn(72);
    e.snapshotParameters(rig.patch);
    e.applyEvent(rig.queue.popFront());
    const Voice& stolen = e.voice(0);
    EXPECT_EQ(stolen.note(), 72);
    EXPECT_EQ(stolen.state(), Voice::Held);
    EXPECT_TRUE(stolen.fadePending());
    EXPECT_EQ(stolen.gain(), 0.0);
    EXPECT_EQ(e.heldVoice(0), 0);
    EXPECT_EQ(e.lastStartedVoice(), &stolen);
    // The old note's tail fades from 63/64 to exactly 0.
    const float* tail = stolen.fadeBuffer();
    EXPECT_NE(tail[0], 0.0f);
    EXPECT_EQ(tail[63], 0.0f);
    const std::vector<float> tailCopy(tail, tail + 64);

    // The first sub-block of the new note starts from the tail alone (its own ramp is at 0).
    float block[64];
    e.voice(0).renderVoice(block, 64);
    EXPECT_EQ(block[0], tailCopy[0]);
    EXPECT_FALSE(e.voice(0).fadePending());
    expectListInvariant(e);
}

TEST(VoiceAllocation, RetriggerRestartsTheSameVoiceWithoutFade)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    rig.noteOn(60);
    rig.noteOn(64);
    rig.render(32 * 10);
    const double gainBefore = e.voice(0).gain();
    rig.noteOn(60, 90);
    e.snapshotParameters(rig.patch);
    e.applyEvent(rig.queue.popFront());
    EXPECT_EQ(e.voice(0).velocity(), 90);
    EXPECT_FALSE(e.voice(0).fadePending());
    EXPECT_EQ(e.voice(0).gain(), gainBefore);
    EXPECT_EQ(e.heldCount(), 2);
    EXPECT_EQ(e.heldVoice(0), 0);
    rig.noteOff(60);
    rig.render(32);
    EXPECT_EQ(e.voice(0).state(), Voice::Released);
    EXPECT_EQ(e.voice(1).state(), Voice::Held);
    expectListInvariant(e);
}

TEST(VoiceAllocation, RetriggerOfAReleasedNoteTakesItsVoiceBack)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    rig.noteOn(60);
    rig.render(32 * 10);
    rig.noteOff(60);
    rig.render(32);
    ASSERT_EQ(e.voice(0).state(), Voice::Released);
    rig.noteOn(60);
    rig.render(32);
    EXPECT_EQ(e.voice(0).state(), Voice::Held);
    EXPECT_EQ(e.heldCount(), 1);
}

TEST(VoiceAllocation, FreeVoiceIsTheIdleOneReleasedLongestAgo)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    rig.noteOn(60);
    rig.noteOn(61);
    rig.render(32 * 10);
    rig.noteOff(61);
    rig.noteOff(60);
    rig.render(32 * 600); // both releases end
    ASSERT_EQ(e.voice(0).state(), Voice::Idle);
    ASSERT_EQ(e.voice(1).state(), Voice::Idle);
    // Voices 2..7 never played and sit at the back of the released list.
    rig.noteOn(70);
    rig.render(32);
    EXPECT_EQ(e.heldVoice(0), 2);
}

TEST(VoiceAllocation, WithEveryVoiceReleasedTheOldestReleaseIsStolen)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    rig.patch.polyphony->value().set(2.0f);
    rig.noteOn(60);
    rig.noteOn(61);
    rig.render(32 * 10);
    rig.noteOff(60);
    rig.noteOff(61);
    rig.render(32);
    ASSERT_EQ(e.voice(0).state(), Voice::Released);
    ASSERT_EQ(e.voice(1).state(), Voice::Released);
    rig.noteOn(70);
    e.snapshotParameters(rig.patch);
    e.applyEvent(rig.queue.popFront());
    EXPECT_EQ(e.voice(0).note(), 70);
    EXPECT_TRUE(e.voice(0).fadePending());
    EXPECT_EQ(e.voice(1).state(), Voice::Released);
    expectListInvariant(e);
}

TEST(VoiceAllocation, WithEveryVoiceHeldTheOldestHeldIsStolen)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    rig.patch.polyphony->value().set(3.0f);
    rig.noteOn(60);
    rig.noteOn(61);
    rig.noteOn(62);
    rig.render(32 * 4);
    rig.noteOn(63);
    rig.noteOn(64);
    rig.render(32);
    EXPECT_EQ(e.voice(0).note(), 63);
    EXPECT_EQ(e.voice(1).note(), 64);
    EXPECT_EQ(e.voice(2).note(), 62);
    expectListInvariant(e);
}

TEST(VoiceCount, LoweringCutsVoicesAtOnceAndRaisingAddsIdleVoicesAtTheFront)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    for (int k = 0; k < 6; ++k)
        rig.noteOn(60 + k);
    rig.render(32 * 4);
    rig.patch.polyphony->value().set(3.0f);
    rig.render(32);
    EXPECT_EQ(e.voiceCount(), 3);
    for (int i = 3; i < 6; ++i) {
        EXPECT_EQ(e.voice(i).state(), Voice::Idle);
        EXPECT_EQ(e.voice(i).gain(), 0.0);
    }
    EXPECT_EQ(e.heldCount(), 3);
    expectListInvariant(e);

    rig.patch.polyphony->value().set(32.0f);
    rig.render(32);
    EXPECT_EQ(e.voiceCount(), 32);
    EXPECT_EQ(e.releasedVoice(0), 31);
    EXPECT_EQ(e.releasedVoice(28), 3);
    expectListInvariant(e);
    // The cut notes cannot be released any more, the surviving ones can.
    rig.noteOff(64);
    rig.noteOff(61);
    rig.render(32);
    EXPECT_EQ(e.voice(1).state(), Voice::Released);
    EXPECT_EQ(e.voice(4).state(), Voice::Idle);
}

TEST(VoiceCount, OutOfRangeCountsAreClamped)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    e.setVoiceCount(0);
    EXPECT_EQ(e.voiceCount(), 1);
    e.setVoiceCount(1000);
    EXPECT_EQ(e.voiceCount(), 32);
    expectListInvariant(e);
    e.setVoiceCount(-5);
    EXPECT_EQ(e.voiceCount(), 1);
    expectListInvariant(e);
}

TEST(VoiceCount, ManyNotesAtPolyphonyOneKeepTheListsConsistent)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    rig.patch.polyphony->value().set(1.0f);
    for (int k = 0; k < 40; ++k) {
        rig.noteOn(40 + k % 12, 1 + k);
        if (k % 3 == 0)
            rig.noteOff(40 + (k + 5) % 12);
        rig.render(7);
        expectListInvariant(e);
    }
}

} // namespace
} // namespace ostrel
