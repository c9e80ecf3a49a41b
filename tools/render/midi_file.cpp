#include "tools/render/midi_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace ostrel::render {

namespace {

// Thrown inside the parser only; parseMidiFile turns it into an error result.
struct ParseError {
    std::string text;
};

[[noreturn]] void fail(std::size_t offset, const std::string& what)
{
    throw ParseError{"byte " + std::to_string(offset) + ": " + what};
}

std::string hexByte(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value & 0xFFu);
    return text;
}

// A cursor over one range of the file; every read checks the range's end.
class Reader {
public:
    Reader(std::span<const std::uint8_t> data, std::size_t begin, std::size_t end, const char* what)
        : data_(data),
          pos_(begin),
          end_(end),
          what_(what)
    { }

    std::size_t pos() const { return pos_; }
    bool atEnd() const { return pos_ >= end_; }
    std::size_t remaining() const { return end_ - pos_; }

    std::uint8_t byte()
    {
        if (pos_ >= end_)
            fail(pos_, std::string(what_) + " ends in the middle of an event");
        return data_[pos_++];
    }

    std::uint8_t peek() const
    {
        if (pos_ >= end_)
            fail(pos_, std::string(what_) + " ends in the middle of an event");
        return data_[pos_];
    }

    std::uint32_t bigEndian(int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | byte();
        return value;
    }

    // Variable-length quantity: at most four bytes of seven bits each.
    std::uint32_t varLength()
    {
        const std::size_t start = pos_;
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = byte();
            value = (value << 7) | (b & 0x7Fu);
            if (!(b & 0x80u))
                return value;
        }
        fail(start, "variable-length number longer than four bytes");
    }

    void skip(std::uint32_t count)
    {
        if (count > remaining())
            fail(pos_,
                 std::string(what_) + ": a block of " + std::to_string(count) + " bytes runs past its end ("
                     + std::to_string(remaining()) + " bytes left)");
        pos_ += count;
    }

    std::span<const std::uint8_t> bytes(std::uint32_t count)
    {
        const std::size_t start = pos_;
        skip(count);
        return data_.subspan(start, count);
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t pos_;
    std::size_t end_;
    const char* what_;
};

struct TickEvent {
    std::uint64_t tick;
    SongEvent event;
};

struct TempoChange {
    std::uint64_t tick;
    std::uint32_t tempo; // microseconds per quarter note
    std::size_t order;   // file order, so that of two changes on one tick the later wins
};

struct TrackResult {
    std::vector<TickEvent> events;
    std::uint64_t endTick = 0;
};

// Ticks beyond this cannot be converted without overflow; no playable file comes near it.
constexpr std::uint64_t kMaxTick = std::uint64_t{1} << 36;

int dataBytes(std::uint8_t status)
{
    const unsigned kind = status & 0xF0u;
    return (kind == 0xC0u || kind == 0xD0u) ? 1 : 2;
}

TrackResult parseTrack(Reader& in, std::uint16_t track, std::vector<TempoChange>& tempos)
{
    TrackResult result;
    std::uint64_t tick = 0;
    std::uint8_t running = 0;
    while (!in.atEnd()) {
        tick += in.varLength();
        if (tick > kMaxTick)
            fail(in.pos(), "track " + std::to_string(track) + " is too long");
        const std::size_t eventStart = in.pos();
        std::uint8_t status = in.peek();
        if (status < 0x80) {
            if (!running)
                fail(eventStart, "data byte " + hexByte(status) + " without a status byte before it");
            status = running;
        } else {
            in.byte();
        }

        if (status == 0xFF) {
            // Meta event: type, length, data. Only tempo and end of track matter here.
            const std::uint8_t type = in.byte();
            const std::uint32_t length = in.varLength();
            const auto payload = in.bytes(length);
            if (type == 0x51 && length == 3) {
                const std::uint32_t tempo =
                    (std::uint32_t{payload[0]} << 16) | (std::uint32_t{payload[1]} << 8) | payload[2];
                if (tempo == 0)
                    fail(eventStart, "tempo of 0 microseconds per quarter note");
                tempos.push_back({tick, tempo, tempos.size()});
            } else if (type == 0x2F) {
                result.endTick = tick;
                return result; // anything after the end of track is ignored
            }
            // Running status is kept across meta and system exclusive events: files that
            // rely on it exist, and it cannot change the meaning of a well-formed file.
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            in.skip(in.varLength());
            continue;
        }
        if (status >= 0xF0)
            fail(eventStart, "status byte " + hexByte(status) + " does not belong in a MIDI file");

        running = status;
        TickEvent e{tick, {}};
        e.event.bytes[0] = status;
        e.event.track = track;
        const int count = dataBytes(status);
        for (int i = 0; i < count; ++i) {
            const std::size_t at = in.pos();
            const std::uint8_t b = in.byte();
            if (b >= 0x80)
                fail(at, "expected a data byte after status " + hexByte(status) + ", found " + hexByte(b));
            e.event.bytes[1 + i] = b;
        }
        e.event.size = static_cast<std::uint8_t>(1 + count);
        result.events.push_back(e);
    }
    result.endTick = tick; // a track without end-of-track event ends with its data
    return result;
}

// The tempo map: for each change the tick where it starts and the time reached there.
class TempoMap {
public:
    TempoMap(std::vector<TempoChange> changes, std::uint64_t maxTime) : maxTime_(maxTime)
    {
        std::sort(changes.begin(), changes.end(), [](const TempoChange& a, const TempoChange& b) {
            return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
        });
        points_.push_back({0, kDefaultTempo, 0});
        for (const TempoChange& c : changes) {
            const std::uint64_t at = timeAt(c.tick);
            if (points_.back().tick == c.tick)
                points_.back().tempo = c.tempo;
            else
                points_.push_back({c.tick, c.tempo, at});
        }
    }

