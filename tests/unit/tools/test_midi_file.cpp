// The render tool's MIDI file reader, on files assembled byte by byte here.
#include "tools/render/event_schedule.h"
#include "tools/render/midi_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

using namespace ostrel::render;

namespace {

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& out, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        out.push_back(static_cast<std::uint8_t>(b));
}

void appendBig(Bytes& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void appendVarLength(Bytes& out, std::uint32_t value)
{
    std::uint8_t groups[5];
    int n = 0;
    do {
        groups[n++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value);
    while (n > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--n] | 0x80));
    out.push_back(groups[0]);
}

Bytes header(int format, int tracks, int division)
{
    Bytes out{'M', 'T', 'h', 'd'};
    appendBig(out, 6, 4);
    appendBig(out, static_cast<std::uint32_t>(format), 2);
    appendBig(out, static_cast<std::uint32_t>(tracks), 2);
    appendBig(out, static_cast<std::uint32_t>(division), 2);
    return out;
}

// A track chunk around raw event bytes (deltas included by the caller).
void appendTrack(Bytes& file, const Bytes& body)
{
    append(file, {'M', 'T', 'r', 'k'});
    appendBig(file, static_cast<std::uint32_t>(body.size()), 4);
    file.insert(file.end(), body.begin(), body.end());
}

Bytes endOfTrack(std::uint32_t delta = 0)
{
    Bytes out;
    appendVarLength(out, delta);
    append(out, {0xFF, 0x2F, 0x00});
    return out;
}

Bytes tempo(std::uint32_t delta, std::uint32_t microseconds)
{
    Bytes out;
    appendVarLength(out, delta);
    append(out, {0xFF, 0x51, 0x03});
    appendBig(out, microseconds, 3);
    return out;
}

Bytes event(std::uint32_t delta, std::initializer_list<int> bytes)
{
    Bytes out;
    appendVarLength(out, delta);
    append(out, bytes);
    return out;
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes singleTrack(const Bytes& body, int division = 96)
{
    Bytes file = header(0, 1, division);
    appendTrack(file, body);
    return file;
}

MidiParseResult parse(const Bytes& file)
{
    return parseMidiFile(file);
}

double seconds(const Song& song, std::size_t i)
{
    return song.seconds(song.events.at(i).time);
}

} // namespace

TEST(MidiFile, FormatZeroTimesAndMessageSizes)
{
    const Bytes body =
        concat({event(0, {0x90, 60, 100}), event(96, {0x80, 60, 0}), event(48, {0xC3, 5}), event(0, {0xD0, 33}),
                event(0, {0xE1, 0x00, 0x40}), event(48, {0xB0, 1, 64}), endOfTrack(192)});
    const auto r = parse(singleTrack(body));
    ASSERT_TRUE(r.ok) << r.error;
    const Song& s = r.song;
    ASSERT_EQ(s.events.size(), 6u);
    EXPECT_EQ(s.format, 0);
    // 96 ticks per quarter at the default 120 beats per minute: a tick is 1/192 s.
    EXPECT_DOUBLE_EQ(seconds(s, 0), 0.0);
    EXPECT_DOUBLE_EQ(seconds(s, 1), 0.5);
    EXPECT_DOUBLE_EQ(seconds(s, 2), 0.75);
    EXPECT_DOUBLE_EQ(seconds(s, 5), 1.0);
    EXPECT_DOUBLE_EQ(s.seconds(s.endTime), 2.0) << "end of track counts for the length";
    EXPECT_EQ(s.events[2].size, 2) << "program change has one data byte";
    EXPECT_EQ(s.events[3].size, 2) << "channel pressure has one data byte";
    EXPECT_EQ(s.events[4].size, 3);
    EXPECT_EQ(s.events[4].bytes[2], 0x40);
}

