#pragma once

// Standard MIDI File reader for the render tool: formats 0 and 1, division in ticks per
// quarter note, tempo map, running status. Every read is bounds-checked; a truncated or
// malformed file gives an error text, never a read past the data.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ostrel::render {

// One channel message of the song, at an exact position on the time line. The time is
// kept in "time units" (microseconds x ticks per quarter note), the unit in which a tempo
// map sums exactly; unitsPerSecond of the song converts it.
struct SongEvent {
    std::uint64_t time = 0;
    std::uint8_t bytes[3] = {0, 0, 0};
    std::uint8_t size = 0; // 2 or 3
    std::uint16_t track = 0;

    std::uint8_t status() const { return bytes[0]; }
    std::uint8_t kind() const { return static_cast<std::uint8_t>(bytes[0] & 0xF0); }
};

struct Song {
    int format = 0;
    int tracks = 0;
    int ticksPerQuarter = 480;
    std::uint64_t unitsPerSecond = 480'000'000; // 1e6 x ticksPerQuarter
    std::uint64_t endTime = 0;                  // latest event or end-of-track, in time units
    std::vector<SongEvent> events;              // all tracks merged, in time order
    int tempoChanges = 0;

    double seconds(std::uint64_t time) const { return static_cast<double>(time) / static_cast<double>(unitsPerSecond); }
};

struct MidiParseResult {
    bool ok = false;
    std::string error; // set when !ok: what is wrong and where (byte offset)
    Song song;
};

// Longest song accepted: a file whose events lie further out is refused rather than
// rendered into a file of many gigabytes.
inline constexpr double kMaxSongSeconds = 4.0 * 3600.0;

MidiParseResult parseMidiFile(std::span<const std::uint8_t> data);

// Reads a whole file (bounded to 64 MB) and parses it; the error names the path.
MidiParseResult readMidiFile(const std::string& path);

// Tempo of 120 beats per minute, the tempo of a file until its first tempo event.
inline constexpr std::uint32_t kDefaultTempo = 500000; // microseconds per quarter note

} // namespace ostrel::render
