#include "engine/event_queue.h"
#include "test_render_support.h"

#include <gtest/gtest.h>

namespace ostrel {
namespace {

using testing::EngineRig;

std::vector<NoteEvent> drain(EventQueue& q)
{
    std::vector<NoteEvent> out;
    while (!q.empty())
        out.push_back(q.popFront());
    return out;
}

void expectEvent(const NoteEvent& e, std::int32_t time, std::int32_t type, std::int32_t value, std::int32_t velocity)
{
    EXPECT_EQ(e.time, time);
    EXPECT_EQ(e.type, type);
    EXPECT_EQ(e.value, value);
    EXPECT_EQ(e.velocity, velocity);
}

TEST(MidiDecoding, ChannelMessagesOnEveryChannel)
{
    EventQueue q;
    for (int channel : {0, 9, 15}) {
        EXPECT_EQ(queueMidiMessage(q, 3, static_cast<std::uint8_t>(0x90 | channel), 60, 100), 1);
        EXPECT_EQ(queueMidiMessage(q, 4, static_cast<std::uint8_t>(0x80 | channel), 60, 77), 1);
        EXPECT_EQ(queueMidiMessage(q, 5, static_cast<std::uint8_t>(0xE0 | channel), 0x00, 0x00), 1);
        EXPECT_EQ(queueMidiMessage(q, 6, static_cast<std::uint8_t>(0xE0 | channel), 0x7F, 0x7F), 1);
        EXPECT_EQ(queueMidiMessage(q, 7, static_cast<std::uint8_t>(0xD0 | channel), 90, 0), 1);
        EXPECT_EQ(queueMidiMessage(q, 8, static_cast<std::uint8_t>(0xB0 | channel), 1, 127), 1);
        EXPECT_EQ(queueMidiMessage(q, 9, static_cast<std::uint8_t>(0xB0 | channel), 64, 63), 1);
        EXPECT_EQ(queueMidiMessage(q, 9, static_cast<std::uint8_t>(0xB0 | channel), 120, 0), 1);
        EXPECT_EQ(queueMidiMessage(q, 9, static_cast<std::uint8_t>(0xB0 | channel), 121, 0), 1);
        const auto events = drain(q);
        ASSERT_EQ(events.size(), 9u);
        expectEvent(events[0], 3, NoteEvent::kNote, 60, 100);
        expectEvent(events[1], 4, NoteEvent::kNote, 60, 0); // release velocity dropped
        expectEvent(events[2], 5, NoteEvent::kPitchBend, -8192, 0);
        expectEvent(events[3], 6, NoteEvent::kPitchBend, 8191, 0);
        expectEvent(events[4], 7, NoteEvent::kAftertouch, 90, 0);
        expectEvent(events[5], 8, NoteEvent::kModWheel, 127, 0);
        expectEvent(events[6], 9, NoteEvent::kSustain, 63, 0);
        expectEvent(events[7], 9, NoteEvent::kAllSoundOff, 0, 0);
        expectEvent(events[8], 9, NoteEvent::kResetControllers, 0, 0);
    }
}

TEST(MidiDecoding, AllNotesOffControllersQueueReleaseThenCentredBend)
{
    for (int controller : {123, 126}) {
        EventQueue q;
        EXPECT_EQ(queueMidiMessage(q, 11, 0xB3, static_cast<std::uint8_t>(controller), 0), 2);
        const auto events = drain(q);
        ASSERT_EQ(events.size(), 2u);
        expectEvent(events[0], 11, NoteEvent::kNote, NoteEvent::kAllNotesOff, 127);
        expectEvent(events[1], 11, NoteEvent::kPitchBend, 0, 0);
    }
}

TEST(MidiDecoding, OtherMessagesQueueNothing)
{
    EventQueue q;
    EXPECT_EQ(queueMidiMessage(q, 0, 0xB0, 65, 127), 0); // portamento
    EXPECT_EQ(queueMidiMessage(q, 0, 0xB0, 7, 100), 0);  // volume
    EXPECT_EQ(queueMidiMessage(q, 0, 0xB0, 122, 0), 0);  // local control
    EXPECT_EQ(queueMidiMessage(q, 0, 0xA0, 60, 50), 0);  // polyphonic pressure
    EXPECT_EQ(queueMidiMessage(q, 0, 0xC0, 5, 0), 0);    // program change
    EXPECT_EQ(queueMidiMessage(q, 0, 0xF8, 0, 0), 0);    // clock
    EXPECT_TRUE(q.empty());
}

TEST(MidiDecoding, DataBytesAreMaskedToSevenBits)
{
    EventQueue q;
    queueMidiMessage(q, 0, 0x90, 0xBC, 0xFF);
    expectEvent(q.popFront(), 0, NoteEvent::kNote, 0x3C, 0x7F);
}

TEST(EventQueueOrder, FirstInFirstOutNeverSorted)
{
    EventQueue q;
    EXPECT_EQ(q.frontTime(), 999999);
    q.push({50, NoteEvent::kNote, 1, 1});
    q.push({10, NoteEvent::kNote, 2, 1});
    q.push({30, NoteEvent::kNote, 3, 1});
    EXPECT_EQ(q.frontTime(), 50);
    const auto events = drain(q);
    EXPECT_EQ(events[0].value, 1);
    EXPECT_EQ(events[1].value, 2);
    EXPECT_EQ(events[2].value, 3);
    EXPECT_EQ(q.frontTime(), EventQueue::kEmptyTime);
}

TEST(EventQueueOrder, BurstBeyondTheReserveGrowsOnceAndKeepsOrderAcrossTheWrap)
{
    EventQueue q;
    const std::size_t reserve = q.capacity();
    // Move the ring's head off zero so growth has to unwrap it.
    for (int i = 0; i < 700; ++i)
        q.push({i, NoteEvent::kNote, 0, 0});
    for (int i = 0; i < 700; ++i)
        q.popFront();
    const int burst = static_cast<int>(reserve) + 500;
    for (int i = 0; i < burst; ++i)
        q.push({i, NoteEvent::kModWheel, i % 128, 0});
    EXPECT_GT(q.capacity(), reserve);
    const std::size_t grown = q.capacity();
    for (int i = 0; i < burst; ++i) {
        ASSERT_EQ(q.frontTime(), i);
        q.popFront();
    }
    // The same burst again fits without growing.
    for (int i = 0; i < burst; ++i)
        q.push({i, NoteEvent::kModWheel, 0, 0});
    EXPECT_EQ(q.capacity(), grown);
}

TEST(ControllerEvents, BendWheelAndPressureScale)
{
    EngineRig rig;
    VoiceEngine& e = *rig.engine;
    e.applyEvent({0, NoteEvent::kPitchBend, 8191, 0});
    EXPECT_EQ(e.pitchBend(), static_cast<float>(8191.0 / 49152.0));
    e.applyEvent({0, NoteEvent::kPitchBend, -8192, 0});
    EXPECT_EQ(e.pitchBend(), static_cast<float>(-1.0 / 6.0)); // exactly two semitones down
    e.applyEvent({0, NoteEvent::kModWheel, 127, 0});
    e.applyEvent({0, NoteEvent::kAftertouch, 127, 0});
    EXPECT_EQ(e.modWheel(), 1.0f);
    EXPECT_EQ(e.aftertouch(), 1.0f);
}

TEST(ControllerEvents, AllNotesOffReleasesHeldVoicesOnlyAndResetsControllers)
{
    for (int controller : {123, 126}) {
        EngineRig rig;
        VoiceEngine& e = *rig.engine;
        rig.noteOn(60);
        rig.noteOn(62);
        rig.noteOn(64);
        rig.noteOff(62);
        rig.midi(0, 0xE0, 0x00, 0x50);
        rig.midi(0, 0xB0, 1, 100);
        rig.midi(0, 0xD0, 80, 0);
        rig.render(32);
        const Voice& releasedBefore = e.voice(1);
        ASSERT_EQ(releasedBefore.state(), Voice::Released);
        const double releasePositionBefore = releasedBefore.ampEnvelope().output();

        rig.midi(0, 0xB0, controller, 0);
        rig.render(32);
        EXPECT_EQ(e.voice(0).state(), Voice::Released);
        EXPECT_EQ(e.voice(2).state(), Voice::Released);
        EXPECT_EQ(e.heldCount(), 0);
        EXPECT_EQ(e.pitchBend(), 0.0f);
        EXPECT_EQ(e.modWheel(), 0.0f);
        EXPECT_EQ(e.aftertouch(), 0.0f);
        // The voice already in release went on decaying; it was not restarted.
        EXPECT_LE(e.voice(1).ampEnvelope().output(), releasePositionBefore);
    }
}

TEST(NoteEvents, VelocityZeroIsANoteOff)
{
    EngineRig rig;
    rig.noteOn(60);
    rig.render(32);
    ASSERT_EQ(rig.engine->voice(0).state(), Voice::Held);
    rig.midi(0, 0x90, 60, 0);
    rig.render(32);
    EXPECT_EQ(rig.engine->voice(0).state(), Voice::Released);
}

TEST(NoteEvents, NoteZeroPlaysAndReleasesLikeAnyNote)
{
    EngineRig rig;
    rig.noteOn(0);
    rig.render(32);
    rig.noteOn(0); // retrigger finds the same voice
    rig.render(32);
    EXPECT_EQ(rig.engine->heldCount(), 1);
    rig.noteOff(0);
    rig.render(32);
    EXPECT_EQ(rig.engine->voice(0).state(), Voice::Released);
    EXPECT_EQ(rig.engine->heldCount(), 0);
}

TEST(NoteEvents, NoteOffWithoutSoundingVoiceIsIgnored)
{
    EngineRig rig;
    rig.noteOn(60);
    rig.noteOff(61);
    rig.render(32);
    EXPECT_EQ(rig.engine->voice(0).state(), Voice::Held);
    EXPECT_EQ(rig.engine->heldCount(), 1);
}

} // namespace
} // namespace ostrel
