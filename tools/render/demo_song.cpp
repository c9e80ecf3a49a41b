#include "tools/render/demo_song.h"

#include <algorithm>
#include <array>

namespace ostrel::render {

namespace {

constexpr int kTicksPerQuarter = 480;

class SongBuilder {
public:
    explicit SongBuilder(Song& song) : song_(song)
    {
        song_.format = 0;
        song_.tracks = 1;
        song_.ticksPerQuarter = kTicksPerQuarter;
        song_.unitsPerSecond = 1'000'000ull * kTicksPerQuarter;
    }

    void add(int tick, int status, int data1, int data2 = -1)
    {
        SongEvent e;
        e.time = static_cast<std::uint64_t>(tick) * kDefaultTempo;
        e.bytes[0] = static_cast<std::uint8_t>(status);
        e.bytes[1] = static_cast<std::uint8_t>(data1 & 0x7F);
        e.bytes[2] = static_cast<std::uint8_t>(data2 < 0 ? 0 : data2 & 0x7F);
        e.size = data2 < 0 ? 2 : 3;
        song_.events.push_back(e);
    }

    void note(int tick, int length, int key, int velocity)
    {
        add(tick, 0x90, key, velocity);
        add(tick + length, 0x80, key, 64);
    }

    void bend(int tick, int value) // -8192..8191
    {
        const int raw = std::clamp(value + 8192, 0, 16383);
        add(tick, 0xE0, raw & 0x7F, raw >> 7);
    }

    void finish(int endTick)
    {
        std::stable_sort(song_.events.begin(), song_.events.end(),
                         [](const SongEvent& a, const SongEvent& b) { return a.time < b.time; });
        song_.endTime = static_cast<std::uint64_t>(endTick) * kDefaultTempo;
    }

private:
    Song& song_;
};

struct Chord {
    int root;
    std::array<int, 4> tones; // semitones above the root
};

// C major seventh, F major seventh, A minor seventh, G seventh: one per segment, in turn.
constexpr std::array<Chord, 4> kChords = {{
    {48, {0, 4, 7, 11}},
    {53, {0, 4, 7, 11}},
    {45, {0, 3, 7, 10}},
    {43, {0, 4, 7, 10}},
}};

void addPhrase(SongBuilder& b, int start, const Chord& chord)
{
    constexpr int beat = kTicksPerQuarter;
    constexpr int eighth = beat / 2;
    b.add(start, 0xB0, 1, 0);
    b.bend(start, 0);

    // Chord, strummed upwards, held for two beats.
    constexpr std::array<int, 4> chordVelocity = {92, 70, 78, 84};
    for (int i = 0; i < 4; ++i)
        b.note(start + i * 12, 2 * beat - i * 12 - 10, chord.root + chord.tones[static_cast<std::size_t>(i)],
               chordVelocity[static_cast<std::size_t>(i)]);

    // Melody over the chord tones an octave up: six eighths, then a long note on beat 5.
    constexpr std::array<int, 7> melody = {0, 1, 2, 3, 4, 2, 1};
    constexpr std::array<int, 7> velocity = {100, 64, 88, 72, 118, 80, 104};
    for (int i = 0; i < 7; ++i) {
        const int step = melody[static_cast<std::size_t>(i)];
        const int key =
            chord.root + 12 + (step < 4 ? chord.tones[static_cast<std::size_t>(step)] : 12 + chord.tones[0]);
        const int tick = start + 2 * beat + i * eighth;
        const int length = i < 6 ? eighth - 20 : beat - 20;
        b.note(tick, length, key, velocity[static_cast<std::size_t>(i)]);
    }

    // Mod wheel swells over the melody.
    for (int step = 0; step <= 24; ++step)
        b.add(start + 2 * beat + step * beat / 8, 0xB0, 1, step * 100 / 24);

    // The long note bends up a whole tone and back before it ends.
    const int last = start + 5 * beat;
    for (int step = 1; step <= 8; ++step)
        b.bend(last + 120 + step * 15, 8191 * step / 8);
    for (int step = 1; step <= 8; ++step)
        b.bend(last + 300 + step * 15, 8191 - 8191 * step / 8);

    const int end = start + kDemoBeatsPerPhrase * beat;
    b.add(end, 0xB0, 1, 0);
    b.bend(end, 0);
    b.add(end, 0xB0, 123, 0);
}

} // namespace

Song makeDemoSong(const std::vector<int>& programs)
{
    Song song;
    SongBuilder builder(song);
    const std::size_t segments = programs.empty() ? 1 : programs.size();
    for (std::size_t i = 0; i < segments; ++i) {
        const int start = static_cast<int>(i) * kDemoBeatsPerSegment * kTicksPerQuarter;
        if (!programs.empty())
            builder.add(start, 0xC0, programs[i]);
        addPhrase(builder, start, kChords[i % kChords.size()]);
    }
    builder.finish(static_cast<int>(segments) * kDemoBeatsPerSegment * kTicksPerQuarter);
    return song;
}

} // namespace ostrel::render
