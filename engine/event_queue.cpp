#include "engine/event_queue.h"

namespace ostrel {

EventQueue::EventQueue() : ring(static_cast<std::size_t>(kReserve))
{ }

void EventQueue::push(const NoteEvent& event)
{
    if (count == ring.size()) {
        // Unwrap into a larger ring; only a burst beyond everything seen so far gets here.
        std::vector<NoteEvent> larger(ring.size() + static_cast<std::size_t>(kReserve));
        for (std::size_t i = 0; i < count; ++i)
            larger[i] = ring[(head + i) % ring.size()];
        ring.swap(larger);
        head = 0;
    }
    ring[(head + count) % ring.size()] = event;
    ++count;
}

NoteEvent EventQueue::popFront() noexcept
{
    const NoteEvent event = ring[head];
    head = (head + 1) % ring.size();
    --count;
    return event;
}

int queueMidiMessage(EventQueue& queue, std::int32_t deltaFrames, std::uint8_t status, std::uint8_t data1,
                     std::uint8_t data2)
{
    const std::int32_t d1 = data1 & 0x7F;
    const std::int32_t d2 = data2 & 0x7F;
    switch (status & 0xF0) {
    case 0x90: queue.push({deltaFrames, NoteEvent::kNote, d1, d2}); return 1;
    case 0x80: queue.push({deltaFrames, NoteEvent::kNote, d1, 0}); return 1;
    case 0xE0: queue.push({deltaFrames, NoteEvent::kPitchBend, (d1 | (d2 << 7)) - 8192, 0}); return 1;
    case 0xD0: queue.push({deltaFrames, NoteEvent::kAftertouch, d1, 0}); return 1;
    case 0xB0:
        if (d1 == 1 || d1 == 64) {
            queue.push({deltaFrames, d1 == 1 ? NoteEvent::kModWheel : NoteEvent::kSustain, d2, 0});
            return 1;
        }
        if (d1 == 120 || d1 == 121) {
            queue.push({deltaFrames, d1 == 120 ? NoteEvent::kAllSoundOff : NoteEvent::kResetControllers, 0, 0});
            return 1;
        }
        if (d1 == 123 || d1 == 126) {
            queue.push({deltaFrames, NoteEvent::kNote, NoteEvent::kAllNotesOff, 127});
            queue.push({deltaFrames, NoteEvent::kPitchBend, 0, 0});
            return 2;
        }
        return 0;
    default: return 0;
    }
}

} // namespace ostrel
