// Scheduling of song events into host blocks, and the demo song.
#include "tools/render/demo_song.h"
#include "tools/render/event_schedule.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace ostrel::render;

namespace {

FrameEvent at(std::int64_t frame, int status, int data1 = 0, int data2 = 0)
{
    FrameEvent e;
    e.frame = frame;
    e.bytes[0] = static_cast<std::uint8_t>(status);
    e.bytes[1] = static_cast<std::uint8_t>(data1);
    e.bytes[2] = static_cast<std::uint8_t>(data2);
    e.size = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    return e;
}

struct Delivered {
    std::int64_t frame;
    int data1;
};

struct ScheduledRun {
    std::vector<Block> blocks; // without their event pointers
    std::vector<Delivered> events;
    std::vector<std::pair<std::int64_t, int>> programs; // block start, program
};

// Runs the scheduler to the end and records what the plug-in would have seen.
ScheduledRun runScheduler(const std::vector<FrameEvent>& events, std::int64_t total, int blockSize)
{
    ScheduledRun run;
    BlockScheduler scheduler(events, total, blockSize);
    Block block;
    while (scheduler.next(block)) {
        EXPECT_GT(block.frames, 0);
        EXPECT_LE(block.frames, blockSize);
        EXPECT_EQ(block.events->numEvents, block.eventCount);
        for (int i = 0; i < block.eventCount; ++i) {
            const vst::VstEvent* raw = block.events->events[i];
            EXPECT_EQ(raw->type, vst::kVstMidiType);
            EXPECT_EQ(raw->byteSize, 32);
            const auto* midi = reinterpret_cast<const vst::VstMidiEvent*>(raw);
            EXPECT_GE(midi->deltaFrames, 0);
            EXPECT_LT(midi->deltaFrames, block.frames) << "event at block start " << block.start;
            run.events.push_back({block.start + midi->deltaFrames, static_cast<unsigned char>(midi->midiData[1])});
        }
        for (int p : block.programs)
            run.programs.emplace_back(block.start, p);
        Block copy = block;
        copy.events = nullptr;
        run.blocks.push_back(copy);
    }
    return run;
}

} // namespace

TEST(EventSchedule, TimeToFrameIsExact)
{
    const std::uint64_t perSecond = 480'000'000;
    EXPECT_EQ(timeToFrame(0, perSecond, 44100), 0);
    EXPECT_EQ(timeToFrame(perSecond / 3, perSecond, 44100), 14700);
    EXPECT_EQ(timeToFrame(perSecond / 3, perSecond, 48000), 16000);
    EXPECT_EQ(timeToFrame(perSecond - 1, perSecond, 44100), 44099) << "rounded down";
    // Four hours at the largest division and rate: no overflow.
    const std::uint64_t big = 1'000'000ull * 32767;
    EXPECT_EQ(timeToFrame(big * 4 * 3600 + big / 2, big, 384000), 384000ll * 4 * 3600 + 192000);
}

TEST(EventSchedule, DeltaFramesAtBlockEdges)
{
    // Events on and around the edges of 64-, 500- and 512-frame blocks.
    const std::vector<std::int64_t> frames = {0,   1,    63,   64,   499,  500,  511, 512,
                                              513, 1000, 1023, 1024, 1535, 1536, 2047};
    std::vector<FrameEvent> events;
    for (std::size_t i = 0; i < frames.size(); ++i)
        events.push_back(at(frames[i], 0x90, static_cast<int>(i), 100));
    for (int blockSize : {1, 7, 64, 500, 512, 8000}) {
        SCOPED_TRACE(blockSize);
        const ScheduledRun run = runScheduler(events, 2048, blockSize);
        ASSERT_EQ(run.events.size(), frames.size()) << "every event delivered once";
        for (std::size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(run.events[i].frame, frames[i]);
            EXPECT_EQ(run.events[i].data1, static_cast<int>(i)) << "in order";
        }
        std::int64_t covered = 0;
        for (const Block& b : run.blocks) {
            EXPECT_EQ(b.start, covered) << "blocks follow each other without gap";
            covered += b.frames;
        }
        EXPECT_EQ(covered, 2048);
        EXPECT_EQ(run.blocks.size(), static_cast<std::size_t>((2048 + blockSize - 1) / blockSize));
    }
}

