// The LV2 bundle through Debian's lilv, as an LV2 host drives it. Prints one line per failed
// check and ends with "lv2host: N passed, M failed".
//
//   ostrel-lv2host BUNDLE_DIR                      the checks below
//   ostrel-lv2host BUNDLE_DIR --render FILE [--rate HZ]
//       renders the VST 2 comparison's MIDI on each default preset (restored through lilv,
//       a fresh instance each) into FILE as raw floats, as ostrel-hosttest --render does, so
//       that tools/compare-renders.sh can compare the two builds sample for sample.
#include "lv2_host.h"
#include "tests/hosttest/render_script.h"

#include <lv2/atom/atom.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace lv2host;

int gPassed = 0;
int gFailed = 0;

void check(bool ok, const std::string& what)
{
    ok ? ++gPassed : ++gFailed;
    if (!ok)
        std::printf("FAILED: %s\n", what.c_str());
}

// Host blocks of changing sizes: the output must not depend on them.
const std::vector<int> kBlocks = {256, 1, 17, 1024, 300, 4096, 63};

std::vector<MidiEvent> script()
{
    std::vector<MidiEvent> events;
    for (const auto& t : hosttest::kRenderScript)
        events.push_back({t.frame, t.status, t.d1, t.d2});
    return events;
}

// A fresh instance with the preset restored through lilv (state and ports, or the ports only),
// playing the comparison's MIDI.
std::vector<float> renderPreset(World& world, const std::string& preset, double rate, bool portsOnly = false)
{
    std::vector<float> out;
    Instance instance(world, rate);
    LilvState* state = world.presetState(preset);
    if (!instance.ok() || !state)
        return out;
    portsOnly ? instance.restorePortsOnly(state) : instance.restore(state);
    lilv_state_free(state);
    instance.activate();
    const auto events = script();
    instance.play(events.data(), events.size(), hosttest::kRenderFrames, kBlocks, out);
    return out;
}

bool finiteAndAudible(const std::vector<float>& v)
{
    bool audible = false;
    for (const float x : v) {
        if (!std::isfinite(x))
            return false;
        audible = audible || x != 0.0f;
    }
    return audible;
}

// Offsets in a program chunk as written (magic and format word, then per sub-chunk its id,
// size and version words before the fields): sub-chunk 1's first wave index, and sub-chunk 3's
// cutoff after the 12 oscillator fields and the 16 mix fields.
constexpr std::size_t kWave0Offset = 8 + 12;
constexpr std::size_t kCutoffOffset = kWave0Offset + 12 * 4 + 12 + 16 * 4 + 12;

template <typename T>
T at(const std::vector<unsigned char>& chunk, std::size_t offset)
{
    T value{};
    if (chunk.size() >= offset + sizeof value)
        std::memcpy(&value, chunk.data() + offset, sizeof value);
    return value;
}

