// The host's non-audio threads at once, as hosts drive a plug-in: a user-interface thread
// reading program names, the current program and parameter texts; a saving thread taking
// program and bank chunks; an editor thread switching, renaming and loading programs; and the
// audio thread rendering meanwhile. Under ThreadSanitizer (tools/test.sh) this proves the
// program store's lock and the per-thread chunk buffers; in every build it checks that each
// chunk a thread takes is whole.
#include "patch/bank_chunk.h"
#include "test_audio_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

namespace ostrel {
namespace {

using audiotest::PluginRig;
using namespace vst;

std::vector<unsigned char> takeChunk(PluginRig& rig, bool isPreset)
{
    void* data = nullptr;
    const auto size = rig.call(effGetChunk, isPreset ? 1 : 0, 0, &data);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return data && size > 0 ? std::vector<unsigned char>(bytes, bytes + size) : std::vector<unsigned char>();
}

// A bank as written by the plug-in: 128 complete entries of program chunks.
bool wholeBank(const std::vector<unsigned char>& bank)
{
    BankReader reader(bank.data(), static_cast<std::int32_t>(bank.size()));
    if (!reader.isBank() || reader.count() != 128 || bank.size() != static_cast<std::size_t>(bankChunkSize(128)))
        return false;
    BankEntry entry;
    int entries = 0;
    while (reader.next(entry)) {
        if (entry.size != kProgramChunkSize || !startsWithMagic(entry.chunk, 4, kProgramChunkMagic))
            return false;
        ++entries;
    }
    return entries == 128;
}

TEST(ConcurrentHostCalls, InterfaceSavingEditorAndAudioThreadsAtOnce)
{
    PluginRig rig;
    const std::vector<unsigned char> initialBank = takeChunk(rig, false);
    ASSERT_TRUE(wholeBank(initialBank));

    constexpr int kRounds = 150;
    std::atomic<bool> stop{false};
    std::atomic<int> brokenChunks{0};
    std::atomic<int> badNames{0};

    std::thread interface([&] {
        char name[64];
        while (!stop.load()) {
            for (VstInt32 i = 0; i < 128; i += 7) {
                if (rig.call(effGetProgramNameIndexed, i, 0, name) != 1 || std::strlen(name) > 24)
                    ++badNames;
            }
            if (rig.call(effGetProgram) < 0 || rig.call(effGetProgram) > 127)
                ++badNames;
            rig.call(effGetProgramName, 0, 0, name);
            char display[64];
            rig.call(effGetParamDisplay, 28, 0, display);
        }
    });
    std::thread saving([&] {
        while (!stop.load()) {
            if (!wholeBank(takeChunk(rig, false)))
                ++brokenChunks;
            const auto preset = takeChunk(rig, true);
            if (preset.size() != static_cast<std::size_t>(kProgramChunkSize)
                || !startsWithMagic(preset.data(), preset.size(), kProgramChunkMagic))
                ++brokenChunks;
        }
    });
    std::thread audio([&] {
        audiotest::MidiList midi;
        std::vector<float> l(256), r(256);
        for (int block = 0; !stop.load(); ++block) {
            midi.clear();
            midi.add(0, block % 2 ? 0x80 : 0x90, 48 + block % 24, 100);
            rig.send(midi);
            rig.replacing(l, r, 256);
        }
    });
    // The editor: switches, renames, edits and loads, then takes its own chunks too.
    for (int round = 0; round < kRounds; ++round) {
        rig.call(effSetProgram, 0, round % 128);
        char name[] = "Edited by the editor";
        rig.call(effSetProgramName, 0, 0, name);
        rig.effect->setParameter(rig.effect, round % 128, static_cast<float>(round % 10) / 10.0f);
        if (round % 25 == 0)
            rig.call(effSetChunk, 0, static_cast<VstIntPtr>(initialBank.size()),
                     const_cast<unsigned char*>(initialBank.data()));
        if (!wholeBank(takeChunk(rig, false)))
            ++brokenChunks;
    }
    stop = true;
    interface.join();
    saving.join();
    audio.join();
    EXPECT_EQ(brokenChunks.load(), 0);
    EXPECT_EQ(badNames.load(), 0);
}

} // namespace
} // namespace ostrel