TEST(MidiFile, RunningStatus)
{
    // Note-ons by running status, a note-off as note-on with velocity 0, then a new status
    // and running status continuing after a meta event.
    const Bytes body =
        concat({event(0, {0x91, 60, 100}), event(10, {64, 90}), event(10, {60, 0}), event(0, {0xB1, 1, 10}),
                event(0, {0xFF, 0x01, 0x02, 'h', 'i'}), event(5, {1, 20}), endOfTrack()});
    const auto r = parse(singleTrack(body));
    ASSERT_TRUE(r.ok) << r.error;
    const auto& e = r.song.events;
    ASSERT_EQ(e.size(), 5u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(e[static_cast<std::size_t>(i)].status(), 0x91);
    EXPECT_EQ(e[1].bytes[1], 64);
    EXPECT_EQ(e[2].bytes[2], 0);
    EXPECT_EQ(e[4].status(), 0xB1);
    EXPECT_EQ(e[4].bytes[2], 20);

    const auto noStatus = parse(singleTrack(concat({event(0, {60, 100}), endOfTrack()})));
    EXPECT_FALSE(noStatus.ok);
    EXPECT_NE(noStatus.error.find("without a status"), std::string::npos) << noStatus.error;
}

TEST(MidiFile, MetaAndSystemExclusiveAreSkipped)
{
    const Bytes body = concat({event(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7}), event(10, {0xF7, 0x02, 0x01, 0x02}),
                               event(10, {0xFF, 0x03, 0x04, 'n', 'a', 'm', 'e'}), event(10, {0x90, 62, 80}),
                               endOfTrack(), event(0, {0x90, 70, 80})}); // after end of track: ignored
    const auto r = parse(singleTrack(body));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.song.events.size(), 1u);
    EXPECT_EQ(r.song.events[0].bytes[1], 62);
    EXPECT_DOUBLE_EQ(seconds(r.song, 0), 30.0 / 192.0);
}

TEST(MidiFile, FormatOneMergesTracksInTimeOrder)
{
    Bytes file = header(1, 3, 480);
    appendTrack(file, concat({tempo(0, 500000), endOfTrack()}));
    appendTrack(file, concat({event(0, {0x90, 60, 100}), event(480, {0x80, 60, 0}), endOfTrack()}));
    append(file, {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 1, 2}); // unknown chunk between tracks
    appendTrack(file, concat({event(240, {0x91, 64, 90}), event(240, {0x81, 64, 0}), endOfTrack(480)}));
    const auto r = parse(file);
    ASSERT_TRUE(r.ok) << r.error;
    const auto& e = r.song.events;
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(r.song.tracks, 3);
    EXPECT_EQ(e[0].status(), 0x90);
    EXPECT_EQ(e[1].status(), 0x91);
    EXPECT_DOUBLE_EQ(seconds(r.song, 1), 0.25);
    // Same time in two tracks: the earlier track first.
    EXPECT_EQ(e[2].status(), 0x80);
    EXPECT_EQ(e[2].track, 1);
    EXPECT_EQ(e[3].status(), 0x81);
    EXPECT_EQ(e[3].track, 2);
    EXPECT_DOUBLE_EQ(r.song.seconds(r.song.endTime), 1.0);
}

TEST(MidiFile, TempoChangesConvertTicksExactly)
{
    // One second at 120 bpm (960 ticks), then twice as fast: 480 more ticks take 0.25 s;
    // from tick 1920 on a quarter lasts a second. The tempo changes sit in the conductor
    // track; the notes are in track 1.
    Bytes file = header(1, 2, 480);
    appendTrack(file, concat({tempo(0, 500000), tempo(960, 250000), tempo(960, 1000000), endOfTrack()}));
    appendTrack(file,
                concat({event(960, {0x90, 60, 100}), event(480, {0x80, 60, 0}), event(480, {0x90, 61, 1}),
                        event(480, {0x80, 61, 0}), endOfTrack()}));
    const auto r = parse(file);
    ASSERT_TRUE(r.ok) << r.error;
    const Song& s = r.song;
    ASSERT_EQ(s.events.size(), 4u);
    EXPECT_EQ(s.events[0].time, s.unitsPerSecond * 1);
    EXPECT_EQ(s.events[1].time, s.unitsPerSecond * 5 / 4);
    EXPECT_EQ(s.events[2].time, s.unitsPerSecond * 3 / 2);
    EXPECT_EQ(s.events[3].time, s.unitsPerSecond * 5 / 2) << "1 s per quarter after the third change";
    EXPECT_EQ(timeToFrame(s.events[1].time, s.unitsPerSecond, 44100), 55125);
    EXPECT_EQ(timeToFrame(s.events[1].time, s.unitsPerSecond, 48000), 60000);
    EXPECT_EQ(timeToFrame(s.events[3].time, s.unitsPerSecond, 96000), 240000);
}