TEST(EventSchedule, ProgramChangesSplitBlocks)
{
    const std::vector<FrameEvent> events = {
        at(0, 0xC0, 3),   at(0, 0x90, 60, 100), at(100, 0x80, 60, 0), at(700, 0x90, 61, 1),
        at(700, 0xC5, 4), at(700, 0x90, 62, 1), at(1024, 0xC0, 5),    at(1030, 0x90, 63, 1),
    };
    const ScheduledRun run = runScheduler(events, 1500, 512);
    ASSERT_EQ(run.programs.size(), 3u);
    EXPECT_EQ(run.programs[0], (std::pair<std::int64_t, int>{0, 3}));
    EXPECT_EQ(run.programs[1], (std::pair<std::int64_t, int>{700, 4})) << "a block starts on the change";
    EXPECT_EQ(run.programs[2], (std::pair<std::int64_t, int>{1024, 5})) << "change on a regular edge";

    std::vector<std::int64_t> starts;
    for (const Block& b : run.blocks)
        starts.push_back(b.start);
    EXPECT_EQ(starts, (std::vector<std::int64_t>{0, 512, 700, 1024}));

    // Program changes never reach the plug-in as MIDI; notes on the change's frame are
    // delivered at offset 0 of the block that follows it.
    ASSERT_EQ(run.events.size(), 5u);
    EXPECT_EQ(run.events[2].frame, 700);
    EXPECT_EQ(run.events[3].frame, 700);
    EXPECT_EQ(run.events[3].data1, 62);
    EXPECT_EQ(run.events[4].frame, 1030);
}

TEST(EventSchedule, LengthAndEmptySongs)
{
    Song song;
    song.unitsPerSecond = 1'000'000;
    EXPECT_EQ(renderLength(song, 44100, 2.0), 88200);
    EXPECT_EQ(renderLength(song, 44100, -1.0), 0);
    SongEvent e;
    e.time = 1'000'000;
    song.events.push_back(e);
    EXPECT_EQ(renderLength(song, 1000, 0.0), 1001) << "the last event is inside the render";
    song.endTime = 3'000'000;
    EXPECT_EQ(renderLength(song, 1000, 0.5), 3500) << "the end of track counts";

    const ScheduledRun none = runScheduler({}, 0, 512);
    EXPECT_TRUE(none.blocks.empty());
    const ScheduledRun silent = runScheduler({}, 1000, 512);
    ASSERT_EQ(silent.blocks.size(), 2u);
    EXPECT_EQ(silent.blocks[1].frames, 488);
}

TEST(DemoSong, OnePhrasePerProgram)
{
    std::vector<int> programs;
    for (int i = 0; i < 16; ++i)
        programs.push_back(i);
    const Song song = makeDemoSong(programs);
    EXPECT_DOUBLE_EQ(song.seconds(song.endTime), 16 * kDemoSegmentSeconds);
    EXPECT_EQ(renderLength(song, 44100, 2.0), 44100 * 58);

    std::vector<std::pair<double, int>> changes;
    std::map<int, int> held; // key -> count of sounding notes
    for (std::size_t i = 0; i < song.events.size(); ++i) {
        const SongEvent& e = song.events[i];
        if (i > 0) {
            EXPECT_LE(song.events[i - 1].time, e.time) << "in time order";
        }
        EXPECT_LT(e.bytes[1], 0x80);
        EXPECT_LT(e.bytes[2], 0x80);
        const double t = song.seconds(e.time);
        const double inSegment = t - kDemoSegmentSeconds * static_cast<int>(t / kDemoSegmentSeconds);
        if (e.kind() == 0xC0) {
            changes.emplace_back(t, e.bytes[1]);
        } else if (e.kind() == 0x90 && e.bytes[2] > 0) {
            ++held[e.bytes[1]];
            EXPECT_LT(inSegment, 3.0) << "notes start inside the phrase";
        } else if (e.kind() == 0x80) {
            --held[e.bytes[1]];
            EXPECT_GE(held[e.bytes[1]], 0);
            EXPECT_LT(inSegment, 3.0) << "notes end before the rest";
        } else if (e.kind() == 0xE0 && inSegment == 3.0) {
            EXPECT_EQ(e.bytes[1] | e.bytes[2] << 7, 8192) << "bend back at the centre";
        }
    }
    for (const auto& [key, count] : held)
        EXPECT_EQ(count, 0) << "note " << key << " is released";
    ASSERT_EQ(changes.size(), 16u);
    for (int i = 0; i < 16; ++i) {
        EXPECT_DOUBLE_EQ(changes[static_cast<std::size_t>(i)].first, i * kDemoSegmentSeconds);
        EXPECT_EQ(changes[static_cast<std::size_t>(i)].second, i);
    }

    const Song single = makeDemoSong({});
    EXPECT_DOUBLE_EQ(single.seconds(single.endTime), kDemoSegmentSeconds);
    for (const SongEvent& e : single.events)
        EXPECT_NE(e.kind(), 0xC0) << "no program change without programs";
}