    // Exact: time units are microseconds x ticks per quarter note, so each tick of a
    // segment adds exactly its tempo.
    std::uint64_t timeAt(std::uint64_t tick) const
    {
        auto it = std::upper_bound(points_.begin(), points_.end(), tick,
                                   [](std::uint64_t t, const Point& p) { return t < p.tick; });
        const Point& p = *std::prev(it);
        const std::uint64_t time = p.time + (tick - p.tick) * p.tempo;
        if (time > maxTime_)
            throw ParseError{"the file plays longer than " + std::to_string(static_cast<int>(kMaxSongSeconds / 3600.0))
                             + " hours"};
        return time;
    }

private:
    struct Point {
        std::uint64_t tick;
        std::uint32_t tempo;
        std::uint64_t time;
    };
    std::vector<Point> points_;
    std::uint64_t maxTime_;
};

Song parse(std::span<const std::uint8_t> data)
{
    Reader file(data, 0, data.size(), "the file");
    if (data.size() < 4 || data[0] != 'M' || data[1] != 'T' || data[2] != 'h' || data[3] != 'd')
        throw ParseError{"not a Standard MIDI File (it does not begin with \"MThd\")"};
    file.skip(4);
    const std::uint32_t headerLength = file.bigEndian(4);
    if (headerLength < 6)
        fail(4, "header chunk of " + std::to_string(headerLength) + " bytes, at least 6 expected");
    if (headerLength > file.remaining())
        fail(4, "header chunk of " + std::to_string(headerLength) + " bytes runs past the end of the file");
    const std::size_t headerEnd = file.pos() + headerLength;
    Song song;
    song.format = static_cast<int>(file.bigEndian(2));
    const std::uint32_t trackCount = file.bigEndian(2);
    const std::uint32_t division = file.bigEndian(2);
    file.skip(static_cast<std::uint32_t>(headerEnd - file.pos()));

    if (song.format == 2)
        fail(8, "format 2 (independent sequences) is not supported; formats 0 and 1 are");
    if (song.format > 2)
        fail(8, "unknown format " + std::to_string(song.format));
    if (trackCount == 0)
        fail(10, "the file declares no tracks");
    if (division & 0x8000u)
        fail(12, "SMPTE time division (frames per second) is not supported; only ticks per quarter note");
    if (division == 0)
        fail(12, "time division of 0 ticks per quarter note");
    song.tracks = static_cast<int>(trackCount);
    song.ticksPerQuarter = static_cast<int>(division);
    song.unitsPerSecond = 1'000'000ull * division;

    std::vector<TempoChange> tempos;
    std::vector<TrackResult> tracks;
    while (tracks.size() < trackCount) {
        if (file.remaining() < 8)
            fail(file.pos(),
                 "the file ends after " + std::to_string(tracks.size()) + " of " + std::to_string(trackCount)
                     + " tracks");
        const std::size_t chunkStart = file.pos();
        const auto id = file.bytes(4);
        const std::uint32_t length = file.bigEndian(4);
        if (length > file.remaining())
            fail(chunkStart,
                 "chunk of " + std::to_string(length) + " bytes, but only " + std::to_string(file.remaining())
                     + " bytes follow");
        const bool isTrack = id[0] == 'M' && id[1] == 'T' && id[2] == 'r' && id[3] == 'k';
        if (isTrack) {
            Reader track(data, file.pos(), file.pos() + length, "track chunk");
            tracks.push_back(parseTrack(track, static_cast<std::uint16_t>(tracks.size()), tempos));
        }
        file.skip(length); // unknown chunk types are skipped whole
    }

    const auto maxTime = static_cast<std::uint64_t>(kMaxSongSeconds) * song.unitsPerSecond;
    const TempoMap map(std::move(tempos), maxTime);
    song.tempoChanges = 0;
    for (const TrackResult& t : tracks) {
        song.endTime = std::max(song.endTime, map.timeAt(t.endTick));
        for (const TickEvent& e : t.events) {
            song.events.push_back(e.event);
            song.events.back().time = map.timeAt(e.tick);
        }
    }
    // Tracks were appended in order, so a stable sort keeps same-time events in track and
    // file order.
    std::stable_sort(song.events.begin(), song.events.end(),
                     [](const SongEvent& a, const SongEvent& b) { return a.time < b.time; });
    return song;
}

} // namespace

MidiParseResult parseMidiFile(std::span<const std::uint8_t> data)
{
    MidiParseResult result;
    try {
        result.song = parse(data);
        result.ok = true;
    } catch (const ParseError& e) {
        result.error = e.text;
    }
    return result;
}

MidiParseResult readMidiFile(const std::string& path)
{
    constexpr std::streamoff kMaxFileSize = 64 << 20;
    MidiParseResult result;
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        result.error = path + ": is a folder, not a MIDI file";
        return result;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = path + ": cannot open the file";
        return result;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxFileSize) {
        result.error = path + ": not a MIDI file of a plausible size (at most 64 MB)";
        return result;
    }
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), size);
    if (!in) {
        result.error = path + ": read error";
        return result;
    }
    result = parseMidiFile(bytes);
    if (!result.ok)
        result.error = path + ": " + result.error;
    return result;
}

} // namespace ostrel::render