TEST(MidiFile, TempoDetails)
{
    // Two changes on one tick: the later one counts. A tempo in a later track of a
    // format 1 file still applies to every track.
    Bytes file = header(1, 2, 100);
    appendTrack(file, concat({event(100, {0x90, 60, 100}), event(100, {0x80, 60, 0}), endOfTrack()}));
    appendTrack(file, concat({tempo(0, 2000000), tempo(0, 1000000), endOfTrack()}));
    const auto r = parse(file);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_DOUBLE_EQ(seconds(r.song, 0), 1.0);
    EXPECT_DOUBLE_EQ(seconds(r.song, 1), 2.0);

    const auto zero = parse(singleTrack(concat({tempo(0, 0), endOfTrack()})));
    EXPECT_FALSE(zero.ok);

    // A tempo meta event of the wrong length is ignored, not misread.
    const auto odd =
        parse(singleTrack(concat({event(0, {0xFF, 0x51, 0x02, 0x01, 0x02}), event(96, {0x90, 60, 1}), endOfTrack()})));
    ASSERT_TRUE(odd.ok) << odd.error;
    EXPECT_DOUBLE_EQ(seconds(odd.song, 0), 0.5);
}

TEST(MidiFile, RefusedHeaders)
{
    struct Case {
        Bytes file;
        const char* needle;
    };
    Bytes smpte = header(0, 1, 0xE728); // -25 fps, 40 ticks per frame
    appendTrack(smpte, endOfTrack());
    Bytes format2 = header(2, 1, 96);
    appendTrack(format2, endOfTrack());
    Bytes format9 = header(9, 1, 96);
    appendTrack(format9, endOfTrack());
    Bytes noTracks = header(1, 0, 96);
    Bytes zeroDivision = header(0, 1, 0);
    appendTrack(zeroDivision, endOfTrack());
    Bytes shortHeader{'M', 'T', 'h', 'd', 0, 0, 0, 4, 0, 0, 0, 1};
    const Case cases[] = {
        {Bytes{}, "MThd"},          {Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "MThd"},
        {smpte, "SMPTE"},           {format2, "format 2"},
        {format9, "format 9"},      {noTracks, "no tracks"},
        {zeroDivision, "division"}, {shortHeader, "at least 6"},
    };
    for (const Case& c : cases) {
        const auto r = parse(c.file);
        EXPECT_FALSE(r.ok) << c.needle;
        EXPECT_NE(r.error.find(c.needle), std::string::npos) << r.error;
    }

    // A longer header is fine: its extra bytes are skipped.
    Bytes longHeader{'M', 'T', 'h', 'd', 0, 0, 0, 8, 0, 0, 0, 1, 0, 96, 0xAA, 0xBB};
    appendTrack(longHeader, concat({event(0, {0x90, 1, 2}), endOfTrack()}));
    EXPECT_TRUE(parse(longHeader).ok);
}

