#pragma once

// Turns a song's time line into host blocks: each event gets its frame at the render rate,
// and the render loop asks for one block at a time, receiving the MIDI events that fall into
// it (with deltaFrames relative to the block start) and the program changes to apply before
// it. A block never runs across a program change, so a new program starts on its frame.

#include "host/vst_abi.h"
#include "tools/render/midi_file.h"

#include <cstdint>
#include <span>
#include <vector>

namespace ostrel::render {

struct FrameEvent {
    std::int64_t frame = 0;
    std::uint8_t bytes[3] = {0, 0, 0};
    std::uint8_t size = 0;

    bool isProgramChange() const { return (bytes[0] & 0xF0) == 0xC0; }
};

// Exact conversion of a song time to a frame at the given rate (rounded down).
std::int64_t timeToFrame(std::uint64_t time, std::uint64_t unitsPerSecond, std::uint32_t rate);

// All events of the song at the given rate, in song order.
std::vector<FrameEvent> eventsAtRate(const Song& song, std::uint32_t rate);

// Frames to render for the song: past its last event (and its end-of-track time), plus the
// tail during which releases ring out.
std::int64_t renderLength(const Song& song, std::uint32_t rate, double tailSeconds);

// One host block as handed to the plug-in.
struct Block {
    std::int64_t start = 0;
    int frames = 0;
    std::vector<int> programs; // program changes to apply, in order, before this block
    vst::VstEvents* events = nullptr;
    int eventCount = 0;
};

class BlockScheduler {
public:
    // `events` must be in time order; `maxBlock` is the host block size (at least 1).
    BlockScheduler(std::vector<FrameEvent> events, std::int64_t totalFrames, int maxBlock);
    BlockScheduler(const BlockScheduler&) = delete;
    BlockScheduler& operator=(const BlockScheduler&) = delete;

    // Fills the next block; false when the whole length has been handed out. The block's
    // event list stays valid until the next call.
    bool next(Block& block);

    std::int64_t totalFrames() const { return total_; }

private:
    void buildList(std::size_t first, std::size_t end, std::int64_t blockStart);

    std::vector<FrameEvent> events_;
    std::int64_t total_;
    int maxBlock_;
    std::int64_t position_ = 0;
    std::size_t cursor_ = 0;
    std::vector<vst::VstMidiEvent> midi_;
    std::vector<unsigned char> listStorage_; // a VstEvents header followed by its pointer array
};

} // namespace ostrel::render
