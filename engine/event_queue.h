#pragma once

#include <cstdint>
#include <vector>

namespace ostrel {

// One timed engine event, made from a host MIDI message.
struct NoteEvent {
    enum Type : std::int32_t {
        kNote = 0,
        kPitchBend = 1,
        kAftertouch = 2,
        kModWheel = 3,
        kSustain = 4,          // the pedal: value 0..127, down at 64 and above
        kAllSoundOff = 5,      // every voice silent at once
        kResetControllers = 6, // bend, wheel, pressure and pedal back to rest
    };
    static constexpr std::int32_t kAllNotesOff = -1; // value of a note event that releases every held note

    std::int32_t time = 0; // sample offset at the host rate inside the block it came with
    std::int32_t type = kNote;
    std::int32_t value = 0;    // note 0..127 or kAllNotesOff; bend -8192..8191; pressure, wheel, pedal 0..127
    std::int32_t velocity = 0; // notes: 0..127, 0 is a note-off; other types 0
};

// First-in first-out queue of engine events, filled from the host's MIDI and emptied by the
// block renderer. Events leave strictly in the order they came; the queue is never sorted.
//
// The storage is a ring reserved at construction for kReserve events, so queuing and taking
// events allocate nothing. A burst larger than what the ring holds grows it once (by whole
// reserves); the larger ring is kept. Audio thread only.
class EventQueue {
public:
    static constexpr std::int32_t kReserve = 1024;
    static constexpr std::int32_t kEmptyTime = 999999; // frontTime of an empty queue

    EventQueue();

    void push(const NoteEvent& event);
    // Time of the front event, or kEmptyTime when there is none.
    std::int32_t frontTime() const noexcept { return count == 0 ? kEmptyTime : ring[head].time; }
    // Takes the front event; the queue must not be empty.
    NoteEvent popFront() noexcept;

    bool empty() const noexcept { return count == 0; }
    std::size_t size() const noexcept { return count; }
    std::size_t capacity() const noexcept { return ring.size(); }
    void clear() noexcept
    {
        head = 0;
        count = 0;
    }

private:
    std::vector<NoteEvent> ring;
    std::size_t head = 0;
    std::size_t count = 0;
};

// Turns one MIDI channel message into queued events (the channel is ignored, so all 16
// channels play):
//   note on   -> note (velocity 0 means note-off); note off -> note with velocity 0;
//   pitch bend -> bend -8192..8191; channel pressure -> aftertouch;
//   controller 1 -> mod wheel; 64 -> sustain pedal; 120 -> all sound off;
//   121 -> reset controllers; 123 and 126 -> all notes off, then bend 0.
// Anything else queues nothing. Returns the number of events queued.
int queueMidiMessage(EventQueue& queue, std::int32_t deltaFrames, std::uint8_t status, std::uint8_t data1,
                     std::uint8_t data2);

} // namespace ostrel