TEST(MidiFile, EveryTruncationIsAnError)
{
    Bytes file = header(1, 2, 96);
    appendTrack(file, concat({tempo(0, 400000), endOfTrack()}));
    appendTrack(file,
                concat({event(0, {0xF0, 0x02, 0x01, 0xF7}), event(0x3FFF, {0x90, 60, 100}), event(1, {62, 1}),
                        event(0, {0xE0, 0, 64}), endOfTrack()}));
    ASSERT_TRUE(parse(file).ok);
    for (std::size_t n = 0; n < file.size(); ++n) {
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        const auto r = parse(cut);
        EXPECT_FALSE(r.ok) << "prefix of " << n << " bytes";
        EXPECT_FALSE(r.error.empty());
    }

    // Cut inside a track whose chunk length was fixed up to match: the event is cut.
    const auto r = parse(singleTrack(Bytes{0x00, 0x90, 60}));
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("middle of an event"), std::string::npos) << r.error;
    Bytes missing = header(1, 3, 96);
    appendTrack(missing, endOfTrack());
    const auto m = parse(missing);
    EXPECT_NE(m.error.find("1 of 3 tracks"), std::string::npos) << m.error;
}

TEST(MidiFile, AbsurdLengthsAndBytes)
{
    Bytes hugeChunk = header(0, 1, 96);
    append(hugeChunk, {'M', 'T', 'r', 'k', 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0x2F, 0x00});
    Bytes hugeHeader{'M', 'T', 'h', 'd', 0xFF, 0xFF, 0xFF, 0xF0, 0, 0, 0, 1, 0, 96};

    const Bytes bodies[] = {
        concat({event(0, {0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F, 'x'}), endOfTrack()}), // meta text of 256 MB
        concat({event(0, {0xF0, 0x8F, 0xFF, 0xFF, 0x7F, 0x01}), endOfTrack()}),      // sysex of 4 GB claimed
        Bytes{0x80, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1},                            // five-byte delta
        concat({event(0, {0x90, 60, 0x90}), endOfTrack()}),                          // status where data belongs
        concat({event(0, {0xF8}), endOfTrack()}),                                    // real-time byte
        concat({event(0, {0xF2, 1, 2}), endOfTrack()}),                              // system common
    };
    EXPECT_FALSE(parse(hugeChunk).ok);
    EXPECT_FALSE(parse(hugeHeader).ok);
    for (const Bytes& body : bodies) {
        const auto r = parse(singleTrack(body));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error.rfind("byte ", 0), 0u) << "the error says where: " << r.error;
    }

    // Deltas that add up to more than the longest accepted song.
    Bytes longBody;
    for (int i = 0; i < 64; ++i) {
        appendVarLength(longBody, 0x0FFFFFFF);
        append(longBody, {0x90, 60, 1});
    }
    Bytes longFile = header(0, 1, 1);
    appendTrack(longFile, concat({tempo(0, 0xFFFFFF), longBody, endOfTrack()}));
    const auto r = parse(longFile);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("longer than"), std::string::npos) << r.error;
}

TEST(MidiFile, TrackWithoutEndMarkerAndRandomBytes)
{
    const auto r = parse(singleTrack(concat({event(0, {0x90, 60, 100}), event(96, {0x80, 60, 0})})));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.song.events.size(), 2u);
    EXPECT_DOUBLE_EQ(r.song.seconds(r.song.endTime), 0.5);

    // Random track contents: a result either way, never a crash or a read past the data
    // (run under the sanitizers to see the latter).
    std::mt19937 random(1234);
    int accepted = 0;
    for (int round = 0; round < 2000; ++round) {
        Bytes body(random() % 64);
        for (auto& b : body)
            b = static_cast<std::uint8_t>(random());
        const auto result = parse(singleTrack(body));
        accepted += result.ok;
        EXPECT_TRUE(result.ok || !result.error.empty());
        if (result.ok) {
            for (const SongEvent& e : result.song.events) {
                EXPECT_GE(e.status(), 0x80);
                EXPECT_LT(e.status(), 0xF0);
                EXPECT_TRUE(e.size == 2 || e.size == 3);
            }
        }
    }
    EXPECT_GT(accepted, 0);
}
