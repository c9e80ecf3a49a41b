// libFuzzer target for everything that reads chunk data from outside: program chunks and bank
// chunks through the plug-in's setChunk, and preset files through their reader. The first
// byte picks the road, the rest is the data (copied to a buffer of exactly its size, so any
// read past it is caught by the address sanitizer).
//
//   0: setChunk as a preset        1: setChunk as a bank        2: a preset file
//
// Besides not crashing, every load must leave the plug-in in a state it can write out and read
// back unchanged; a difference aborts.
#include "host/synth_plugin.h"
#include "patch/preset_file.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using namespace ostrel;

vst::VstIntPtr hostCallback(vst::AEffect*, vst::VstInt32 opcode, vst::VstInt32, vst::VstIntPtr, void*, float)
{
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

SynthPlugin& plugin()
{
    static SynthPlugin* instance = new SynthPlugin(hostCallback);
    return *instance;
}

std::vector<unsigned char> chunkOf(bool isPreset)
{
    void* data = nullptr;
    const auto size = plugin().getChunk(&data, isPreset);
    if (size <= 0 || !data)
        std::abort();
    const auto* bytes = static_cast<const unsigned char*>(data);
    return {bytes, bytes + size};
}

// The current program, written out and loaded again, must come back byte for byte.
void checkPresetRoundTrip()
{
    auto first = chunkOf(true);
    if (first.size() != static_cast<std::size_t>(kProgramChunkSize))
        std::abort();
    plugin().setChunk(first.data(), static_cast<vst::VstInt32>(first.size()), true);
    if (chunkOf(true) != first)
        std::abort();
}

// The same for the whole bank.
void checkBankRoundTrip()
{
    auto first = chunkOf(false);
    plugin().setChunk(first.data(), static_cast<vst::VstInt32>(first.size()), false);
    if (chunkOf(false) != first)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const int road = data[0] % 3;
    std::vector<unsigned char> bytes(data + 1, data + size);
    // setChunk takes a 32-bit size; libFuzzer inputs stay far below that.
    const auto length = static_cast<vst::VstInt32>(bytes.size());
    void* pointer = bytes.empty() ? nullptr : bytes.data();

    switch (road) {
    case 0:
        if (plugin().setChunk(pointer, length, true) != 1)
            std::abort();
        checkPresetRoundTrip();
        break;
    case 1:
        if (plugin().setChunk(pointer, length, false) != 1)
            std::abort();
        checkBankRoundTrip();
        break;
    default: {
        const auto read = decodePresetFile(bytes.empty() ? nullptr : bytes.data(), bytes.size());
        // Either a preset or a reason, never both or neither.
        if (read.ok != read.error.empty())
            std::abort();
        if (read.ok) {
            auto chunk = read.preset.chunk;
            plugin().setChunk(chunk.data(), static_cast<vst::VstInt32>(chunk.size()),
                              read.preset.kind == PresetKind::Program);
            // What was read encodes to a file that reads back the same.
            const auto encoded = encodePresetFile(read.preset);
            const auto reread = decodePresetFile(encoded.data(), encoded.size());
            if (!reread.ok || reread.preset.chunk != read.preset.chunk)
                std::abort();
        }
        break;
    }
    }
    return 0;
}