bool contains(const std::vector<unsigned char>& bytes, const std::string& text)
{
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

void testDescription(World& world)
{
    check(world.ok(), "the bundle's plug-in is found by its URI");
    if (!world.ok())
        return;
    check(lilv_plugin_get_num_ports(world.plugin()) == 131, "131 ports: 128 controls, MIDI in, two outputs");
    check(world.presets().size() == 16, "the 16 default programs are presets");
    check(world.portIndex("Cutoff") == 28 && world.portIndex("Mod6_14") == 126 && world.portIndex("FilterMode") == 127,
          "a control port's index is its parameter's VST 2 index");
}

// A fresh instance with its ports at the defaults the bundle gives plays the first program.
void testFreshInstance(World& world)
{
    Instance fresh(world, 44100.0);
    fresh.activate();
    std::vector<float> out;
    const auto events = script();
    fresh.play(events.data(), events.size(), 30000, kBlocks, out);
    auto first = renderPreset(world, world.presets().front(), 44100.0);
    first.resize(out.size());
    check(finiteAndAudible(out) && out == first, "a fresh instance at the default port values plays the first preset");
}

// Every preset sounds the same restored as state and as port values alone (the ports carry
// every sound setting), and its chunk carries the program's name.
void testPresets(World& world)
{
    for (const std::string& preset : world.presets()) {
        const auto viaState = renderPreset(world, preset, 44100.0);
        const auto viaPorts = renderPreset(world, preset, 44100.0, true);
        check(finiteAndAudible(viaState), preset + ": renders finite, audible samples");
        check(viaState == viaPorts, preset + ": port values alone give the same samples as the state");

        Instance instance(world, 44100.0);
        LilvState* state = world.presetState(preset);
        instance.restore(state, false);
        const std::string label = lilv_state_get_label(state) ? lilv_state_get_label(state) : "";
        lilv_state_free(state);
        check(!label.empty() && contains(instance.savedChunk(), label),
              preset + ": the chunk carries the name " + label);
    }
}

// Save, serialise, restore into a new instance: the same chunk and the same sound. A restored
// chunk is not overwritten by port values the host left as they were.
void testStateRoundTrip(World& world)
{
    const std::string preset = world.presets().at(1); // Sawpad1
    Instance a(world, 48000.0);
    LilvState* presetState = world.presetState(preset);
    a.restore(presetState);
    lilv_state_free(presetState);
    a.control(world.portIndex("Cutoff")) = 3.5f;
    a.control(world.portIndex("Waveform_0")) = 5.0f;
    a.control(world.portIndex("Chorus_on")) = 1.0f;
    a.activate();
    std::vector<float> ignored;
    a.run(64, {}, ignored);
    LilvState* saved = a.save();
    const auto chunkA = a.savedChunk();
    check(at<float>(chunkA, kCutoffOffset) == 3.5f && at<std::int32_t>(chunkA, kWave0Offset) == 5,
          "port changes reach the saved chunk");
    char* text = lilv_state_to_string(world.world(), world.urids().handle(), world.urids().unmapHandle(), saved,
                                      "urn:ostrel:test:saved", nullptr);
    lilv_state_free(saved);
    LilvState* reread = lilv_state_new_from_string(world.world(), world.urids().handle(), text);
    lilv_free(text);

    Instance b(world, 48000.0);
    b.restore(reread);
    check(b.savedChunk() == chunkA, "a state saved, written as text and restored gives the same chunk bytes");
    Instance c(world, 48000.0);
    c.restore(reread, false); // the ports keep their defaults
    c.activate();
    c.run(64, {}, ignored);
    check(c.savedChunk() == chunkA, "port values the host did not change leave a restored chunk as it is");
    lilv_state_free(reread);

    b.activate();
    b.run(64, {}, ignored);
    const auto events = script();
    std::vector<float> soundA, soundB;
    a.play(events.data(), events.size(), 20000, kBlocks, soundA);
    b.play(events.data(), events.size(), 20000, {512}, soundB);
    check(finiteAndAudible(soundA) && soundA == soundB, "the restored instance sounds the same, sample for sample");
}

// Port values in the parameter's units: kept as given (whole numbers for int parameters),
// clamped to the range, NaN ignored; bad state data changes nothing and never breaks the instance.
void testBoundaries(World& world)
{
    Instance i(world, 44100.0);
    i.activate();
    std::vector<float> out;
    const auto cutoff = world.portIndex("Cutoff");
    const auto wave = world.portIndex("Waveform_0");
    const float cases[][4] = {
        // cutoff in, cutoff kept, wave in, wave kept
        {6.337f, 6.337f, 2.5f, 3.0f},
        {50.0f, 10.0f, 200.0f, 95.0f},
        {-1.0f, 0.0f, -3.0f, 0.0f},
        {NAN, 0.0f, NAN, 0.0f},
    };
    for (const auto& c : cases) {
        i.control(cutoff) = c[0];
        i.control(wave) = c[2];
        i.run(32, {}, out);
        const auto chunk = i.savedChunk();
        char what[128];
        std::snprintf(what, sizeof what, "ports Cutoff %g and Waveform %g keep %g and %g", static_cast<double>(c[0]),
                      static_cast<double>(c[2]), static_cast<double>(c[1]), static_cast<double>(c[3]));
        check(at<float>(chunk, kCutoffOffset) == c[1]
                  && at<std::int32_t>(chunk, kWave0Offset) == static_cast<int>(c[3]),
              what);
    }

    const auto before = i.savedChunk();
    const LV2_URID chunkType = world.urids().map(LV2_ATOM__Chunk);
    const unsigned char junk[] = "not a program chunk at all";
    check(i.restoreChunk(junk, sizeof junk, chunkType) == LV2_STATE_SUCCESS && i.savedChunk() == before,
          "data without the program magic changes nothing");
    check(i.restoreChunk(before.data(), before.size(), world.urids().map(LV2_ATOM__String)) == LV2_STATE_ERR_BAD_TYPE
              && i.savedChunk() == before,
          "a chunk of another type is refused");
    check(i.restoreChunk(before.data(), 0, chunkType) == LV2_STATE_SUCCESS && i.savedChunk() == before,
          "an empty chunk changes nothing");
    auto cut = before;
    cut.resize(200);
    i.restoreChunk(cut.data(), cut.size(), chunkType);
    i.run(32, {{0, 0x90, 60, 100}}, out);
    out.clear();
    i.run(4096, {}, out);
    check(finiteAndAudible(out), "a chunk cut short loads what it holds and the instance plays on");

    // deactivate and activate: every voice of before has ended, the output is silent
    i.deactivate();
    i.activate();
    out.clear();
    i.run(4096, {}, out);
    bool silent = true;
    for (const float x : out)
        silent = silent && x == 0.0f;
    check(silent, "after deactivate and activate no voice of before sounds");
}

// After warm-up, run() allocates nothing: MIDI bursts (more notes than voices, every
// controller the engine knows), ports moved every block, blocks of many sizes, a program chunk
// restored between blocks.
void testRealtime(World& world)
{
    Instance i(world, 48000.0);
    i.activate();
    std::vector<float> out;
    out.reserve(1 << 20);
    const auto cutoff = world.portIndex("Cutoff");
    const auto wave = world.portIndex("Waveform_0");
    const auto chorus = world.portIndex("Chorus_on");
    const auto play = [&](int blocks) {
        for (int b = 0; b < blocks; ++b) {
            std::vector<MidiEvent> burst;
            for (int n = 0; n < 40; ++n)
                burst.push_back({(n * 7) % 200, (b + n) % 3 ? 0x90 : 0x80, 30 + (b * 5 + n * 3) % 70, 100});
            burst.push_back({100, 0xE0, 0, (b * 13) % 128});
            burst.push_back({120, 0xB0, 1, (b * 7) % 128});
            burst.push_back({130, 0xB0, 64, b % 2 ? 127 : 0});
            burst.push_back({140, 0xD0, (b * 3) % 128, 0});
            if (b % 17 == 16)
                burst.push_back({150, 0xB0, 123, 0});
            i.control(cutoff) = static_cast<float>(b % 100) * 0.1f;
            i.control(wave) = static_cast<float>(b % 96);
            i.control(chorus) = static_cast<float>(b % 2);
            out.clear();
            i.run(b % 4 == 0 ? 2048 : 200 + b % 50, burst, out);
        }
    };
    const long atStart = allocationsCounted();
    i.countAllocationsInRun(true);
    play(20); // warm-up: the event queue may grow once
    const long warmUp = allocationsCounted() - atStart;
    const auto chunk = i.savedChunk();
    i.restoreChunk(chunk.data(), chunk.size(), world.urids().map(LV2_ATOM__Chunk));
    play(300);
    i.countAllocationsInRun(false);
    const long after = allocationsCounted() - atStart - warmUp;
    check(after == 0, "no allocation in run() after warm-up (" + std::to_string(after) + " counted)");

    // The counter sees the plug-in's allocations: an instantiation makes many.
    const long before = allocationsCounted();
    countAllocations(true);
    {
        Instance other(world, 48000.0);
    }
    countAllocations(false);
    check(allocationsCounted() - before > 100, "the allocation counter sees the plug-in's allocations");
}

int render(World& world, const char* path, double rate)
{
    std::vector<float> interleaved;
    for (const std::string& preset : world.presets()) {
        const auto samples = renderPreset(world, preset, rate);
        interleaved.insert(interleaved.end(), samples.begin(), samples.end());
    }
    std::FILE* file = std::fopen(path, "wb");
    if (!file || world.presets().size() != 16)
        return 1;
    const std::size_t written = std::fwrite(interleaved.data(), sizeof(float), interleaved.size(), file);
    return (std::fclose(file) == 0 && written == interleaved.size()) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("usage: %s BUNDLE_DIR [--render FILE [--rate HZ]]\n", argv[0]);
        return 2;
    }
    World world(argv[1]);
    const char* renderPath = nullptr;
    double rate = 44100.0;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--render") == 0 && i + 1 < argc)
            renderPath = argv[++i];
        else if (std::strcmp(argv[i], "--rate") == 0 && i + 1 < argc)
            rate = std::atof(argv[++i]);
    }
    if (renderPath)
        return world.ok() ? render(world, renderPath, rate) : 1;

    testDescription(world);
    if (world.ok()) {
        testFreshInstance(world);
        testPresets(world);
        testStateRoundTrip(world);
        testBoundaries(world);
        testRealtime(world);
    }
    std::printf("lv2host: %d passed, %d failed\n", gPassed, gFailed);
    return gFailed == 0 ? 0 : 1;
}
