// Program (.fxp) and bank (.fxb) files around our opaque chunks, so that sounds can travel
// between hosts and tools. Everything read from a file is checked against the bytes actually
// present before it is used.
#include "patch/preset_file.h"

#include "patch/patch.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace ostrel {

namespace {

constexpr std::uint32_t fourCc(const char (&text)[5])
{
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24)
        | (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16)
        | (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8)
        | static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]));
}

constexpr std::uint32_t kContainerMagic = fourCc("CcnK");
constexpr std::uint32_t kProgramFileKind = fourCc("FPCh");
constexpr std::uint32_t kBankFileKind = fourCc("FBCh");
constexpr std::uint32_t kProgramParamsMagic = fourCc("FxCk");
constexpr std::uint32_t kBankParamsMagic = fourCc("FxBk");
constexpr std::size_t kBankReserved = 128;

void putBig(std::vector<unsigned char>& out, std::uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

std::uint32_t getBig(const unsigned char* p)
{
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16)
        | (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

std::string fourCcText(std::uint32_t v)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto ch = static_cast<char>((v >> shift) & 0xFF);
        text.push_back(ch >= 0x20 && ch < 0x7F ? ch : '?');
    }
    return text;
}

PresetReadResult refuse(std::string reason)
{
    PresetReadResult result;
    result.error = std::move(reason);
    return result;
}

} // namespace

PresetFile programPreset(const Patch& patch)
{
    std::vector<unsigned char> chunk(static_cast<std::size_t>(patch.chunkSize()));
    patch.writeChunk(chunk.data());
    return programPreset(chunk.data(), chunk.size(), patch.name());
}

PresetFile programPreset(const unsigned char* chunk, std::size_t size, const std::string& name)
{
    PresetFile preset;
    preset.kind = PresetKind::Program;
    preset.name = name;
    preset.programCount = 1;
    if (chunk)
        preset.chunk.assign(chunk, chunk + size);
    return preset;
}

PresetFile bankPreset(const unsigned char* chunk, std::size_t size, std::int32_t programCount)
{
    PresetFile preset;
    preset.kind = PresetKind::Bank;
    preset.programCount = programCount;
    if (chunk)
        preset.chunk.assign(chunk, chunk + size);
    return preset;
}

std::vector<unsigned char> encodePresetFile(const PresetFile& preset)
{
    const bool bank = preset.kind == PresetKind::Bank;
    const std::size_t header = bank ? kBankFileHeaderSize : kProgramFileHeaderSize;
    std::vector<unsigned char> out;
    out.reserve(header + preset.chunk.size());
    putBig(out, kContainerMagic);
    putBig(out, static_cast<std::uint32_t>(header - 8 + preset.chunk.size()));
    putBig(out, bank ? kBankFileKind : kProgramFileKind);
    putBig(out, 1); // format version
    putBig(out, static_cast<std::uint32_t>(kPluginId));
    putBig(out, static_cast<std::uint32_t>(preset.pluginVersion));
    putBig(out, static_cast<std::uint32_t>(preset.programCount));
    if (bank) {
        out.insert(out.end(), kBankReserved, 0);
    } else {
        // The name field always keeps a terminator.
        const std::size_t length = std::min(preset.name.size(), kPresetNameField - 1);
        out.insert(out.end(), preset.name.begin(), preset.name.begin() + static_cast<std::ptrdiff_t>(length));
        out.insert(out.end(), kPresetNameField - length, 0);
    }
    putBig(out, static_cast<std::uint32_t>(preset.chunk.size()));
    out.insert(out.end(), preset.chunk.begin(), preset.chunk.end());
    return out;
}

PresetReadResult decodePresetFile(const unsigned char* data, std::size_t size)
{
    if (!data || size < 12)
        return refuse("the file is too short to be a preset file");
    if (getBig(data) != kContainerMagic)
        return refuse("not a preset file (it does not start with \"CcnK\")");
    const std::uint32_t kindMagic = getBig(data + 8);
    if (kindMagic == kProgramParamsMagic || kindMagic == kBankParamsMagic)
        return refuse("the file holds a list of parameter values, not a program chunk of this plug-in");
    if (kindMagic != kProgramFileKind && kindMagic != kBankFileKind)
        return refuse("unknown preset file kind \"" + fourCcText(kindMagic) + "\"");
    const bool bank = kindMagic == kBankFileKind;
    const std::size_t header = bank ? kBankFileHeaderSize : kProgramFileHeaderSize;

    // byteSize counts what follows it; it must cover the header and stay within the data.
    const auto byteSize = static_cast<std::int32_t>(getBig(data + 4));
    if (byteSize < 0)
        return refuse("the file's size field is negative");
    const std::size_t declared = static_cast<std::size_t>(byteSize) + 8;
    if (declared > size)
        return refuse("the file is cut short: it declares " + std::to_string(declared) + " bytes but holds "
                      + std::to_string(size));
    if (declared < header)
        return refuse("the file's size field is too small for its header");

    const std::uint32_t version = getBig(data + 12);
    if (version < 1 || version > (bank ? 2u : 1u))
        return refuse("unsupported preset file version " + std::to_string(version));
    const std::uint32_t id = getBig(data + 16);
    if (id != static_cast<std::uint32_t>(kPluginId))
        return refuse("the file belongs to another plug-in (id \"" + fourCcText(id) + "\")");

    PresetReadResult result;
    PresetFile& preset = result.preset;
    preset.kind = bank ? PresetKind::Bank : PresetKind::Program;
    preset.pluginVersion = static_cast<std::int32_t>(getBig(data + 20));
    preset.programCount = static_cast<std::int32_t>(getBig(data + 24));
    if (!bank) {
        const auto* name = reinterpret_cast<const char*>(data + 28);
        preset.name.assign(name, static_cast<std::size_t>(std::find(name, name + kPresetNameField, '\0') - name));
    }

    const auto chunkSize = static_cast<std::int32_t>(getBig(data + header - 4));
    if (chunkSize < 0)
        return refuse("the chunk size is negative");
    if (static_cast<std::size_t>(chunkSize) > declared - header)
        return refuse("the chunk size (" + std::to_string(chunkSize) + " bytes) runs past the end of the file");
    const unsigned char* chunk = data + header;
    if (!startsWithMagic(chunk, static_cast<std::size_t>(chunkSize), bank ? kBankChunkMagic : kProgramChunkMagic))
        return refuse(bank ? "the file does not hold a bank of this plug-in"
                           : "the file does not hold a program of this plug-in");
    preset.chunk.assign(chunk, chunk + chunkSize);
    result.ok = true;
    return result;
}

PresetReadResult readPresetFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return refuse("cannot open " + path);
    const std::streamoff length = in.tellg();
    if (length < 0)
        return refuse("cannot read " + path);
    if (static_cast<std::uint64_t>(length) > kMaxPresetFileSize)
        return refuse(path + " is too large to be a preset file");
    std::vector<unsigned char> bytes(static_cast<std::size_t>(length));
    in.seekg(0);
    if (!bytes.empty() && !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return refuse("cannot read " + path);
    PresetReadResult result = decodePresetFile(bytes.data(), bytes.size());
    if (!result.ok)
        result.error = path + ": " + result.error;
    return result;
}

bool writePresetFile(const std::string& path, const PresetFile& preset, std::string* error)
{
    const auto bytes = encodePresetFile(preset);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    return true;
}

} // namespace ostrel
