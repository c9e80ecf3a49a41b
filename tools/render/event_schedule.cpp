#include "tools/render/event_schedule.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>

namespace ostrel::render {

std::int64_t timeToFrame(std::uint64_t time, std::uint64_t unitsPerSecond, std::uint32_t rate)
{
    // Whole seconds and the remainder separately: neither product can overflow for songs
    // within the length limit and any rate below 2^32 / 4.
    const std::uint64_t seconds = time / unitsPerSecond;
    const std::uint64_t rest = time % unitsPerSecond;
    return static_cast<std::int64_t>(seconds * rate + rest * rate / unitsPerSecond);
}

std::vector<FrameEvent> eventsAtRate(const Song& song, std::uint32_t rate)
{
    std::vector<FrameEvent> out;
    out.reserve(song.events.size());
    for (const SongEvent& e : song.events) {
        FrameEvent f;
        f.frame = timeToFrame(e.time, song.unitsPerSecond, rate);
        std::memcpy(f.bytes, e.bytes, sizeof f.bytes);
        f.size = e.size;
        out.push_back(f);
    }
    return out;
}

std::int64_t renderLength(const Song& song, std::uint32_t rate, double tailSeconds)
{
    std::int64_t end = timeToFrame(song.endTime, song.unitsPerSecond, rate);
    if (!song.events.empty())
        end = std::max(end, timeToFrame(song.events.back().time, song.unitsPerSecond, rate) + 1);
    const double tail = std::isfinite(tailSeconds) && tailSeconds > 0.0 ? tailSeconds : 0.0;
    return end + static_cast<std::int64_t>(std::llround(tail * rate));
}

BlockScheduler::BlockScheduler(std::vector<FrameEvent> events, std::int64_t totalFrames, int maxBlock)
    : events_(std::move(events)),
      total_(std::max<std::int64_t>(totalFrames, 0)),
      maxBlock_(std::max(maxBlock, 1))
{ }

bool BlockScheduler::next(Block& block)
{
    block.programs.clear();
    block.events = nullptr;
    block.eventCount = 0;
    if (position_ >= total_)
        return false;

    // Program changes due by now are applied before the block; other events at or before
    // the block start stay in place and go into the block at offset 0.
    std::size_t scan = cursor_;
    for (; scan < events_.size() && events_[scan].frame <= position_; ++scan) {
        if (events_[scan].isProgramChange())
            block.programs.push_back(events_[scan].bytes[1]);
    }

    std::int64_t end = std::min<std::int64_t>(position_ + maxBlock_, total_);
    for (std::size_t i = scan; i < events_.size() && events_[i].frame < end; ++i) {
        if (events_[i].isProgramChange()) {
            end = events_[i].frame; // later than position_, so the block is not empty
            break;
        }
    }

    std::size_t last = cursor_;
    while (last < events_.size() && events_[last].frame < end)
        ++last;
    buildList(cursor_, last, position_);
    cursor_ = last;

    block.start = position_;
    block.frames = static_cast<int>(end - position_);
    block.events = reinterpret_cast<vst::VstEvents*>(listStorage_.data());
    block.eventCount = block.events->numEvents;
    position_ = end;
    return true;
}

void BlockScheduler::buildList(std::size_t first, std::size_t end, std::int64_t blockStart)
{
    midi_.clear();
    for (std::size_t i = first; i < end; ++i) {
        const FrameEvent& e = events_[i];
        if (e.isProgramChange())
            continue;
        vst::VstMidiEvent m{};
        m.type = vst::kVstMidiType;
        m.byteSize = sizeof(vst::VstMidiEvent);
        // Every event left in the queue is at or after the block start; the clamp only
        // keeps the offset sane should that ever change.
        m.deltaFrames = static_cast<vst::VstInt32>(std::max<std::int64_t>(e.frame - blockStart, 0));
        for (int b = 0; b < 3; ++b)
            m.midiData[b] = static_cast<char>(b < e.size ? e.bytes[b] : 0);
        midi_.push_back(m);
    }

    // The list is a VstEvents header whose pointer array really holds numEvents entries.
    const std::size_t header = offsetof(vst::VstEvents, events);
    const std::size_t bytes = std::max(sizeof(vst::VstEvents), header + midi_.size() * sizeof(vst::VstEvent*));
    listStorage_.assign(bytes, 0);
    auto* list = new (listStorage_.data()) vst::VstEvents{};
    list->numEvents = static_cast<vst::VstInt32>(midi_.size());
    for (std::size_t i = 0; i < midi_.size(); ++i) {
        auto* pointer = reinterpret_cast<vst::VstEvent*>(&midi_[i]);
        std::memcpy(listStorage_.data() + header + i * sizeof pointer, &pointer, sizeof pointer);
    }
}

} // namespace ostrel::render
